#include "platform-ui/glyphs.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace platform {

namespace {

class GlyphEngine : public QIconEngine
{
public:
    explicit GlyphEngine(Glyph glyph) : m_glyph(glyph) {}

    QIconEngine *clone() const override { return new GlyphEngine(m_glyph); }
    QString key() const override { return QStringLiteral("mekira-glyph"); }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` is in device pixels already; the picture is drawn at that resolution.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        painter.end();
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        const bool disabled = mode == QIcon::Disabled;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        // Drawn on a 16 x 16 grid, centred in the square the button gives.
        const qreal side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 16.0, side / 16.0);
        draw(*painter, disabled);
        painter->restore();
    }

private:
    // Disabled: light grey surfaces under darker grey lines, so the shape stays readable.
    static QColor tint(const QColor &colour, bool disabled) { return disabled ? QColor(215, 215, 215) : colour; }

    void draw(QPainter &p, bool disabled) const
    {
        const QColor ink = disabled ? QColor(135, 135, 135) : QColor(40, 40, 40);
        QPen pen(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        switch (m_glyph) {
        case Glyph::ArrowRight:
        case Glyph::ArrowUp: {
            QPainterPath arrow;
            arrow.moveTo(2, 6);
            arrow.lineTo(8, 6);
            arrow.lineTo(8, 2);
            arrow.lineTo(14, 8);
            arrow.lineTo(8, 14);
            arrow.lineTo(8, 10);
            arrow.lineTo(2, 10);
            arrow.closeSubpath();
            if (m_glyph == Glyph::ArrowUp) {
                p.translate(8, 8);
                p.rotate(-90);
                p.translate(-8, -8);
            }
            p.setPen(pen);
            p.setBrush(tint(QColor(40, 120, 200), disabled));
            p.drawPath(arrow);
            break;
        }
        case Glyph::Globe:
            p.setPen(pen);
            p.setBrush(tint(QColor(170, 210, 240), disabled));
            p.drawEllipse(QRectF(2, 2, 12, 12));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(5.5, 2, 5, 12));
            p.drawLine(QPointF(2, 8), QPointF(14, 8));
            break;
        case Glyph::Mail:
            p.setPen(pen);
            p.setBrush(tint(QColor(255, 250, 230), disabled));
            p.drawRect(QRectF(1.5, 3.5, 13, 9));
            p.drawPolyline(QPolygonF({QPointF(1.5, 3.5), QPointF(8, 9), QPointF(14.5, 3.5)}));
            break;
        case Glyph::Eraser: {
            p.setPen(pen);
            p.translate(8, 8);
            p.rotate(-40);
            p.setBrush(tint(QColor(240, 120, 140), disabled));
            p.drawRect(QRectF(-6, -3, 6, 6));
            p.setBrush(tint(QColor(245, 245, 245), disabled));
            p.drawRect(QRectF(0, -3, 6, 6));
            break;
        }
        case Glyph::Trash:
            p.setPen(pen);
            p.setBrush(tint(QColor(200, 200, 200), disabled));
            p.drawRect(QRectF(4, 5, 8, 9.5));
            p.drawLine(QPointF(2.5, 4), QPointF(13.5, 4));
            p.drawLine(QPointF(6, 2), QPointF(10, 2));
            p.drawLine(QPointF(6.7, 7), QPointF(6.7, 12.5));
            p.drawLine(QPointF(9.3, 7), QPointF(9.3, 12.5));
            break;
        case Glyph::Save:
            p.setPen(pen);
            p.setBrush(tint(QColor(60, 90, 160), disabled));
            p.drawRect(QRectF(2, 2, 12, 12));
            p.setBrush(tint(QColor(250, 250, 250), disabled));
            p.drawRect(QRectF(4.5, 2, 7, 5));
            p.drawRect(QRectF(4, 9.5, 8, 4.5));
            break;
        case Glyph::Printer:
            p.setPen(pen);
            p.setBrush(tint(QColor(250, 250, 250), disabled));
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(tint(QColor(150, 150, 150), disabled));
            p.drawRoundedRect(QRectF(1.5, 6, 13, 6.5), 1.5, 1.5);
            p.setBrush(tint(QColor(250, 250, 250), disabled));
            p.drawRect(QRectF(4.5, 10, 7, 4.5));
            break;
        }
    }

    Glyph m_glyph;
};

} // namespace

QIcon glyphIcon(Glyph glyph)
{
    return QIcon(new GlyphEngine(glyph)); // the icon owns its engine
}

} // namespace platform
