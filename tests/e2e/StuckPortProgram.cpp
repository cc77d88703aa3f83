// The real window over a simulated port whose every access takes 3 s, as one the kernel
// keeps: what the stuck-port test drives.
#include "BlockingPort.h"
#include "CZelvaneApp.h"
#include "WinIo.h"

int main(int argc, char *argv[])
{
    SetPortOpener([] {
        return PortOpening{std::make_unique<BlockingPort>(std::chrono::seconds(3)), {}};
    });
    CZelvaneApp app(argc, argv);
    app.InitInstance();
    return 0;
}
