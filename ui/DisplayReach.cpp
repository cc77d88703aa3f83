#include "DisplayReach.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

std::optional<std::string> WhyNoDisplay(const std::function<const char *(const char *)> &env)
{
    const auto isSet = [&](const char *name) {
        const char *value = env(name);
        return value != nullptr && *value != '\0';
    };
    const char *chosen = env("QT_QPA_PLATFORM");
    const bool byDefault = chosen == nullptr || *chosen == '\0';
    // Qt on Linux takes xcb unless told, and Wayland first in a Wayland session.
    const std::string platforms = byDefault ? "xcb" : chosen;
    bool x11 = false;
    bool wayland = byDefault;
    for (std::size_t start = 0; start <= platforms.size();) {
        const std::size_t end = std::min(platforms.find(';', start), platforms.size());
        const std::string entry = platforms.substr(start, end - start);
        const std::string name = entry.substr(0, entry.find(':')); // "xcb:option=..."
        if (name == "xcb")
            x11 = true;
        else if (name.rfind("wayland", 0) == 0)
            wayland = true;
        else if (!name.empty())
            return std::nullopt; // offscreen, vnc, eglfs...: no display of a session needed
        start = end + 1;
    }
    if ((x11 && isSet("DISPLAY")) || (wayland && isSet("WAYLAND_DISPLAY")))
        return std::nullopt;
    const char *unset = x11 && wayland ? "neither DISPLAY nor WAYLAND_DISPLAY is set"
                        : x11          ? "DISPLAY is not set"
                                       : "WAYLAND_DISPLAY is not set";
    return std::string("no display to show the window on (") + unset +
           "); start it in a desktop session, or use zelvanectl in a terminal";
}

namespace {

struct HeldMessage {
    QtMsgType type;
    const char *category; // a logging category's name lives as long as the program
    QString text;
};

QtMessageHandler g_passOn = nullptr;
std::vector<HeldMessage> g_held;

void holdWhileTheDisplayOpens(QtMsgType type, const QMessageLogContext &context,
                              const QString &text)
{
    if (type == QtFatalMsg) {
        // The plugin's first warning names the display; its fatal text only advises reinstalling.
        QString why = text.section(QLatin1Char('\n'), 0, 0);
        for (const HeldMessage &held : g_held)
            if (held.type == QtWarningMsg || held.type == QtCriticalMsg) {
                why = held.text;
                break;
            }
        std::fprintf(stderr, "zelvane: cannot show the window: %s\n", qPrintable(why));
        std::fflush(stderr);
        std::_Exit(1);
    }
    g_held.push_back({type, context.category, text});
}

} // namespace

DisplayFailureGuard::DisplayFailureGuard()
{
    g_passOn = qInstallMessageHandler(holdWhileTheDisplayOpens);
}

DisplayFailureGuard::~DisplayFailureGuard()
{
    qInstallMessageHandler(g_passOn);
    for (const HeldMessage &held : std::exchange(g_held, {}))
        g_passOn(held.type, QMessageLogContext(nullptr, 0, nullptr, held.category), held.text);
}
