#pragma once

// Plays a recorded page (QPicture) through a paint engine that notes every filled
// rectangle and every text, so that tests see where a page put its texts.

#include <QList>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPicture>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QTextItem>

class PaintRecorder : public QPaintDevice
{
public:
    struct Text
    {
        QPointF baseline;
        QString text;
        QString family;
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

    // What one textOut drew: the opaque cell and the text items inside it, joined
    // (Qt splits a line into items per script, as between kanji and kana).
    struct Cell
    {
        QRectF rect;
        QString text;
        QPointF baseline; // of the first item
    };
    QList<Cell> cells() const
    {
        QList<Cell> result;
        for (const QRectF &r : rects)
            result.append({r, QString(), QPointF()});
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const Text &t = texts.at(i);
            // The cell is the last rectangle drawn before the text that holds it
            // (a form's frames drawn earlier hold it too).
            for (qsizetype r = result.size() - 1; r >= 0; --r) {
                Cell &cell = result[r];
                if (m_rectsBeforeText.value(i) <= r)
                    continue;
                if (t.baseline.x() >= cell.rect.left() - 0.01 && t.baseline.x() < cell.rect.right()
                    && t.baseline.y() >= cell.rect.top() && t.baseline.y() <= cell.rect.bottom()) {
                    if (cell.text.isEmpty())
                        cell.baseline = t.baseline;
                    cell.text += t.text;
                    break;
                }
            }
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
            if (state.state() & DirtyFont)
                m_family = state.font().family();
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
            m_owner->m_rectsBeforeText.append(m_owner->rects.size());
            m_owner->texts.append({m_transform.map(p), item.text(), m_family});
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
    };

    mutable Engine m_engine;
    QList<qsizetype> m_rectsBeforeText; // per text: how many rectangles came before it
    int m_dpi = 96;
};
