#include "CAboutDlg.h"

#include "DialogBuilder.h"

#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget *owner) : QDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    for (const BuiltControl &built : BuildDialogFromTemplate(*this, AboutTemplate()))
        if (built.control.id == IDOK)
            connect(qobject_cast<QPushButton *>(built.widget), &QPushButton::clicked, this,
                    &QDialog::accept);
}
