#include "CZelvaneApp.h"

#include "CZelvaneDlg.h"
#include "DialogBuilder.h"
#include "ForeignDestroyWatch.h"
#include "IndicatorImages.h"
#include "Logging.h"
#include "TerminationSignals.h"
#include "WinIo.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>

namespace {

CZelvaneDlg *g_runningPanel = nullptr;

// Qt ends the process with exit() when the X connection breaks (xkill, a server that died).
void closeDriverAtExit()
{
    if (g_runningPanel)
        g_runningPanel->DestroyWindow();
}

} // namespace

CZelvaneApp::CZelvaneApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Zelvane"));
    setApplicationVersion(QStringLiteral(ZELVANE_VERSION));
    setDesktopFileName(QStringLiteral("org.zelvane.Zelvane"));
    setWindowIcon(IndicatorImages::applicationIcon());
    InstallDialogFont();
    InstallQtTranslations();
}

// The interface is Chinese whatever the system's language, so the texts Qt draws itself
// (the standard buttons' "确定") come from Qt's own Chinese translations.
void CZelvaneApp::InstallQtTranslations()
{
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    else
        qCWarning(lcUi) << "Qt's Chinese translations are missing (package qt6-translations-l10n)";
}

bool CZelvaneApp::InitInstance()
{
    TerminationSignals terminationSignals;
    CZelvaneDlg panel(ProcessPinLevels());
    connect(&terminationSignals, &TerminationSignals::received, &panel, &CZelvaneDlg::EndRun);
    // A window another client destroyed is closed as if by its close button.
    ForeignDestroyWatch destroyWatch([&panel](QWidget *window) {
        if (window == &panel)
            panel.EndRun();
        else if (auto *box = qobject_cast<QDialog *>(window))
            box->reject();
    });
    SetPortNoticeHandler([](const std::string &notice) {
        qCWarning(lcPort).noquote() << QString::fromStdString(notice);
    });
    g_runningPanel = &panel;
    static const bool registered = std::atexit(closeDriverAtExit) == 0;
    (void)registered;
    panel.DoModal();
    g_runningPanel = nullptr;
    SetPortNoticeHandler(nullptr);
    return false;
}
