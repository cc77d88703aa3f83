#pragma once

#include <QDialog>

// Names the program and its version; it only closes.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget *owner);
};
