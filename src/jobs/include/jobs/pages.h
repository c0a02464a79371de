#pragma once

#include "jobs/printjob.h"

#include "slip/printerbinding.h"
#include "slip/sliprecord.h"

#include <QList>

namespace jobs {

// Slips, one page each, drawn by the form's layout at the binding's margins.
class SlipPages final : public PageSource
{
public:
    SlipPages(QList<slip::SlipRecord> slips, slip::PrinterBinding binding);

    int pageCount() const override { return int(m_slips.size()); }
    void prepare(const EffectiveResolution &resolution) const override;
    void drawPage(int index, QPainter &painter, const EffectiveResolution &resolution) const override;

private:
    const QList<slip::SlipRecord> m_slips;
    const slip::PrinterBinding m_binding;
};

// The calibration sheet as one page: frames and reference crosses at the binding's
// margins, rulers that measure the paper.
class CalibrationPage final : public PageSource
{
public:
    explicit CalibrationPage(slip::PrinterBinding binding);

    int pageCount() const override { return 1; }
    void prepare(const EffectiveResolution &resolution) const override;
    void drawPage(int index, QPainter &painter, const EffectiveResolution &resolution) const override;

private:
    const slip::PrinterBinding m_binding;
};

} // namespace jobs
