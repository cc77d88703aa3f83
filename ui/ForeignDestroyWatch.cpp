#include "ForeignDestroyWatch.h"

#include <QCoreApplication>
#include <QWidget>
#include <xcb/xcb.h>

ForeignDestroyWatch::ForeignDestroyWatch(std::function<void(QWidget *)> onDestroyed)
    : m_onDestroyed(std::move(onDestroyed))
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

ForeignDestroyWatch::~ForeignDestroyWatch()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool ForeignDestroyWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY)
        return false;
    const auto *destroyed = static_cast<const xcb_destroy_notify_event_t *>(message);
    // Our own destruction of a window is seen too; then the widget no longer claims it.
    QWidget *widget = QWidget::find(static_cast<WId>(destroyed->window));
    if (widget && widget->isWindow() && widget->isVisible())
        m_onDestroyed(widget);
    return false;
}
