#include "CZelvaneApp.h"
#include "CommandLine.h"
#include "DirectPortGrant.h"
#include "DisplayReach.h"

#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// With no session bus, libdbus would fork dbus-launch to start one; the program needs no
// bus and starts no helper, so it says there is none.
void keepLibrariesFromStartingHelpers()
{
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")))
        return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = AnswerCommandLine(argc, argv))
        return *status;
    if (const std::optional<std::string> why = WhyNoDisplay(std::getenv)) {
        std::fprintf(stderr, "zelvane: %s\n", why->c_str());
        return 1;
    }
    // Before Qt starts any thread: the I/O permission and capabilities are per thread.
    if (const DirectPortGrant &grant = RequestDirectPortGrant(); !grant.fatal.empty()) {
        qCritical("zelvane: %s", grant.fatal.c_str());
        return 1;
    }
    keepLibrariesFromStartingHelpers();
    std::optional<DisplayFailureGuard> displayGuard;
    displayGuard.emplace();
    CZelvaneApp app(argc, argv);
    displayGuard.reset();
    app.InitInstance();
    return 0;
}
