#pragma once

#include "IndicatorSink.h"
#include "PinLevels.h"

#include "LiveInputs.h"
#include <QDialog>
#include <QHash>

#include <QTimer>

class IndicatorLabel;
class QMenu;
class QPushButton;

// The panel window: the connector, its 25 indicators and the read buttons. It is the
// window through which the pin logic shows levels, and it opens and closes the port driver.
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
    QAction *liveInputsAction() const { return m_liveInputs; }

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

    using Handler = void (CZelvaneDlg::*)(int);
    static const QHash<int, Handler> &CommandMap();

    PinLevels &m_levels;
    QHash<int, IndicatorLabel *> m_indicators;
    QHash<int, QPushButton *> m_buttons;
    QMenu *m_windowMenu = nullptr;
    QAction *m_liveInputs = nullptr;
    QTimer m_livePoll;
    LivePollPace m_livePace;
    bool m_shutdownPending = false;
    bool m_endRequested = false;
    bool m_frameCentred = false;
};
