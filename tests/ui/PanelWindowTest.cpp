#include "CZelvaneApp.h"
#include "IndicatorImages.h"
#include "PanelHarness.h"
#include "PinTable.h"

#include <QMenu>
#include <QMessageBox>
#include <QtTest>

namespace {

const std::vector<int> kArmedIds{1037, 1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1051, 1053, 1054};

} // namespace

class PanelWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startShowsTheArmedOutputsHighAndTouchesNoRegister();
    void eachArmedIndicatorWritesItsRegister();
    void inputAndGroundIndicatorsTakeNoClicksAndDoubleClicksToggleOnce();
    void readButtonsShowWhatThePortHolds();
    void layoutAtTheDesignScale();
    void indicatorsStandUnderTheirPads();
    void indicatorsKeepTheirCornerAndNoImageIsLoadedTwice();
    void keyboardTabOrderAndButtons();
    void enterOnD6EndsTheWindow();
    void everyWayOutClosesTheDriverOnce_data();
    void everyWayOutClosesTheDriverOnce();
    void initFailIsShownOnceBeforeTheWindowWhichStillWorks();
    void windowMenuEndsWithTheAboutEntry();
};

void PanelWindowTest::startShowsTheArmedOutputsHighAndTouchesNoRegister()
{
    PanelHarness h;
    h.run({[&] {
        QVERIFY(h.panel.isVisible());
        for (const ConnectorPin &pin : kConnectorPins) {
            const auto *label = h.indicator(pin.controlId);
            QCOMPARE(label->isArmed(), pin.clickable);
            const ImageId expected = pin.clickable ? *pin.imageHigh : pin.startImage;
            QCOMPARE(label->image(), expected);
        }
        QCOMPARE(h.trace, CallTrace{});
        // The pixels are the red disc's.
        const QImage shot = h.indicator(1042)->grab().toImage();
        QCOMPARE(shot.pixelColor(shot.rect().center()), QColor(0xFF, 0, 0));
    }});
}

void PanelWindowTest::eachArmedIndicatorWritesItsRegister()
{
    PanelHarness h;
    h.run({[&] {
        for (int id : kArmedIds) {
            h.trace.clear();
            QTest::mouseClick(h.indicator(id), Qt::LeftButton);
            const ConnectorPin *pin = findPinByControlId(id);
            QCOMPARE(h.indicator(id)->image(), IDB_OUT_LOW);
            QCOMPARE(h.trace.size(), size_t(1));
            const std::string reg = pin->group == PinGroup::Data ? "0x378" : "0x37A";
            QVERIFY2(h.trace[0].rfind("write " + reg, 0) == 0, h.trace[0].c_str());
        }
        // All twelve low now: data 0x00, control 0x0B.
        QCOMPARE(h.trace.back(), std::string("write 0x37A 0x0B"));
        h.trace.clear();
        QTest::mouseClick(h.indicator(1046), Qt::LeftButton);
        QCOMPARE(h.trace, CallTrace{"write 0x378 0x80"});
    }});
}

void PanelWindowTest::inputAndGroundIndicatorsTakeNoClicksAndDoubleClicksToggleOnce()
{
    PanelHarness h;
    h.run({[&] {
        QWindow *window = h.panel.windowHandle();
        auto at = [&](int id) { return h.indicator(id)->geometry().center(); };
        for (int id : {1047, 1048, 1049, 1050, 1052, 1055, 1058, 1062}) {
            QTest::mouseClick(window, Qt::LeftButton, {}, at(id));
            QTest::mouseDClick(window, Qt::LeftButton, {}, at(id));
        }
        QTest::mouseClick(window, Qt::RightButton, {}, at(1042));
        QCOMPARE(h.trace, CallTrace{});
        // The context menu that the right click opened is the window menu; close it.
        h.panel.windowMenu()->close();

        QTest::mouseDClick(window, Qt::LeftButton, {}, at(1042));
        QCOMPARE(h.trace, CallTrace{"write 0x378 0xF7"});
        QCOMPARE(h.indicator(1042)->image(), IDB_OUT_LOW);
    }});
}

void PanelWindowTest::readButtonsShowWhatThePortHolds()
{
    PanelHarness h;
    h.reads = {0x00, 0xE4, 0xE0}; // status; control before and after its release (C2 held low)
    h.run({[&] {
        QTest::mouseClick(h.button(1008), Qt::LeftButton);
        QCOMPARE(h.trace, CallTrace{"read 0x379 0x00"});
        for (int id : {1047, 1049, 1050, 1052})
            QCOMPARE(h.indicator(id)->image(), IDB_IN_LOW);
        QCOMPARE(h.indicator(1048)->image(), IDB_HIGH);

        h.trace.clear();
        QTest::mouseClick(h.button(1011), Qt::LeftButton);
        QCOMPARE(h.trace, (CallTrace{"read 0x37A 0xE4", "write 0x37A 0xE4", "read 0x37A 0xE0"}));
        QCOMPARE(h.indicator(1053)->image(), IDB_OUT_LOW);
        for (int id : {1037, 1051, 1054})
            QCOMPARE(h.indicator(id)->image(), IDB_CTRL_HIGH);
    }});
}

void PanelWindowTest::layoutAtTheDesignScale()
{
    PanelHarness h;
    h.run({[&] {
        QCOMPARE(h.panel.size(), QSize(720, 449));
        QCOMPARE(h.panel.windowTitle(), QStringLiteral("Zelvane"));
        QCOMPARE(h.button(1008)->geometry(), QRect(248, 263, 87, 20));
        QCOMPARE(h.button(1008)->text(), QStringLiteral("读状态端口"));
        QCOMPARE(h.button(2)->geometry(), QRect(534, 371, 81, 24));
        QCOMPARE(h.button(2)->text(), QStringLiteral("退出程序"));
        QCOMPARE(h.button(1012)->geometry(), QRect(533, 339, 81, 24));
        QCOMPARE(h.indicator(1037)->geometry(), QRect(560, 170, 28, 28));
        QCOMPARE(h.indicator(1062)->geometry(), QRect(95, 215, 28, 28));
        const auto labels = h.panel.findChildren<QLabel *>();
        const auto connector = std::find_if(labels.begin(), labels.end(), [](QLabel *l) {
            return l->pixmap().size() == QSize(601, 110);
        });
        QVERIFY(connector != labels.end());
        QCOMPARE((*connector)->geometry(), QRect(35, 47, 601, 110));
        // Every text fits on one line of its rectangle.
        for (QLabel *label : labels) {
            if (label->text().isEmpty())
                continue;
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->text()));
        }
    }});
}

void PanelWindowTest::indicatorsStandUnderTheirPads()
{
    // Pad left edges in the connector picture, which stands at x = 35; pads are 22 wide.
    const std::map<std::string, int> padLeft{
        {"C0", 523}, {"D0", 481}, {"D1", 440}, {"D2", 402}, {"D3", 364}, {"D4", 326}, {"D5", 286},
        {"D6", 246}, {"D7", 207}, {"S6", 167}, {"S7", 126}, {"S5", 85},  {"S4", 47},  {"C1", 502},
        {"S3", 461}, {"C2", 423}, {"C3", 382}, {"G0", 345}, {"G1", 307}, {"G2", 267}, {"G3", 227},
        {"G4", 188}, {"G5", 148}, {"G6", 107}, {"G7", 67}};
    PanelHarness h;
    h.run({[&] {
        for (const ConnectorPin &pin : kConnectorPins) {
            const QRect r = h.indicator(pin.controlId)->geometry();
            const double padCentre = 35 + padLeft.at(std::string(pin.label)) + 10.5;
            const double centre = r.x() + r.width() / 2.0;
            QVERIFY2(std::abs(centre - padCentre) <= 8.0, pin.label.data());
            QCOMPARE(r.y(), pin.number <= 13 ? 170 : 215);
        }
    }});
}

void PanelWindowTest::indicatorsKeepTheirCornerAndNoImageIsLoadedTwice()
{
    PanelHarness h;
    h.reads = {0x80};
    h.run({[&] {
        const QPoint corner = h.indicator(1037)->pos();
        QCOMPARE(h.indicator(1037)->width(), 28);
        QTest::mouseClick(h.indicator(1037), Qt::LeftButton);
        QCOMPARE(h.indicator(1037)->pos(), corner);
        QCOMPARE(h.indicator(1037)->width(), 29); // green is one pixel wider than yellow

        QTest::mouseClick(h.button(1008), Qt::LeftButton);
        QCOMPARE(h.indicator(1047)->width(), 28);
        const int loaded = IndicatorImages::loadedCount();
        for (int i = 0; i < 500; ++i)
            QTest::mouseClick(h.indicator(kArmedIds[i % kArmedIds.size()]), Qt::LeftButton);
        QCOMPARE(IndicatorImages::loadedCount(), loaded);
        QVERIFY(loaded <= 5);
    }});
}

void PanelWindowTest::keyboardTabOrderAndButtons()
{
    PanelHarness h;
    h.run({[&] {
        h.panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.panel));
        QCOMPARE(QApplication::focusWidget(), h.button(1008));
        const std::vector<QWidget *> order{h.button(1011), h.button(2), h.indicator(1045),
                                           h.indicator(1046), h.button(1012), h.button(1008)};
        for (QWidget *expected : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), expected);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), h.button(1012));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // D7 ignores Space
        QCOMPARE(h.trace, CallTrace{});

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), h.button(1008));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(h.trace.size(), size_t(1)); // Enter clicks the focused read-status button
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(h.trace.size(), size_t(4)); // Space clicks read-control: read, write, read
        QVERIFY(h.panel.isVisible());
    }});
}

void PanelWindowTest::enterOnD6EndsTheWindow()
{
    PanelHarness h;
    h.run({[&] {
        h.panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.panel));
        h.indicator(1045)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }});
    QCOMPARE(h.result, int(QDialog::Accepted));
    QCOMPARE(h.trace, CallTrace{"close"}); // no port access, driver closed
}

void PanelWindowTest::everyWayOutClosesTheDriverOnce_data()
{
    QTest::addColumn<QString>("way");
    for (const char *way : {"exit button", "escape", "close button", "window menu close"})
        QTest::newRow(way) << QString::fromLatin1(way);
}

void PanelWindowTest::everyWayOutClosesTheDriverOnce()
{
    QFETCH(QString, way);
    {
        PanelHarness h;
        h.run({[&] {
            if (way == "exit button")
                QTest::mouseClick(h.button(2), Qt::LeftButton);
            else if (way == "escape")
                QTest::keyClick(&h.panel, Qt::Key_Escape);
            else if (way == "close button")
                h.panel.close();
            else
                h.panel.windowMenu()->actions().first()->trigger();
        }});
        QCOMPARE(h.result, int(QDialog::Rejected));
        QCOMPARE(h.trace, CallTrace{"close"});
        QVERIFY(OpenPortDescription().empty());
    }
}

void PanelWindowTest::initFailIsShownOnceBeforeTheWindowWhichStillWorks()
{
    PanelHarness h(false);
    int boxes = 0;
    h.run({[&] {
               auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
               QVERIFY(box);
               ++boxes;
               QVERIFY(!h.panel.isVisible()); // shown before the panel
               QCOMPARE(box->text(), QStringLiteral("Init fail!"));
               QCOMPARE(box->icon(), QMessageBox::NoIcon);
               QCOMPARE(box->windowTitle(), QStringLiteral("panel_window_tests"));
               QCOMPARE(box->buttons().size(), 1);
               box->button(QMessageBox::Ok)->click();
           },
           [&] {
               QVERIFY(h.panel.isVisible());
               QCOMPARE(QApplication::activeModalWidget(), &h.panel);
               QTest::mouseClick(h.indicator(1042), Qt::LeftButton);
               QCOMPARE(h.indicator(1042)->image(), IDB_OUT_LOW);
               QTest::mouseClick(h.button(1008), Qt::LeftButton);
               QCOMPARE(h.indicator(1048)->image(), IDB_IN_LOW); // no port: the bus reads 0xFF
           }});
    QCOMPARE(boxes, 1);
}

void PanelWindowTest::windowMenuEndsWithTheAboutEntry()
{
    PanelHarness h;
    h.run({[&] {
        const auto actions = h.panel.windowMenu()->actions();
        QCOMPARE(actions.size(), 3);
        QVERIFY(actions[1]->isSeparator());
        QCOMPARE(actions[2]->text(), QStringLiteral("关于 Zelvane(&A)..."));
    }});
}

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    PanelWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PanelWindowTest.moc"
