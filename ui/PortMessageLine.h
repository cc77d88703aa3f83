#pragma once

#include "PortNotice.h"

#include <QLabel>

// One line at the foot of the panel with the latest thing the user should know about the
// port, in the user's language: another copy or program using it, the port gone, the kernel
// keeping an access. Cut to the window's width, whole in its tooltip; cleared by the next
// access that reaches the port.
class PortMessageLine : public QLabel {
    Q_OBJECT
public:
    explicit PortMessageLine(QWidget *parent);

    void showNotice(const PortNotice &notice);
    // An access has not come back for over a second; involved names the processes that
    // have the port open, where known.
    void showStuck(const QString &involved);
    void clearLine();
    QString line() const { return m_line; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setLine(const QString &line);

    QString m_line;
};
