#include "CZelvaneApp.h"

#include "CZelvaneDlg.h"
#include "DialogBuilder.h"
#include "ForeignDestroyWatch.h"
#include "IndicatorImages.h"
#include "Logging.h"
#include "TerminationSignals.h"
#include "Translations.h"

#include <QLocale>
#include <cstdio>
#include <cstdlib>

namespace {

CZelvaneDlg *g_runningPanel = nullptr;

// A thread the kernel keeps in an access would hold up any ordinary end of the process:
// whatever is left to say is said, and the process ends here.
[[noreturn]] void EndWithoutWaitingForThePort()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

// Qt ends the process with exit() when the X connection breaks (xkill, a server that died).
void closeDriverAtExit()
{
    if (!g_runningPanel)
        return;
    g_runningPanel->DestroyWindow();
    if (g_runningPanel->portLeftInKernel())
        EndWithoutWaitingForThePort();
}

} // namespace

CZelvaneApp::CZelvaneApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Zelvane"));
    setApplicationVersion(QStringLiteral(ZELVANE_VERSION));
    setDesktopFileName(QStringLiteral("org.zelvane.Zelvane"));
    setWindowIcon(IndicatorImages::applicationIcon());
    InstallDialogFont();
    InstallTranslations(*this, ChooseUiLanguage(QLocale::system().uiLanguages()),
                        TranslationsDirectory());
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
    g_runningPanel = &panel;
    static const bool registered = std::atexit(closeDriverAtExit) == 0;
    (void)registered;
    panel.DoModal();
    g_runningPanel = nullptr;
    if (panel.portLeftInKernel())
        EndWithoutWaitingForThePort();
    return false;
}
