// Draws the program icon: resources/images/wqz.ico (used through the resource
// ":/images/wqz.ico") and resources/images/sheetsplicer.png (for Linux
// desktops). Not part of the build; to draw it again:
//
//   g++ -std=c++17 -fPIC make_icon.cpp -o /tmp/make_icon \
//       $(pkg-config --cflags --libs Qt5Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/make_icon ../images
//
// The picture: a green sheet with a header row, whose rows fan out into three
// smaller sheets: one table split into one sheet per category.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

static void sheet(QPainter &p, const QRectF &r, const QColor &body, const QColor &header, int rows)
{
    p.setPen(QPen(QColor(0x11, 0x4d, 0x2b), r.width() / 24.0));
    p.setBrush(body);
    p.drawRoundedRect(r, r.width() / 10.0, r.width() / 10.0);
    const qreal headerHeight = r.height() / (rows + 1);
    QPainterPath clip;
    clip.addRoundedRect(r, r.width() / 10.0, r.width() / 10.0);
    p.save();
    p.setClipPath(clip);
    p.fillRect(QRectF(r.left(), r.top(), r.width(), headerHeight), header);
    p.setPen(QPen(QColor(0x11, 0x4d, 0x2b, 160), r.width() / 40.0));
    for (int i = 1; i <= rows; ++i) {
        const qreal y = r.top() + headerHeight * i;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    const qreal x = r.left() + r.width() / 3.0;
    p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    p.restore();
}

static QImage draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // The summary sheet on the left.
    sheet(p, QRectF(3, 8, 30, 48), QColor(0xf4, 0xfb, 0xf6), QColor(0x21, 0x8a, 0x4c), 5);

    // The fan of arrows.
    p.setPen(QPen(QColor(0xf0, 0x9a, 0x1a), 3.2, Qt::SolidLine, Qt::RoundCap));
    const QPointF from(34, 32);
    const QPointF targets[] = {QPointF(43, 14), QPointF(43, 32), QPointF(43, 50)};
    for (const QPointF &to : targets)
        p.drawLine(from, to);

    // The three category sheets on the right.
    const QColor headers[] = {QColor(0x21, 0x8a, 0x4c), QColor(0x2b, 0x7b, 0xb9), QColor(0xd9, 0x4f, 0x3d)};
    for (int i = 0; i < 3; ++i)
        sheet(p, QRectF(44, 5 + i * 19, 17, 16), Qt::white, headers[i], 2);
    p.end();
    return image;
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QImageWriter ico(out.filePath(QStringLiteral("wqz.ico")), "ico");
    if (!ico.write(draw(64))) {
        std::fprintf(stderr, "ico: %s\n", qPrintable(ico.errorString()));
        return 1;
    }
    if (!draw(64).save(out.filePath(QStringLiteral("sheetsplicer.png")), "PNG"))
        return 1;
    return 0;
}
