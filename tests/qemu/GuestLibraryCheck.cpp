// Runs inside the QEMU guest beside guest_port_check, linked against the built libzelvane.so.1
// as a user's program is. Each mode sends pulses through the library and puts every level a
// pulse set on the emulated port's wire with a strobe; the host checks the wire.
// Usage: guest_library_check pulses FIRST | beside FIRST ZELVANECTL | thread-without-right |
//        bench

#include "zelvane.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <signal.h>
#include <string>
#include <sys/capability.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kPulses = 3;
constexpr std::int64_t kMs = 1000000;
// Long beside the emulator's accesses, so the strobe always falls inside the pulse.
constexpr std::int64_t kPulseNs = 300 * kMs;
// Control: INIT and SELECT set; strobe (bit 0) set then clear puts the data on the wire.
constexpr unsigned kIdleControl = 0x0C, kStrobeControl = 0x0D;

bool failed(const char *what, int status)
{
    std::printf("CHECK FAILED: %s: %s (%s; %s)\n", what, zelvane_status_text(status),
                zelvane_error_cause(), zelvane_error_fix());
    return false;
}

bool strobe(zelvane *port)
{
    int status = zelvane_write(port, ZELVANE_CONTROL, kStrobeControl);
    if (status == ZELVANE_OK)
        status = zelvane_write(port, ZELVANE_CONTROL, kIdleControl);
    return status == ZELVANE_OK || failed("strobe", status);
}

// Waits for the pulse's level on the data lines, as another reader of the port would see it.
bool dataReaches(zelvane *port, unsigned value)
{
    const std::int64_t giveUp = zelvane_now_ns() + 5000 * kMs;
    unsigned data = 0;
    while (zelvane_now_ns() < giveUp) {
        if (const int status = zelvane_read(port, ZELVANE_DATA, &data))
            return failed("data read", status);
        if (data == value)
            return true;
    }
    std::printf("CHECK FAILED: the data lines never showed 0x%02X (last 0x%02X)\n", value, data);
    return false;
}

// Pulses FIRST, FIRST+1, ... restoring 0, each level strobed onto the wire: "v 00" per pulse.
// Their reported times: on before off, at least the length apart, inside the calls' span.
bool sendPulses(zelvane *port, unsigned first)
{
    if (const int status = zelvane_write(port, ZELVANE_CONTROL, kIdleControl))
        return failed("control write", status);
    if (const int status = zelvane_write(port, ZELVANE_DATA, 0))
        return failed("data write", status);
    for (unsigned code = first; code < first + kPulses; ++code) {
        std::uint64_t id = 0;
        std::int64_t on = 0, off = 0;
        const std::int64_t asked = zelvane_now_ns();
        if (const int status = zelvane_pulse(port, code, 0xFF, kPulseNs, ZELVANE_AFTER_RESTORE,
                                             ZELVANE_BUSY_RAISE, &id))
            return failed("pulse", status);
        if (!dataReaches(port, code) || !strobe(port))
            return false;
        if (const int status = zelvane_pulse_wait(port, id, -1, &on, &off))
            return failed("pulse wait", status);
        const std::int64_t ended = zelvane_now_ns();
        if (!(asked <= on && on + kPulseNs <= off && off <= ended)) {
            std::printf("CHECK FAILED: pulse 0x%02X reported on %lld, off %lld, asked at %lld, "
                        "ended by %lld\n",
                        code, static_cast<long long>(on), static_cast<long long>(off),
                        static_cast<long long>(asked), static_cast<long long>(ended));
            return false;
        }
        if (!dataReaches(port, 0) || !strobe(port))
            return false;
        std::printf("pulse 0x%02X: %.3f ms wide, asked to on %.3f ms\n", code,
                    static_cast<double>(off - on) / kMs, static_cast<double>(on - asked) / kMs);
    }
    return true;
}

int runPulses(unsigned first)
{
    zelvane *port = nullptr;
    if (const int status = zelvane_open(nullptr, &port))
        return !failed("open", status);
    char name[128] = "";
    zelvane_port_name(port, name, sizeof name);
    std::printf("library on %s\n", name);
    const bool ok = sendPulses(port, first);
    const int closed = zelvane_close(port);
    return !(ok && (closed == ZELVANE_OK || failed("close", closed)));
}

// zelvanectl watching the status inputs every millisecond on the same port while the pulses
// run: each program's accesses take turns, neither fails, and zelvanectl ends at SIGTERM as
// a signalled program does (128 + 15) after reporting the inputs.
int runBesideZelvanectl(unsigned first, const char *zelvanectl)
{
    int out[2];
    if (pipe(out) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(zelvanectl, zelvanectl, "-p", "ppdev", "watch", "--interval", "1ms",
              static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char first_line[256] = "";
    FILE *reading = fdopen(out[0], "r");
    if (!reading || !std::fgets(first_line, sizeof first_line, reading)) {
        std::printf("CHECK FAILED: zelvanectl reported nothing\n");
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        return 1;
    }
    std::printf("zelvanectl: %s", first_line);
    const int rc = runPulses(first);
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    std::fclose(reading);
    const bool watched = std::strstr(first_line, " status 0x") != nullptr;
    if (!watched || !WIFEXITED(status) || WEXITSTATUS(status) != 128 + SIGTERM) {
        std::printf("CHECK FAILED: zelvanectl beside the library: status %d, first line %s\n",
                    status, first_line);
        return 1;
    }
    return rc;
}

// On direct I/O, a thread of the program that has given up CAP_SYS_RAWIO: its access fails
// with the reason instead of faulting, and the other threads go on.
int runThreadWithoutTheRight()
{
    zelvane *port = nullptr;
    if (const int status = zelvane_open("direct", &port))
        return !failed("open", status);
    int status = ZELVANE_OK;
    std::string cause;
    std::thread([&] {
        cap_t none = cap_init(); // this thread's capabilities only
        if (cap_set_proc(none) != 0)
            std::printf("CHECK FAILED: cap_set_proc: %s\n", std::strerror(errno));
        cap_free(none);
        status = zelvane_write(port, ZELVANE_DATA, 0x5A);
        cause = std::string(zelvane_error_cause()) + "; " + zelvane_error_fix();
    }).join();
    unsigned data = 0;
    const int after = zelvane_read(port, ZELVANE_DATA, &data);
    zelvane_close(port);
    std::printf("without CAP_SYS_RAWIO: %s (%s)\n", zelvane_status_text(status), cause.c_str());
    if (status != ZELVANE_E_ACCESS || cause.find("CAP_SYS_RAWIO") == std::string::npos ||
        after != ZELVANE_OK || data == 0x5A)
        return std::printf("CHECK FAILED: a thread without the right reached the port, or "
                           "its failure was not told\n"),
               1;
    return 0;
}

template <typename Call>
double nanosecondsPerCall(long calls, Call call)
{
    double best = 0;
    for (int round = 0; round < 5; ++round) {
        const std::int64_t start = zelvane_now_ns();
        for (long i = 0; i < calls; ++i)
            call(i);
        const double each = static_cast<double>(zelvane_now_ns() - start) / calls;
        best = round == 0 || each < best ? each : best;
    }
    return best;
}

// On ppdev: the library's shared write against the bare claim, write and release, and
// against the one ioctl of a descriptor claimed for its whole life (what pyparallel's
// setData costs below Python). The library's own figure is printed alone on the last line
// for the Python benchmark that follows.
int runBench()
{
    constexpr long kCalls = 2000;
    zelvane *port = nullptr;
    if (const int status = zelvane_open("ppdev", &port))
        return !failed("open", status);
    const double library = nanosecondsPerCall(kCalls, [&](long i) {
        zelvane_write(port, ZELVANE_DATA, static_cast<unsigned>(i & 0xFF));
    });
    zelvane_close(port);

    const int fd = open("/dev/parport0", O_RDWR);
    if (fd < 0)
        return std::printf("CHECK FAILED: /dev/parport0: %s\n", std::strerror(errno)), 1;
    const double bare = nanosecondsPerCall(kCalls, [&](long i) {
        unsigned char value = static_cast<unsigned char>(i);
        ioctl(fd, PPCLAIM);
        ioctl(fd, PPWDATA, &value);
        ioctl(fd, PPRELEASE);
    });
    close(fd);
    // PPEXCL comes before a descriptor's first claim, so on a fresh one.
    const int own = open("/dev/parport0", O_RDWR);
    int exclusive = own >= 0 && ioctl(own, PPEXCL) == 0 && ioctl(own, PPCLAIM) == 0;
    const double held = nanosecondsPerCall(kCalls, [&](long i) {
        unsigned char value = static_cast<unsigned char>(i);
        exclusive &= ioctl(own, PPWDATA, &value) == 0;
    });
    ioctl(own, PPRELEASE);
    close(own);
    if (!exclusive)
        return std::printf("CHECK FAILED: the exclusive claim\n"), 1;
    std::printf("BENCH library ppdev: zelvane_write %.0f ns, bare PPCLAIM+PPWDATA+PPRELEASE %.0f "
                "ns, ratio %.2f; PPWDATA on an exclusive claim kept for life %.0f ns (best of 5 "
                "rounds, QEMU TCG)\n%.0f\n",
                library, bare, library / bare, held, library);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string mode = argc > 1 ? argv[1] : "";
    const unsigned first = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 0)) : 0;
    int rc = 2;
    if (mode == "pulses" && argc == 3)
        rc = runPulses(first);
    else if (mode == "beside" && argc == 4)
        rc = runBesideZelvanectl(first, argv[3]);
    else if (mode == "thread-without-right" && argc == 2)
        rc = runThreadWithoutTheRight();
    else if (mode == "bench" && argc == 2)
        return runBench();
    else
        return std::fprintf(stderr,
                            "usage: %s pulses FIRST | beside FIRST ZELVANECTL | "
                            "thread-without-right | bench\n",
                            argv[0]),
               2;
    std::printf("ZELVANE-RESULT library-%s %s\n", mode.c_str(), rc == 0 ? "PASS" : "FAIL");
    return rc;
}
