#pragma once

// One slip with every field filled, the places of the form where each of its texts
// must land, and the check of a printed PDF against them.

#include "slip/sliprecord.h"

#include "printer/ovprinters.h"

#include "pdfwords.h"

#include <QtTest>

#include <cmath>

namespace slipplaces {

using namespace Qt::StringLiterals;
using slip::SlipRecord;

inline SlipRecord slip()
{
    SlipRecord data;
    data.destination.postalCode = u"123-4567"_s;
    data.destination.address1 = u"東京都架空区見本町"_s;
    data.destination.address2 = u"一丁目三番地"_s;
    data.destination.name = u"見本太郎"_s;
    data.destination.telephone = u"03-1234-5678"_s;
    data.sender.postalCode = u"890-0012"_s;
    data.sender.address1 = u"鹿児島県見本市"_s;
    data.sender.address2 = u"見本通り"_s;
    data.sender.name = u"見本花子"_s;
    data.sender.telephone = u"099-222-3333"_s;
    data.goods[0] = u"書籍"_s;
    data.goods[1] = u"衣類"_s;
    data.goods[2] = u"ワレモノ注意"_s;
    data.shippingDate = QDate(2025, 3, 7);
    data.deliveryMonth = u"11"_s;
    data.deliveryDay = u"28"_s;
    data.timeSlot = slip::TimeSlot::Afternoon16To18;
    return data;
}

// Where the slip above must show each text, in 1/160 inch, written out from the
// form's layout rather than taken from the code under test.
struct Place
{
    QString text;
    int x;
    int y;
};
inline const QList<Place> &expectedPlaces()
{
    static const QList<Place> places = {
        {u"25"_s, 620, 70},   {u"03"_s, 680, 70},   {u"07"_s, 740, 70},
        {u"11"_s, 840, 100},  {u"28"_s, 920, 100},  {u"○"_s, 1020, 194},
        {u"1"_s, 220, 40},    {u"2"_s, 265, 40},    {u"3"_s, 310, 40},
        {u"4"_s, 375, 40},    {u"5"_s, 424, 40},    {u"6"_s, 473, 40},
        {u"7"_s, 522, 40},
        {u"東京都架空区見本町"_s, 180, 100},
        {u"一丁目三番地"_s, 180, 150},
        {u"書籍"_s, 590, 170},  {u"衣類"_s, 590, 200}, {u"ワレモノ注意"_s, 590, 230},
        {u"見本太郎"_s, 180, 250},
        {u"03-1234-5678"_s, 245, 300},
        {u"8"_s, 215, 342},   {u"9"_s, 268, 342},   {u"0"_s, 320, 342},
        {u"0"_s, 380, 342},   {u"0"_s, 428, 342},   {u"1"_s, 476, 342},
        {u"2"_s, 525, 342},
        {u"鹿児島県見本市"_s, 180, 400},
        {u"見本通り"_s, 180, 440},
        {u"見本花子"_s, 180, 495},
        {u"099-222-3333"_s, 255, 530},
    };
    return places;
}

// Units to dots at a resolution whose scale is exact (300, 600): halves go up.
inline int dots(int dpi, int units)
{
    return int(std::floor(dpi * units / 160.0 + 0.5));
}

// Every one of `places` once, in place on the page; nothing else on it.
inline void checkPage(const PdfPage &page, const QList<Place> &places, int dpi, int top, int left)
{
    // The canvas origin is the printable area's corner on the page.
    const TOvExtent offset = OvPrinter().Offset();
    QList<PdfWord> words = page.words;
    QCOMPARE(words.size(), places.size());
    for (const Place &place : places) {
        const double wantX = dots(dpi, place.x) + left + 70 + offset.cx;
        const double wantY = dots(dpi, place.y) + top + offset.cy;
        qsizetype found = -1;
        for (qsizetype i = 0; i < words.size(); ++i) {
            const QRectF box = words.at(i).box;
            if (words.at(i).text == place.text
                && std::abs(box.left() * dpi / 72.0 - wantX) <= 2.0
                && std::abs(box.top() * dpi / 72.0 - wantY) <= 2.0) {
                found = i;
                break;
            }
        }
        if (found < 0) {
            QStringList seen;
            for (const PdfWord &w : words) {
                if (w.text == place.text)
                    seen << u"(%1, %2)"_s.arg(w.box.left() * dpi / 72.0).arg(w.box.top() * dpi / 72.0);
            }
            QFAIL(qPrintable(u"%1 not at (%2, %3) dots; found at %4"_s.arg(place.text)
                                 .arg(wantX).arg(wantY).arg(seen.join(u" "))));
        }
        words.removeAt(found);
    }
}

// Every expected text once, in place; nothing else on the page.
inline void checkPdf(const QByteArray &pdf, int dpi, int top, int left)
{
    QVERIFY2(pdf.startsWith("%PDF"), pdf.left(40).constData());
    QString error;
    const QList<PdfPage> pages = readPdfWords(pdf, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(pages.size(), 1);
    checkPage(pages.first(), expectedPlaces(), dpi, top, left);
}

} // namespace slipplaces
