#include "CAboutDlg.h"
#include "CZelvaneApp.h"
#include "ControlIds.h"
#include "PanelHarness.h"

#include <QLabel>
#include <QMenu>
#include <QtTest>

namespace {

// What an open About box shows, read from its widgets; the layout itself is checked against
// the design with the panel's.
struct AboutContent {
    QString caption;
    QStringList texts;
    bool okIsDefault = false;
};

AboutContent readAbout(QDialog *about)
{
    AboutContent content;
    content.caption = about->windowTitle();
    for (QLabel *label : about->findChildren<QLabel *>())
        content.texts << label->text();
    if (auto *ok = about->findChild<QPushButton *>())
        content.okIsDefault = ok->isDefault();
    return content;
}

} // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void opensFromTheButtonAndTheMenuWithTheSameContent();
    void thePanelTakesNoInputWhileItIsOpen();
};

void AboutBoxTest::opensFromTheButtonAndTheMenuWithTheSameContent()
{
    PanelHarness h;
    std::vector<AboutContent> seen;
    auto readAndClose = [&] {
        auto *about = qobject_cast<CAboutDlg *>(QApplication::activeModalWidget());
        QVERIFY(about);
        seen.push_back(readAbout(about));
        QCOMPARE(about->parentWidget(), &h.panel);
        const QPoint offset = about->geometry().center() - h.panel.geometry().center();
        QVERIFY(offset.manhattanLength() <= 2); // centred over the panel
        QTest::mouseClick(about->findChild<QPushButton *>(), Qt::LeftButton);
    };
    h.run({[&] {
               QTimer::singleShot(0, readAndClose);
               QTest::mouseClick(h.button(IDC_ABOUT_BUTTON), Qt::LeftButton);
           },
           [&] {
               QTimer::singleShot(0, readAndClose);
               h.panel.windowMenu()->actions().last()->trigger();
           },
           [&] {
               QTimer::singleShot(
                   0, [&] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
               QTest::mouseClick(h.button(IDC_ABOUT_BUTTON), Qt::LeftButton);
               QVERIFY(QApplication::activeModalWidget() == &h.panel);
           }});
    QCOMPARE(int(seen.size()), 2);
    const AboutContent &first = seen[0];
    QCOMPARE(first.caption, QStringLiteral("关于  Zelvane"));
    QVERIFY(first.texts.contains(QStringLiteral("Zelvane 1.0 版")));
    // The version `zelvane --version` names first, the project's major and minor.
    QVERIFY(first.texts.contains(QStringLiteral("Zelvane " ZELVANE_SHORT_VERSION " 版")));
    QVERIFY(first.okIsDefault);
    QCOMPARE(seen[1].texts, first.texts);
    QCOMPARE(seen[1].caption, first.caption);
    QCOMPARE(h.trace, CallTrace{"close"}); // opening it touched no port and no pin
}

void AboutBoxTest::thePanelTakesNoInputWhileItIsOpen()
{
    PanelHarness h;
    h.run({[&] {
        QTimer::singleShot(0, [&] {
            QWindow *panelWindow = h.panel.windowHandle();
            QTest::mouseClick(panelWindow, Qt::LeftButton, {},
                              h.indicator(1042)->geometry().center());
            QTest::mouseClick(panelWindow, Qt::LeftButton, {},
                              h.button(IDC_READ_STATUS)->geometry().center());
            QTest::mouseClick(panelWindow, Qt::LeftButton, {},
                              h.button(IDCANCEL)->geometry().center());
            QCOMPARE(h.trace, CallTrace{});
            QCOMPARE(h.indicator(1042)->image(), IDB_HIGH);
            QApplication::activeModalWidget()->close();
        });
        QTest::mouseClick(h.button(IDC_ABOUT_BUTTON), Qt::LeftButton);
        // Once it is closed, the same click works.
        QTest::mouseClick(h.panel.windowHandle(), Qt::LeftButton, {},
                          h.indicator(1042)->geometry().center());
        h.settle();
        QCOMPARE(h.trace, CallTrace{"write 0x378 0xF7"});
    }});
}

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    AboutBoxTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AboutBoxTest.moc"
