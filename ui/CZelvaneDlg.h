#pragma once

#include "IndicatorSink.h"
#include "LiveInputs.h"
#include "PinLevels.h"
#include "PortThread.h"

#include <QDialog>
#include <QHash>
#include <QTimer>

class IndicatorLabel;
class PortMessageLine;
class QLabel;
class QMenu;
class QPushButton;
class TimelineWindow;

// The panel window: the connector, its 25 indicators and the read buttons. It is the
// window through which the pin logic shows levels, and it opens and closes the port driver.
// Every port access runs on its port thread: the window sends clicks, reads and polls there
// and shows what comes back, so the kernel can keep an access as long as it likes.
class CZelvaneDlg : public QDialog, public IndicatorSink {
    Q_OBJECT
public:
    // The window works on levels it does not own: the program passes ProcessPinLevels().
    explicit CZelvaneDlg(PinLevels &levels, QWidget *parent = nullptr);
    ~CZelvaneDlg() override;

    // Initialises, runs the window until one of its ways out, then closes the driver.
    int DoModal();
    // Closes the driver, once per run, whichever way the run ends.
    void DestroyWindow();

    void ShowIndicatorImage(ControlId controlId, ImageId image) override;
    void EnableIndicatorClicks(ControlId controlId) override;

    IndicatorLabel *indicator(int controlId) const { return m_indicators.value(controlId); }
    QPushButton *button(int controlId) const { return m_buttons.value(controlId); }
    QMenu *windowMenu() const { return m_windowMenu; }
    // The connector's picture; its tooltip names the port.
    QLabel *connectorPicture() const { return m_connector; }
    QAction *liveInputsAction() const { return m_liveInputs; }
    QAction *dataInputsAction() const { return m_dataInputs; }
    QAction *timelineAction() const { return m_timelineEntry; }
    // Null until the timeline is first opened.
    TimelineWindow *timeline() const { return m_timeline; }
    // The line with the latest port notice; null until there has been one.
    PortMessageLine *messageLine() const { return m_messageLine; }
    // Requests sent to the port thread and not come back yet.
    bool portBusy() const { return m_port->busy(); }
    // In how many milliseconds the line says the port is stuck; -1 when it is not due.
    int stuckLineDueIn() const
    {
        return m_stuckWatch.isActive() ? m_stuckWatch.remainingTime() : -1;
    }
    // The port thread was stuck in the kernel when the window closed and was left there: the
    // process must end without waiting for it.
    bool portLeftInKernel() const { return m_portLeftInKernel; }

public slots:
    // Ends the run as Close does, from wherever it is: boxes over the panel are closed first,
    // and a run still initialising never starts its modal loop.
    void EndRun();
    // Every command of the window, from a control or a key, arrives here.
    void OnCommand(int controlId, int notifyCode = 0);
    void OnSysCommand(int commandId);

protected:
    void OnInitDialog();
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void OnClickOutputPin(int controlId);
    void OnReadStatusPort(int controlId);
    void OnReadControlPort(int controlId);
    void OnAboutButton(int controlId);
    void OnOK(int controlId);
    void OnCancel(int controlId);
    void AddAboutEntryToWindowMenu();
    void OpenPortDriver();
    void CentreInWorkArea();
    void ShowDefaultOnlyWhereEnterClicks();
    void PollLiveInputs();
    void OpenTimeline();
    bool SendToPort(const PanelRequest &request);
    void TurnDataPins(bool in);
    void ShowDataPinsAs(bool in);
    void MarkDataPinsWritten(bool written);
    void ShowPortOutcome(const PanelOutcome &outcome, const std::vector<PortNotice> &notices);
    void TellOpening(const PortThread::Opening &opening);
    static QString WhyDataPinsCannotRead(const PortThread::Opening &opening);
    void WatchForStuckPort();
    void SayPortIsStuck();
    PortMessageLine &line();

    using Handler = void (CZelvaneDlg::*)(int);
    static const QHash<int, Handler> &CommandMap();

    PinLevels &m_levels;
    PortThread *m_port; // left to the kernel, never deleted, if it is stuck at the end
    bool m_portLeftInKernel = false;
    std::optional<unsigned> m_kernelPort; // behind the open port, for naming who keeps it
    PortMessageLine *m_messageLine = nullptr;
    QTimer m_stuckWatch;
    bool m_saidStuck = false;
    QHash<int, IndicatorLabel *> m_indicators;
    QHash<int, QPushButton *> m_buttons;
    QLabel *m_connector = nullptr;
    QMenu *m_windowMenu = nullptr;
    QAction *m_liveInputs = nullptr;
    QAction *m_dataInputs = nullptr;
    QAction *m_timelineEntry = nullptr;
    TimelineWindow *m_timeline = nullptr; // made when first opened, so unused it costs nothing
    bool m_dataIn = false;                // the data pins are inputs
    QTimer m_livePoll;
    LivePollPace m_livePace;
    bool m_shutdownPending = false;
    bool m_endRequested = false;
    bool m_frameCentred = false;
};
