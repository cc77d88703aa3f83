#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>

class QWidget;

// Another X client may destroy our windows (a window manager's kill, xdotool windowclose);
// Qt does not notice and would keep waiting on a window that is gone. This tells which.
class ForeignDestroyWatch : public QAbstractNativeEventFilter {
public:
    explicit ForeignDestroyWatch(std::function<void(QWidget *)> onDestroyed);
    ~ForeignDestroyWatch() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    std::function<void(QWidget *)> m_onDestroyed;
};
