#pragma once

#include "ImageId.h"

#include <QLabel>

// A picture control that shows one image at the image's own size. Once armed, a left click
// reports code 0 and the second click of a double click reports code 1, as a notifying
// static control does; the owner acts on code 0 only.
class IndicatorLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr int kClicked = 0;
    static constexpr int kDoubleClicked = 1;

    IndicatorLabel(int controlId, QWidget *parent);

    void showImage(ImageId image);
    ImageId image() const { return m_image; }
    void arm() { m_armed = true; }
    bool isArmed() const { return m_armed; }
    int controlId() const { return m_controlId; }
    // A data pin turned into an input: its tooltip says so.
    void setShowsInput(bool input) { m_showsInput = input; }
    // Until the port is first written, a data output shows the start's high level, not what
    // the port holds: its tooltip says so.
    void setShowsUnwrittenStartLevel(bool unwritten) { m_unwrittenStartLevel = unwritten; }

signals:
    void command(int controlId, int notifyCode);

protected:
    bool event(QEvent *event) override; // the tooltip says which pin, at its shown level
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int m_controlId;
    ImageId m_image{};
    bool m_armed = false;
    bool m_pressed = false;
    bool m_showsInput = false;
    bool m_unwrittenStartLevel = false;
};
