#include "DialogBuilder.h"

#include "IndicatorImages.h"
#include "IndicatorLabel.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kDialogFontPixels = 12; // 9 points at 96 dots per inch

QWidget *createControl(QDialog &dialog, const char *context, const ControlTemplate &control)
{
    const QRect rect = control.rect.toPixels();
    const QString text = control.text && *control.text
                             ? QCoreApplication::translate(context, control.text)
                             : QString();
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto *button = new QPushButton(text, &dialog);
        button->setGeometry(rect);
        button->setDefault(control.kind == ControlKind::DefaultPushButton);
        button->setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::NoFocus);
        return button;
    }
    case ControlKind::StaticText: {
        auto *label = new QLabel(text, &dialog);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(rect);
        return label;
    }
    case ControlKind::Picture: {
        // Pictures take their image's size and keep the template's top-left corner.
        auto *picture = new QLabel(&dialog);
        const QPixmap &image = IndicatorImages::pixmap(control.image);
        picture->setPixmap(image);
        picture->setGeometry(QRect(rect.topLeft(), image.size()));
        return picture;
    }
    case ControlKind::Indicator: {
        auto *picture = new IndicatorLabel(control.id, &dialog);
        picture->move(rect.topLeft());
        picture->showImage(control.image);
        picture->setFocusPolicy(control.tabStop ? Qt::TabFocus : Qt::NoFocus);
        return picture;
    }
    case ControlKind::Icon: {
        auto *icon = new QLabel(&dialog);
        icon->setPixmap(IndicatorImages::applicationIcon().pixmap(32, 32));
        icon->setGeometry(QRect(rect.topLeft(), QSize(32, 32)));
        return icon;
    }
    case ControlKind::GroupBox: {
        auto *frame = new QGroupBox(text, &dialog);
        frame->setGeometry(rect);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        return frame;
    }
    }
    return nullptr;
}

} // namespace

QList<BuiltControl> BuildDialogFromTemplate(QDialog &dialog, const DialogTemplate &layout)
{
    dialog.setWindowTitle(QCoreApplication::translate(layout.context, layout.caption));
    const QRect client = layout.clientArea.toPixels();
    dialog.setFixedSize(client.size());

    QList<BuiltControl> controls;
    QWidget *previousTabStop = nullptr;
    for (const ControlTemplate &control : layout.controls) {
        QWidget *widget = createControl(dialog, layout.context, control);
        if (control.kind == ControlKind::GroupBox)
            widget->lower(); // a frame drawn behind what it frames
        if (control.tabStop) {
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        }
        controls.append({control, widget});
    }
    return controls;
}

void InstallDialogFont()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN"),
                                                        QStringLiteral("AR PL UMing TW")});
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(kDialogFontPixels);
    QApplication::setFont(font);
}
