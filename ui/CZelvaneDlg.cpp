#include "CZelvaneDlg.h"

#include "CAboutDlg.h"
#include "ControlIds.h"
#include "DialogBuilder.h"
#include "IndicatorImages.h"
#include "IndicatorLabel.h"
#include "LiveInputs.h"
#include "Logging.h"
#include "PinPanel.h"
#include "WinIo.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

CZelvaneDlg::CZelvaneDlg(PinLevels &levels, QWidget *parent) : QDialog(parent), m_levels(levels)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    for (const BuiltControl &built : BuildDialogFromTemplate(*this, PanelTemplate())) {
        const int id = built.control.id;
        if (auto *picture = qobject_cast<IndicatorLabel *>(built.widget)) {
            m_indicators.insert(id, picture);
            connect(picture, &IndicatorLabel::command, this, &CZelvaneDlg::OnCommand);
        } else if (auto *button = qobject_cast<QPushButton *>(built.widget)) {
            m_buttons.insert(id, button);
            button->setAutoDefault(true);
            connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        }
    }
    connect(qApp, &QApplication::focusChanged, this, &CZelvaneDlg::ShowDefaultOnlyWhereEnterClicks);
    m_livePoll.setInterval(LivePollPace::kPollInterval);
    connect(&m_livePoll, &QTimer::timeout, this, &CZelvaneDlg::PollLiveInputs);
}

CZelvaneDlg::~CZelvaneDlg()
{
    // The controls go with the base class, after the buttons this would look at.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    DestroyWindow();
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
    const QString about = tr(IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        m_windowMenu->addSeparator();
        m_windowMenu->addAction(about, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }
}

void CZelvaneDlg::OpenPortDriver()
{
    m_shutdownPending = true; // closed once at the end, opened or not
    if (InitializeWinIo()) {
        qCInfo(lcPort).noquote() << "port opened:" << QString::fromStdString(OpenPortDescription());
        return;
    }
    QString reasons = QStringLiteral("cannot open the port:");
    for (const std::string &reason : PortRefusals())
        reasons += QStringLiteral("\n  ") + QString::fromStdString(reason);
    qCWarning(lcPort).noquote() << reasons;
    const QString title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QMessageBox box(QMessageBox::NoIcon, title, tr("Init fail!"), QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setIcon(QIcon()); // a plain OK, as the message has no icon
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
    std::uint8_t shown = 0;
    for (const ConnectorPin *pin : kStatusUpdateOrder)
        if (indicator(pin->controlId)->image() == IDB_HIGH)
            shown |= static_cast<std::uint8_t>(1u << (pin->bit - 3u));
    m_livePoll.setInterval(m_livePace.next(PollStatusPort(*this, shown)));
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
    ShutdownWinIo();
    qCInfo(lcPort) << "port closed";
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

void CZelvaneDlg::OnClickOutputPin(int controlId)
{
    ClickOutputPin(m_levels, *this, static_cast<unsigned>(controlId));
}

void CZelvaneDlg::OnReadStatusPort(int)
{
    ReadStatusPort(*this);
}

void CZelvaneDlg::OnReadControlPort(int)
{
    ReadControlPort(*this);
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
