#pragma once

// Plays a recorded page (QPicture) through a paint engine that notes every rectangle
// and every text, so that tests see where a page put its texts.

#include <QFontMetrics>
#include <QList>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPicture>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QTextItem>

#include <cmath>

class PaintRecorder : public QPaintDevice
{
public:
    struct Text
    {
        QPointF baseline;
        QString text;
        QString family;
        double width;  // the item's advance
        int ascent;    // of its font on this device, as the text's cell has it
        int height;
    };

    PaintRecorder() : m_engine(this) {}

    QPaintEngine *paintEngine() const override { return &m_engine; }

    // Plays the page and returns this recorder.
    PaintRecorder &play(QPicture page) // play() is not const

    {
        // Played at the page's own resolution, so positions come back unscaled.
        m_dpi = page.logicalDpiX();
        QPainter painter(this);
        page.play(&painter);
        return *this;
    }

    // Records what a painter draws on this device directly, at this resolution.
    void setDpi(int dpi) { m_dpi = dpi; }

    QList<QRectF> rects;
    QList<Text> texts;

    // What one textOut drew: its text items joined (Qt splits a line into items per
    // script, as between kanji and kana; the items of one text follow each other without
    // a gap on one baseline) and the text cell they fill, from the left end of the first
    // item and the font's ascent above the baseline.
    struct Cell
    {
        QRectF rect;
        QString text;
        QPointF baseline; // of the first item
    };
    QList<Cell> cells() const
    {
        QList<Cell> result;
        double end = 0;
        for (const Text &t : texts) {
            const bool continues = !result.isEmpty() && qAbs(result.last().baseline.y() - t.baseline.y()) < 0.01
                && qAbs(t.baseline.x() - end) < 0.5;
            if (continues) {
                result.last().text += t.text;
                result.last().rect.setRight(t.baseline.x() + t.width);
            } else {
                result.append({QRectF(t.baseline.x(), t.baseline.y() - t.ascent, t.width, t.height), t.text, t.baseline});
            }
            end = t.baseline.x() + t.width;
        }
        return result;
    }

    // The first cell that shows this text, or an empty cell.
    Cell findCell(const QString &text) const
    {
        for (const Cell &cell : cells()) {
            if (cell.text == text)
                return cell;
        }
        return {};
    }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
            return 10000;
        case PdmWidthMM:
        case PdmHeightMM:
            return 2540;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_dpi;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(PaintRecorder *owner) : QPaintEngine(AllFeatures), m_owner(owner) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &state) override
        {
            if (state.state() & DirtyTransform)
                m_transform = state.transform();
            if (state.state() & DirtyFont) {
                m_family = state.font().family();
                m_font = state.font();
            }
        }
        void drawRects(const QRectF *rects, int count) override
        {
            for (int i = 0; i < count; ++i)
                m_owner->rects.append(m_transform.mapRect(rects[i]));
        }
        void drawRects(const QRect *rects, int count) override
        {
            for (int i = 0; i < count; ++i)
                m_owner->rects.append(m_transform.mapRect(QRectF(rects[i])));
        }
        void drawTextItem(const QPointF &p, const QTextItem &item) override
        {
            const QFontMetrics metrics(m_font, m_owner);
            const double scale = m_transform.m11();
            m_owner->texts.append({m_transform.map(p), item.text(), m_family, item.width() * scale,
                                   int(std::lround(metrics.ascent() * scale)), int(std::lround(metrics.height() * scale))});
        }
        void drawPath(const QPainterPath &path) override
        {
            m_owner->rects.append(m_transform.map(path).boundingRect());
        }
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        Type type() const override { return User; }

    private:
        PaintRecorder *m_owner;
        QTransform m_transform;
        QString m_family;
        QFont m_font;
    };

    mutable Engine m_engine;
    int m_dpi = 96;
};
