// Printing, the printer display and the printer binding of each paper feed.
#include "mainwindow.h"

void TForm_Main::connectPrinting() {}

// The print command, the printer display and the binding file are wired in as the
// printing library provides them; until then these commands do nothing.
void TForm_Main::SpeedButton_F11Click() {}
void TForm_Main::SpeedButton_PRNSETClick() {}
void TForm_Main::ComboBox_SELChange() {}
void TForm_Main::SpeedButton_PrnIdGetClick() {}
void TForm_Main::BitBtn_PrnSetClick() {}
void TForm_Main::BitBtn_PrnSet2Click() {}
void TForm_Main::SpeedButton_F7Click() {}
