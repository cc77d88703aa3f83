#include "CZelvaneApp.h"
#include "IndicatorImages.h"
#include "PanelHarness.h"
#include "PortChoice.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The window on ZELVANE_PORT=sim:NAME while zelvanectl drives the port's outside from
// another process, as a user without a port tries it.
class SharedSimWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void liveInputsShowWhatAnotherProgramDrives();

private:
    QTemporaryDir m_runtime;
};

void SharedSimWindowTest::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
}

void SharedSimWindowTest::liveInputsShowWhatAnotherProgramDrives()
{
    const auto outside = [](const QStringList &words) {
        return QProcess::execute(ZELVANECTL_PROGRAM, QStringList{"-p", "sim:window"} + words);
    };
    QCOMPARE(outside({"sim", "reset"}), 0);
    PanelHarness h;
    SetPortOpener(nullptr); // the port as ZELVANE_PORT names it
    SelectPortChoice(ParsePortChoice("sim:window"));
    struct Step {
        QStringList drive;
        int indicator;
        int image;
    };
    const Step steps[] = {
        {{"sim", "drive", "S6=1"}, 1047, IDB_HIGH},
        {{"sim", "drive", "ACK=0"}, 1047, IDB_IN_LOW},
        {{"sim", "drive", "BUSY=0"}, 1048, IDB_IN_LOW},
        {{"sim", "release", "all"}, 1048, IDB_IN_LOW}, // the plug: D4 is low
        {{"sim", "plug", "none"}, 1048, IDB_HIGH},     // floats high
    };
    h.run({[&] {
        h.panel.liveInputsAction()->setChecked(true);
        QTRY_COMPARE(h.indicator(1047)->image(), IDB_IN_LOW); // S6 from D3, low at power-up
        for (const Step &step : steps) {
            QCOMPARE(outside(step.drive), 0);
            QTRY_COMPARE(h.indicator(step.indicator)->image(), step.image);
        }
        h.panel.liveInputsAction()->setChecked(false);
        h.settle();
    }});
    QVERIFY(h.closedByHarness);
    SelectPortChoice(ParsePortChoice("sim"));
}

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    SharedSimWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SharedSimWindowTest.moc"
