#include "TimelineWindow.h"

#include "TimelineView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QUrl>
#include <QVBoxLayout>

namespace {

using namespace std::chrono_literals;

// The wall clock's reading less the trace's (the monotonic clock), in ns.
std::int64_t wallClockOffset()
{
    using std::chrono::nanoseconds;
    const auto wall = std::chrono::system_clock::now().time_since_epoch();
    const auto trace = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<nanoseconds>(wall).count() -
           std::chrono::duration_cast<nanoseconds>(trace).count();
}

} // namespace

TimelineWindow::TimelineWindow(Sampling sampling, QWidget *parent)
    : QWidget(parent, Qt::Window), m_sampling(std::move(sampling)),
      m_queue(std::make_shared<SampleQueue>()), m_view(new TimelineView(m_trace, this)),
      m_interval(new QComboBox(this)), m_achieved(new QLabel(this)),
      m_record(new QPushButton(tr("录制"), this)), m_pause(new QPushButton(tr("暂停显示"), this)),
      m_follow(new QPushButton(tr("跟随最新"), this)), m_cursors(new QLabel(this)),
      m_message(new QLabel(this)), m_openFolder(new QPushButton(tr("打开文件夹"), this))
{
    setWindowTitle(tr("时间线 - Zelvane"));
    resize(960, 560);
    for (const auto interval : {100us, 200us, 500us, 1000us, 2000us, 5000us, 10000us, 50000us}) {
        m_interval->addItem(
            TimelineView::formatTime(double(std::chrono::nanoseconds(interval).count())),
            qlonglong(std::chrono::nanoseconds(interval).count()));
        if (interval == kDefaultInterval)
            m_interval->setCurrentIndex(m_interval->count() - 1);
    }
    m_interval->setToolTip(tr("采样间隔：每隔多久读取一次并口"));
    m_achieved->setToolTip(tr("最近实际达到的采样间隔"));
    m_record->setCheckable(true);
    m_record->setToolTip(
        tr("录制为 VCD 文件，保存在文档文件夹中（sigrok PulseView、GTKWave 可打开）"));
    m_pause->setCheckable(true);
    m_pause->setToolTip(tr("冻结显示；采样和录制照常进行"));
    m_follow->setCheckable(true);
    m_follow->setChecked(true);
    m_follow->setToolTip(tr("始终显示最新的采样；缩放或平移时自动关闭"));
    auto *fit = new QPushButton(tr("缩放到全部"), this);
    fit->setToolTip(tr("显示保存的全部时间"));
    auto *timeOfDay = new QPushButton(tr("绝对时间"), this);
    timeOfDay->setCheckable(true);
    timeOfDay->setToolTip(tr("标尺显示当天的时刻（本地时间）；关闭时从第一个采样起计时"));
    auto *png = new QPushButton(tr("导出 PNG"), this);
    png->setToolTip(tr("把当前视图保存为 PNG 图片，放在文档文件夹中"));
    auto *svg = new QPushButton(tr("导出 SVG"), this);
    svg->setToolTip(tr("把当前视图保存为 SVG 矢量图，放在文档文件夹中"));
    m_cursors->setToolTip(tr("两个光标之间的时间差和对应的频率"));
    m_message->setToolTip(tr("最近保存的文件"));
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_openFolder->setToolTip(tr("打开保存文件的文件夹"));
    m_openFolder->setEnabled(false);

    auto *tools = new QHBoxLayout;
    tools->addWidget(m_interval);
    tools->addWidget(m_achieved);
    tools->addStretch();
    for (QPushButton *button : {m_record, m_pause, m_follow, fit, timeOfDay, png, svg})
        tools->addWidget(button);
    auto *status = new QHBoxLayout;
    status->addWidget(m_cursors);
    status->addStretch();
    status->addWidget(m_message);
    status->addWidget(m_openFolder);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);
    layout->addLayout(status);

    connect(m_interval, &QComboBox::currentIndexChanged, this, [this] {
        if (isVisible())
            startSampling();
    });
    connect(m_record, &QPushButton::toggled, this, [this](bool on) {
        if (on && !startRecording()) {
            const QSignalBlocker quiet(m_record);
            m_record->setChecked(false);
        } else if (!on)
            stopRecording();
    });
    connect(m_pause, &QPushButton::toggled, m_view, &TimelineView::setPaused);
    connect(m_follow, &QPushButton::clicked, m_view, &TimelineView::setFollowing);
    connect(m_view, &TimelineView::followingChanged, m_follow, &QPushButton::setChecked);
    connect(fit, &QPushButton::clicked, m_view, &TimelineView::zoomToFit);
    connect(timeOfDay, &QPushButton::toggled, this, [this](bool on) {
        m_view->setTimeOfDay(on ? std::optional(wallClockOffset()) : std::nullopt);
    });
    connect(png, &QPushButton::clicked, this, [this] { exportView(QStringLiteral("png")); });
    connect(svg, &QPushButton::clicked, this, [this] { exportView(QStringLiteral("svg")); });
    connect(m_view, &TimelineView::cursorsChanged, this,
            [this] { m_cursors->setText(m_view->cursorText()); });
    connect(m_openFolder, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(m_message->text()).absolutePath()));
    });
    m_frame.setInterval(kFrame);
    connect(&m_frame, &QTimer::timeout, this, &TimelineWindow::takeSamples);
}

TimelineWindow::~TimelineWindow()
{
    stopRecording();
}

void TimelineWindow::startSampling()
{
    m_sampling(m_queue, std::chrono::nanoseconds(m_interval->currentData().toLongLong()));
}

void TimelineWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    startSampling();
    m_frame.start();
}

void TimelineWindow::closeEvent(QCloseEvent *event)
{
    m_frame.stop();
    m_sampling(nullptr, {});
    takeSamples();
    m_record->setChecked(false); // the recording ends with the sampling
    QWidget::closeEvent(event);
}

void TimelineWindow::takeSamples()
{
    SampleQueue::Taken taken = m_queue->take();
    for (const PinSample &sample : taken.samples) {
        m_trace.add(sample);
        if (m_recording)
            m_recording->add(sample);
        m_levels = sample.levels;
    }
    for (const TraceMarker &marker : taken.markers)
        m_trace.mark(marker);
    m_sampledUpTo = std::max(m_sampledUpTo, taken.sampledUpTo);
    if (taken.lost > 0)
        say(tr("窗口来不及处理，丢失了 %1 个采样").arg(taken.lost));
    showInterval(taken.achievedInterval);
    m_view->traceGrew(m_sampledUpTo);
}

void TimelineWindow::showInterval(std::int64_t achieved)
{
    // Three figures, so that the label (and the layout behind it) changes only when it means it.
    achieved = std::int64_t(QString::number(double(achieved), 'g', 3).toDouble());
    if (achieved == m_shownInterval)
        return;
    m_shownInterval = achieved;
    m_achieved->setText(achieved > 0
                            ? tr("实际间隔 %1").arg(TimelineView::formatTime(double(achieved)))
                            : tr("实际间隔 —"));
}

QString TimelineWindow::newDocumentPath(const QString &suffix) const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QDir().mkpath(folder);
    const QString stem = folder + QStringLiteral("/zelvane-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stem + QLatin1Char('.') + suffix;
    for (int copy = 2; QFileInfo::exists(path); ++copy)
        path = QStringLiteral("%1-%2.%3").arg(stem).arg(copy).arg(suffix);
    return path;
}

void TimelineWindow::say(const QString &text)
{
    m_message->setText(text);
    m_openFolder->setEnabled(QFileInfo::exists(text));
}

bool TimelineWindow::startRecording()
{
    takeSamples(); // what came before the start stays out of the file
    if (m_trace.empty()) {
        say(tr("还没有采样：请确认并口已打开"));
        return false;
    }
    const QString path = newDocumentPath(QStringLiteral("vcd"));
    std::string error;
    m_recording = VcdRecording::create(path.toStdString(),
                                       {std::max(m_sampledUpTo, m_trace.newest()), m_levels},
                                       std::chrono::system_clock::now(), error);
    if (!m_recording) {
        say(tr("无法录制：%1").arg(QString::fromStdString(error)));
        return false;
    }
    m_recordingPath = path;
    say(path);
    m_record->setText(tr("停止录制"));
    return true;
}

void TimelineWindow::stopRecording()
{
    if (!m_recording)
        return;
    takeSamples();
    std::string error;
    const bool finished = m_recording->finish(m_sampledUpTo, error);
    m_recording.reset();
    if (!finished)
        say(tr("录制未能完整写入：%1").arg(QString::fromStdString(error)));
    m_record->setText(tr("录制"));
}

QString TimelineWindow::exportView(const QString &suffix)
{
    const QString path = newDocumentPath(suffix);
    bool saved = false;
    if (suffix == QStringLiteral("svg")) {
        QSvgGenerator picture;
        picture.setFileName(path);
        picture.setSize(m_view->size());
        picture.setViewBox(m_view->rect());
        picture.setTitle(windowTitle());
        QPainter painter(&picture);
        m_view->render(&painter);
        saved = painter.end() && QFileInfo(path).size() > 0;
    } else
        saved = m_view->grab().save(path, "PNG");
    say(saved ? path : tr("无法保存 %1").arg(path));
    return saved ? path : QString();
}
