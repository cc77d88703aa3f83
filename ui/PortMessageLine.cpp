#include "PortMessageLine.h"

#include "DialogUnits.h"
#include "PpdevPort.h"

namespace {

// Below the exit button, across the width of the connector picture.
constexpr DialogUnitRect kPlace{23, 271, 401, 12};

QString fromPort(const std::string &text)
{
    return QString::fromStdString(text);
}

} // namespace

PortMessageLine::PortMessageLine(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("portMessageLine"));
    setGeometry(kPlace.toPixels());
    QPalette warning = palette();
    warning.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x00));
    setPalette(warning);
    setTextFormat(Qt::PlainText);
    hide();
}

void PortMessageLine::showNotice(const PortNotice &notice)
{
    const QString detail = fromPort(notice.detail);
    switch (notice.kind) {
    case PortNotice::Kind::OtherCopy:
        setLine(detail.isEmpty()
                    ? tr("另一个 Zelvane 正在使用并口，本次读写未完成。")
                    : tr("另一个 Zelvane 正在使用并口（%1 持有锁），本次读写未完成。").arg(detail));
        break;
    case PortNotice::Kind::OtherProgram:
        setLine(tr("其他程序正在使用并口（%1），Zelvane 等它空闲 %2 秒后再读写。")
                    .arg(detail)
                    .arg(PpdevPort::kQuietSpell.count() / 1000.0));
        break;
    case PortNotice::Kind::Gone:
        setLine(tr("并口已不存在（%1），之后的读写都不会生效。").arg(detail));
        break;
    case PortNotice::Kind::Failed:
        setLine(tr("读写并口失败：%1").arg(detail));
        break;
    }
}

void PortMessageLine::showStuck(const QString &involved)
{
    setLine(involved.isEmpty()
                ? tr("并口超过 1 秒没有响应，仍在等待内核。")
                : tr("并口在内核中卡住超过 1 秒（%1）：结束该程序即可恢复。").arg(involved));
}

void PortMessageLine::clearLine()
{
    setLine({});
}

void PortMessageLine::setLine(const QString &line)
{
    m_line = line;
    setToolTip(line);
    setText(fontMetrics().elidedText(line, Qt::ElideRight, width()));
    setVisible(!line.isEmpty());
}

void PortMessageLine::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    setText(fontMetrics().elidedText(m_line, Qt::ElideRight, width()));
}
