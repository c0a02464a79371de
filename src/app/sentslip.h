#pragma once

#include "printing/printerbinding.h"
#include "printing/slipdata.h"

#include <QString>

// A slip whose print job was sent: what was printed, where, and the order it came
// from (0 when it was typed in the main window).
struct SentSlip
{
    printing::SlipData slip;
    QString printer;
    QString feed;
    printing::PrinterBinding binding;
    qint64 orderId = 0;
};
