// One data write through libzelvane from C, the figure the Python package is held against.
#include "BenchTiming.h"
#include "zelvane.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const char *port = argc > 1 ? argv[1] : "sim";
    const long calls = argc > 2 ? std::atol(argv[2]) : 1'000'000;
    zelvane *handle = nullptr;
    if (zelvane_open(port, &handle) != ZELVANE_OK) {
        std::fprintf(stderr, "lib_data_write_bench: %s: %s (fix: %s)\n", port,
                     zelvane_error_cause(), zelvane_error_fix());
        return 1;
    }
    int failed = 0;
    const double ns = nanosecondsPerCall(calls, [&](long i) {
        failed |= zelvane_write(handle, ZELVANE_DATA, static_cast<unsigned>(i & 0xFF));
    });
    zelvane_close(handle);
    if (failed)
        return 1;
    std::printf("%.1f\n", ns);
    return 0;
}
