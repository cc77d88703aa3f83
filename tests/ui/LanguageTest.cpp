#include "CAboutDlg.h"
#include "CZelvaneApp.h"
#include "PanelHarness.h"
#include "PinTable.h"
#include "PortMessageLine.h"
#include "Translations.h"

#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What one language shows: the panel's texts in template order, its menu, the About box
// (caption, then its texts in template order), one tooltip, a data pin's at the start and the
// port's name over the connector, the port's message line for a port gone, and the "Init
// fail!" box with its button, which Qt's own translation names.
struct Shown {
    QStringList panel;
    QStringList menu;
    QStringList about;
    QString tooltip;
    QString startTooltip;
    QString portTooltip;
    QString line;
    QStringList initFail;

    bool operator==(const Shown &) const = default;
};

const Shown kSource{
    {"读状态端口", "读控制端口", "退出程序",
     "测试计算机并口在单片机等控制系统中作为数字I/O口的读写方法！", "输入控制端口:C0~C3！",
     "输出数据端口:D0~D7！鼠标单击对应的端口来设置为高电平或低电平！", "输入状态端口:S3~S6！",
     "输出控制端口:C0~C3！鼠标单击对应的端口来设置为高电平或低电平！", "地端口:G0~G7！低电平！",
     "关于"},
    {"关闭(&C)", "实时读取输入(&L)", "数据端口作为输入(&I)", "时间线(&T)...",
     "关于 Zelvane(&A)..."},
    {"关于  Zelvane", "Zelvane 1.0 版", "2026年12月发布", "确定"},
    "C0 · 1 脚 · 控制口 0x37A 第 0 位（硬件反相） · 高电平",
    "D3 · 5 脚 · 数据口 0x378 第 3 位 · 高电平 · 启动时设为高电平；尚未写入并口",
    "并口：recording port",
    "并口已不存在（gone），之后的读写都不会生效。",
    {"Init fail!", "确定"}};

const Shown kEnglish{
    {"Read status", "Read control", "Exit",
     "Test a PC's parallel port as digital I/O for microcontroller systems!", "Control in: C0-C3",
     "Data out D0-D7: click a pin to set it high or low.", "Status in: S3-S6",
     "Control out C0-C3: click a pin to set it high or low.", "Ground G0-G7: always low.", "About"},
    {"&Close", "&Live inputs", "&Data pins as inputs", "&Timeline...", "&About Zelvane..."},
    {"About Zelvane", "Zelvane 1.0", "Released Dec 2026", "OK"},
    "C0 · pin 1 · control 0x37A bit 0 (inverted by the hardware) · high",
    "D3 · pin 5 · data 0x378 bit 3 · high · set high at start; not yet "
    "written to the port",
    "Port: recording port",
    "The port has gone away (gone); accesses have no effect from now on.",
    {"Init fail!", "OK"}};

const Shown kTraditional{
    {"讀取狀態埠", "讀取控制埠", "結束程式",
     "測試電腦並列埠在單晶片等控制系統中作為數位I/O埠的讀寫方法！", "輸入控制埠:C0~C3！",
     "輸出資料埠:D0~D7！點選對應的接腳來設定為高電位或低電位！", "輸入狀態埠:S3~S6！",
     "輸出控制埠:C0~C3！點選對應的接腳來設定為高電位或低電位！", "接地接腳:G0~G7！低電位！",
     "關於"},
    {"關閉(&C)", "即時讀取輸入(&L)", "資料埠作為輸入(&I)", "時間軸(&T)...", "關於 Zelvane(&A)..."},
    {"關於  Zelvane", "Zelvane 1.0 版", "2026年12月發布", "確定"},
    "C0 · 第 1 腳 · 控制埠 0x37A 第 0 位元（硬體反相） · 高電位",
    "D3 · 第 5 腳 · 資料埠 0x378 第 3 位元 · 高電位 · 啟動時設為高電位；尚未寫入並列埠",
    "並列埠：recording port",
    "並列埠已不存在（gone），之後的讀寫都不會生效。",
    {"初始化失敗！", "確定"}};

// One line at the design font inside the control; a button's text also leaves the margins
// the style draws on either side.
void checkFits(QWidget *control, const QString &text)
{
    const int margins = qobject_cast<QPushButton *>(control)
                            ? 2 * control->style()->pixelMetric(QStyle::PM_ButtonMargin)
                            : 0;
    const int width = control->fontMetrics().horizontalAdvance(text) + margins;
    QVERIFY2(width <= control->width(), qPrintable(QStringLiteral("\"%1\" takes %2 of %3 pixels")
                                                       .arg(text)
                                                       .arg(width)
                                                       .arg(control->width())));
}

// Texts of a window's buttons and labels in creation (template) order, each checked to fit.
QStringList textsOf(QWidget &window)
{
    QStringList texts;
    for (QObject *child : window.children()) {
        QString text;
        if (auto *button = qobject_cast<QPushButton *>(child))
            text = button->text();
        else if (auto *label = qobject_cast<QLabel *>(child))
            text = label->text();
        if (text.isEmpty())
            continue;
        checkFits(static_cast<QWidget *>(child), text);
        texts << text;
    }
    return texts;
}

Shown showWindows()
{
    Shown shown;
    PanelHarness h;
    h.run({[&] {
        shown.panel = textsOf(h.panel);
        for (QAction *action : h.panel.windowMenu()->actions())
            if (!action->isSeparator())
                shown.menu << action->text();
        CAboutDlg about(&h.panel);
        shown.about = QStringList{about.windowTitle()} + textsOf(about);
        IndicatorLabel *c0 = h.indicator(1037);
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), c0->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(c0, &hover);
        shown.tooltip = c0->toolTip();
        IndicatorLabel *d3 = h.indicator(1042);
        QHelpEvent hoverD3(QEvent::ToolTip, QPoint(5, 5), d3->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(d3, &hoverD3);
        shown.startTooltip = d3->toolTip();
        shown.portTooltip = h.panel.connectorPicture()->toolTip();
        h.port->goAway();
        QTest::mouseClick(h.indicator(1042), Qt::LeftButton);
        h.settle();
        shown.line = h.panel.messageLine()->line();
    }});
    PanelHarness failing(false);
    failing.run({[&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown.initFail = QStringList{box->text(), box->button(QMessageBox::Ok)->text()};
        box->button(QMessageBox::Ok)->click();
    }});
    return shown;
}

void dropTranslations()
{
    qDeleteAll(qApp->findChildren<QTranslator *>()); // each takes itself out as it goes
}

} // namespace

Q_DECLARE_METATYPE(UiLanguage)
Q_DECLARE_METATYPE(Shown)

class LanguageTest : public QObject {
    Q_OBJECT
private slots:
    void theFirstUiLanguageSpokenDecides_data();
    void theFirstUiLanguageSpokenDecides();
    void eachLanguageShowsItsTextsAndEachFits_data();
    void eachLanguageShowsItsTextsAndEachFits();
    void aMissingOrUnreadableTranslationKeepsTheDesignTexts();
    void cleanup() { dropTranslations(); }
};

void LanguageTest::theFirstUiLanguageSpokenDecides_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<UiLanguage>("chosen");
    const auto S = UiLanguage::Source, E = UiLanguage::English, T = UiLanguage::Traditional;
    // As Qt lists them: LANGUAGE=ja:zh_TW gives "ja,ja-Jpan-JP,ja-JP,zh-TW,zh-Hant-TW".
    const std::pair<const char *, UiLanguage> cases[] = {
        {"C", S},
        {"POSIX", S},
        {"zh-CN,zh-Hans-CN,zh", S},
        {"zh-SG,zh-Hans-SG", S},
        {"zh-Hans-HK", S},
        {"zh", S},
        {"zh-TW,zh-Hant-TW", T},
        {"zh-HK,zh-Hant-HK", T},
        {"zh-MO", T},
        {"zh-Hant", T},
        {"en-US,en-Latn-US,en", E},
        {"zh-TW,en-US", T},
        {"en-GB,en-Latn-GB,zh-TW,zh-Hant-TW", E},
        {"ja,ja-Jpan-JP,ja-JP,zh-TW,zh-Hant-TW", T},
        {"fr,fr-Latn-FR,fr-FR,zh-CN,zh-Hans-CN,zh", S},
        {"sr-latin,sr-Cyrl-RS,sr-RS,sr,zh-MO,zh-Hant-MO", T},
        {"ja,ja-Jpan-JP,ja-JP,de,de-Latn-DE,de-DE", E},
        {"", E}};
    for (const auto &[list, chosen] : cases)
        QTest::newRow(*list ? list : "none")
            << QString::fromLatin1(list).split(u',', Qt::SkipEmptyParts) << chosen;
}

void LanguageTest::theFirstUiLanguageSpokenDecides()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(UiLanguage, chosen);
    QCOMPARE(ChooseUiLanguage(uiLanguages), chosen);
}

void LanguageTest::eachLanguageShowsItsTextsAndEachFits_data()
{
    QTest::addColumn<UiLanguage>("language");
    QTest::addColumn<Shown>("expected");
    QTest::newRow("Simplified (source)") << UiLanguage::Source << kSource;
    QTest::newRow("English") << UiLanguage::English << kEnglish;
    QTest::newRow("Traditional") << UiLanguage::Traditional << kTraditional;
}

void LanguageTest::eachLanguageShowsItsTextsAndEachFits()
{
    QFETCH(UiLanguage, language);
    QFETCH(Shown, expected);
    QCOMPARE(InstallTranslations(*qApp, language, TranslationsDirectory()), language);
    const Shown shown = showWindows();
    QCOMPARE(shown.panel, expected.panel);
    QCOMPARE(shown.menu, expected.menu);
    QCOMPARE(shown.about, expected.about);
    QCOMPARE(shown.tooltip, expected.tooltip);
    QCOMPARE(shown.line, expected.line);
    QCOMPARE(shown.initFail, expected.initFail);
}

void LanguageTest::aMissingOrUnreadableTranslationKeepsTheDesignTexts()
{
    QTemporaryDir unreadable;
    QFile garbage(unreadable.filePath(QStringLiteral("zelvane_zh_TW.qm")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a translation");
    garbage.close();
    for (const QString &directory : {unreadable.path(), QStringLiteral("/nonexistent")}) {
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(QStringLiteral("^no readable translation zelvane_zh_TW in ") +
                               QRegularExpression::escape(directory)));
        QCOMPARE(InstallTranslations(*qApp, UiLanguage::Traditional, directory),
                 UiLanguage::Source);
        QCOMPARE(showWindows(), kSource);
        dropTranslations();
    }
}

int main(int argc, char *argv[])
{
    CZelvaneApp app(argc, argv);
    LanguageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LanguageTest.moc"
