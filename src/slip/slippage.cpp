#include "slip/slippage.h"

#include "slip/slipcanvas.h"
#include "slip/slipform.h"
#include "slip/slipgeometry.h"

#include <QPainter>

namespace slip {

namespace {

// Draws nothing: the layout's fit rule alone, at the printer's font resolution.
class MeasuringCanvas final : public SlipCanvas
{
public:
    explicit MeasuringCanvas(int fontDpi) : m_fontDpi(fontDpi) {}

    void setFontName(const QString &) override {}
    void setFontSize(double) override {}
    void setFontColor(const QColor &) override {}
    void setBrushColor(const QColor &) override {}
    void textOut(int, int, const QString &) override {}
    int fontDpi() const override { return m_fontDpi; }

private:
    int m_fontDpi;
};

} // namespace

void drawSlipPage(QPainter &painter, const SlipRecord &slip, const SlipPageSetup &setup)
{
    PainterCanvas canvas(&painter, setup.fontDpi);
    canvas.setMarkedFields(setup.marked);
    drawSlip(canvas, slip, setup.dpiX, setup.dpiY, setup.binding);
}

QList<FieldFit> slipFits(const SlipRecord &slip, const SlipPageSetup &setup)
{
    MeasuringCanvas canvas(setup.fontDpi > 0 ? setup.fontDpi : setup.dpiY);
    return drawSlip(canvas, slip, setup.dpiX, setup.dpiY, setup.binding);
}

QList<SlipField> overflowingFields(const SlipRecord &slip, const SlipPageSetup &setup)
{
    QList<SlipField> found;
    for (const FieldFit &fit : slipFits(slip, setup)) {
        if (fit.overflows && !found.contains(fit.field))
            found.append(fit.field);
    }
    return found;
}

} // namespace slip
