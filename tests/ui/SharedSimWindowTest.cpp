#include "CZelvaneApp.h"
#include "IndicatorImages.h"
#include "PanelHarness.h"
#include "PinTable.h"
#include "PortChoice.h"
#include "TimelineWindow.h"

#include <QComboBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The window on ZELVANE_PORT=sim:NAME while zelvanectl drives the port's outside from
// another process, as a user without a port tries it.
class SharedSimWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void liveInputsShowWhatAnotherProgramDrives();
    void theTimelineShowsEachDrivenEdgeWithinOneInterval();

private:
    QTemporaryDir m_runtime;
};

void SharedSimWindowTest::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
}

void SharedSimWindowTest::liveInputsShowWhatAnotherProgramDrives()
{
    const auto outside = [](const QStringList &words) {
        return QProcess::execute(ZELVANECTL_PROGRAM, QStringList{"-p", "sim:window"} + words);
    };
    QCOMPARE(outside({"sim", "reset"}), 0);
    PanelHarness h;
    SetPortOpener(nullptr); // the port as ZELVANE_PORT names it
    SelectPortChoice(ParsePortChoice("sim:window"));
    struct Step {
        QStringList drive;
        int indicator;
        int image;
    };
    const Step steps[] = {
        {{"sim", "drive", "S6=1"}, 1047, IDB_HIGH},
        {{"sim", "drive", "ACK=0"}, 1047, IDB_IN_LOW},
        {{"sim", "drive", "BUSY=0"}, 1048, IDB_IN_LOW},
        {{"sim", "release", "all"}, 1048, IDB_IN_LOW}, // the plug: D4 is low
        {{"sim", "plug", "none"}, 1048, IDB_HIGH},     // floats high
    };
    h.run({[&] {
        h.panel.liveInputsAction()->setChecked(true);
        QTRY_COMPARE(h.indicator(1047)->image(), IDB_IN_LOW); // S6 from D3, low at power-up
        for (const Step &step : steps) {
            QCOMPARE(outside(step.drive), 0);
            QTRY_COMPARE(h.indicator(step.indicator)->image(), step.image);
        }
        h.panel.liveInputsAction()->setChecked(false);
        h.settle();
    }});
    QVERIFY(h.closedByHarness);
    SelectPortChoice(ParsePortChoice("sim"));
}

// zelvanectl reads the pin just before and just after its drive, and says when on
// CLOCK_MONOTONIC, the timeline's clock: each edge lies between the first and one sampling
// interval after the second.
void SharedSimWindowTest::theTimelineShowsEachDrivenEdgeWithinOneInterval()
{
    const QStringList port{"-p", "sim:timeline"};
    QCOMPARE(QProcess::execute(ZELVANECTL_PROGRAM, port + QStringList{"sim", "reset"}), 0);
    // No plug: the status pins float high, and only the drives move them.
    QCOMPARE(QProcess::execute(ZELVANECTL_PROGRAM, port + QStringList{"sim", "plug", "none"}), 0);
    PanelHarness h;
    SetPortOpener(nullptr);
    SelectPortChoice(ParsePortChoice("sim:timeline"));
    struct Drive {
        QString setting;
        unsigned pin;
        std::uint8_t level;
    };
    const Drive drives[] = {{"S6=0", 10, 0}, {"S5=0", 12, 0}, {"S6=1", 10, 1},
                            {"S7=0", 11, 0}, {"S3=0", 15, 0}, {"S5=1", 12, 1}};
    const auto timeOfLine = [](const QByteArray &line) { // "9708.895015 status ..." in ns
        const QList<QByteArray> seconds = line.split(' ').front().split('.');
        return seconds[0].toLongLong() * 1'000'000'000 + seconds[1].toLongLong() * 1000;
    };
    h.run({[&] {
        h.panel.timelineAction()->trigger();
        TimelineWindow *timeline = h.panel.timeline();
        auto *interval = timeline->findChild<QComboBox *>();
        interval->setCurrentIndex(interval->count() -
                                  1); // the slowest, far above any wake-up's lateness
        const std::int64_t every = interval->currentData().toLongLong();
        const Trace &trace = timeline->trace();
        QTRY_VERIFY_WITH_TIMEOUT((timeline->takeSamples(), !trace.empty()), 5000);
        std::vector<std::pair<std::int64_t, std::int64_t>> driven; // just before, just after
        for (const Drive &drive : drives) {
            QProcess outside;
            outside.start(ZELVANECTL_PROGRAM,
                          port + QStringList{"watch", "-n", "0", "--pins", "S6", "sim", "drive",
                                             drive.setting, "watch", "-n", "0", "--pins", "S6"});
            QVERIFY(outside.waitForFinished(20000));
            const QList<QByteArray> lines = outside.readAllStandardOutput().trimmed().split('\n');
            QCOMPARE(lines.size(), 2);
            driven.emplace_back(timeOfLine(lines[0]), timeOfLine(lines[1]) + 1000);
            QTRY_VERIFY_WITH_TIMEOUT(
                (timeline->takeSamples(), trace.pin(drive.pin).newest().level == drive.level),
                10000);
        }
        timeline->close();
        std::vector<std::pair<Edge, unsigned>> edges; // after the first sample, in time order
        for (unsigned pin = 10; pin <= 15; ++pin)
            for (std::size_t i = 0; i < trace.pin(pin).size(); ++i)
                if (trace.pin(pin)[i].t > trace.start())
                    edges.emplace_back(trace.pin(pin)[i], pin);
        std::sort(edges.begin(), edges.end(),
                  [](const auto &a, const auto &b) { return a.first.t < b.first.t; });
        QStringList seen, expected;
        for (std::size_t i = 0; i < edges.size(); ++i) {
            const auto &[edge, pin] = edges[i];
            const bool inTime = i < driven.size() && driven[i].first <= edge.t &&
                                edge.t <= driven[i].second + every;
            seen << QStringLiteral("%1=%2%3")
                        .arg(QLatin1String(kConnectorPins[pin - 1].label.data(),
                                           int(kConnectorPins[pin - 1].label.size())))
                        .arg(edge.level)
                        .arg(inTime ? "" : " out of time");
        }
        for (const Drive &drive : drives)
            expected << drive.setting;
        QCOMPARE(seen, expected);
    }});
    SelectPortChoice(ParsePortChoice("sim"));
}

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    SharedSimWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SharedSimWindowTest.moc"
