#pragma once

#include "slip/printerbinding.h"
#include "slip/slippage.h"

#include <QPoint>
#include <QSize>
#include <QString>

class QPainter;

namespace slip {

// The size of a cross mark's arm and the offset of its name from the cross, in mm.
inline constexpr double kCrossArmMm = 4.0;
inline constexpr double kMarkNameOffsetMm = 1.5;

// The sheet's short instruction: how to read it and which corners of the form the
// crosses A, B and C stand for.
QString calibrationInstruction();

// Draws the calibration sheet on a page in printer dots: the form's frames and a cross
// at each reference point, both shifted by the binding's margins exactly as the slip's
// texts are, millimetre rulers along the top and left edges of the printable area
// (`printable`, dots) that count from the paper's edge (`paperOrigin`: where the
// printable area starts on the paper, dots) with their numbers clear of the frames,
// the margins and the total left shift, and the instruction. Laid on a form against
// the light, the crosses show how far the print misses the form's reference points.
// Raises platform::EConvertError for a margin text that is not an integer.
void drawCalibrationSheet(QPainter &painter, const SlipPageSetup &setup, const QSize &printable,
                          const QPoint &paperOrigin = QPoint());

} // namespace slip
