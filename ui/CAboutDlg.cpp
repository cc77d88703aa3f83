#include "CAboutDlg.h"

#include "DialogBuilder.h"

#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget *owner) : QDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    for (QWidget *control : BuildDialogFromTemplate(*this, AboutTemplate()))
        if (auto *ok = qobject_cast<QPushButton *>(control))
            connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
