// Live inputs in the window, over the simulated port: how soon a change of an input is
// shown, what polling costs while nothing changes (CPU time from /proc over 10 s), and how
// often the port thread wakes while the window is idle with live inputs off.
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include "CZelvaneApp.h"
#include "CZelvaneDlg.h"
#include "IndicatorLabel.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    long utime = 0, stime = 0;
    if (FILE *stat = std::fopen("/proc/self/stat", "r")) {
        // Fields 14 and 15, after the command name in parentheses.
        if (std::fscanf(stat, "%*d (%*[^)]) %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld",
                        &utime, &stime) != 2)
            utime = stime = 0;
        std::fclose(stat);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Context switches of this process's thread of that name, from /proc.
long switchesOfThread(const char *name)
{
    long total = -1;
    for (const QString &tid : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name)
            continue;
        QFile status(QStringLiteral("/proc/self/task/%1/status").arg(tid));
        status.open(QIODevice::ReadOnly);
        total = 0;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.endsWith("ctxt_switches:") || line.contains("ctxt_switches:"))
                total += line.split(':').last().trimmed().toLong();
    }
    return total;
}

} // namespace

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    SetPortOpener([] { return PortOpening{std::make_unique<SimulatedPort>(), {}}; });
    CZelvaneDlg panel(ProcessPinLevels());
    QTimer::singleShot(0, [&] {
        panel.liveInputsAction()->setChecked(true);
        IndicatorLabel *s3 = panel.indicator(1052);
        double worst = 0, total = 0;
        constexpr int kChanges = 20;
        for (int i = 0; i < kChanges; ++i) {
            QTest::qWait(37); // somewhere within a poll interval
            const ImageId before = s3->image();
            QTest::mouseClick(panel.indicator(1039), Qt::LeftButton); // D0, wired to S3
            QElapsedTimer clock; // from the moment the port holds the new level
            clock.start();
            while (s3->image() == before && clock.elapsed() < 1000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            s3->repaint(); // the frame that puts it on screen
            const double ms = clock.nsecsElapsed() / 1e6;
            worst = std::max(worst, ms);
            total += ms;
        }
        std::printf("input change to screen: mean %.1f ms, worst %.1f ms (poll interval %d ms, %d "
                    "changes)\n",
                    total / kChanges, worst, LivePollPace::kPollInterval, kChanges);
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(10000);
        const double used = (cpuSeconds() - cpuBefore) / (wall.nsecsElapsed() / 1e9);
        std::printf(
            "polling with nothing changing: %.2f %% of one core over %.1f s (/proc/self/stat)\n",
            used * 100, wall.nsecsElapsed() / 1e9);
        panel.dataInputsAction()->trigger(); // the data pins too: one more read a poll
        const double cpuWithData = cpuSeconds();
        wall.start();
        QTest::qWait(10000);
        std::printf("polling with the data pins as inputs too: %.2f %% of one core\n",
                    (cpuSeconds() - cpuWithData) / (wall.nsecsElapsed() / 1e9) * 100);
        panel.dataInputsAction()->trigger();
        panel.liveInputsAction()->setChecked(false);
        QTest::qWait(200);
        const long switches = switchesOfThread("port");
        QTest::qWait(5000);
        std::printf("live inputs off: the port thread woke %ld times in 5 s\n",
                    switchesOfThread("port") - switches);
        panel.reject();
    });
    panel.DoModal();
    SetPortOpener(nullptr);
    return 0;
}
