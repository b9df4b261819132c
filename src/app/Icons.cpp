#include "Icons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

namespace icons {
namespace {

// A picture of size × size device-independent pixels, drawn at ratio device pixels per pixel.
template <typename Draw> QPixmap paint(int size, Draw draw, qreal ratio = 1.0)
{
    const int pixels = qRound(size * ratio);
    QPixmap pm(pixels, pixels);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(pixels / 32.0, pixels / 32.0);
        draw(p);
    }
    pm.setDevicePixelRatio(ratio);
    return pm;
}

qreal screenRatio() { return qApp ? qApp->devicePixelRatio() : 1.0; }

template <typename Draw> QIcon icon(Draw draw)
{
    QIcon ic;
    for (int s : {16, 24, 32, 48, 64})
        ic.addPixmap(paint(s, draw));
    return ic;
}

} // namespace

QIcon Listen()
{
    return icon([](QPainter &p) {
        QPainterPath tri;
        tri.moveTo(9, 5);
        tri.lineTo(27, 16);
        tri.lineTo(9, 27);
        tri.closeSubpath();
        p.setPen(QPen(QColor(20, 90, 30), 1.5));
        p.setBrush(QColor(40, 170, 60));
        p.drawPath(tri);
    });
}

QIcon Volume()
{
    return icon([](QPainter &p) {
        QPainterPath spk;
        spk.moveTo(4, 12);
        spk.lineTo(10, 12);
        spk.lineTo(17, 5);
        spk.lineTo(17, 27);
        spk.lineTo(10, 20);
        spk.lineTo(4, 20);
        spk.closeSubpath();
        p.setPen(QPen(QColor(30, 30, 60), 1.5));
        p.setBrush(QColor(70, 90, 160));
        p.drawPath(spk);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(70, 90, 160), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(13, 10, 10, 12), -50 * 16, 100 * 16);
        p.drawArc(QRectF(12, 5, 17, 22), -50 * 16, 100 * 16);
    });
}

QIcon HideToTray()
{
    return icon([](QPainter &p) {
        p.setPen(QPen(QColor(40, 40, 40), 1.5));
        p.setBrush(QColor(235, 235, 240));
        p.drawRect(QRectF(3, 3, 26, 18));
        p.setBrush(QColor(70, 90, 160));
        p.drawRect(QRectF(3, 3, 26, 5));
        p.setBrush(QColor(90, 90, 90));
        p.drawRect(QRectF(2, 26, 28, 4));
        QPainterPath arrow;
        arrow.moveTo(12, 10);
        arrow.lineTo(20, 10);
        arrow.lineTo(20, 17);
        arrow.lineTo(24, 17);
        arrow.lineTo(16, 25);
        arrow.lineTo(8, 17);
        arrow.lineTo(12, 17);
        arrow.closeSubpath();
        p.setBrush(QColor(230, 140, 20));
        p.setPen(QPen(QColor(120, 70, 10), 1));
        p.drawPath(arrow);
    });
}

QIcon Stop()
{
    return icon([](QPainter &p) {
        p.setPen(QPen(QColor(20, 22, 30), 1.5));
        p.setBrush(QColor(60, 64, 76));
        p.drawRoundedRect(QRectF(7, 7, 18, 18), 2, 2);
    });
}

QIcon Record()
{
    return icon([](QPainter &p) {
        p.setPen(QPen(QColor(110, 0, 0), 1.5));
        p.setBrush(QColor(225, 20, 20));
        p.drawEllipse(QRectF(6, 6, 20, 20));
    });
}

QPixmap RadioMode(int size)
{
    return paint(size, [](QPainter &p) {
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        p.drawLine(QPointF(8, 11), QPointF(24, 3));
        p.setBrush(QColor(150, 90, 40));
        p.drawRoundedRect(QRectF(2, 10, 28, 19), 3, 3);
        p.setBrush(QColor(230, 210, 170));
        p.drawEllipse(QRectF(5, 13, 13, 13));
        p.setPen(QPen(QColor(120, 100, 70), 1));
        for (int y = 16; y <= 23; y += 3)
            p.drawLine(QPointF(7, y), QPointF(16, y));
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(QRectF(21, 14, 6, 6));
        p.drawEllipse(QRectF(21, 22, 5, 5));
    }, screenRatio());
}

QPixmap TvMode(int size)
{
    return paint(size, [](QPainter &p) {
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        p.drawLine(QPointF(16, 8), QPointF(10, 2));
        p.drawLine(QPointF(16, 8), QPointF(22, 2));
        p.setBrush(QColor(50, 50, 55));
        p.drawRoundedRect(QRectF(2, 8, 28, 20), 3, 3);
        QLinearGradient g(0, 10, 0, 26);
        g.setColorAt(0, QColor(90, 160, 230));
        g.setColorAt(1, QColor(30, 80, 160));
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(5, 11, 22, 14), 2, 2);
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.drawLine(QPointF(10, 30), QPointF(22, 30));
    }, screenRatio());
}

QIcon Program()
{
    return icon([](QPainter &p) {
        QRadialGradient bg(16, 16, 16);
        bg.setColorAt(0, QColor(40, 50, 110));
        bg.setColorAt(1, QColor(15, 20, 55));
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawEllipse(QRectF(0, 0, 32, 32));
        QPainterPath moon;
        moon.addEllipse(QRectF(6, 5, 16, 16));
        QPainterPath bite;
        bite.addEllipse(QRectF(11, 2, 16, 16));
        p.setBrush(QColor(250, 220, 120));
        p.drawPath(moon.subtracted(bite));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(140, 200, 255), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(14, 18, 8, 8), 20 * 16, 140 * 16);
        p.drawArc(QRectF(10, 14, 16, 16), 30 * 16, 120 * 16);
        p.setBrush(QColor(140, 200, 255));
        p.drawEllipse(QRectF(16.5, 21.5, 3, 3));
    });
}

QIcon Themed(const char *name, const QIcon &drawn)
{
    return QIcon::fromTheme(QString::fromLatin1(name), drawn);
}

} // namespace icons
