#pragma once

#include "IndicatorSink.h"

#include <QDialog>
#include <QHash>

class IndicatorLabel;
class QMenu;

// The panel window: the connector, its 25 indicators and the read buttons. It is the
// window through which the pin logic shows levels, and it opens and closes the port driver.
class CZelvaneDlg : public QDialog, public IndicatorSink {
    Q_OBJECT
public:
    explicit CZelvaneDlg(QWidget *parent = nullptr);
    ~CZelvaneDlg() override;

    // Initialises, runs the window until one of its ways out, then closes the driver.
    int DoModal();

    void ShowIndicatorImage(ControlId controlId, ImageId image) override;
    void EnableIndicatorClicks(ControlId controlId) override;

    IndicatorLabel *indicator(int controlId) const { return m_indicators.value(controlId); }
    QMenu *windowMenu() const { return m_windowMenu; }

public slots:
    // Ends the run as Close does, from wherever it is: boxes over the panel are closed first,
    // and a run still initialising never starts its modal loop.
    void EndRun();
    // Every command of the window, from a control or a key, arrives here.
    void OnCommand(int controlId, int notifyCode = 0);
    void OnSysCommand(int commandId);

    // Closes the driver, once per run, whichever way the run ends.
    void DestroyWindow();

protected:
    void OnInitDialog();
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

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

    using Handler = void (CZelvaneDlg::*)(int);
    static const QHash<int, Handler> &CommandMap();

    QHash<int, IndicatorLabel *> m_indicators;
    QMenu *m_windowMenu = nullptr;
    bool m_driverOpen = false;
    bool m_endRequested = false;
};
