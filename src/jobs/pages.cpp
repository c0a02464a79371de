#include "jobs/pages.h"

#include "slip/calibrationsheet.h"
#include "slip/slipcanvas.h"
#include "slip/slipgeometry.h"
#include "slip/sliplayout.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>

namespace jobs {

namespace {

// Bad margins raise here, before a job exists.
void checkMargins(const slip::PrinterBinding &binding, const EffectiveResolution &resolution)
{
    slip::SlipGeometry(resolution.x, resolution.y, binding.topMargin, binding.leftMargin);
}

} // namespace

SlipPages::SlipPages(QList<slip::SlipRecord> slips, slip::PrinterBinding binding)
    : m_slips(std::move(slips)), m_binding(std::move(binding))
{
}

void SlipPages::prepare(const EffectiveResolution &resolution) const
{
    checkMargins(m_binding, resolution);
}

void SlipPages::drawPage(int index, QPainter &painter, const EffectiveResolution &resolution) const
{
    slip::PainterCanvas canvas(&painter);
    slip::drawSlip(canvas, m_slips.at(index), resolution.x, resolution.y, m_binding);
}

CalibrationPage::CalibrationPage(slip::PrinterBinding binding) : m_binding(std::move(binding)) {}

void CalibrationPage::prepare(const EffectiveResolution &resolution) const
{
    checkMargins(m_binding, resolution);
}

void CalibrationPage::drawPage(int, QPainter &painter, const EffectiveResolution &resolution) const
{
    slip::SlipPageSetup setup;
    setup.dpiX = resolution.x;
    setup.dpiY = resolution.y;
    setup.binding = m_binding;
    const QPaintDevice *device = painter.device();
    // A paged device knows where its printable area starts on the paper: the rulers
    // then count from the paper's edge.
    QPoint paperOrigin;
    if (const auto *paged = dynamic_cast<const QPagedPaintDevice *>(device)) {
        const QPageLayout layout = paged->pageLayout();
        paperOrigin = layout.paintRectPixels(device->logicalDpiX()).topLeft()
            - layout.fullRectPixels(device->logicalDpiX()).topLeft();
        paperOrigin = QPoint(paperOrigin.x() * resolution.x / qMax(1, device->logicalDpiX()),
                             paperOrigin.y() * resolution.y / qMax(1, device->logicalDpiY()));
    }
    slip::drawCalibrationSheet(painter, setup, QSize(device->width(), device->height()), paperOrigin);
}

} // namespace jobs
