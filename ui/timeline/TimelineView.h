#pragma once

#include "TimelineRows.h"
#include "Trace.h"

#include <QPixmap>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>

// The timeline drawn by hand: a time ruler, the window's markers, and a row per pin in which
// only the visible changes are drawn, a column that holds several of them as a bar. The
// wheel zooms at the mouse, a drag pans; a click places cursor 1, a right click cursor 2, each
// on the nearest change unless Shift is held. Left and Right move cursor 1 to the previous or
// next change.
class TimelineView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLabelWidth = 112;
    static constexpr int kRulerHeight = 22;
    static constexpr int kMarkerHeight = 16;
    static constexpr int kRowHeight = 24;
    static constexpr double kFinestNsPerPixel = 10;

    explicit TimelineView(const Trace &trace, QWidget *parent = nullptr);

    // Times are the trace's (ns); x is the widget's.
    std::int64_t leftTime() const { return m_left; }
    double nsPerPixel() const { return m_nsPerPixel; }
    void setRange(std::int64_t left, double nsPerPixel);
    int columnOf(std::int64_t t) const;
    std::int64_t timeAt(int x) const;
    int rowTop(int visibleRow) const;

    void zoomAt(int x, double factor);
    void panBy(int dx);
    void zoomToFit();

    bool following() const { return m_following; }
    void setFollowing(bool on);
    bool paused() const { return m_pausedAt.has_value(); }
    void setPaused(bool on);
    // The trace has grown up to newest: a following view moves to show it.
    void traceGrew(std::int64_t newest);

    const std::optional<std::int64_t> &cursor(int which) const { return m_cursors.at(which); }
    void placeCursor(int which, int x, bool snap);
    // "Δt = …  1/Δt = …" once both cursors are placed.
    QString cursorText() const;
    bool stepCursor(int direction);

    std::vector<TimelineRow> &rows() { return m_rows; }

    // The data byte row: each value held from one column to the next change's.
    struct ByteSegment {
        int from, to;
        unsigned byte;
        bool operator==(const ByteSegment &) const = default;
    };
    std::vector<ByteSegment> dataByteSegments() const;

    // The ruler counts from the first sample or, given the wall clock's offset from the
    // trace's (UTC ns since the epoch less trace ns), shows the local time of day.
    void setTimeOfDay(std::optional<std::int64_t> wallOffset);
    bool timeOfDay() const { return m_wallOffset.has_value(); }
    struct RulerTick {
        int x;
        QString text;
        bool operator==(const RulerTick &) const = default;
    };
    std::vector<RulerTick> rulerTicks() const;

    static QString formatTime(double ns);
    static QString formatFrequency(double hz);

signals:
    void followingChanged(bool on);
    void cursorsChanged();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void leaveFollowing();
    void followNewest();
    std::vector<RulerTick> rulerTicksFrom(int x) const;
    std::int64_t drawnUpTo() const;
    std::optional<std::int64_t> nearestEdge(std::int64_t t) const;
    int visibleRowAt(int y) const;
    const TimelineRow *visibleRow(int index) const;
    void paintRuler(QPainter &painter, const QRect &asked);
    void paintDropped(QPainter &painter);
    void paintMarkers(QPainter &painter);
    // The row's columns fromX up to toX.
    void paintPinRow(QPainter &painter, const TimelineRow &row, int top, int fromX, int toX);
    void paintDataByteRow(QPainter &painter, int top);
    void paintNames(QPainter &painter, const QRegion &region);
    void drawNames(QPainter &painter);
    template <typename Paint>
    void forEachShownRow(Paint paint) const;
    void paintLiveLevel(QPainter &painter, const TimelineRow &row, int top);
    int liveLevel(unsigned pin) const;
    static QRect liveLevelBox(int top);
    void paintCursors(QPainter &painter);
    QString pulseText(const TimelineRow &row, std::int64_t t) const;

    const Trace &m_trace;
    std::vector<TimelineRow> m_rows;
    std::int64_t m_left = 0;
    double m_nsPerPixel = 1e6; // 1 ms a pixel
    bool m_following = true;
    std::int64_t m_upTo = 0; // the trace is known up to here
    std::optional<std::int64_t> m_pausedAt;
    std::optional<std::int64_t> m_wallOffset;
    QPixmap m_names;
    std::vector<int> m_namesShown;                         // the rows m_names was drawn for
    std::array<int, Trace::kSignalPins + 1> m_liveShown{}; // by pin, as last asked to be painted
    std::array<std::optional<std::int64_t>, 2> m_cursors;
    std::optional<QPoint> m_pressedAt;
    int m_lastDragX = 0;
    bool m_dragged = false;
};
