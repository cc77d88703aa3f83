#include "IndicatorLabel.h"

#include "IndicatorImages.h"
#include "PinTable.h"
#include "PinToolTip.h"

#include <QMouseEvent>

IndicatorLabel::IndicatorLabel(int controlId, QWidget *parent)
    : QLabel(parent), m_controlId(controlId)
{
    setFocusPolicy(Qt::NoFocus);
}

void IndicatorLabel::showImage(ImageId image)
{
    m_image = image;
    const QPixmap &pixmap = IndicatorImages::pixmap(image);
    setPixmap(pixmap);
    resize(pixmap.size()); // keeps the top-left corner
}

void IndicatorLabel::mousePressEvent(QMouseEvent *event)
{
    if (!m_armed)
        return QLabel::mousePressEvent(event);
    m_pressed = event->button() == Qt::LeftButton;
    event->accept(); // so the release comes here too
}

void IndicatorLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (!m_armed)
        return QLabel::mouseReleaseEvent(event);
    event->accept();
    if (click)
        emit command(m_controlId, kClicked);
}

void IndicatorLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The release that follows ends a double click, not a second click.
    m_pressed = false;
    if (!m_armed)
        return QLabel::mouseDoubleClickEvent(event);
    event->accept();
    if (event->button() == Qt::LeftButton)
        emit command(m_controlId, kDoubleClicked);
}

bool IndicatorLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        if (const ConnectorPin *pin = findPinByControlId(static_cast<unsigned>(m_controlId))) {
            const bool high = m_image == IDB_HIGH || m_image == IDB_CTRL_HIGH;
            setToolTip(PinToolTip(*pin, high ? 1 : 0, m_showsInput,
                                  m_unwrittenStartLevel && !m_showsInput));
        }
    }
    return QLabel::event(event);
}
