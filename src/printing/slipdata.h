#pragma once

#include <QDate>
#include <QString>

namespace printing {

// The values of one slip as the main window's controls hold them at the moment of
// printing; every member is named after its control. The window fills a fresh one
// for each print, so the layout never reaches into widgets.
struct SlipData
{
    // Destination (お届け先).
    QString Edit_Zip;
    QString Edit_Add1;
    QString Edit_Add2;
    QString Edit_Custo1;
    QString Edit_tel;

    // Sender (ご依頼主), printed only when CheckBox_My is checked.
    QString Edit_MyZip;
    QString Edit_MyADD1;
    QString Edit_MyADD2;
    QString Edit_My;
    QString Edit_MyTEL;
    bool CheckBox_My = true;

    // Goods description (品名), three lines.
    QString Edit_G1;
    QString Edit_G2;
    QString Edit_G3;

    // Slip date, printed only when CheckBox_Date_1 is checked.
    QDate DateTimePicker_1;
    bool CheckBox_Date_1 = true;

    // Desired delivery date (month, day) and time slot; only the first checked slot
    // is marked.
    QString Edit_de_date1;
    QString Edit_de_date2;
    bool CheckBox_t1 = false;
    bool CheckBox_t2 = false;
    bool CheckBox_t3 = false;
    bool CheckBox_t4 = false;
    bool CheckBox_t5 = false;
    bool CheckBox_t6 = false;
};

} // namespace printing
