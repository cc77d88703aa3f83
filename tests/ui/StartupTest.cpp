#include "DisplayReach.h"

#include <QtTest>
#include <map>

// Whether the start says there is no display, from the environment alone.
class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void noDisplayIsToldFromTheEnvironment_data();
    void noDisplayIsToldFromTheEnvironment();
};

void StartupTest::noDisplayIsToldFromTheEnvironment_data()
{
    QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM; "-": unset
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("unset"); // what the line says is missing; empty: a display
    const QString none;
    const QString both = QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
    const QString x = QStringLiteral("DISPLAY is not set");
    const QString w = QStringLiteral("WAYLAND_DISPLAY is not set");
    QTest::newRow("default, nothing") << "-"
                                      << ""
                                      << "" << both;
    QTest::newRow("default, empty platform") << ""
                                             << ""
                                             << "" << both;
    QTest::newRow("default, X") << "-"
                                << ":0"
                                << "" << none;
    QTest::newRow("default, Wayland") << "-"
                                      << ""
                                      << "wayland-0" << none;
    QTest::newRow("xcb, Wayland only") << "xcb"
                                       << ""
                                       << "wayland-0" << x;
    QTest::newRow("xcb with options") << "xcb:nograb"
                                      << ""
                                      << "" << x;
    QTest::newRow("wayland, X only") << "wayland"
                                     << ":0"
                                     << "" << w;
    QTest::newRow("wayland-egl") << "wayland-egl"
                                 << ""
                                 << "wayland-1" << none;
    QTest::newRow("a list, its second there") << "wayland;xcb"
                                              << ":0"
                                              << "" << none;
    QTest::newRow("a list, neither") << "wayland;xcb"
                                     << ""
                                     << "" << both;
    QTest::newRow("offscreen needs none") << "offscreen"
                                          << ""
                                          << "" << none;
    QTest::newRow("vnc needs none") << "vnc:size=800x600"
                                    << ""
                                    << "" << none;
    QTest::newRow("a list with offscreen") << "xcb;offscreen"
                                           << ""
                                           << "" << none;
}

void StartupTest::noDisplayIsToldFromTheEnvironment()
{
    QFETCH(QString, platform);
    QFETCH(QString, display);
    QFETCH(QString, wayland);
    QFETCH(QString, unset);
    std::map<std::string, std::string> environment{{"DISPLAY", display.toStdString()},
                                                   {"WAYLAND_DISPLAY", wayland.toStdString()}};
    if (platform != QLatin1String("-"))
        environment["QT_QPA_PLATFORM"] = platform.toStdString();
    const auto why = WhyNoDisplay([&](const char *name) -> const char * {
        const auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    });
    const QString expected =
        unset.isEmpty() ? QString()
                        : QStringLiteral("no display to show the window on (%1); start it in a "
                                         "desktop session, or use zelvanectl in a terminal")
                              .arg(unset);
    QCOMPARE(why ? QString::fromStdString(*why) : QString(), expected);
}

QTEST_APPLESS_MAIN(StartupTest)

#include "StartupTest.moc"
