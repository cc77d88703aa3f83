#include "CZelvaneDlg.h"

#include "CAboutDlg.h"
#include "ControlIds.h"
#include "DialogBuilder.h"
#include "IndicatorImages.h"
#include "IndicatorLabel.h"
#include "LiveInputs.h"
#include "Logging.h"
#include "PinPanel.h"
#include "PortDoctor.h"
#include "PortMessageLine.h"
#include "TimelineWindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QThreadPool>

namespace {

using namespace std::chrono_literals;

// The opening, unlike an access, comes before the window shows; this long the start waits.
constexpr auto kOpeningWait = 2s;
// An access not back after this is stuck in the kernel, and the window says so.
constexpr auto kStuckAfter = 1s;
// How long the closing waits for the port thread before leaving it to the kernel.
constexpr auto kClosingWait = 500ms;

} // namespace

CZelvaneDlg::CZelvaneDlg(PinLevels &levels, QWidget *parent)
    : QDialog(parent), m_levels(levels), m_port(new PortThread(levels))
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    for (const BuiltControl &built : BuildDialogFromTemplate(*this, PanelTemplate())) {
        const int id = built.control.id;
        if (auto *picture = qobject_cast<IndicatorLabel *>(built.widget)) {
            m_indicators.insert(id, picture);
            connect(picture, &IndicatorLabel::command, this, &CZelvaneDlg::OnCommand);
        } else if (built.control.kind == ControlKind::Picture) {
            m_connector = qobject_cast<QLabel *>(built.widget); // the one plain picture
        } else if (auto *button = qobject_cast<QPushButton *>(built.widget)) {
            m_buttons.insert(id, button);
            button->setAutoDefault(true);
            connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        }
    }
    connect(qApp, &QApplication::focusChanged, this, &CZelvaneDlg::ShowDefaultOnlyWhereEnterClicks);
    m_livePoll.setInterval(LivePollPace::kPollInterval);
    connect(&m_livePoll, &QTimer::timeout, this, &CZelvaneDlg::PollLiveInputs);
    connect(m_port, &PortThread::done, this, &CZelvaneDlg::ShowPortOutcome);
    connect(m_port, &PortThread::opened, this, &CZelvaneDlg::TellOpening);
    m_stuckWatch.setSingleShot(true);
    m_stuckWatch.setTimerType(Qt::PreciseTimer); // "over a second", not up to 5 % more
    connect(&m_stuckWatch, &QTimer::timeout, this, &CZelvaneDlg::SayPortIsStuck);
}

CZelvaneDlg::~CZelvaneDlg()
{
    // The controls go with the base class, after the buttons this would look at.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    DestroyWindow();
    if (!m_portLeftInKernel)
        delete m_port;
}

// Every command the window answers, in one place.
const QHash<int, CZelvaneDlg::Handler> &CZelvaneDlg::CommandMap()
{
    static const QHash<int, Handler> map = [] {
        QHash<int, Handler> commands{
            {IDC_READ_STATUS, &CZelvaneDlg::OnReadStatusPort},
            {IDC_READ_CONTROL, &CZelvaneDlg::OnReadControlPort},
            {IDC_ABOUT_BUTTON, &CZelvaneDlg::OnAboutButton},
            {IDOK, &CZelvaneDlg::OnOK},
            {IDCANCEL, &CZelvaneDlg::OnCancel},
        };
        for (const ConnectorPin &pin : kConnectorPins)
            if (pin.clickable)
                commands.insert(pin.controlId, &CZelvaneDlg::OnClickOutputPin);
        return commands;
    }();
    return map;
}

int CZelvaneDlg::DoModal()
{
    // Placed first, so that "Init fail!" stands over where the panel is about to appear.
    CentreInWorkArea();
    OnInitDialog();
    const int result = m_endRequested ? QDialog::Rejected : exec();
    DestroyWindow();
    return result;
}

void CZelvaneDlg::EndRun()
{
    m_endRequested = true;
    // Innermost first, so that every modal loop returns; a box that will not go is left.
    for (int boxes = 0; boxes < 8; ++boxes) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == this)
            break;
        if (auto *box = qobject_cast<QDialog *>(modal))
            box->reject();
        else
            modal->close();
    }
    reject();
}

void CZelvaneDlg::OnInitDialog()
{
    InitTogglePass(m_levels, *this);
    MarkDataPinsWritten(false);
    AddAboutEntryToWindowMenu();
    setWindowIcon(IndicatorImages::applicationIcon());
    OpenPortDriver();
    button(IDC_READ_STATUS)->setFocus(Qt::OtherFocusReason);
}

void CZelvaneDlg::AddAboutEntryToWindowMenu()
{
    // Linux window managers keep their window menu to themselves, so the window has its own,
    // on the right mouse button, with the entries Qt can carry out.
    m_windowMenu = new QMenu(this);
    QAction *close = m_windowMenu->addAction(tr("关闭(&C)"), QKeySequence(QStringLiteral("Alt+F4")),
                                             this, &QWidget::close);
    addAction(close); // so that Alt+F4 works with no window manager to carry it out
    // Off at every start: the program keeps no settings.
    m_liveInputs = m_windowMenu->addAction(tr("实时读取输入(&L)"));
    m_liveInputs->setCheckable(true);
    connect(m_liveInputs, &QAction::toggled, this, [this](bool on) {
        if (on) {
            m_livePace = LivePollPace();
            m_livePoll.start(LivePollPace::kPollInterval);
        } else
            m_livePoll.stop();
    });
    // Off at every start too; enabled once the port says it can.
    m_dataInputs = m_windowMenu->addAction(tr("数据端口作为输入(&I)"));
    m_dataInputs->setCheckable(true);
    m_dataInputs->setEnabled(false);
    m_windowMenu->setToolTipsVisible(true);
    connect(m_dataInputs, &QAction::toggled, this, &CZelvaneDlg::TurnDataPins);
    // Closed at every start; a window of its own, so the panel keeps its layout.
    m_timelineEntry =
        m_windowMenu->addAction(tr("时间线(&T)..."), this, &CZelvaneDlg::OpenTimeline);
    m_timelineEntry->setToolTip(
        tr("在单独的窗口中显示各引脚电平随时间的变化，并可录制为 VCD 文件"));
    const QString about = tr(IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        m_windowMenu->addSeparator();
        m_windowMenu->addAction(about, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }
}

void CZelvaneDlg::OpenPortDriver()
{
    m_shutdownPending = true; // closed once at the end, opened or not
    if (const auto opening = m_port->open(kOpeningWait))
        TellOpening(*opening);
    else
        WatchForStuckPort(); // the window shows meanwhile, and hears how it went later
}

QString CZelvaneDlg::WhyDataPinsCannotRead(const PortThread::Opening &opening)
{
    if (!opening.opened)
        return tr("没有打开并口。");
    if (opening.dataDirection.outputOnly)
        return tr(
            "此并口处于 SPP 模式，数据线只能输出；请在 BIOS 设置中改为 PS/2、EPP 或 ECP 模式。");
    return QString::fromStdString(opening.dataDirection.why);
}

void CZelvaneDlg::TellOpening(const PortThread::Opening &opening)
{
    if (std::exchange(m_saidStuck, false)) // a late opening: the kernel has let go
        line().clearLine();
    WatchForStuckPort();
    m_kernelPort = opening.kernelPort;
    const bool able = opening.dataDirection.answer != DirectionAbility::Unable;
    m_dataInputs->setEnabled(able);
    m_dataInputs->setToolTip(able ? QString() : WhyDataPinsCannotRead(opening));
    // Named where it adds nothing to the designed layout: over the connector's picture.
    if (opening.opened) {
        m_connector->setToolTip(tr("并口：%1").arg(opening.description));
        qCInfo(lcPort).noquote() << "port opened:" << opening.description;
        return;
    }
    const QString reasons = opening.refusals.join(QStringLiteral("\n"));
    m_connector->setToolTip(tr("没有打开并口：%1").arg(reasons));
    qCWarning(lcPort).noquote() << QStringLiteral("cannot open the port:\n  ") +
                                       opening.refusals.join(QStringLiteral("\n  "));
    const QString title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QMessageBox box(QMessageBox::NoIcon, title, tr("Init fail!"), QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setIcon(QIcon()); // a plain OK, as the message has no icon
    // Started from a desktop menu, there is no standard error to read the reasons on.
    box.setDetailedText(reasons);
    box.exec();
}

// The frame, title bar included, stands in the middle of the work area. Before a window
// manager has framed the window only the client size is known, so this runs again once.
void CZelvaneDlg::CentreInWorkArea()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft()); // a window's position is its frame's
    }
}

void CZelvaneDlg::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    if (!m_frameCentred && frameGeometry().size() != size()) {
        m_frameCentred = true;
        CentreInWorkArea();
    }
}

// Qt draws the last focused button as default while the focus is elsewhere; Enter does not
// click it there (on D6 or D7 it ends the window), so no button may look as if it would.
void CZelvaneDlg::ShowDefaultOnlyWhereEnterClicks()
{
    auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
    if (!isActiveWindow() || focused == nullptr || focused->window() != this)
        focused = nullptr;
    for (QPushButton *candidate : std::as_const(m_buttons))
        candidate->setDefault(candidate == focused);
}

// The control pins are not polled: their read writes the register.
void CZelvaneDlg::PollLiveInputs()
{
    PanelRequest poll{PanelRequest::Poll};
    for (const ConnectorPin *pin : kStatusUpdateOrder)
        if (indicator(pin->controlId)->image() == IDB_HIGH)
            poll.shownFlags |= static_cast<std::uint8_t>(1u << (pin->bit - 3u));
    for (const ConnectorPin *pin : kDataPins)
        if (indicator(pin->controlId)->image() == IDB_HIGH)
            poll.shownData |= static_cast<std::uint8_t>(1u << pin->bit);
    if (m_port->sendPoll(poll))
        WatchForStuckPort();
}

void CZelvaneDlg::OpenTimeline()
{
    if (!m_timeline)
        m_timeline = new TimelineWindow(
            [port = m_port](std::shared_ptr<SampleQueue> into, std::chrono::nanoseconds every) {
                port->sample(std::move(into), every);
            },
            this);
    m_timeline->show();
    m_timeline->raise();
    m_timeline->activateWindow();
}

// While the kernel keeps an access, another request would only wait behind it: the click
// does nothing, and the line says why.
bool CZelvaneDlg::SendToPort(const PanelRequest &request)
{
    if (m_saidStuck)
        return false;
    m_port->send(request);
    WatchForStuckPort();
    return true;
}

// The entry shows the direction asked for; it goes back if the port did not turn.
void CZelvaneDlg::TurnDataPins(bool in)
{
    if (!SendToPort({in ? PanelRequest::DataIn : PanelRequest::DataOut})) {
        const QSignalBlocker quiet(m_dataInputs);
        m_dataInputs->setChecked(!in);
    }
}

void CZelvaneDlg::MarkDataPinsWritten(bool written)
{
    for (const ConnectorPin *pin : kDataPins)
        indicator(pin->controlId)->setShowsUnwrittenStartLevel(!written);
}

void CZelvaneDlg::ShowDataPinsAs(bool in)
{
    m_dataIn = in;
    for (const ConnectorPin *pin : kDataPins)
        indicator(pin->controlId)->setShowsInput(in);
    const QSignalBlocker quiet(m_dataInputs);
    m_dataInputs->setChecked(in);
}

void CZelvaneDlg::ShowPortOutcome(const PanelOutcome &outcome,
                                  const std::vector<PortNotice> &notices)
{
    for (const IndicatorChange &change : outcome.changes)
        ShowIndicatorImage(change.controlId, change.image);
    if (const ConnectorPin *clicked = findPinByControlId(outcome.request.controlId);
        outcome.request.kind == PanelRequest::Click && outcome.reached &&
        !outcome.changes.empty() && clicked && clicked->group == PinGroup::Data)
        MarkDataPinsWritten(true); // the whole register: every data pin has its shown level
    if (outcome.request.kind == PanelRequest::DataIn ||
        outcome.request.kind == PanelRequest::DataOut)
        ShowDataPinsAs((outcome.request.kind == PanelRequest::DataIn) == outcome.reached);
    for (const PortNotice &notice : notices)
        qCWarning(lcPort).noquote() << QString::fromStdString(notice.text);
    if (!notices.empty())
        line().showNotice(notices.back());
    else if (outcome.reached && m_messageLine)
        m_messageLine->clearLine();
    else if (m_saidStuck) // back from the kernel, with nothing new to say
        m_messageLine->clearLine();
    m_saidStuck = false;
    if (outcome.request.kind == PanelRequest::Poll && m_liveInputs->isChecked())
        m_livePoll.setInterval(m_livePace.next(outcome.reached));
    WatchForStuckPort();
}

void CZelvaneDlg::WatchForStuckPort()
{
    if (!m_port->busy()) {
        m_stuckWatch.stop();
        return;
    }
    if (!m_saidStuck)
        m_stuckWatch.start(
            std::max(0ms, std::chrono::milliseconds(kStuckAfter) - m_port->busyFor()));
}

// Who has the port open is found away from this thread: it looks through every process.
void CZelvaneDlg::SayPortIsStuck()
{
    if (!m_port->busy() || m_port->busyFor() < kStuckAfter) {
        WatchForStuckPort();
        return;
    }
    m_saidStuck = true;
    line().showStuck({});
    if (!m_kernelPort)
        return;
    QPointer<CZelvaneDlg> window(this);
    QThreadPool::globalInstance()->start([window, port = *m_kernelPort] {
        const QString involved = QString::fromStdString(DiagnoseHeldPort(ThisMachine(), port));
        QMetaObject::invokeMethod(
            qApp,
            [window, involved] {
                if (window && window->m_saidStuck)
                    window->line().showStuck(involved);
            },
            Qt::QueuedConnection);
    });
}

PortMessageLine &CZelvaneDlg::line()
{
    if (!m_messageLine)
        m_messageLine = new PortMessageLine(this);
    return *m_messageLine;
}

void CZelvaneDlg::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        ShowDefaultOnlyWhereEnterClicks();
}

void CZelvaneDlg::DestroyWindow()
{
    if (!m_shutdownPending)
        return;
    m_shutdownPending = false;
    m_livePoll.stop();
    m_stuckWatch.stop();
    if (m_timeline)
        m_timeline->close(); // its recording ends with the port's last sample
    if (m_port->close(kClosingWait)) {
        qCInfo(lcPort) << "port closed";
        return;
    }
    m_portLeftInKernel = true;
    qCWarning(lcPort) << "the port is stuck in the kernel; the program ends without waiting for it";
}

void CZelvaneDlg::ShowIndicatorImage(ControlId controlId, ImageId image)
{
    if (IndicatorLabel *label = indicator(controlId))
        label->showImage(image);
}

void CZelvaneDlg::EnableIndicatorClicks(ControlId controlId)
{
    if (IndicatorLabel *label = indicator(controlId))
        label->arm();
}

void CZelvaneDlg::OnCommand(int controlId, int notifyCode)
{
    if (notifyCode != 0)
        return; // a double click's second click is not a command
    if (const Handler handler = CommandMap().value(controlId))
        (this->*handler)(controlId);
}

void CZelvaneDlg::OnSysCommand(int commandId)
{
    if ((commandId & 0xFFF0) == IDM_ABOUTBOX)
        OnAboutButton(IDC_ABOUT_BUTTON);
}

// Where the port thread finds the data pin turned into an input, the click writes nothing.
void CZelvaneDlg::OnClickOutputPin(int controlId)
{
    SendToPort({PanelRequest::Click, static_cast<unsigned>(controlId)});
}

void CZelvaneDlg::OnReadStatusPort(int)
{
    SendToPort({PanelRequest::ReadStatus});
}

void CZelvaneDlg::OnReadControlPort(int)
{
    SendToPort({PanelRequest::ReadControl});
}

void CZelvaneDlg::OnAboutButton(int)
{
    CAboutDlg about(this);
    about.exec();
}

void CZelvaneDlg::OnOK(int)
{
    accept();
}

void CZelvaneDlg::OnCancel(int)
{
    reject();
}

void CZelvaneDlg::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        OnCommand(IDCANCEL);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused push button takes Enter itself; elsewhere (D6, D7) Enter means OK.
        if (!qobject_cast<QPushButton *>(focusWidget())) {
            OnCommand(IDOK);
            return;
        }
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

void CZelvaneDlg::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_windowMenu)
        m_windowMenu->popup(event->globalPos());
}
