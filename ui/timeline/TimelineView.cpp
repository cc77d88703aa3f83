#include "TimelineView.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

const QColor kTraceColour(0x20, 0x80, 0x20);
const QColor kBarColour(0x60, 0xB0, 0x60); // a column of several changes
const QColor kByteColour(0x20, 0x50, 0xB0);
const QColor kMarkerColour(0xE0, 0x80, 0x00);
const QColor kCursorColours[2] = {QColor(0xD0, 0x20, 0x20), QColor(0x20, 0x20, 0xD0)};
constexpr double kCoarsestNsPerPixel = 1e10;
constexpr int kSnapPixels = 10;
constexpr int kDragPixels = 3;
// How far right of its place a ruler's or a marker's text may reach: those just left of the
// view still show their ends, as they do while the view moves.
constexpr int kTextReach = 200;

QString groupName(PinGroup group)
{
    switch (group) {
    case PinGroup::Data:
        return TimelineView::tr("数据");
    case PinGroup::Status:
        return TimelineView::tr("状态");
    case PinGroup::Control:
        return TimelineView::tr("控制");
    case PinGroup::Ground:
        break;
    }
    return {};
}

QString markerText(const TraceMarker &marker)
{
    switch (marker.kind) {
    case TraceMarker::Click: {
        const ConnectorPin *pin = findPinByNumber(marker.pin);
        return TimelineView::tr("%1 已点击")
            .arg(pin ? QString::fromUtf8(pin->label.data(), int(pin->label.size())) : QString());
    }
    case TraceMarker::StatusRead:
        return TimelineView::tr("读状态端口");
    case TraceMarker::ControlRead:
        return TimelineView::tr("读控制端口");
    case TraceMarker::DataIn:
        return TimelineView::tr("数据端口作为输入");
    case TraceMarker::DataOut:
        return TimelineView::tr("数据端口作为输出");
    }
    return {};
}

QString pinName(unsigned number)
{
    const ConnectorPin *pin = findPinByNumber(number);
    return QStringLiteral("%1 %2").arg(number).arg(
        QString::fromUtf8(pin->label.data(), int(pin->label.size())));
}

// 1, 2 or 5 times a power of ten, near wanted.
double tickStep(double wanted)
{
    double step = std::pow(10.0, std::floor(std::log10(wanted)));
    for (const double factor : {2.0, 5.0, 10.0})
        if (step * factor <= wanted * 1.5 && step < wanted / 1.5)
            step = std::pow(10.0, std::floor(std::log10(wanted))) * factor;
    return step;
}

// As many decimals of the second as the step needs.
QString timeOfDayText(std::int64_t wall, std::int64_t step)
{
    const std::int64_t second = 1'000'000'000;
    QString text =
        QDateTime::fromMSecsSinceEpoch(wall / second * 1000).toString(QStringLiteral("HH:mm:ss"));
    if (step % second != 0) {
        const std::int64_t unit = step % 1'000'000 == 0 ? 1'000'000 : 1000;
        text += QStringLiteral(".%1").arg(wall % second / unit, unit == 1000 ? 6 : 3, 10,
                                          QLatin1Char('0'));
    }
    return text;
}

} // namespace

TimelineView::TimelineView(const Trace &trace, QWidget *parent)
    : QWidget(parent), m_trace(trace), m_rows(DefaultTimelineRows())
{
    m_liveShown.fill(-2); // none yet
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent); // each frame fills all it is asked for
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(kLabelWidth + 200, rowTop(int(m_rows.size())));
    setToolTip(tr("滚轮：以鼠标处为中心缩放；拖动：平移；单击：光标 1；右击：光标 2（按住 Shift "
                  "不吸附到边沿）；左右方向键：上一个或下一个边沿；+ 和 "
                  "-：缩放；F：缩放到全部；End：跟随最新"));
}

void TimelineView::setRange(std::int64_t left, double nsPerPixel)
{
    m_left = left;
    m_nsPerPixel = std::clamp(nsPerPixel, kFinestNsPerPixel, kCoarsestNsPerPixel);
    update();
}

int TimelineView::columnOf(std::int64_t t) const
{
    const double x = kLabelWidth + std::floor(double(t - m_left) / m_nsPerPixel);
    return int(std::clamp(x, -1e6, 1e6));
}

std::int64_t TimelineView::timeAt(int x) const
{
    return m_left + std::int64_t(std::ceil((x - kLabelWidth) * m_nsPerPixel));
}

int TimelineView::rowTop(int visibleRow) const
{
    return kRulerHeight + kMarkerHeight + visibleRow * kRowHeight;
}

void TimelineView::leaveFollowing()
{
    if (m_following) {
        m_following = false;
        emit followingChanged(false);
    }
}

void TimelineView::zoomAt(int x, double factor)
{
    const std::int64_t at = timeAt(x);
    const double next = std::clamp(m_nsPerPixel * factor, kFinestNsPerPixel, kCoarsestNsPerPixel);
    leaveFollowing();
    setRange(at - std::int64_t((x - kLabelWidth) * next), next);
}

void TimelineView::panBy(int dx)
{
    leaveFollowing();
    setRange(m_left - std::int64_t(dx * m_nsPerPixel), m_nsPerPixel);
}

void TimelineView::zoomToFit()
{
    leaveFollowing();
    const int plotWidth = std::max(1, width() - kLabelWidth);
    setRange(m_trace.start(), double(drawnUpTo() - m_trace.start()) / plotWidth);
}

void TimelineView::setFollowing(bool on)
{
    if (m_following == on)
        return;
    m_following = on;
    emit followingChanged(on);
    traceGrew(m_upTo);
}

void TimelineView::setPaused(bool on)
{
    if (on)
        m_pausedAt = m_upTo;
    else
        m_pausedAt.reset();
    traceGrew(m_upTo);
    update(); // the live levels, as of the pause or of now
}

void TimelineView::traceGrew(std::int64_t newest)
{
    m_upTo = std::max(m_upTo, newest);
    if (paused())
        return;
    if (m_following)
        followNewest();
    else
        update();
}

// Following, the picture moves left by whole columns, so that what is on screen is moved
// rather than drawn again (a frame's dearest part): painted anew are only the columns it
// uncovers, the live levels, and the data byte row, whose values sit in the middle of what is
// shown of each.
void TimelineView::followNewest()
{
    const int plotWidth = width() - kLabelWidth;
    const double behind = double(m_upTo - m_left) / m_nsPerPixel - plotWidth;
    if (behind < 0 || behind >= plotWidth) {
        m_left = m_upTo - std::int64_t(plotWidth * m_nsPerPixel);
        update();
        return;
    }
    const int columns = int(behind);
    m_left += std::llround(columns * m_nsPerPixel);
    scroll(-columns, 0, QRect(kLabelWidth, 0, plotWidth, height()));
    update(QRect(width() - columns, 0, columns, height()));
    if (m_trace.dropped() > 0)
        update(QRect(0, kRulerHeight, kLabelWidth, kMarkerHeight));
    forEachShownRow([this](const TimelineRow &row, int top, bool) {
        if (row.kind == TimelineRow::DataByte)
            update(QRect(kLabelWidth, top, width() - kLabelWidth, kRowHeight));
        else if (const int live = liveLevel(row.pin); m_liveShown.at(row.pin) != live) {
            m_liveShown[row.pin] = live;
            update(liveLevelBox(top));
        }
    });
}

// The pin's level shown beside its name: 1 high, 0 low, -1 not known yet.
int TimelineView::liveLevel(unsigned pin) const
{
    const EdgeRing &ring = m_trace.pin(pin);
    if (ring.empty())
        return -1;
    return paused() ? m_trace.levelAt(pin, *m_pausedAt) : ring.newest().level;
}

QRect TimelineView::liveLevelBox(int top)
{
    return {kLabelWidth - 14, top + kRowHeight / 2 - 5, 10, 10};
}

std::int64_t TimelineView::drawnUpTo() const
{
    return m_pausedAt.value_or(m_upTo);
}

const TimelineRow *TimelineView::visibleRow(int index) const
{
    for (const TimelineRow &row : m_rows)
        if (!row.hidden && index-- == 0)
            return &row;
    return nullptr;
}

int TimelineView::visibleRowAt(int y) const
{
    return y < rowTop(0) ? -1 : (y - rowTop(0)) / kRowHeight;
}

std::optional<std::int64_t> TimelineView::nearestEdge(std::int64_t t) const
{
    std::optional<std::int64_t> best;
    for (const TimelineRow &row : m_rows) {
        if (row.hidden || row.kind != TimelineRow::Pin)
            continue;
        const EdgeRing &ring = m_trace.pin(row.pin);
        const std::size_t after = ring.firstAtOrAfter(t);
        for (const std::size_t i : {after, after - 1})
            if (i >= 1 && i < ring.size() && // the oldest held is where knowledge starts
                (!best || std::llabs(ring[i].t - t) < std::llabs(*best - t)))
                best = ring[i].t;
    }
    return best;
}

void TimelineView::placeCursor(int which, int x, bool snap)
{
    std::int64_t at = timeAt(x);
    if (const auto edge = snap ? nearestEdge(at) : std::nullopt;
        edge && std::abs(columnOf(*edge) - x) <= kSnapPixels)
        at = *edge;
    m_cursors.at(which) = at;
    emit cursorsChanged();
    update();
}

bool TimelineView::stepCursor(int direction)
{
    const std::int64_t from = m_cursors[0].value_or(timeAt((kLabelWidth + width()) / 2));
    std::optional<std::int64_t> best;
    for (const TimelineRow &row : m_rows) {
        if (row.hidden || row.kind != TimelineRow::Pin)
            continue;
        const EdgeRing &ring = m_trace.pin(row.pin);
        const std::size_t i =
            direction > 0 ? ring.firstAtOrAfter(from + 1) : ring.firstAtOrAfter(from) - 1;
        if (i >= 1 && i < ring.size() &&
            (!best || (direction > 0 ? ring[i].t < *best : ring[i].t > *best)))
            best = ring[i].t;
    }
    if (!best)
        return false;
    m_cursors[0] = best;
    const int x = columnOf(*best);
    if (x < kLabelWidth || x >= width()) {
        leaveFollowing();
        m_left = *best - std::int64_t((width() - kLabelWidth) / 2 * m_nsPerPixel);
    }
    emit cursorsChanged();
    update();
    return true;
}

QString TimelineView::formatTime(double ns)
{
    const double magnitude = std::abs(ns);
    if (magnitude >= 1e9)
        return QStringLiteral("%1 s").arg(ns / 1e9, 0, 'g', 6);
    if (magnitude >= 1e6)
        return QStringLiteral("%1 ms").arg(ns / 1e6, 0, 'g', 6);
    if (magnitude >= 1e3)
        return QStringLiteral("%1 µs").arg(ns / 1e3, 0, 'g', 6);
    return QStringLiteral("%1 ns").arg(ns, 0, 'g', 6);
}

QString TimelineView::formatFrequency(double hz)
{
    if (hz >= 1e6)
        return QStringLiteral("%1 MHz").arg(hz / 1e6, 0, 'g', 6);
    if (hz >= 1e3)
        return QStringLiteral("%1 kHz").arg(hz / 1e3, 0, 'g', 6);
    return QStringLiteral("%1 Hz").arg(hz, 0, 'g', 6);
}

QString TimelineView::cursorText() const
{
    if (!m_cursors[0] || !m_cursors[1])
        return {};
    const std::int64_t dt = std::llabs(*m_cursors[1] - *m_cursors[0]);
    return dt == 0 ? QStringLiteral("Δt = 0")
                   : QStringLiteral("Δt = %1   1/Δt = %2")
                         .arg(formatTime(double(dt)), formatFrequency(1e9 / double(dt)));
}

QString TimelineView::pulseText(const TimelineRow &row, std::int64_t t) const
{
    if (row.kind == TimelineRow::DataByte) {
        unsigned byte = 0;
        for (const ConnectorPin *pin : kDataPins)
            byte |= unsigned(m_trace.levelAt(pin->number, t)) << pin->bit;
        return QStringLiteral("D0–D7 = 0x%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    const EdgeRing &ring = m_trace.pin(row.pin);
    const std::size_t next = ring.firstAtOrAfter(t + 1);
    if (next == 0)
        return {};
    const std::size_t began = next - 1;
    QString text = tr("电平 %1").arg(ring[began].level);
    if (began >= 1 && next < ring.size())
        text += tr("，宽度 %1").arg(formatTime(double(ring[next].t - ring[began].t)));
    if (began >= 1 && next + 1 < ring.size())
        text += tr("，周期 %1").arg(formatTime(double(ring[next + 1].t - ring[began].t)));
    return text;
}

// Each row on show from the top, with whether it starts its group.
template <typename Paint>
void TimelineView::forEachShownRow(Paint paint) const
{
    int index = 0;
    std::optional<PinGroup> group;
    for (const TimelineRow &row : m_rows) {
        if (row.hidden)
            continue;
        paint(row, rowTop(index++), group != row.group);
        group = row.group;
    }
}

void TimelineView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    for (const QRect &asked :
         event->region()) // not the region's bounds: its parts may be far apart
        painter.fillRect(asked, Qt::white);
    const QRect plot(kLabelWidth, 0, width() - kLabelWidth, height());
    painter.save();
    painter.setClipRect(plot, Qt::IntersectClip);
    paintRuler(painter, (event->region() & QRect(0, 0, width(), kRulerHeight)).boundingRect());
    paintMarkers(painter);
    painter.restore();
    paintDropped(painter);
    forEachShownRow([&](const TimelineRow &row, int top, bool groupStarts) {
        if (groupStarts) {
            painter.setPen(Qt::gray);
            painter.drawLine(0, top, width(), top);
        }
        const QRect rowPlot(kLabelWidth, top, width() - kLabelWidth, kRowHeight);
        painter.save();
        painter.setClipRect(rowPlot, Qt::IntersectClip);
        if (row.kind == TimelineRow::DataByte)
            paintDataByteRow(painter, top);
        else // only the columns asked for: while following, a few at the right
            for (const QRect &asked : event->region())
                if (const QRect part = asked & rowPlot; !part.isEmpty())
                    paintPinRow(painter, row, top, part.left(), part.right() + 1);
        painter.restore();
    });
    paintNames(painter, event->region());
    forEachShownRow(
        [&](const TimelineRow &row, int top, bool) { paintLiveLevel(painter, row, top); });
    painter.setClipRect(plot, Qt::IntersectClip);
    paintCursors(painter);
}

// The names change only with the rows, while their text is a frame's dearest part to lay
// out: on screen they are drawn once and kept as a picture (a vector export keeps the text).
void TimelineView::paintNames(QPainter &painter, const QRegion &region)
{
    if (painter.paintEngine()->type() != QPaintEngine::Raster) {
        drawNames(painter);
        return;
    }
    std::vector<int> shown;
    for (const TimelineRow &row : m_rows)
        shown.push_back(row.hidden ? -1 : int(row.pin) * 2 + int(row.kind));
    const qreal ratio = painter.device()->devicePixelRatioF();
    if (m_names.isNull() || shown != m_namesShown || m_names.height() != int(height() * ratio) ||
        m_names.devicePixelRatioF() != ratio) {
        m_names = QPixmap(QSize(kLabelWidth, height()) * ratio);
        m_names.setDevicePixelRatio(ratio);
        m_names.fill(Qt::transparent);
        QPainter names(&m_names);
        names.setFont(painter.font());
        drawNames(names);
        m_namesShown = std::move(shown);
    }
    // Only the parts asked for: the whole picture, clipped, would be blended on helper threads.
    for (const QRect &asked : region) {
        const QRect part = asked & QRect(0, 0, kLabelWidth, height());
        if (!part.isEmpty())
            painter.drawPixmap(
                part, m_names,
                QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio).toRect());
    }
}

void TimelineView::drawNames(QPainter &painter)
{
    forEachShownRow([&](const TimelineRow &row, int top, bool groupStarts) {
        if (groupStarts) {
            painter.setPen(Qt::gray);
            painter.drawLine(0, top, kLabelWidth, top);
        }
        painter.fillRect(QRect(0, top + 1, kLabelWidth, kRowHeight - 1), QColor(0xF4, 0xF4, 0xF4));
        painter.setPen(Qt::black);
        const QRect text(6, top, kLabelWidth - 6, kRowHeight);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         row.kind == TimelineRow::DataByte ? QStringLiteral("D0–D7")
                                                           : pinName(row.pin));
        if (groupStarts) {
            painter.setPen(Qt::darkGray);
            painter.drawText(QRect(0, top, kLabelWidth - 16, kRowHeight),
                             Qt::AlignRight | Qt::AlignVCenter, groupName(row.group));
        }
    });
}

void TimelineView::setTimeOfDay(std::optional<std::int64_t> wallOffset)
{
    m_wallOffset = wallOffset;
    update();
}

std::vector<TimelineView::RulerTick> TimelineView::rulerTicks() const
{
    return rulerTicksFrom(kLabelWidth);
}

std::vector<TimelineView::RulerTick> TimelineView::rulerTicksFrom(int x) const
{
    std::vector<RulerTick> ticks;
    if (!m_wallOffset) {
        // About 100 pixels apart, counted from the start.
        const double step = tickStep(100 * m_nsPerPixel);
        const double origin = double(m_trace.start());
        const double first = std::ceil((double(timeAt(x)) - origin) / step) * step;
        for (double at = first; at + origin <= double(timeAt(width())); at += step)
            ticks.push_back({columnOf(std::int64_t(at + origin)), formatTime(at)});
        return ticks;
    }
    // Wider apart for the longer texts; in whole ns, as the epoch's are too many for a double's.
    const auto step = std::int64_t(std::llround(tickStep(160 * m_nsPerPixel)));
    const std::int64_t left = timeAt(x) + *m_wallOffset;
    for (std::int64_t wall = (left + step - 1) / step * step;
         wall - *m_wallOffset <= timeAt(width()); wall += step)
        ticks.push_back({columnOf(wall - *m_wallOffset), timeOfDayText(wall, step)});
    return ticks;
}

void TimelineView::paintRuler(QPainter &painter, const QRect &asked)
{
    painter.setPen(Qt::black);
    painter.drawLine(kLabelWidth, kRulerHeight - 1, width(), kRulerHeight - 1);
    for (const RulerTick &tick : rulerTicksFrom(kLabelWidth - kTextReach)) {
        if (tick.x + kTextReach < asked.left() || tick.x > asked.right())
            continue; // its text is laid out only where it is seen
        painter.drawLine(tick.x, kRulerHeight - 6, tick.x, kRulerHeight - 1);
        painter.drawText(tick.x + 2, kRulerHeight - 8, tick.text);
    }
}

void TimelineView::paintDropped(QPainter &painter)
{
    if (const std::uint64_t dropped = m_trace.dropped()) {
        painter.setPen(Qt::darkRed);
        painter.drawText(QRect(0, kRulerHeight, kLabelWidth, kMarkerHeight), Qt::AlignCenter,
                         tr("已丢弃 %1 个较早的边沿").arg(dropped));
    }
}

void TimelineView::paintMarkers(QPainter &painter)
{
    const int top = kRulerHeight;
    painter.setPen(kMarkerColour);
    int lastTextEnd = kLabelWidth - kTextReach;
    const std::int64_t upTo = drawnUpTo();
    for (const TraceMarker &marker : m_trace.markers()) {
        const int x = columnOf(marker.t);
        if (marker.t > upTo || x < kLabelWidth - kTextReach || x >= width())
            continue;
        painter.drawLine(x, top, x, height());
        if (x >= lastTextEnd) {
            const QString text = markerText(marker);
            painter.drawText(x + 2, top + kMarkerHeight - 4, text);
            lastTextEnd = x + 6 + painter.fontMetrics().horizontalAdvance(text);
        }
    }
}

void TimelineView::paintPinRow(QPainter &painter, const TimelineRow &row, int top, int fromX,
                               int toX)
{
    const EdgeRing &ring = m_trace.pin(row.pin);
    if (ring.empty())
        return;
    const int high = top + 4;
    const int low = top + kRowHeight - 4;
    const std::int64_t right = std::min(timeAt(toX), drawnUpTo());
    std::size_t i = ring.firstAtOrAfter(timeAt(fromX));
    int x = fromX;
    if (i == 0) { // the oldest held level is no change: drawing starts there
        x = columnOf(ring[0].t);
        i = 1;
    }
    std::uint8_t level = ring[i - 1].level;
    QVector<QLine> lines;
    QVector<QLine> bars;
    while (i < ring.size() && ring[i].t <= right) {
        const int column = columnOf(ring[i].t);
        // Every change up to the next column's first instant lies in this one.
        const std::size_t next = std::max(
            ring.firstAtOrAfterFrom(
                m_left + std::int64_t(std::ceil((column + 1 - kLabelWidth) * m_nsPerPixel)), i),
            i + 1);
        lines.append(QLine(x, level ? high : low, column, level ? high : low));
        if (next - i == 1)
            lines.append(QLine(column, high, column, low));
        else
            bars.append(QLine(column, high, column, low));
        level = ring[next - 1].level;
        x = column;
        i = next;
    }
    lines.append(QLine(x, level ? high : low, columnOf(right), level ? high : low));
    painter.setPen(kTraceColour);
    painter.drawLines(lines);
    painter.setPen(kBarColour);
    painter.drawLines(bars);
}

std::vector<TimelineView::ByteSegment> TimelineView::dataByteSegments() const
{
    const std::int64_t right = std::min(timeAt(width()), drawnUpTo());
    const std::int64_t left = timeAt(kLabelWidth);
    std::array<std::size_t, 8> next{};
    unsigned byte = 0;
    std::int64_t known = right + 1; // where the byte is first known, within the view
    for (const ConnectorPin *pin : kDataPins) {
        const EdgeRing &ring = m_trace.pin(pin->number);
        if (ring.empty())
            return {};
        next[pin->bit] = std::max<std::size_t>(ring.firstAtOrAfter(left), 1);
        byte |= unsigned(ring[next[pin->bit] - 1].level) << pin->bit;
        known = std::min(known, std::max(left, ring[0].t));
    }
    std::vector<ByteSegment> segments;
    int x = columnOf(known);
    for (;;) {
        std::int64_t soonest = right + 1;
        for (const ConnectorPin *pin : kDataPins) {
            const EdgeRing &ring = m_trace.pin(pin->number);
            if (next[pin->bit] < ring.size())
                soonest = std::min(soonest, ring[next[pin->bit]].t);
        }
        if (soonest > right)
            break;
        const int column = columnOf(soonest);
        // Every change up to the next column's first instant lies in this one.
        const std::int64_t columnEnd =
            m_left + std::int64_t(std::ceil((column + 1 - kLabelWidth) * m_nsPerPixel));
        segments.push_back({x, column, byte});
        for (const ConnectorPin *pin : kDataPins) {
            const EdgeRing &ring = m_trace.pin(pin->number);
            std::size_t &i = next[pin->bit];
            const std::size_t past = ring.firstAtOrAfterFrom(columnEnd, i);
            if (past > i)
                byte = (byte & ~(1u << pin->bit)) | (unsigned(ring[past - 1].level) << pin->bit);
            i = past;
        }
        x = column;
    }
    segments.push_back({x, columnOf(right), byte});
    return segments;
}

void TimelineView::paintDataByteRow(QPainter &painter, int top)
{
    painter.setPen(kByteColour);
    const int high = top + 4;
    const int low = top + kRowHeight - 4;
    for (const ByteSegment &segment : dataByteSegments()) {
        painter.drawLine(segment.from, high, segment.from, low);
        painter.drawLine(segment.from, high, segment.to, high);
        painter.drawLine(segment.from, low, segment.to, low);
        const QString text =
            QStringLiteral("%1").arg(segment.byte, 2, 16, QLatin1Char('0')).toUpper();
        if (segment.to - segment.from > painter.fontMetrics().horizontalAdvance(text) + 6)
            painter.drawText(QRect(segment.from, high, segment.to - segment.from, low - high),
                             Qt::AlignCenter, text);
    }
}

void TimelineView::paintLiveLevel(QPainter &painter, const TimelineRow &row, int top)
{
    if (row.kind == TimelineRow::DataByte)
        return;
    const int level = liveLevel(row.pin);
    painter.setBrush(level < 0 ? QColor(Qt::lightGray)
                     : level   ? QColor(0xFF, 0, 0)
                               : QColor(0x33, 0xCC, 0x99));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(liveLevelBox(top));
    painter.setBrush(Qt::NoBrush);
}

void TimelineView::paintCursors(QPainter &painter)
{
    for (int which = 0; which < 2; ++which) {
        if (!m_cursors[which])
            continue;
        const int x = columnOf(*m_cursors[which]);
        if (x < kLabelWidth - kTextReach || x >= width())
            continue;
        painter.setPen(QPen(kCursorColours[which], 1, Qt::DashLine));
        painter.drawLine(x, kRulerHeight, x, height());
        painter.drawText(x + 2, kRulerHeight + kMarkerHeight - 4, QString::number(which + 1));
    }
}

void TimelineView::wheelEvent(QWheelEvent *event)
{
    // In eighths of a degree: a mouse's notch is 120, a touchpad sends less, more often.
    const int delta = event->angleDelta().y();
    if (delta != 0)
        zoomAt(int(event->position().x()), std::pow(0.8, delta / 120.0));
    event->accept();
}

void TimelineView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->position().x() < kLabelWidth)
        return;
    if (event->button() == Qt::RightButton) {
        placeCursor(1, int(event->position().x()), !(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    m_pressedAt = event->position().toPoint();
    m_lastDragX = m_pressedAt->x();
    m_dragged = false;
}

void TimelineView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (m_pressedAt && (event->buttons() & Qt::LeftButton)) {
        m_dragged = m_dragged || std::abs(at.x() - m_pressedAt->x()) > kDragPixels;
        if (m_dragged) {
            panBy(at.x() - m_lastDragX);
            m_lastDragX = at.x();
        }
        return;
    }
}

// Over a row, the pulse under the mouse; elsewhere, how to use the view.
bool TimelineView::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const TimelineRow *row =
        help->pos().x() >= kLabelWidth ? visibleRow(visibleRowAt(help->pos().y())) : nullptr;
    const QString pulse = row ? pulseText(*row, timeAt(help->pos().x())) : QString();
    QToolTip::showText(help->globalPos(), pulse.isEmpty() ? toolTip() : pulse, this);
    return true;
}

void TimelineView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_pressedAt && !m_dragged && event->button() == Qt::LeftButton)
        placeCursor(0, m_pressedAt->x(), !(event->modifiers() & Qt::ShiftModifier));
    m_pressedAt.reset();
}

void TimelineView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Right:
        stepCursor(+1);
        return;
    case Qt::Key_Left:
        stepCursor(-1);
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAt((kLabelWidth + width()) / 2, 0.5);
        return;
    case Qt::Key_Minus:
        zoomAt((kLabelWidth + width()) / 2, 2);
        return;
    case Qt::Key_F:
        zoomToFit();
        return;
    case Qt::Key_End:
        setFollowing(true);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TimelineView::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->pos().x() >= kLabelWidth)
        return; // the right button places cursor 2 there
    const int visible = visibleRowAt(event->pos().y());
    int index = -1;
    for (int i = 0, seen = 0; i < int(m_rows.size()); ++i)
        if (!m_rows[i].hidden && seen++ == visible)
            index = i;
    QMenu menu(this);
    if (index >= 0) {
        menu.addAction(tr("隐藏此行"), this, [this, index] {
            m_rows[index].hidden = true;
            update();
        });
        const auto move = [this, index](int by) {
            int other = index + by;
            while (other >= 0 && other < int(m_rows.size()) && m_rows[other].hidden)
                other += by;
            for (int at = index; at != other && MoveTimelineRow(m_rows, at, by); at += by) {
            }
            update();
        };
        menu.addAction(tr("上移"), this, [move] { move(-1); });
        menu.addAction(tr("下移"), this, [move] { move(+1); });
    }
    menu.addAction(tr("显示所有行"), this, [this] {
        for (TimelineRow &row : m_rows)
            row.hidden = false;
        update();
    });
    menu.exec(event->globalPos());
}
