#pragma once

namespace numedit {

class TLuNumEdit;

// The settings the program's numeric boxes differ from the defaults in. Object
// names, positions and event hooks are the window's business.

// Quantity (個数): integers of at most 3 digits, no beep, fixed height, tight
// margins, no input method.
void setUpQuantityBox(TLuNumEdit &box);
// Insurance amount: at most 7 integer digits, no beep, tight margins, value "0",
// hidden.
void setUpInsuranceBox(TLuNumEdit &box);
// The hidden box the address transfer reads numbers with: defaults, hidden.
void setUpNumberCheckBox(TLuNumEdit &box);
// Print margins of the print-position dialog: defaults without the beep.
void setUpMarginBox(TLuNumEdit &box);

} // namespace numedit
