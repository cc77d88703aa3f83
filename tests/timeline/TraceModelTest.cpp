#include "ConnectorLevels.h"
#include "EdgeRing.h"
#include "SampleQueue.h"
#include "TimelineRows.h"
#include "Trace.h"
#include "VcdRecording.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string held(const EdgeRing &ring)
{
    std::string text;
    for (std::size_t i = 0; i < ring.size(); ++i)
        text += std::to_string(ring[i].t) + ":" + std::to_string(ring[i].level) + " ";
    return text + "dropped " + std::to_string(ring.dropped());
}

struct RingCase {
    const char *what;
    std::size_t capacity;
    std::vector<Edge> pushed;
    std::string expected;
};

TEST(EdgeRing, KeepsTheNewestChangesWithinItsBoundAndCountsTheRest)
{
    const RingCase cases[] = {
        {"empty", 4, {}, "dropped 0"},
        {"repeats are no change", 4, {{1, 0}, {2, 0}, {3, 1}, {4, 1}}, "1:0 3:1 dropped 0"},
        {"exactly full", 3, {{1, 0}, {2, 1}, {3, 0}}, "1:0 2:1 3:0 dropped 0"},
        {"oldest goes", 3, {{1, 0}, {2, 1}, {3, 0}, {4, 1}, {5, 0}}, "3:0 4:1 5:0 dropped 2"},
        {"wraps many times",
         2,
         {{1, 1}, {2, 0}, {3, 1}, {4, 0}, {5, 1}, {6, 0}, {7, 1}},
         "6:0 7:1 dropped 5"},
    };
    for (const RingCase &c : cases) {
        EdgeRing ring(c.capacity);
        for (const Edge &edge : c.pushed)
            ring.push(edge.t, edge.level);
        EXPECT_EQ(held(ring), c.expected) << c.what;
        EXPECT_LE(ring.size(), c.capacity) << c.what;
    }
}

TEST(EdgeRing, FindsTheFirstChangeAtOrAfterATimeAcrossTheWrap)
{
    EdgeRing ring(4);
    for (std::int64_t t = 10; t <= 60; t += 10)
        ring.push(t, static_cast<std::uint8_t>(t / 10 % 2)); // holds 30 40 50 60
    const std::pair<std::int64_t, std::size_t> cases[] = {{0, 0},  {30, 0}, {31, 1}, {40, 1},
                                                          {59, 3}, {60, 3}, {61, 4}};
    for (const auto &[t, index] : cases) {
        EXPECT_EQ(ring.firstAtOrAfter(t), index) << t;
        for (std::size_t from = 0; from <= index; ++from)
            EXPECT_EQ(ring.firstAtOrAfterFrom(t, from), index) << t << " from " << from;
    }
}

TEST(Trace, LevelAtIsTheLevelOfTheLastChangeNoLaterThanTheTime)
{
    Trace trace(8);
    trace.add({100, 1u << 2});
    trace.add({200, 0});
    trace.add({300, 1u << 2});
    const std::pair<std::int64_t, unsigned> cases[] = {{50, 1},  {100, 1}, {199, 1}, {200, 0},
                                                       {299, 0}, {300, 1}, {1000, 1}};
    for (const auto &[t, level] : cases)
        EXPECT_EQ(trace.levelAt(2, t), level) << t;
    EXPECT_EQ(trace.pin(3).size(), 1u); // pin 3 never changed: only its first level
}

TEST(Trace, HoldsAtMostItsBoundOfChangesPerPinAndOfMarkers)
{
    Trace trace;
    const std::size_t extra = 10;
    for (std::size_t i = 0; i < Trace::kEdgesPerPin + extra; ++i)
        trace.add({std::int64_t(i), std::uint32_t(i % 2) << 2});
    for (std::size_t i = 0; i < Trace::kMarkers + extra; ++i)
        trace.mark({TraceMarker::StatusRead, std::int64_t(i)});
    EXPECT_EQ(trace.pin(2).size(), Trace::kEdgesPerPin);
    EXPECT_EQ(trace.dropped(), extra);
    EXPECT_EQ(trace.markers().size(), Trace::kMarkers);
    EXPECT_EQ(trace.markers().front().t, std::int64_t(extra));
    EXPECT_EQ(sizeof(Edge), 16u); // the memory stated for the rings
}

std::string rowOrder(const std::vector<TimelineRow> &rows)
{
    std::string order;
    for (const TimelineRow &row : rows)
        order += row.kind == TimelineRow::DataByte ? "byte " : std::to_string(row.pin) + " ";
    return order;
}

TEST(TimelineRows, MoveOnlyWithinTheirGroup)
{
    struct Case {
        int index, by;
        bool moved;
        std::string order;
    };
    const std::string start = "2 3 4 5 6 7 8 9 byte 15 13 12 10 11 1 14 16 17 ";
    const Case cases[] = {
        {0, +1, true, "3 2 4 5 6 7 8 9 byte 15 13 12 10 11 1 14 16 17 "},
        {0, -1, false, start},  // the first row
        {8, +1, false, start},  // the data byte, last of the data group
        {9, -1, false, start},  // S3, first of the status group
        {13, +1, false, start}, // S7 stays above the control pins
        {17, +1, false, start}, // the last row
        {15, +1, true, "2 3 4 5 6 7 8 9 byte 15 13 12 10 11 1 16 14 17 "},
    };
    EXPECT_EQ(rowOrder(DefaultTimelineRows()), start);
    for (const Case &c : cases) {
        std::vector<TimelineRow> rows = DefaultTimelineRows();
        EXPECT_EQ(MoveTimelineRow(rows, c.index, c.by), c.moved) << c.index << " " << c.by;
        EXPECT_EQ(rowOrder(rows), c.order) << c.index << " " << c.by;
    }
}

TEST(ConnectorLevels, CompensatesTheInvertedBits)
{
    // Status 0x80 and control 0x0B are every pin low: S7, C0, C1 and C3 read inverted.
    struct Case {
        std::uint8_t data, status, control;
        std::uint32_t levels;
    };
    const Case cases[] = {
        {0x00, 0x80, 0x0B, 0},
        {0x01, 0x80, 0x0B, 1u << 2},
        {0x80, 0x00, 0x0B, (1u << 9) | (1u << 11)},
        {0x00, 0x80, 0x0F, 1u << 16},
        {0x00, 0x80, 0x0A, 1u << 1},
        {0x00, 0xF8, 0x0B, (1u << 10) | (1u << 12) | (1u << 13) | (1u << 15)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ConnectorLevels(c.data, c.status, c.control), c.levels)
            << int(c.data) << " " << int(c.status) << " " << int(c.control);
}

TEST(SampleQueue, PassesOnOnlyChangesAndTheirMeanInterval)
{
    SampleQueue queue;
    for (std::int64_t t = 1000; t <= 5000; t += 1000)
        queue.sampled({t, t == 3000 ? 4u : 0u});
    const SampleQueue::Taken taken = queue.take();
    ASSERT_EQ(taken.samples.size(), 3u);
    EXPECT_EQ(taken.samples[1].t, 3000);
    EXPECT_EQ(taken.samples[2].t, 4000);
    EXPECT_EQ(taken.achievedInterval, 1000);
    EXPECT_EQ(taken.sampledUpTo, 5000);
    queue.sampled({7000, 0});
    EXPECT_EQ(queue.take().achievedInterval, 2000); // from the last sample taken before
}

TEST(SampleQueue, CountsWhatDoesNotFitWhileNobodyTakes)
{
    SampleQueue queue;
    const std::size_t extra = 5;
    for (std::size_t i = 0; i < SampleQueue::kCapacity + extra; ++i)
        queue.sampled({static_cast<std::int64_t>(i + 1), static_cast<std::uint32_t>(i % 2) << 2});
    const SampleQueue::Taken taken = queue.take();
    EXPECT_EQ(taken.samples.size(), SampleQueue::kCapacity);
    EXPECT_EQ(taken.lost, extra);
}

std::string fileText(const std::string &path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(VcdRecording, WritesOneWirePerPinEachChangeAtItsMicrosecondAndAFinalStamp)
{
    const std::string path = testing::TempDir() + "/trace-" + std::to_string(getpid()) + ".vcd";
    std::remove(path.c_str());
    std::string error;
    const std::int64_t origin = 5'000'000'000;
    auto recording = VcdRecording::create(path, {origin, 1u << 2},
                                          std::chrono::system_clock::time_point{}, error);
    ASSERT_TRUE(recording) << error;
    recording->add({origin + 300, 0});              // within the first µs: #1
    recording->add({origin + 2'500'000, 1u << 11}); // 2500 µs
    recording->add({origin + 2'500'400, 1u << 11}); // no change
    recording->add({origin + 2'500'600, 0});        // back within that µs: a µs on, not lost
    recording->add({origin + 7'000'000, (1u << 2) | (1u << 11) | (1u << 17)}); // three at once
    ASSERT_TRUE(recording->finish(origin + 9'000'000, error)) << error;
    std::string expected = "$date 1970-01-01T00:00:00Z $end\n$version zelvane " ZELVANE_VERSION
                           " $end\n$timescale 1us $end\n$scope module parport $end\n";
    const char *labels[] = {"C0", "D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7",
                            "S6", "S7", "S5", "S4", "C1", "S3", "C2", "C3"};
    for (int i = 0; i < 17; ++i)
        expected += std::string("$var wire 1 ") + char('!' + i) + " " + labels[i] + " $end\n";
    expected += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    for (int i = 0; i < 17; ++i)
        expected += std::string(i == 1 ? "1" : "0") + char('!' + i) + "\n";
    expected += "$end\n#1\n0\"\n#2500\n1+\n#2501\n0+\n#7000\n1\"\n1+\n11\n#9000\n";
    EXPECT_EQ(fileText(path), expected);
    std::string again;
    EXPECT_FALSE(VcdRecording::create(path, {0, 0}, {}, again)) << "an existing file is kept";
    EXPECT_NE(again.find(path), std::string::npos);
    std::remove(path.c_str());
}

} // namespace
