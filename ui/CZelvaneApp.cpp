#include "CZelvaneApp.h"

#include "CZelvaneDlg.h"
#include "DialogBuilder.h"
#include "IndicatorImages.h"

CZelvaneApp::CZelvaneApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Zelvane"));
    setApplicationVersion(QStringLiteral(ZELVANE_VERSION));
    setDesktopFileName(QStringLiteral("org.zelvane.Zelvane"));
    setWindowIcon(IndicatorImages::applicationIcon());
    InstallDialogFont();
}

bool CZelvaneApp::InitInstance()
{
    CZelvaneDlg panel;
    panel.DoModal();
    return false;
}
