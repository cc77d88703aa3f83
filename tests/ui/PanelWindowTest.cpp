#include "BlockingPort.h"
#include "CAboutDlg.h"
#include "CZelvaneApp.h"
#include "ControlIds.h"
#include "IndicatorImages.h"
#include "PanelHarness.h"
#include "PinTable.h"
#include "PortMessageLine.h"
#include "SimulatedPort.h"

#include <QGroupBox>
#include <QHelpEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScreen>
#include <QtTest>
#include <mutex>

namespace {

const auto &kArmedIds = kClickableControlIds;

// One control as the design draws it at 1.5 pixels per dialog unit. Pictures take their
// image's size: the indicators here as they stand after the start pass.
struct DesignedControl {
    const char *kind; // button, text, picture, indicator, icon, frame
    QRect rect;
    const char *text;
    bool tabStop;
};

const char *kindOf(QWidget *widget)
{
    if (qobject_cast<QPushButton *>(widget))
        return "button";
    if (qobject_cast<IndicatorLabel *>(widget))
        return "indicator";
    if (qobject_cast<QGroupBox *>(widget))
        return "frame";
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->pixmap().isNull()        ? "text"
               : label->pixmap().width() == 32 ? "icon"
                                               : "picture";
    return "other";
}

QString textOf(QWidget *widget)
{
    if (auto *button = qobject_cast<QPushButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    return {};
}

// Every control of a window against the design's numbers: each designed control is there
// exactly once, and nothing else is.
void compareWithDesign(QDialog &window, const std::vector<DesignedControl> &design)
{
    QList<QWidget *> controls;
    for (QObject *child : window.children())
        if (auto *widget = qobject_cast<QWidget *>(child); widget && !widget->isWindow())
            controls << widget;
    QCOMPARE(controls.size(), qsizetype(design.size()));
    for (const DesignedControl &expected : design) {
        const QRect r = expected.rect;
        const QByteArray what = QString::asprintf("%s %d,%d %dx%d %s", expected.kind, r.x(), r.y(),
                                                  r.width(), r.height(), expected.text)
                                    .toUtf8();
        QList<QWidget *> found;
        for (QWidget *control : controls)
            if (control->geometry() == expected.rect &&
                qstrcmp(kindOf(control), expected.kind) == 0)
                found << control;
        QVERIFY2(found.size() == 1, what + " is not there once");
        QWidget *control = found.first();
        QVERIFY2(textOf(control) == QString::fromUtf8(expected.text),
                 what + " reads " + textOf(control).toUtf8());
        QVERIFY2(bool(control->focusPolicy() & Qt::TabFocus) == expected.tabStop, what);
        QVERIFY2(control->isVisible(), what);
        if (!textOf(control).isEmpty()) // one line of its rectangle
            QVERIFY2(control->fontMetrics().horizontalAdvance(textOf(control)) <= control->width(),
                     what);
    }
}

const std::vector<DesignedControl> kPanelDesign{
    {"button", {248, 263, 87, 20}, "读状态端口", true},
    {"button", {248, 287, 87, 20}, "读控制端口", true},
    {"button", {534, 371, 81, 24}, "退出程序", true},
    {"text",
     {92, 23, 419, 15},
     "测试计算机并口在单片机等控制系统中作为数字I/O口的读写方法！",
     false},
    {"picture", {35, 47, 601, 110}, "", false},
    {"indicator", {560, 170, 28, 28}, "", false}, // C0
    {"indicator", {518, 170, 29, 28}, "", false}, // D0
    {"indicator", {479, 170, 29, 28}, "", false},
    {"indicator", {437, 170, 29, 28}, "", false},
    {"indicator", {398, 170, 29, 28}, "", false},
    {"indicator", {356, 170, 29, 28}, "", false},
    {"indicator", {317, 170, 29, 28}, "", false},
    {"indicator", {275, 170, 29, 28}, "", true},  // D6
    {"indicator", {236, 170, 29, 28}, "", true},  // D7
    {"indicator", {194, 170, 29, 28}, "", false}, // S6
    {"indicator", {155, 170, 29, 28}, "", false},
    {"indicator", {113, 170, 29, 28}, "", false},
    {"indicator", {74, 170, 29, 28}, "", false},
    {"indicator", {539, 215, 28, 28}, "", false}, // C1
    {"indicator", {500, 215, 29, 28}, "", false}, // S3
    {"indicator", {458, 215, 28, 28}, "", false}, // C2
    {"indicator", {419, 215, 28, 28}, "", false}, // C3
    {"indicator", {377, 215, 28, 28}, "", false}, // G0
    {"indicator", {338, 215, 28, 28}, "", false},
    {"indicator", {296, 215, 28, 28}, "", false},
    {"indicator", {257, 215, 28, 28}, "", false},
    {"indicator", {215, 215, 28, 28}, "", false},
    {"indicator", {176, 215, 28, 28}, "", false},
    {"indicator", {134, 215, 28, 28}, "", false},
    {"indicator", {95, 215, 28, 28}, "", false}, // G7
    {"frame", {62, 155, 560, 96}, "", false},
    {"text", {84, 288, 122, 15}, "输入控制端口:C0~C3！", false},
    {"text",
     {83, 312, 383, 15},
     "输出数据端口:D0~D7！鼠标单击对应的端口来设置为高电平或低电平！",
     false},
    {"text", {84, 270, 132, 15}, "输入状态端口:S3~S6！", false},
    {"text",
     {83, 333, 390, 15},
     "输出控制端口:C0~C3！鼠标单击对应的端口来设置为高电平或低电平！",
     false},
    {"text", {83, 354, 390, 15}, "地端口:G0~G7！低电平！", false},
    {"button", {533, 339, 81, 24}, "关于", true},
};

const std::vector<DesignedControl> kAboutDesign{
    {"icon", {17, 26, 32, 32}, "", false},
    {"text", {107, 12, 104, 12}, "Zelvane 1.0 版", false},
    {"text", {101, 65, 116, 12}, "2026年12月发布", false},
    {"button", {281, 33, 57, 21}, "确定", true},
    {"text", {92, 29, 140, 12}, "", false},
    {"text", {83, 47, 164, 12}, "", false},
};

} // namespace

// Counts the events of one type that reach an object.
class EventCounter : public QObject {
public:
    EventCounter(QObject &watched, QEvent::Type type, int &count)
        : m_watched(watched), m_type(type), m_count(count)
    {
        watched.installEventFilter(this);
    }
    ~EventCounter() override { m_watched.removeEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_count += event->type() == m_type;
        return false;
    }

private:
    QObject &m_watched;
    QEvent::Type m_type;
    int &m_count;
};

class PanelWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startShowsTheArmedOutputsHighAndTouchesNoRegister();
    void eachArmedIndicatorWritesItsRegister();
    void inputAndGroundIndicatorsTakeNoClicksAndDoubleClicksToggleOnce();
    void readButtonsShowWhatThePortHolds();
    void everyControlOfBothWindowsAsDesigned();
    void indicatorsKeepTheirCornerAndNoImageIsDecodedTwice();
    void keyboardTabOrderAndButtons();
    void onlyAButtonThatEnterClicksLooksDefault();
    void everyWayOutClosesTheDriverOnce_data();
    void everyWayOutClosesTheDriverOnce();
    void initFailIsShownOnceBeforeTheWindowWhichStillWorks();
    void windowMenuEndsWithTheAboutEntry();
    void liveInputsFollowTheLoopbackUntilTurnedOff();
    void tooltipsSayWhichPin();
    void dataTooltipsTellTheStartLevelUntilTheFirstWrite();
    void dataPinsTurnIntoInputsWhereThePortCan();
    void aFailedAccessChangesNothingAndTheLineSaysWhy();
    void aStuckAccessNeverHoldsUpTheWindow();
    void theStuckLineCountsFromTheOldestAccess();
    void theMessageLineSaysEachNoticeInItsWords();
    void closingWhileAnAccessIsStuckWritesNothingMore();
    void anOpeningTheKernelKeepsIsTakenWhenItComes();
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
            h.settle();
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
        h.settle();
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
        h.settle();
        QCOMPARE(h.trace, CallTrace{});
        // The context menu that the right click opened is the window menu; close it.
        h.panel.windowMenu()->close();

        QTest::mouseDClick(window, Qt::LeftButton, {}, at(1042));
        h.settle();
        QCOMPARE(h.trace, CallTrace{"write 0x378 0xF7"});
        QCOMPARE(h.indicator(1042)->image(), IDB_OUT_LOW);
    }});
}

void PanelWindowTest::readButtonsShowWhatThePortHolds()
{
    PanelHarness h;
    h.reads = {0x00, 0xE4, 0xE0}; // status; control before and after its release (C2 held low)
    h.run({[&] {
        QTest::mouseClick(h.button(IDC_READ_STATUS), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.trace, CallTrace{"read 0x379 0x00"});
        for (int id : {1047, 1049, 1050, 1052})
            QCOMPARE(h.indicator(id)->image(), IDB_IN_LOW);
        QCOMPARE(h.indicator(1048)->image(), IDB_HIGH);

        h.trace.clear();
        QTest::mouseClick(h.button(IDC_READ_CONTROL), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.trace, (CallTrace{"read 0x37A 0xE4", "write 0x37A 0xE4", "read 0x37A 0xE0"}));
        QCOMPARE(h.indicator(1053)->image(), IDB_OUT_LOW);
        for (int id : {1037, 1051, 1054})
            QCOMPARE(h.indicator(id)->image(), IDB_CTRL_HIGH);
    }});
}

void PanelWindowTest::everyControlOfBothWindowsAsDesigned()
{
    PanelHarness h;
    h.run({[&] {
        QCOMPARE(h.panel.size(), QSize(720, 449));
        QCOMPARE(h.panel.windowTitle(), QStringLiteral("Zelvane"));
        compareWithDesign(h.panel, kPanelDesign);
        // Centred in the work area (offscreen, the frame is the client area).
        const QRect work = h.panel.screen()->availableGeometry();
        QVERIFY((h.panel.frameGeometry().center() - work.center()).manhattanLength() <= 1);
        const QList<QSize> iconSizes = IndicatorImages::applicationIcon().availableSizes();
        QCOMPARE(iconSizes, (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
        QTimer::singleShot(0, [&] {
            auto *about = qobject_cast<CAboutDlg *>(QApplication::activeModalWidget());
            QVERIFY(about);
            QCOMPARE(about->size(), QSize(353, 86));
            QCOMPARE(about->windowTitle(), QStringLiteral("关于  Zelvane"));
            compareWithDesign(*about, kAboutDesign);
            about->accept();
        });
        QTest::mouseClick(h.button(IDC_ABOUT_BUTTON), Qt::LeftButton);
    }});
}

void PanelWindowTest::indicatorsKeepTheirCornerAndNoImageIsDecodedTwice()
{
    PanelHarness h;
    h.reads = {0x80};
    h.run({[&] {
        const QPoint corner = h.indicator(1037)->pos();
        QCOMPARE(h.indicator(1037)->width(), 28);
        QTest::mouseClick(h.indicator(1037), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.indicator(1037)->pos(), corner);
        QCOMPARE(h.indicator(1037)->width(), 29); // green is one pixel wider than yellow

        QTest::mouseClick(h.button(IDC_READ_STATUS), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.indicator(1047)->width(), 28);
        const int decoded = IndicatorImages::decodeCount();
        QVERIFY(decoded <= 5);
        for (int i = 0; i < 500; ++i)
            QTest::mouseClick(h.indicator(kArmedIds[i % kArmedIds.size()]), Qt::LeftButton);
        h.settle();
        QCOMPARE(IndicatorImages::decodeCount(), decoded);
        for (const ConnectorPin &pin : kConnectorPins) { // every indicator shares the one copy
            const IndicatorLabel *label = h.indicator(pin.controlId);
            QCOMPARE(label->pixmap().cacheKey(),
                     IndicatorImages::pixmap(label->image()).cacheKey());
        }
    }});
}

void PanelWindowTest::keyboardTabOrderAndButtons()
{
    PanelHarness h;
    h.run({[&] {
        h.panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.panel));
        QCOMPARE(QApplication::focusWidget(), h.button(IDC_READ_STATUS));
        const std::vector<QWidget *> order{h.button(IDC_READ_CONTROL), h.button(IDCANCEL),
                                           h.indicator(1045),          h.indicator(1046),
                                           h.button(IDC_ABOUT_BUTTON), h.button(IDC_READ_STATUS)};
        for (QWidget *expected : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), expected);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), h.button(IDC_ABOUT_BUTTON));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // D7 ignores Space
        h.settle();
        QCOMPARE(h.trace, CallTrace{});

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), h.button(IDC_READ_STATUS));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        h.settle();
        QCOMPARE(h.trace.size(), size_t(1)); // Enter clicks the focused read-status button
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        h.settle();
        QCOMPARE(h.trace.size(), size_t(4)); // Space clicks read-control: read, write, read
        QVERIFY(h.panel.isVisible());
    }});
}

void PanelWindowTest::onlyAButtonThatEnterClicksLooksDefault()
{
    PanelHarness h;
    auto defaults = [&] {
        QList<int> ids;
        for (int id : {IDC_READ_STATUS, IDC_READ_CONTROL, IDCANCEL, IDC_ABOUT_BUTTON})
            if (h.button(id)->isDefault())
                ids << id;
        return ids;
    };
    h.run({[&] {
               h.panel.activateWindow();
               QVERIFY(QTest::qWaitForWindowActive(&h.panel));
               QCOMPARE(defaults(), QList<int>{IDC_READ_STATUS});
               h.button(IDCANCEL)->setFocus(Qt::TabFocusReason);
               QCOMPARE(defaults(), QList<int>{IDCANCEL});
               h.indicator(1045)->setFocus(Qt::TabFocusReason);
               QCOMPARE(defaults(), QList<int>{}); // Enter on D6 ends the window
               h.button(IDC_READ_CONTROL)->setFocus(Qt::TabFocusReason);
               QCOMPARE(defaults(), QList<int>{IDC_READ_CONTROL});
               QTimer::singleShot(0, [&] {
                   QVERIFY(qobject_cast<CAboutDlg *>(QApplication::activeModalWidget()));
                   QTRY_COMPARE(defaults(), QList<int>{}); // the panel is inactive
                   QApplication::activeModalWidget()->close();
               });
               QTest::mouseClick(h.button(IDC_ABOUT_BUTTON), Qt::LeftButton);
           },
           [&] {
               h.panel.activateWindow();
               QVERIFY(QTest::qWaitForWindowActive(&h.panel));
               h.indicator(1046)->setFocus(Qt::TabFocusReason);
               QCOMPARE(defaults(), QList<int>{});
               QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
           }});
    QVERIFY(!h.closedByHarness);
    QCOMPARE(h.result, int(QDialog::Accepted)); // Enter on D7 ended it as OK
    QCOMPARE(h.trace, CallTrace{"close"});      // with no port access
}

void PanelWindowTest::everyWayOutClosesTheDriverOnce_data()
{
    QTest::addColumn<QString>("way");
    for (const char *way :
         {"exit button", "escape", "close button", "window menu close", "end run"})
        QTest::newRow(way) << QString::fromLatin1(way);
}

void PanelWindowTest::everyWayOutClosesTheDriverOnce()
{
    QFETCH(QString, way);
    {
        PanelHarness h;
        h.run({[&] {
            if (way == "exit button")
                QTest::mouseClick(h.button(IDCANCEL), Qt::LeftButton);
            else if (way == "escape")
                QTest::keyClick(&h.panel, Qt::Key_Escape);
            else if (way == "close button")
                h.panel.close();
            else if (way == "window menu close")
                h.panel.windowMenu()->actions().first()->trigger();
            else
                h.panel.EndRun(); // what a signal or a destroyed window does
        }});
        QVERIFY2(!h.closedByHarness, "the action itself ended the run");
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
               QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
               // Beside OK only the button that shows the reasons, as standard error has them.
               QCOMPARE(box->buttons().size(), 2);
               QCOMPARE(box->detailedText(), QStringLiteral("the test port does not open"));
               QCOMPARE(h.panel.connectorPicture()->toolTip(),
                        QStringLiteral("没有打开并口：the test port does not open"));
               box->button(QMessageBox::Ok)->click();
           },
           [&] {
               QVERIFY(h.panel.isVisible());
               QCOMPARE(QApplication::activeModalWidget(), &h.panel);
               QTest::mouseClick(h.indicator(1042), Qt::LeftButton);
               h.settle();
               QCOMPARE(h.indicator(1042)->image(), IDB_OUT_LOW);
               QTest::mouseClick(h.button(IDC_READ_STATUS), Qt::LeftButton);
               h.settle();
               QCOMPARE(h.indicator(1048)->image(), IDB_IN_LOW); // no port: the bus reads 0xFF
           }});
    QCOMPARE(boxes, 1);
}

void PanelWindowTest::windowMenuEndsWithTheAboutEntry()
{
    PanelHarness h;
    h.run({[&] {
        const auto actions = h.panel.windowMenu()->actions();
        QCOMPARE(actions.size(), 6);
        QCOMPARE(actions[1], h.panel.liveInputsAction()); // before the About entry's separator
        QCOMPARE(actions[2], h.panel.dataInputsAction());
        QCOMPARE(actions[3], h.panel.timelineAction());
        QVERIFY(actions[4]->isSeparator());
        QCOMPARE(actions[5]->text(), QStringLiteral("关于 Zelvane(&A)..."));
    }});
}

void PanelWindowTest::liveInputsFollowTheLoopbackUntilTurnedOff()
{
    PanelHarness h;
    SetPortOpener([&] {
        return PortOpening{std::make_unique<TracedPort>(h.trace, std::make_unique<SimulatedPort>()),
                           {}};
    });
    h.run({[&] {
        QAction *live = h.panel.liveInputsAction();
        QCOMPARE(live->text(), QStringLiteral("实时读取输入(&L)"));
        QVERIFY(live->isCheckable() && !live->isChecked());   // off at every start
        QTest::mouseClick(h.indicator(1039), Qt::LeftButton); // D0 low: the plug takes S3 low
        h.settle();
        h.trace.clear();
        live->setChecked(true);
        QTRY_COMPARE(h.indicator(1052)->image(), IDB_IN_LOW); // with no read click
        QCOMPARE(h.indicator(1048)->image(), IDB_HIGH);
        live->setChecked(false);
        h.settle();
        // One status read per poll, one that never waits for the port, and nothing written.
        QVERIFY(!h.trace.empty());
        for (const std::string &access : h.trace)
            QCOMPARE(access, std::string("peek 0x379 0x77"));
        h.trace.clear();
        QTest::qWait(4 * LivePollPace::kPollInterval);
        h.settle();
        QCOMPARE(h.trace, CallTrace{}); // off stops the reads at once
    }});
}

void PanelWindowTest::tooltipsSayWhichPin()
{
    PanelHarness h;
    h.run({[&] {
        const std::pair<int, const char *> expected[] = {
            {1042, "D3 · 5 脚 · 数据口 0x378 第 3 位 · 高电平 · 启动时设为高电平；尚未写入并口"},
            {1037, "C0 · 1 脚 · 控制口 0x37A 第 0 位（硬件反相） · 低电平"}, // clicked low
            {1053, "C2 · 16 脚 · 控制口 0x37A 第 2 位 · 高电平"},
            {1048, "S7 · 11 脚 · 状态口 0x379 第 7 位（硬件反相） · 高电平"},
            {1055, "G0 · 18 脚 · 地 · 低电平"}};
        QTest::mouseClick(h.indicator(1037), Qt::LeftButton);
        h.settle();
        for (const auto &[id, text] : expected) {
            IndicatorLabel *label = h.indicator(id);
            QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(label, &hover);
            QCOMPARE(label->toolTip(), QString::fromUtf8(text));
        }
        QCOMPARE(h.trace, CallTrace{"write 0x37A 0x05"}); // hovering touches no port
        QCOMPARE(h.panel.connectorPicture()->toolTip(), QStringLiteral("并口：recording port"));
    }});
}

namespace {

QString toolTipOf(IndicatorLabel *label)
{
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(label, &hover);
    return label->toolTip();
}

} // namespace

// The data indicators show high from the start, not what the port holds, and say so until a
// data write reaches the port: a control write, a refused write, a click on a data pin turned
// into an input or any click with no port open leaves the note.
void PanelWindowTest::dataTooltipsTellTheStartLevelUntilTheFirstWrite()
{
    const QString note = QStringLiteral(" · 启动时设为高电平；尚未写入并口");
    const QString d0 = QStringLiteral("D0 · 2 脚 · 数据口 0x378 第 0 位 · ");
    const QString d7 = QStringLiteral("D7 · 9 脚 · 数据口 0x378 第 7 位 · ");
    PanelHarness h;
    SetPortOpener([&] {
        auto port = std::make_unique<RecordingPort>(h.trace);
        port->makeBidirectional();
        h.port = port.get();
        return PortOpening{std::move(port), {}};
    });
    struct Step {
        const char *what;
        std::function<void()> act;
        QString d0, d7;
    };
    const Step steps[] = {
        {"at start", [] {}, d0 + "高电平" + note, d7 + "高电平" + note},
        {"a control write", [&] { QTest::mouseClick(h.indicator(1037), Qt::LeftButton); },
         d0 + "高电平" + note, d7 + "高电平" + note},
        {"a refused write",
         [&] {
             h.port->refuse(PortNotice{PortNotice::Kind::Failed, "refused", "refused"});
             QTest::mouseClick(h.indicator(1039), Qt::LeftButton);
         },
         d0 + "高电平" + note, d7 + "高电平" + note},
        {"a click on an input",
         [&] {
             h.port->refuse(std::nullopt);
             h.panel.dataInputsAction()->trigger();
             h.settle();
             QTest::mouseClick(h.indicator(1039), Qt::LeftButton);
         },
         d0 + "输入 · 低电平", d7 + "输入 · 低电平"},
        {"turned out again", [&] { h.panel.dataInputsAction()->trigger(); }, d0 + "高电平" + note,
         d7 + "高电平" + note},
        {"a data write", [&] { QTest::mouseClick(h.indicator(1039), Qt::LeftButton); },
         d0 + "低电平", d7 + "高电平"},
    };
    h.run({[&] {
        for (const Step &step : steps) {
            step.act();
            h.settle();
            QVERIFY2(toolTipOf(h.indicator(1039)) == step.d0,
                     QByteArray(step.what) + ": " + toolTipOf(h.indicator(1039)).toUtf8());
            QVERIFY2(toolTipOf(h.indicator(1046)) == step.d7,
                     QByteArray(step.what) + ": " + toolTipOf(h.indicator(1046)).toUtf8());
        }
        QCOMPARE(h.trace, (CallTrace{"write 0x37A 0x05", "data in", "read 0x378 0x00", "data out",
                                     "write 0x378 0xFE"}));
    }});
    PanelHarness noPort(false);
    noPort.run({[&] { QApplication::activeModalWidget()->close(); },
                [&] {
                    QTest::mouseClick(noPort.indicator(1039), Qt::LeftButton);
                    noPort.settle();
                    QCOMPARE(toolTipOf(noPort.indicator(1039)), d0 + "低电平" + note);
                }});
}

// The window menu turns D0-D7 into inputs: they show what the pins read, in the status inputs'
// colours, at each status read; a click on one writes nothing; their tooltips say input; and
// turned out again they show the levels set before. A port that cannot says why.
void PanelWindowTest::dataPinsTurnIntoInputsWhereThePortCan()
{
    PanelHarness h;
    SimulatedPort *sim = nullptr;
    SetPortOpener([&] {
        auto port = std::make_unique<SimulatedPort>();
        sim = port.get();
        sim->setDataPinsPulledLow(0x09); // something outside holds D0 and D3 low
        return PortOpening{std::make_unique<TracedPort>(h.trace, std::move(port)), {}};
    });
    h.run({[&] {
        QAction *entry = h.panel.dataInputsAction();
        QCOMPARE(entry->text(), QStringLiteral("数据端口作为输入(&I)"));
        QVERIFY(entry->isEnabled() && !entry->isChecked());   // off at every start
        QTest::mouseClick(h.indicator(1040), Qt::LeftButton); // D1 low, as an output
        entry->trigger();
        h.settle();
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton); // D3: an input, not written
        QTest::mouseClick(h.button(IDC_READ_STATUS), Qt::LeftButton);
        h.settle();
        QList<ImageId> data;
        for (int id = 1039; id <= 1046; ++id)
            data << h.indicator(id)->image();
        QCOMPARE(data, (QList<ImageId>{IDB_IN_LOW, IDB_HIGH, IDB_HIGH, IDB_IN_LOW, IDB_HIGH,
                                       IDB_HIGH, IDB_HIGH, IDB_HIGH}));
        QCOMPARE(h.indicator(1052)->image(), IDB_IN_LOW); // S3 follows D0 through the plug
        IndicatorLabel *d3 = h.indicator(1042);
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), d3->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(d3, &hover);
        QCOMPARE(d3->toolTip(), QStringLiteral("D3 · 5 脚 · 数据口 0x378 第 3 位 · 输入 · 低电平"));
        auto polled = [&] { return h.trace.back().rfind("peek 0x378", 0) == 0; };
        for (int tries = 0; tries < 50 && !polled(); ++tries) { // until one poll has run
            h.panel.liveInputsAction()->setChecked(true);
            QTest::qWait(2 * LivePollPace::kPollInterval);
            h.panel.liveInputsAction()->setChecked(false);
            h.settle();
        }
        QCOMPARE(h.trace.back(), std::string("peek 0x378 0xF6")); // never waiting for the port
        entry->trigger();
        h.settle();
        QCOMPARE(h.indicator(1040)->image(), IDB_OUT_LOW); // the levels set before
        QCOMPARE(h.indicator(1042)->image(), IDB_HIGH);
        QCOMPARE(sim->dataPinLevels(), std::uint8_t(0xFD)); // and the pins show them again
        h.trace.erase(
            std::remove_if(h.trace.begin(), h.trace.end(),
                           [](const std::string &access) { return access.rfind("peek", 0) == 0; }),
            h.trace.end());
        QCOMPARE(h.trace, (CallTrace{"write 0x378 0xFD", "data in", "read 0x378 0xF6",
                                     "read 0x379 0x37", "read 0x378 0xF6", "data out"}));
    }});
    PanelHarness cannot;
    cannot.run({[&] {
        QVERIFY(!cannot.panel.dataInputsAction()->isEnabled());
        QCOMPARE(cannot.panel.dataInputsAction()->toolTip(),
                 QStringLiteral("this port has no data direction"));
    }});
}

void PanelWindowTest::aFailedAccessChangesNothingAndTheLineSaysWhy()
{
    PanelHarness h;
    auto line = [&] { return h.panel.messageLine() ? h.panel.messageLine()->line() : QString(); };
    h.run({[&] {
        QVERIFY(!h.panel.messageLine()); // with nothing to say, the window is as designed
        h.port->refuse(PortNotice{PortNotice::Kind::OtherProgram, "another program ...",
                                  "held by ppdev0: pid 77 avrdude"});
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton);
        QTest::mouseClick(h.button(IDC_READ_STATUS), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.indicator(1042)->image(), IDB_HIGH);
        QCOMPARE(h.indicator(1052)->image(), IDB_HIGH); // a read would have shown S3 low
        QCOMPARE(h.levels.data[3], std::uint8_t(1));
        QVERIFY(h.panel.messageLine()->isVisible());
        QCOMPARE(line(), QStringLiteral("其他程序正在使用并口（held by ppdev0: pid 77 avrdude），"
                                        "Zelvane 等它空闲 1 秒后再读写。"));

        h.port->refuse(std::nullopt);
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.indicator(1042)->image(), IDB_OUT_LOW);
        QVERIFY(!h.panel.messageLine()->isVisible()); // cleared by the access that reached

        h.port->goAway();
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.indicator(1042)->image(), IDB_OUT_LOW);
        QCOMPARE(line(), QStringLiteral("并口已不存在（gone），之后的读写都不会生效。"));
        QCOMPARE(h.trace, (CallTrace{"write 0x378 0xF7", "close"}));
    }});
}

// With an access kept for as long as the kernel likes, the window repaints, opens the About
// box at once, says after a second that the port is stuck, takes no more clicks meanwhile,
// and carries on by itself once the access comes back.
void PanelWindowTest::aStuckAccessNeverHoldsUpTheWindow()
{
    PanelHarness h;
    BlockingPort *blocking = nullptr;
    SetPortOpener([&] {
        auto port = std::make_unique<BlockingPort>(std::chrono::hours(1));
        blocking = port.get();
        return PortOpening{std::make_unique<TracedPort>(h.trace, std::move(port)), {}};
    });
    h.run({[&] {
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton); // kept
        QTest::mouseClick(h.indicator(1043), Qt::LeftButton); // waits behind it
        int paints = 0;
        EventCounter counter(h.panel, QEvent::Paint, paints);
        h.panel.update();
        QTRY_VERIFY(paints > 0);
        qint64 fastest = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 3; ++i) { // best of three, so that a busy machine does not count
            QElapsedTimer clock;
            clock.start();
            QTimer::singleShot(0, [&] {
                QVERIFY(qobject_cast<CAboutDlg *>(QApplication::activeModalWidget()));
                fastest = std::min(fastest, clock.elapsed());
                QApplication::activeModalWidget()->close();
            });
            QTest::mouseClick(h.button(IDC_ABOUT_BUTTON), Qt::LeftButton);
        }
        QVERIFY2(fastest < 100, QByteArray::number(fastest) + " ms to answer");
        h.panel.liveInputsAction()->setChecked(true); // its polls are dropped, not queued
        QTRY_VERIFY_WITH_TIMEOUT(h.panel.messageLine() && h.panel.messageLine()->isVisible(), 5000);
        QCOMPARE(h.panel.messageLine()->line(),
                 QStringLiteral("并口超过 1 秒没有响应，仍在等待内核。"));
        QTest::mouseClick(h.indicator(1044), Qt::LeftButton); // not sent: it would only wait
        h.panel.liveInputsAction()->setChecked(false);
        blocking->release();
        h.settle();
        QCOMPARE(h.indicator(1042)->image(), IDB_OUT_LOW);
        QCOMPARE(h.indicator(1043)->image(), IDB_OUT_LOW);
        QCOMPARE(h.indicator(1044)->image(), IDB_HIGH);
        QVERIFY(!h.panel.messageLine()->isVisible());
        QTest::mouseClick(h.indicator(1044), Qt::LeftButton); // taken again once it is over
        h.settle();
        QCOMPARE(h.indicator(1044)->image(), IDB_OUT_LOW);
        QCOMPARE(h.trace, (CallTrace{"write 0x378 0xF7", "write 0x378 0xE7", "write 0x378 0xC7"}));
    }});
}

// The second counts from the oldest access still out: one sent behind a kept access does not
// put the stuck line off.
void PanelWindowTest::theStuckLineCountsFromTheOldestAccess()
{
    PanelHarness h;
    BlockingPort *blocking = nullptr;
    std::atomic<bool> closed{false};
    SetPortOpener([&] {
        auto port = std::make_unique<BlockingPort>(std::chrono::hours(1), &closed);
        blocking = port.get();
        return PortOpening{std::make_unique<TracedPort>(h.trace, std::move(port)), {}};
    });
    // The port thread works on the harness's levels: it must be done before they go.
    // A close under way frees the port by itself: it is released only when still kept.
    const auto release = qScopeGuard([&] {
        for (int waits = 0; waits < 200 && !closed; ++waits) // QTRY stops once a test failed
            QTest::qWait(10);
        if (!closed)
            blocking->release();
        for (int waits = 0; waits < 500 && !closed; ++waits)
            QTest::qWait(10);
    });
    h.run({[&] {
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton); // kept
        const qint64 firstSent = clock.elapsed();             // it was sent by now
        while (clock.elapsed() < firstSent + 300)
            QTest::qWait(10);
        QTest::mouseClick(h.indicator(1043), Qt::LeftButton); // waits behind it
        const qint64 now = clock.elapsed();                   // taken first: due errs early
        const int dueIn = h.panel.stuckLineDueIn();
        QVERIFY2(dueIn >= 0, "the line is not due at all");
        QVERIFY2(now + dueIn <= firstSent + 1000 + 5,
                 QByteArray::number(now + dueIn - firstSent) + " ms after the first access");
        QTRY_VERIFY_WITH_TIMEOUT(h.panel.messageLine() && h.panel.messageLine()->isVisible(), 5000);
        QVERIFY(clock.elapsed() >= 1000);
        blocking->release();
        h.settle();
    }});
}

// Each notice in its own words: another copy with and without who holds the lock, another
// program, the port gone, a failed access; and the kernel keeping an access.
void PanelWindowTest::theMessageLineSaysEachNoticeInItsWords()
{
    using Kind = PortNotice::Kind;
    const struct {
        std::optional<PortNotice> notice; // none: the stuck line, naming detail
        const char *line;
    } cases[] = {
        {PortNotice{Kind::OtherCopy, "", ""}, "另一个 Zelvane 正在使用并口，本次读写未完成。"},
        {PortNotice{Kind::OtherCopy, "", "pid 4242"},
         "另一个 Zelvane 正在使用并口（pid 4242 持有锁），本次读写未完成。"},
        {PortNotice{Kind::OtherProgram, "", "pid 77 avrdude"},
         "其他程序正在使用并口（pid 77 avrdude），Zelvane 等它空闲 1 秒后再读写。"},
        {PortNotice{Kind::Gone, "", "No such device"},
         "并口已不存在（No such device），之后的读写都不会生效。"},
        {PortNotice{Kind::Failed, "", "Input/output error"}, "读写并口失败：Input/output error"},
        {std::nullopt, "并口超过 1 秒没有响应，仍在等待内核。"},
    };
    QWidget window;
    PortMessageLine line(&window);
    for (const auto &[notice, expected] : cases) {
        if (notice)
            line.showNotice(*notice);
        else
            line.showStuck({});
        QCOMPARE(line.line(), QString::fromUtf8(expected));
    }
    line.showStuck(QStringLiteral("pid 9 cat"));
    QCOMPARE(line.line(),
             QStringLiteral("并口在内核中卡住超过 1 秒（pid 9 cat）：结束该程序即可恢复。"));
}

// The window closes within the closing's wait, leaving the stuck thread to the kernel; what
// was sent after the stuck access never reaches the port.
void PanelWindowTest::closingWhileAnAccessIsStuckWritesNothingMore()
{
    PanelHarness h;
    BlockingPort *blocking = nullptr;
    std::atomic<bool> closed{false};
    SetPortOpener([&] {
        auto port = std::make_unique<BlockingPort>(std::chrono::hours(1), &closed);
        blocking = port.get();
        return PortOpening{std::make_unique<TracedPort>(h.trace, std::move(port)), {}};
    });
    bool released = false;                 // then closed, and gone
    const auto release = qScopeGuard([&] { // whatever fails below
        if (!released)
            blocking->release();
    });
    QElapsedTimer clock;
    h.run({[&] {
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton);
        QTest::mouseClick(h.indicator(1043), Qt::LeftButton);
        QTRY_VERIFY(blocking->keeping()); // the first is under way
        clock.start();
        h.panel.EndRun();
    }});
    QVERIFY2(clock.elapsed() < 1000, QByteArray::number(clock.elapsed()) + " ms to close");
    QVERIFY(h.panel.portLeftInKernel());
    released = true;
    blocking->release();
    QTRY_VERIFY(closed.load());
    QCOMPARE(h.trace, CallTrace{"write 0x378 0xF7"});
}

// The window shows without waiting for an opening the kernel keeps, says so, and takes the
// port, and clicks, once it comes.
void PanelWindowTest::anOpeningTheKernelKeepsIsTakenWhenItComes()
{
    PanelHarness h;
    std::mutex opening;
    opening.lock();
    SetPortOpener([&] {
        const std::lock_guard kept(opening);
        return PortOpening{std::make_unique<RecordingPort>(h.trace), {}};
    });
    h.run({[&] {
        QVERIFY(h.panel.isVisible());
        QTRY_VERIFY(h.panel.messageLine() && h.panel.messageLine()->isVisible());
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton); // not sent: it would only wait
        opening.unlock();
        h.settle();
        QVERIFY(!h.panel.messageLine()->isVisible());
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton);
        h.settle();
        QCOMPARE(h.indicator(1042)->image(), IDB_OUT_LOW);
        QCOMPARE(h.trace, CallTrace{"write 0x378 0xF7"});
    }});
}

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    PanelWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PanelWindowTest.moc"
