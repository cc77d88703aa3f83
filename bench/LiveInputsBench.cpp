// Live inputs in the window, over the simulated port: how soon a change of an input is
// shown, and what polling costs while nothing changes (CPU time from /proc over 10 s).
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include "CZelvaneApp.h"
#include "CZelvaneDlg.h"
#include "IndicatorLabel.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <QElapsedTimer>
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

} // namespace

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    SimulatedPort *port = nullptr;
    SetPortOpener([&] {
        auto opened = std::make_unique<SimulatedPort>();
        port = opened.get();
        return PortOpening{std::move(opened), {}};
    });
    CZelvaneDlg panel(ProcessPinLevels());
    QTimer::singleShot(0, [&] {
        panel.liveInputsAction()->setChecked(true);
        IndicatorLabel *s3 = panel.indicator(1052);
        double worst = 0, total = 0;
        constexpr int kChanges = 20;
        for (int i = 0; i < kChanges; ++i) {
            QTest::qWait(37); // somewhere within a poll interval
            const ImageId before = s3->image();
            QElapsedTimer clock;
            clock.start();
            port->writeRegister(PortRegister::Data, static_cast<std::uint8_t>(i % 2 ? 0x01 : 0x00));
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
        panel.reject();
    });
    panel.DoModal();
    SetPortOpener(nullptr);
    return 0;
}
