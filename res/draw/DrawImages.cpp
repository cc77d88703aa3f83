// Draws the program's images. Run it to redraw them: zelvane_draw_images <output folder>.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage whiteCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// A filled disc with no outline, a one-pixel white margin all round.
QImage disc(int width, int height, QColor colour)
{
    QImage image = whiteCanvas(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(1, 1, width - 2, height - 2));
    return image;
}

enum class Group { Data, Status, Control, Ground };

struct Pad {
    const char *label;
    int number;
    int left; // pixel column of the pad's left edge
    Group group;
};

// Pad columns, right to left, so that the indicators below can stand under them.
constexpr Pad kTopRow[] = {
    {"C0", 1, 523, Group::Control}, {"D0", 2, 481, Group::Data},    {"D1", 3, 440, Group::Data},
    {"D2", 4, 402, Group::Data},    {"D3", 5, 364, Group::Data},    {"D4", 6, 326, Group::Data},
    {"D5", 7, 286, Group::Data},    {"D6", 8, 246, Group::Data},    {"D7", 9, 207, Group::Data},
    {"S6", 10, 167, Group::Status}, {"S7", 11, 126, Group::Status}, {"S5", 12, 85, Group::Status},
    {"S4", 13, 47, Group::Status},
};
constexpr Pad kBottomRow[] = {
    {"C1", 14, 502, Group::Control}, {"S3", 15, 461, Group::Status},
    {"C2", 16, 423, Group::Control}, {"C3", 17, 382, Group::Control},
    {"G0", 18, 345, Group::Ground},  {"G1", 19, 307, Group::Ground},
    {"G2", 20, 267, Group::Ground},  {"G3", 21, 227, Group::Ground},
    {"G4", 22, 188, Group::Ground},  {"G5", 23, 148, Group::Ground},
    {"G6", 24, 107, Group::Ground},  {"G7", 25, 67, Group::Ground},
};

QColor padColour(Group group)
{
    switch (group) {
    case Group::Data:
        return QColor(0xE0, 0x40, 0x40);
    case Group::Status:
        return QColor(0x60, 0x60, 0xC0);
    case Group::Control:
        return QColor(0xE0, 0xA0, 0x40);
    case Group::Ground:
        return QColor(0x40, 0xC0, 0x80);
    }
    return Qt::black;
}

void drawPad(QPainter &p, const Pad &pad, int top, int numberTop)
{
    const QRectF body(pad.left, top, 22, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(padColour(pad.group));
    p.drawEllipse(body);

    p.setPen(Qt::white);
    QFont label("DejaVu Sans");
    label.setPixelSize(9);
    label.setBold(true);
    p.setFont(label);
    p.drawText(body, Qt::AlignCenter, pad.label);

    p.setPen(QColor(0x30, 0x30, 0x30));
    QFont number("DejaVu Sans");
    number.setPixelSize(9);
    p.setFont(number);
    p.drawText(QRectF(pad.left - 4, numberTop, 30, 11), Qt::AlignCenter,
               QString::number(pad.number));
}

QImage connector()
{
    QImage image = whiteCanvas(601, 110);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The D-sub shell, wider at the top, with rounded corners.
    QPainterPath shell;
    shell.moveTo(30, 2.5);
    shell.lineTo(571, 2.5);
    shell.quadTo(590, 2.5, 586, 20);
    shell.lineTo(567, 96);
    shell.quadTo(564, 107.5, 550, 107.5);
    shell.lineTo(51, 107.5);
    shell.quadTo(37, 107.5, 34, 96);
    shell.lineTo(15, 20);
    shell.quadTo(11, 2.5, 30, 2.5);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 2));
    p.setBrush(QColor(0xF2, 0xF2, 0xF2));
    p.drawPath(shell);

    for (const Pad &pad : kTopRow)
        drawPad(p, pad, 25, 12);
    for (const Pad &pad : kBottomRow)
        drawPad(p, pad, 63, 84);
    return image;
}

// A cable plug: a grey shell with pins, the cable leaving at the bottom left.
QImage plugIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable;
    cable.moveTo(16, 20);
    cable.cubicTo(16, 27, 6, 24, 3, 30);
    p.drawPath(cable);

    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(QColor(0x2F, 0x5F, 0xB0));
    p.drawRoundedRect(QRectF(9, 14, 14, 8), 2, 2); // hood
    p.setBrush(QColor(0xB8, 0xB8, 0xC0));
    QPolygonF shell({QPointF(2, 4), QPointF(30, 4), QPointF(26, 15), QPointF(6, 15)});
    p.drawPolygon(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE0, 0xA0, 0x40));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(7 + i * 4.5, 7.5), 1.3, 1.3);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(9.25 + i * 4.5, 11.5), 1.3, 1.3);
    return image;
}

bool save(const QImage &image, const QDir &dir, const char *name)
{
    const QString path = dir.filePath(name);
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = save(disc(29, 28, QColor(0x33, 0xCC, 0x99)), dir, "out_low.png");
    ok &= save(disc(29, 28, QColor(0xFF, 0x00, 0x00)), dir, "high.png");
    ok &= save(disc(28, 28, QColor(0x00, 0x80, 0x80)), dir, "in_low.png");
    ok &= save(disc(28, 28, QColor(0xFF, 0xFF, 0x00)), dir, "ctrl_high.png");
    ok &= save(connector(), dir, "connector.png");
    ok &= save(plugIcon(16), dir, "icon16.png");
    ok &= save(plugIcon(32), dir, "icon32.png");
    ok &= save(plugIcon(128), dir, "icon128.png");
    return ok ? 0 : 1;
}
