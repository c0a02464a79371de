#include "numedit/numeditpresets.h"

#include "numedit/lunumedit.h"

namespace numedit {

void setUpQuantityBox(TLuNumEdit &box)
{
    box.setIntegerLength(3);
    box.setDecimalLength(0);
    box.setErrorBeep(false);
    box.setAutoSize(false);
    box.setTopMargin(1);
    box.setBottomMargin(1);
    box.setLeftMargin(0);
    box.setImeEnabled(false);
}

void setUpInsuranceBox(TLuNumEdit &box)
{
    box.setIntegerLength(7);
    box.setErrorBeep(false);
    box.setTopMargin(1);
    box.setBottomMargin(1);
    box.setLeftMargin(0);
    box.setText(QStringLiteral("0"));
    box.setVisible(false);
}

void setUpNumberCheckBox(TLuNumEdit &box)
{
    box.setVisible(false);
}

void setUpMarginBox(TLuNumEdit &box)
{
    box.setErrorBeep(false);
}

} // namespace numedit
