#include "DialogTemplate.h"

#include "PinTable.h"

#include <QtGlobal>

namespace {

using K = ControlKind;

constexpr ImageId startImage(int controlId)
{
    return findPinByControlId(controlId)->startImage;
}

constexpr ControlTemplate indicator(int id, DialogUnitRect rect, bool tabStop = false)
{
    return {K::Indicator, id, rect, nullptr, startImage(id), tabStop};
}

constexpr ControlTemplate kPanelControls[] = {
    {K::PushButton,
     IDC_READ_STATUS,
     {165, 175, 58, 13},
     QT_TRANSLATE_NOOP("CZelvaneDlg", "读状态端口"),
     {},
     true},
    {K::PushButton,
     IDC_READ_CONTROL,
     {165, 191, 58, 13},
     QT_TRANSLATE_NOOP("CZelvaneDlg", "读控制端口"),
     {},
     true},
    {K::PushButton,
     IDCANCEL,
     {356, 247, 54, 16},
     QT_TRANSLATE_NOOP("CZelvaneDlg", "退出程序"),
     {},
     true},
    {K::StaticText,
     0,
     {61, 15, 279, 10},
     QT_TRANSLATE_NOOP("CZelvaneDlg",
                       "测试计算机并口在单片机等控制系统中作为数字I/O口的读写方法！")},
    {K::Picture, 0, {23, 31, 401, 73}, nullptr, IDB_CONNECTOR},
    indicator(1037, {373, 113, 21, 19}),
    indicator(1039, {345, 113, 19, 19}),
    indicator(1040, {319, 113, 19, 19}),
    indicator(1041, {291, 113, 19, 19}),
    indicator(1042, {265, 113, 19, 19}),
    indicator(1043, {237, 113, 19, 19}),
    indicator(1044, {211, 113, 19, 19}),
    indicator(1045, {183, 113, 19, 19}, true),
    indicator(1046, {157, 113, 19, 19}, true),
    indicator(1047, {129, 113, 19, 19}),
    indicator(1048, {103, 113, 19, 19}),
    indicator(1049, {75, 113, 19, 19}),
    indicator(1050, {49, 113, 19, 19}),
    indicator(1051, {359, 143, 21, 19}),
    indicator(1052, {333, 143, 19, 19}),
    indicator(1053, {305, 143, 21, 19}),
    indicator(1054, {279, 143, 21, 19}),
    indicator(1055, {251, 143, 19, 19}),
    indicator(1056, {225, 143, 19, 19}),
    indicator(1057, {197, 143, 19, 19}),
    indicator(1058, {171, 143, 19, 19}),
    indicator(1059, {143, 143, 19, 19}),
    indicator(1060, {117, 143, 19, 19}),
    indicator(1061, {89, 143, 19, 19}),
    indicator(1062, {63, 143, 19, 19}),
    {K::GroupBox, 0, {41, 103, 373, 64}},
    {K::StaticText, 0, {56, 192, 81, 10}, QT_TRANSLATE_NOOP("CZelvaneDlg", "输入控制端口:C0~C3！")},
    {K::StaticText,
     0,
     {55, 208, 255, 10},
     QT_TRANSLATE_NOOP("CZelvaneDlg",
                       "输出数据端口:D0~D7！鼠标单击对应的端口来设置为高电平或低电平！")},
    {K::StaticText, 0, {56, 180, 88, 10}, QT_TRANSLATE_NOOP("CZelvaneDlg", "输入状态端口:S3~S6！")},
    {K::StaticText,
     0,
     {55, 222, 260, 10},
     QT_TRANSLATE_NOOP("CZelvaneDlg",
                       "输出控制端口:C0~C3！鼠标单击对应的端口来设置为高电平或低电平！")},
    {K::StaticText,
     0,
     {55, 236, 260, 10},
     QT_TRANSLATE_NOOP("CZelvaneDlg", "地端口:G0~G7！低电平！")},
    {K::PushButton,
     IDC_ABOUT_BUTTON,
     {355, 226, 54, 16},
     QT_TRANSLATE_NOOP("CZelvaneDlg", "关于"),
     {},
     true},
};

constexpr ControlTemplate kAboutControls[] = {
    {K::Icon, 0, {11, 17, 20, 20}, nullptr, IDR_MAINFRAME},
    {K::StaticText, 0, {71, 8, 69, 8}, QT_TRANSLATE_NOOP("CAboutDlg", "Zelvane 1.0 版")},
    {K::StaticText, 0, {67, 43, 77, 8}, QT_TRANSLATE_NOOP("CAboutDlg", "2026年12月发布")},
    {K::DefaultPushButton,
     IDOK,
     {187, 22, 38, 14},
     QT_TRANSLATE_NOOP("CAboutDlg", "确定"),
     {},
     true},
    // No contact address exists yet; the two lines keep their places, empty.
    {K::StaticText, 0, {61, 19, 93, 8}, ""},
    {K::StaticText, 0, {55, 31, 109, 8}, ""},
};

const DialogTemplate kPanel{"CZelvaneDlg", "Zelvane", {0, 0, 480, 299}, kPanelControls};
const DialogTemplate kAbout{
    "CAboutDlg", QT_TRANSLATE_NOOP("CAboutDlg", "关于  Zelvane"), {0, 0, 235, 57}, kAboutControls};

} // namespace

const char *const IDS_ABOUTBOX = QT_TRANSLATE_NOOP("CZelvaneDlg", "关于 Zelvane(&A)...");

const DialogTemplate &PanelTemplate()
{
    return kPanel;
}

const DialogTemplate &AboutTemplate()
{
    return kAbout;
}
