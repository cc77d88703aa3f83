// The timeline: one frame painted with 10^6 changes held, at several zooms (best of 5, into
// an offscreen image), what sampling at 1 kHz costs with the timeline open on the simulated
// port (CPU time from /proc over 10 s, the whole process), and how long an input change
// takes from the port's outside to the frame that shows it.
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include "CZelvaneApp.h"
#include "CZelvaneDlg.h"
#include "SimulatedPort.h"
#include "TimelineView.h"
#include "TimelineWindow.h"
#include "WinIo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

// The whole process's CPU time, or one thread's (its /proc/self/task/TID/stat).
double cpuSeconds(const QString &statPath = QStringLiteral("/proc/self/stat"))
{
    long utime = 0, stime = 0;
    if (FILE *stat = std::fopen(statPath.toLocal8Bit().constData(), "r")) {
        if (std::fscanf(stat, "%*d (%*[^)]) %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld",
                        &utime, &stime) != 2)
            utime = stime = 0;
        std::fclose(stat);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

long portThreadSwitches(const QString &stat)
{
    QFile status(QString(stat).replace(QStringLiteral("/stat"), QStringLiteral("/status")));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    long total = 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.contains("ctxt_switches:"))
            total += line.split(':').last().trimmed().toLong();
    return total;
}

QString portThreadStat()
{
    for (const QString &tid : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "port")
            return QStringLiteral("/proc/self/task/%1/stat").arg(tid);
    }
    return {};
}

void paintFrames()
{
    Trace trace;
    constexpr std::int64_t kStart = 1'000'000'000;
    constexpr int kSamples = 60'000; // every signal pin changes in each: 17 changes a sample
    for (int i = 0; i < kSamples; ++i)
        trace.add({kStart + std::int64_t(i) * 1000, (i % 2) ? 0x3FFFEu : 0u});
    std::size_t held = 0;
    for (unsigned pin = 1; pin <= Trace::kSignalPins; ++pin)
        held += trace.pin(pin).size();
    TimelineView view(trace);
    view.resize(1600, view.rowTop(18));
    view.setFollowing(false);
    view.traceGrew(kStart + std::int64_t(kSamples) * 1000);
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    struct Zoom {
        const char *what;
        double nsPerPixel;
    };
    const Zoom zooms[] = {{"all of it (every column a bar)", 0},
                          {"1 ms a pixel", 1e6},
                          {"10 us a pixel", 1e4},
                          {"1 us a pixel (an edge every column)", 1e3},
                          {"100 ns a pixel", 100}};
    for (const Zoom &zoom : zooms) {
        if (zoom.nsPerPixel == 0)
            view.zoomToFit();
        else
            view.setRange(kStart + 20'000'000, zoom.nsPerPixel);
        double best = 1e300;
        for (int round = 0; round < 5; ++round) {
            QElapsedTimer clock;
            clock.start();
            QPainter painter(&frame);
            view.render(&painter);
            painter.end();
            best = std::min(best, clock.nsecsElapsed() / 1e6);
        }
        std::printf("frame with %zu changes held, %s: %.2f ms\n", held, zoom.what, best);
    }
}

// The window's own event loop for a while, asleep between events as the program is; not
// QTest::qWait, which wakes every 10 ms and would be counted as the timeline's.
void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

std::int64_t monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Calls back as each frame of a widget begins to paint.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::function<void()> painting) : m_painting(std::move(painting)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_painting();
        return false;
    }

private:
    std::function<void()> m_painting;
};

// S6 driven from the port's outside, at every phase of the frame, until the frame that shows
// it: against the bound of two sampling intervals and one frame.
void inputLatency(TimelineWindow &timeline, SimulatedPort &port)
{
    constexpr unsigned kS6 = 10;
    const Trace &trace = timeline.trace();
    std::vector<double> latencies; // ms
    std::int64_t drivenAt = 0;
    std::uint8_t level = trace.levelAt(kS6, trace.newest());
    bool waiting = false;
    PaintWatch watch([&] {
        const Edge &newest = trace.pin(kS6).newest();
        if (waiting && newest.level == level && newest.t >= drivenAt) {
            latencies.push_back((monotonicNs() - drivenAt) / 1e6);
            waiting = false;
        }
    });
    timeline.view()->installEventFilter(&watch);
    constexpr int kChanges = 40;
    for (int i = 0; i < kChanges; ++i) {
        QTest::qWait(20 + (i * 17) % 60);
        level ^= 1;
        waiting = true;
        drivenAt = monotonicNs();
        port.drive(1u << 3, std::uint8_t(level << 3), 0, 0); // status bit 3 is S6
        QElapsedTimer patience;
        patience.start();
        while (waiting && patience.elapsed() < 2000)
            QTest::qWait(1);
    }
    timeline.view()->removeEventFilter(&watch);
    port.release(1u << 3, 0);
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) {
        std::printf("input to screen: no change reached the screen\n");
        return;
    }
    std::printf("input to screen, %zu of %d changes shown: median %.1f ms, worst %.1f ms "
                "(bound: 2 sampling intervals + one frame = %.0f ms)\n",
                latencies.size(), kChanges, latencies[latencies.size() / 2], latencies.back(),
                std::chrono::duration<double, std::milli>(2 * TimelineWindow::kDefaultInterval +
                                                          TimelineWindow::kFrame)
                    .count());
}

} // namespace

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    paintFrames();
    std::atomic<SimulatedPort *> sim = nullptr;
    SetPortOpener([&sim] {
        auto port = std::make_unique<SimulatedPort>();
        sim = port.get();
        return PortOpening{std::move(port), {}};
    });
    CZelvaneDlg panel(ProcessPinLevels());
    QTimer::singleShot(0, [&] {
        panel.timelineAction()->trigger();
        QTest::qWait(500);
        const QString port = portThreadStat();
        const QString window = QStringLiteral("/proc/self/task/%1/stat").arg(getpid());
        const double before = cpuSeconds();
        const double portBefore = cpuSeconds(port);
        const long windowSwitches = portThreadSwitches(window);
        QElapsedTimer wall;
        wall.start();
        runEventsFor(10000);
        const double seconds = wall.nsecsElapsed() / 1e9;
        std::printf("timeline open, sampling every 1 ms: %.2f %% of one core over %.1f s "
                    "(/proc/self/stat, whole process)\n",
                    (cpuSeconds() - before) / seconds * 100, seconds);
        std::printf("  of which the port thread's sampling: %.2f %% of one core; the window's "
                    "thread woke %.0f times a second\n",
                    (cpuSeconds(port) - portBefore) / seconds * 100,
                    double(portThreadSwitches(window) - windowSwitches) / seconds);
        inputLatency(*panel.timeline(), *sim);
        panel.timeline()->view()->setPaused(true);
        const double pausedBefore = cpuSeconds();
        wall.start();
        runEventsFor(10000);
        std::printf("the same with the display paused (sampling alone): %.2f %% of one core\n",
                    (cpuSeconds() - pausedBefore) / (wall.nsecsElapsed() / 1e9) * 100);
        panel.timeline()->close();
        QTest::qWait(200);
        const long switches = portThreadSwitches(port);
        runEventsFor(5000);
        std::printf("timeline closed: the port thread woke %ld times in 5 s\n",
                    portThreadSwitches(port) - switches);
        panel.reject();
    });
    panel.DoModal();
    SetPortOpener(nullptr);
    return 0;
}
