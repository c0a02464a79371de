#include "slip/slippage.h"

#include "slip/slipcanvas.h"
#include "slip/slipform.h"
#include "slip/slipgeometry.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

namespace slip {

namespace {

// Follows the layout's running font state and measures each text at the size it
// is printed at, against its field's right edge.
class OverflowCanvas final : public SlipCanvas
{
public:
    OverflowCanvas(const SlipGeometry &geometry, int fontDpi)
        : m_geometry(geometry)
        , m_fontDpi(fontDpi)
    {
        m_font.setHintingPreference(QFont::PreferNoHinting);
        m_font.setPixelSize(kMeasurePixels);
    }

    void setFontName(const QString &name) override { m_font.setFamily(name); }
    void setFontSize(int points) override { m_points = points; }
    void setFontColor(const QColor &) override {}
    void setBrushColor(const QColor &) override {}
    void setField(SlipField field) override { m_field = field; }

    void textOut(int x, int, const QString &text) override
    {
        const int edge = slipFieldRightEdge(m_field);
        if (edge < 0 || m_found.contains(m_field))
            return;
        // Measured at a large pixel size and scaled, so that fractional dot sizes
        // (9 points at 180 dpi are 22.5 dots) stay exact.
        const double dots = m_points * double(m_fontDpi) / 72.0;
        const double width = QFontMetricsF(m_font).horizontalAdvance(text) * dots / kMeasurePixels;
        if (x + width > m_geometry.x(edge))
            m_found.append(m_field);
    }

    QList<SlipField> found() const { return m_found; }

private:
    const SlipGeometry &m_geometry;
    static constexpr int kMeasurePixels = 1000;

    int m_fontDpi;
    int m_points = 11;
    QFont m_font;
    SlipField m_field = SlipField::None;
    QList<SlipField> m_found;
};

} // namespace

void drawSlipPage(QPainter &painter, const SlipRecord &slip, const SlipPageSetup &setup)
{
    PainterCanvas canvas(&painter, setup.fontDpi);
    canvas.setMarkedFields(setup.marked);
    drawSlip(canvas, slip, setup.dpiX, setup.dpiY, setup.binding);
}

QList<SlipField> overflowingFields(const SlipRecord &slip, const SlipPageSetup &setup)
{
    const SlipGeometry geometry(setup.dpiX, setup.dpiY, setup.binding.topMargin,
                                setup.binding.leftMargin);
    OverflowCanvas canvas(geometry, setup.fontDpi > 0 ? setup.fontDpi : setup.dpiY);
    drawSlip(canvas, slip, setup.dpiX, setup.dpiY, setup.binding);
    return canvas.found();
}

} // namespace slip
