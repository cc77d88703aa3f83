// Start-up time of the panel window against a bare Qt dialog, and the cost of clicks.
//   window_bench            runs everything and prints the figures
//   window_bench panel|bare one child run: shows the window, says "shown" on stdout, exits
#include "CZelvaneApp.h"
#include "CZelvaneDlg.h"
#include "IndicatorImages.h"
#include "IndicatorLabel.h"
#include "PinPanel.h"
#include "ResidentMemory.h"
#include "SimulatedPort.h"
#include "WinIo.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Says "shown" once the dialog is on screen, then ends the run.
class ShownReporter : public QObject {
public:
    explicit ShownReporter(QDialog &dialog) : m_dialog(dialog) { dialog.installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            std::printf("shown\n");
            std::fflush(stdout);
            QTimer::singleShot(0, &m_dialog, &QDialog::reject);
        }
        return false;
    }

private:
    QDialog &m_dialog;
};

int runChild(const char *mode, int argc, char **argv)
{
    if (std::string(mode) == "panel") {
        CZelvaneApp app(argc, argv);
        CZelvaneDlg panel(ProcessPinLevels());
        ShownReporter reporter(panel);
        panel.DoModal();
        return 0;
    }
    QApplication app(argc, argv);
    QDialog bare;
    bare.setFixedSize(720, 449);
    QLabel text(QStringLiteral("Zelvane"), &bare);
    ShownReporter reporter(bare);
    bare.exec();
    return 0;
}

double millisecondsToShown(const QString &self, const QString &mode)
{
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(self, {mode});
    child.waitForReadyRead(30000);
    const double ms = clock.nsecsElapsed() / 1e6;
    child.waitForFinished(30000);
    return ms;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A click through the port thread until its indicator shows the new level, repainted;
// beside it, the same click's work done on the window's own thread, as before the port
// thread, for comparison.
void measureClicks(int argc, char **argv)
{
    CZelvaneApp app(argc, argv);
    SetPortOpener([] { return PortOpening{std::make_unique<SimulatedPort>(), {}}; });
    CZelvaneDlg panel(ProcessPinLevels());
    QTimer::singleShot(0, [&] {
        const auto &ids = kClickableControlIds;
        constexpr int kClicks = 10000;
        auto clickAndShow = [&](int i) {
            QTest::mouseClick(panel.indicator(ids[i % 12]), Qt::LeftButton);
            while (panel.portBusy())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QApplication::processEvents(); // let each repaint happen, as on screen
        };
        for (int i = 0; i < 1000; ++i) // warm-up: every image loaded, caches filled
            clickAndShow(i);
        const long before = residentKiB();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kClicks; ++i)
            clickAndShow(i);
        const double us = clock.nsecsElapsed() / 1e3 / kClicks;
        const long after = residentKiB();
        SimulatedPort direct;
        PinLevels levels = ProcessPinLevels();
        clock.start();
        for (int i = 0; i < kClicks; ++i) { // what a click cost on this thread
            QTest::mouseClick(panel.indicator(1055), Qt::LeftButton); // the event, unarmed G0
            const ConnectorPin *pin = findPinByControlId(ids[i % 12]);
            if (pin->group == PinGroup::Data) {
                ToggleDataPin(levels, panel, pin->bit);
                direct.writeRegister(PortRegister::Data, levels.dataByte);
            } else {
                ToggleControlPin(levels, panel, pin->bit);
                direct.writeRegister(PortRegister::Control, levels.controlByte);
            }
            QApplication::processEvents();
        }
        const double onThisThread = clock.nsecsElapsed() / 1e3 / kClicks;
        std::printf(
            "%d clicks on the indicators (simulated port, offscreen, repaint each): through the "
            "port thread %.1f us/click, the same work on the window's thread %.1f us/click "
            "(ratio %.2f); resident memory %ld KiB -> %ld KiB (%+ld KiB); images loaded: %d\n",
            kClicks, us, onThisThread, us / onThisThread, before, after, after - before,
            IndicatorImages::decodeCount());
        panel.reject();
    });
    panel.DoModal();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2)
        return runChild(argv[1], argc, argv);

    const QString self = QString::fromLocal8Bit(argv[0]);
    setenv("ZELVANE_PORT", "sim", 1);
    constexpr int kRuns = 15;
    std::vector<double> panelMs, bareMs;
    for (int i = 0; i < kRuns; ++i) { // interleaved, so both see the same machine
        panelMs.push_back(millisecondsToShown(self, QStringLiteral("panel")));
        bareMs.push_back(millisecondsToShown(self, QStringLiteral("bare")));
    }
    const double panel = median(panelMs), bare = median(bareMs);
    std::printf(
        "process start to window shown (%s, median of %d runs): panel %.1f ms, bare Qt dialog "
        "%.1f ms, ratio %.2f\n",
        qgetenv("QT_QPA_PLATFORM").isEmpty() ? "display" : qgetenv("QT_QPA_PLATFORM").constData(),
        kRuns, panel, bare, panel / bare);
    measureClicks(argc, argv);
    return 0;
}
