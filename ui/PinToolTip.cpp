#include "PinToolTip.h"

#include "PinTable.h"

#include <QCoreApplication>

namespace {

// The tooltip's words, in their own translation context.
class PinWords {
    Q_DECLARE_TR_FUNCTIONS(PinToolTip)

public:
    static QString registerName(PortRegister reg)
    {
        switch (reg) {
        case PortRegister::Data:
            return tr("数据口 0x378");
        case PortRegister::Status:
            return tr("状态口 0x379");
        case PortRegister::Control:
            return tr("控制口 0x37A");
        }
        return {};
    }

    static QString where(const ConnectorPin &pin)
    {
        if (!pin.reg)
            return tr("地");
        const QString bit = tr("%1 第 %2 位").arg(registerName(*pin.reg)).arg(pin.bit);
        return pin.inverted ? bit + tr("（硬件反相）") : bit;
    }

    static QString number(const ConnectorPin &pin) { return tr("%1 脚").arg(pin.number); }
    static QString level(std::uint8_t shown) { return shown ? tr("高电平") : tr("低电平"); }
    static QString input() { return tr("输入"); }
    static QString unwrittenStartLevel() { return tr("启动时设为高电平；尚未写入并口"); }
};

} // namespace

QString PinToolTip(const ConnectorPin &pin, std::uint8_t shownLevel, bool input,
                   bool unwrittenStartLevel)
{
    const QString separator = QStringLiteral(" · ");
    return QString::fromUtf8(pin.label.data(), static_cast<qsizetype>(pin.label.size())) +
           separator + PinWords::number(pin) + separator + PinWords::where(pin) +
           (input ? separator + PinWords::input() : QString()) + separator +
           PinWords::level(shownLevel) +
           (unwrittenStartLevel ? separator + PinWords::unwrittenStartLevel() : QString());
}
