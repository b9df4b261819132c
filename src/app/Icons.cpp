#include "Icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

#include <map>
#include <utility>

namespace icons {
namespace {

using Drawing = void (*)(QPainter &);

// A picture of size × size device-independent pixels, drawn at ratio device pixels per pixel.
template <typename Draw> QPixmap picture(int size, Draw draw, qreal ratio = 1.0)
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

// An icon drawn at the size it is asked for, when it is first asked for (a window shows in
// fewer milliseconds than drawing every size of every picture up front takes), and kept. The
// disabled and selected looks are the style's, as for any icon made of pictures.
class DrawnEngine : public QIconEngine {
public:
    explicit DrawnEngine(Drawing draw) : m_draw(draw) {}

    QIconEngine *clone() const override { return new DrawnEngine(*this); }
    QString key() const override { return QStringLiteral("TaviluneDrawn"); }
    bool isNull() override { return false; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return {side, side};
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        if (side <= 0)
            return {};
        if (mode == QIcon::Active)
            mode = QIcon::Normal;
        QPixmap &pm = m_pixmaps[{side, mode}];
        if (pm.isNull()) {
            pm = mode == QIcon::Normal ? picture(side, m_draw) : styled(pixmap(size, QIcon::Normal, QIcon::Off), mode);
        }
        return pm;
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal) override
    {
        return pixmap(size, mode, state); // the size is already in device pixels
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }

private:
    static QPixmap styled(const QPixmap &normal, QIcon::Mode mode)
    {
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        if (!app)
            return normal;
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        const QPixmap pm = QApplication::style()->generatedIconPixmap(mode, normal, &option);
        return pm.isNull() ? normal : pm;
    }

    Drawing m_draw;
    std::map<std::pair<int, int>, QPixmap> m_pixmaps; // (side in pixels, mode) → picture
};

QIcon icon(Drawing draw) { return QIcon(new DrawnEngine(draw)); }

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
    return picture(size, [](QPainter &p) {
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
    return picture(size, [](QPainter &p) {
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

QIcon MoreItems(Qt::Orientation orientation)
{
    if (orientation == Qt::Vertical)
        return icon([](QPainter &p) {
            p.setPen(QPen(QColor(60, 60, 70), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(9, 8), QPointF(16, 15), QPointF(23, 8)}));
            p.drawPolyline(QPolygonF({QPointF(9, 17), QPointF(16, 24), QPointF(23, 17)}));
        });
    return icon([](QPainter &p) {
        p.setPen(QPen(QColor(60, 60, 70), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(8, 9), QPointF(15, 16), QPointF(8, 23)}));
        p.drawPolyline(QPolygonF({QPointF(17, 9), QPointF(24, 16), QPointF(17, 23)}));
    });
}

QIcon Themed(const char *name, const QIcon &drawn)
{
    return QIcon::fromTheme(QString::fromLatin1(name), drawn);
}

} // namespace icons
