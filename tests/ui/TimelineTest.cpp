#include "PanelHarness.h"
#include "TimelineView.h"
#include "TimelineWindow.h"

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>
#include <set>

namespace {

constexpr std::int64_t kStart = 1'000'000'000; // the trace's first sample, in ns
constexpr std::int64_t kMicro = 1000;
constexpr int kPlotWidth = 400;
constexpr int L = TimelineView::kLabelWidth;

// D0 (pin 2) low from the start, then high at 10 µs, a 2 µs glitch train at 50-54 µs, high
// again at 300 µs.
Trace knownTrace()
{
    Trace trace;
    const std::pair<std::int64_t, unsigned> changes[] = {{0, 0},  {10, 1}, {50, 0},
                                                         {52, 1}, {54, 0}, {300, 1}};
    for (const auto &[at, level] : changes)
        trace.add({kStart + at * kMicro, level << 2});
    return trace;
}

// The columns of the plot where a row's middle line is painted: its edges and bars.
std::set<int> paintedColumns(TimelineView &view, int row)
{
    const QImage image = view.grab().toImage();
    const int y = view.rowTop(row) + TimelineView::kRowHeight / 2;
    std::set<int> columns;
    for (int x = L; x < image.width(); ++x)
        if (image.pixelColor(x, y) != Qt::white)
            columns.insert(x - L);
    return columns;
}

} // namespace

class TimelineTest : public QObject {
    Q_OBJECT
private slots:
    void edgesAreDrawnAtTheirColumnsAtEveryZoom();
    void theDataByteHoldsEachValueUntilItsChange();
    void cursorsSnapToEdgesUnlessFreeAndGiveTheirDistance();
    void followingEndsOnZoomOrPanAndPauseFreezesTheView();
    void aFollowingViewMovedOnScreenIsTheViewPaintedWhole();
    void aZoomKeepsTheTimeUnderTheMouse();
    void theRulerCountsFromTheStartOrShowsTheTimeOfDay();
    void aRecordingReadsBackInSigrokWithEveryEdgeAtItsTime();
    void aClickInThePanelIsAnEdgeWithItsMarker();
    void theViewExportsAsPngAndSvgIntoTheDocumentsFolder();
};

void TimelineTest::edgesAreDrawnAtTheirColumnsAtEveryZoom()
{
    const Trace trace = knownTrace();
    struct Case {
        const char *what;
        std::int64_t left; // µs after the start
        double nsPerPixel;
        std::set<int> columns;
    };
    const Case cases[] = {
        {"1 µs a pixel", 0, 1000, {10, 50, 52, 54, 300}},
        {"2 µs a pixel", 0, 2000, {5, 25, 26, 27, 150}},
        {"10 µs a pixel: the glitches one bar", 0, 10000, {1, 5, 30}},
        {"panned by 40 µs", 40, 1000, {10, 12, 14, 260}},
        {"panned past the first edge", 11, 1000, {39, 41, 43, 289}},
    };
    for (const Case &c : cases) {
        TimelineView view(trace);
        view.resize(L + kPlotWidth, view.rowTop(18));
        view.setFollowing(false);
        view.traceGrew(kStart + 10'000 * kMicro);
        view.setRange(kStart + c.left * kMicro, c.nsPerPixel);
        QCOMPARE(paintedColumns(view, 0), c.columns);
    }
}

void TimelineTest::theDataByteHoldsEachValueUntilItsChange()
{
    // D0 as in knownTrace, D3 (pin 5) high from 20 µs, the other data pins low throughout.
    Trace trace;
    const std::pair<std::int64_t, std::uint32_t> changes[] = {{0, 0},
                                                              {10, 1u << 2},
                                                              {20, (1u << 2) | (1u << 5)},
                                                              {50, 1u << 5},
                                                              {52, (1u << 2) | (1u << 5)}};
    for (const auto &[at, levels] : changes)
        trace.add({kStart + at * kMicro, levels});
    using S = TimelineView::ByteSegment;
    struct Case {
        const char *what;
        double nsPerPixel;
        std::vector<S> segments;
    };
    const Case cases[] = {
        {"1 µs a pixel",
         1000,
         {{L, L + 10, 0x00},
          {L + 10, L + 20, 0x01},
          {L + 20, L + 50, 0x09},
          {L + 50, L + 52, 0x08},
          {L + 52, L + 100, 0x09}}},
        {"10 µs a pixel: 50 and 52 µs in one column",
         10000,
         {{L, L + 1, 0x00}, {L + 1, L + 2, 0x01}, {L + 2, L + 5, 0x09}, {L + 5, L + 100, 0x09}}},
    };
    for (const Case &c : cases) {
        TimelineView view(trace);
        view.resize(L + kPlotWidth, view.rowTop(18));
        view.setFollowing(false);
        view.traceGrew(kStart + std::int64_t(100 * c.nsPerPixel));
        view.setRange(kStart, c.nsPerPixel);
        QVERIFY2(view.dataByteSegments() == c.segments, c.what);
    }
}

void TimelineTest::cursorsSnapToEdgesUnlessFreeAndGiveTheirDistance()
{
    const Trace trace = knownTrace();
    struct Case {
        const char *what;
        int first, second; // columns clicked
        bool snap;
        QString shown;
    };
    const Case cases[] = {
        {"snapped to 10 and 50 µs", 12, 47, true, "Δt = 40 µs   1/Δt = 25 kHz"},
        {"free", 12, 47, false, "Δt = 35 µs   1/Δt = 28.5714 kHz"},
        {"too far from any edge to snap", 150, 200, true, "Δt = 50 µs   1/Δt = 20 kHz"},
    };
    for (const Case &c : cases) {
        TimelineView view(trace);
        view.resize(L + kPlotWidth, view.rowTop(18));
        view.setFollowing(false);
        view.traceGrew(kStart + 10'000 * kMicro);
        view.setRange(kStart, 1000);
        view.placeCursor(0, L + c.first, c.snap);
        view.placeCursor(1, L + c.second, c.snap);
        QCOMPARE(view.cursorText(), c.shown);
    }
    // The keys step through every pin's changes in time order: D0's and D1's (pin 3) here.
    Trace two = knownTrace();
    two.add({kStart + 400 * kMicro, 1u << 2});
    two.add({kStart + 500 * kMicro, (1u << 2) | (1u << 3)});
    two.add({kStart + 600 * kMicro, 0});
    TimelineView view(two);
    view.resize(L + kPlotWidth, view.rowTop(18));
    view.setFollowing(false);
    view.traceGrew(kStart + 10'000 * kMicro);
    view.setRange(kStart, 1000);
    view.placeCursor(0, L + 20, false);
    QList<std::int64_t> stepped;
    while (view.stepCursor(+1))
        stepped << (*view.cursor(0) - kStart) / kMicro;
    QCOMPARE(stepped, (QList<std::int64_t>{50, 52, 54, 300, 500, 600}));
    QList<std::int64_t> back;
    while (view.stepCursor(-1))
        back << (*view.cursor(0) - kStart) / kMicro;
    QCOMPARE(back, (QList<std::int64_t>{500, 300, 54, 52, 50, 10}));
}

void TimelineTest::followingEndsOnZoomOrPanAndPauseFreezesTheView()
{
    const Trace trace = knownTrace();
    TimelineView view(trace);
    view.resize(L + kPlotWidth, view.rowTop(18));
    view.setRange(kStart, 1000);
    QSignalSpy following(&view, &TimelineView::followingChanged);
    const auto newestAtRight = [&](std::int64_t newest) {
        return view.leftTime() == newest - std::int64_t(kPlotWidth * view.nsPerPixel());
    };
    // Each step, then whether the view follows, whether it shows newest at its right edge.
    struct Step {
        const char *what;
        std::function<void()> act;
        bool follows;
        std::int64_t newest;
        bool atRight;
    };
    const std::int64_t t1 = kStart + 1000 * kMicro, t2 = kStart + 2000 * kMicro,
                       t3 = kStart + 3000 * kMicro;
    const Step steps[] = {
        {"grows while following", [&] { view.traceGrew(t1); }, true, t1, true},
        {"a zoom ends following", [&] { view.zoomAt(L + 100, 0.5); }, false, t1, false},
        {"it grows unseen", [&] { view.traceGrew(t2); }, false, t2, false},
        {"resumed", [&] { view.setFollowing(true); }, true, t2, true},
        {"paused", [&] { view.setPaused(true); }, true, t2, true},
        {"grows while paused: frozen", [&] { view.traceGrew(t3); }, true, t2, true},
        {"unpaused: catches up", [&] { view.setPaused(false); }, true, t3, true},
        {"a pan ends following", [&] { view.panBy(30); }, false, t3, false},
    };
    for (const Step &step : steps) {
        step.act();
        QVERIFY2(view.following() == step.follows, step.what);
        QVERIFY2(newestAtRight(step.newest) == step.atRight, step.what);
    }
    QCOMPARE(following.size(), 3); // off, on, off
}

// Following, frames move what is on screen and paint only what changed: after many of them,
// with changes on every row, a byte changing and markers, the screen is as the view painted
// whole.
void TimelineTest::aFollowingViewMovedOnScreenIsTheViewPaintedWhole()
{
    Trace trace;
    TimelineView view(trace);
    view.resize(L + kPlotWidth, view.rowTop(18));
    view.setRange(kStart, 1000);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    std::int64_t t = kStart;
    for (int frame = 0; frame < 60; ++frame) {
        for (int sample = 0; sample < 7; ++sample, t += 3 * kMicro + frame * 11)
            trace.add({t, (std::uint32_t(frame * 2654435761u >> (sample * 3)) & 0x3FC02u) |
                              std::uint32_t(frame / 15 * 0x5B & 0xFF) << 2}); // a byte a while
        if (frame % 9 == 4)
            trace.mark({TraceMarker::Click, t, 2});
        view.traceGrew(t); // known up to the next sample
        QTest::qWait(1);   // the frame painted, as the window's next one comes
    }
    QVERIFY(view.following());
    const QImage screen = view.screen()->grabWindow(view.winId()).toImage();
    const QImage whole = view.grab().toImage();
    QCOMPARE(screen.convertToFormat(QImage::Format_RGB32),
             whole.convertToFormat(QImage::Format_RGB32));
}

void TimelineTest::aZoomKeepsTheTimeUnderTheMouse()
{
    const Trace trace = knownTrace();
    const std::pair<int, double> cases[] = {{L, 0.5}, {L + 100, 0.5}, {L + 399, 2}, {L + 7, 0.8}};
    for (const auto &[x, factor] : cases) {
        TimelineView view(trace);
        view.resize(L + kPlotWidth, view.rowTop(18));
        view.setRange(kStart, 1000);
        const std::int64_t under = view.timeAt(x);
        view.zoomAt(x, factor);
        QCOMPARE(view.nsPerPixel(), 1000 * factor);
        QVERIFY2(std::llabs(view.timeAt(x) - under) <= std::int64_t(view.nsPerPixel()),
                 qPrintable(QString::number(x)));
    }
}

void TimelineTest::theRulerCountsFromTheStartOrShowsTheTimeOfDay()
{
    // The trace's start at 2026-12-07 14:03:45.000250 UTC, the zone the test runs in.
    const std::int64_t wallAtStart = 1'796'652'225'000'250'000;
    using T = TimelineView::RulerTick;
    struct Case {
        const char *what;
        std::optional<std::int64_t> wallOffset;
        double nsPerPixel;
        std::vector<T> ticks;
    };
    const Case cases[] = {
        {"from the start, 1 µs a pixel",
         std::nullopt,
         1000,
         {{L, "0 ns"},
          {L + 100, "100 µs"},
          {L + 200, "200 µs"},
          {L + 300, "300 µs"},
          {L + 400, "400 µs"}}},
        {"time of day, 1 µs a pixel",
         wallAtStart - kStart,
         1000,
         {{L + 150, "14:03:45.000400"}, {L + 350, "14:03:45.000600"}}},
        {"time of day, 1 ms a pixel",
         wallAtStart - kStart,
         1e6,
         {{L + 199, "14:03:45.200"}, {L + 399, "14:03:45.400"}}},
        {"time of day, 100 ms a pixel",
         wallAtStart - kStart,
         1e8,
         {{L + 149, "14:04:00"}, {L + 349, "14:04:20"}}},
    };
    const Trace trace = knownTrace();
    for (const Case &c : cases) {
        TimelineView view(trace);
        view.resize(L + kPlotWidth, view.rowTop(18));
        view.setFollowing(false);
        view.setRange(kStart, c.nsPerPixel);
        view.setTimeOfDay(c.wallOffset);
        QVERIFY2(view.rulerTicks() == c.ticks, c.what);
    }
}

void TimelineTest::aRecordingReadsBackInSigrokWithEveryEdgeAtItsTime()
{
    if (QStandardPaths::findExecutable(QStringLiteral("sigrok-cli")).isEmpty())
        QSKIP("sigrok-cli is not installed");
    std::shared_ptr<SampleQueue> queue;
    TimelineWindow window([&](std::shared_ptr<SampleQueue> into, std::chrono::nanoseconds) {
        queue = std::move(into);
    });
    window.show();
    QVERIFY(queue);
    const std::uint32_t d0 = 1u << 2, s7 = 1u << 11;
    queue->sampled({kStart, s7});
    QVERIFY(window.startRecording());
    // µs after the recording's start, and the levels from then on.
    const std::pair<std::int64_t, std::uint32_t> driven[] = {
        {3, s7 | d0}, {7, s7}, {8, 0}, {20, d0}, {21, d0 | s7}};
    for (const auto &[at, levels] : driven)
        queue->sampled({kStart + at * kMicro, levels});
    queue->sampled({kStart + 30 * kMicro, d0 | s7});
    window.takeSamples();
    window.stopRecording();
    QProcess sigrok;
    sigrok.start(QStringLiteral("sigrok-cli"),
                 {QStringLiteral("-I"), QStringLiteral("vcd"), QStringLiteral("-i"),
                  window.recordingPath(), QStringLiteral("-C"), QStringLiteral("D0,S7"),
                  QStringLiteral("-O"), QStringLiteral("csv")});
    QVERIFY(sigrok.waitForFinished(20000));
    QStringList changes; // "µs: D0 S7" wherever a level changes, as sigrok reads the file
    QString last;
    int sample = 0;
    for (const QString &line : QString::fromUtf8(sigrok.readAllStandardOutput()).split('\n')) {
        if (line.isEmpty() || line.startsWith(';') || line.startsWith(QStringLiteral("META")) ||
            line.startsWith(QStringLiteral("logic")))
            continue;
        if (line != last)
            changes << QStringLiteral("%1: %2").arg(sample).arg(line);
        last = line;
        ++sample;
    }
    QCOMPARE(changes, (QStringList{"0: 0,1", "3: 1,1", "7: 0,1", "8: 0,0", "20: 1,0", "21: 1,1"}));
    QVERIFY2(sample >= 30, "the final stamp keeps the length");
    QFile::remove(window.recordingPath());
}

void TimelineTest::aClickInThePanelIsAnEdgeWithItsMarker()
{
    PanelHarness h;
    h.run({[&] {
        QVERIFY(!h.panel.timeline()); // nothing of it until it is opened
        h.panel.timelineAction()->trigger();
        TimelineWindow *timeline = h.panel.timeline();
        QVERIFY(timeline && timeline->isVisible());
        const Trace &trace = timeline->trace();
        QTRY_VERIFY_WITH_TIMEOUT((timeline->takeSamples(), !trace.empty()), 5000); // a sample first
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton); // D3, high after the start
        h.settle();
        QTRY_VERIFY_WITH_TIMEOUT((timeline->takeSamples(), !trace.markers().empty()), 5000);
        const TraceMarker marker = trace.markers().front();
        QCOMPARE(int(marker.kind), int(TraceMarker::Click));
        QCOMPARE(marker.pin, 5u);
        QCOMPARE(int(trace.levelAt(5, marker.t)), 0);
        QCOMPARE(int(trace.levelAt(5, marker.t - 1)), 1);
        QCOMPARE(trace.pin(5).newest().t, marker.t); // the change is the click's, to the ns
        timeline->close();
    }});
}

void TimelineTest::theViewExportsAsPngAndSvgIntoTheDocumentsFolder()
{
    TimelineWindow window([](std::shared_ptr<SampleQueue>, std::chrono::nanoseconds) {});
    window.show();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QStringList saved;
    for (const QString &suffix : {QStringLiteral("png"), QStringLiteral("svg")}) {
        const QString path = window.exportView(suffix);
        QVERIFY2(QFileInfo(path).absolutePath() == documents, qPrintable(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        saved << QString::fromLatin1(file.read(5).toHex());
        QVERIFY(window.exportView(suffix) != path); // a second export never overwrites the first
    }
    QCOMPARE(saved, (QStringList{"89504e470d", "3c3f786d6c"})); // PNG's signature, "<?xml"
}

int main(int argc, char *argv[])
{
    // The recordings go to the documents folder of a home of their own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    qputenv("TZ", "UTC"); // the ruler's time of day
    QApplication app(argc, argv);
    TimelineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TimelineTest.moc"
