#pragma once

#include <QStringView>

#include <optional>
#include <utility>

// The shapes of address lines: where a street line gives way to its building, a line
// that is a building's name and room, a city and prefecture written in Western order.
namespace transfer::smart {

// A house number proper: digits parted by a dash ("2-14-3"), or 丁目, 番地, 地割.
bool hasHouseNumber(QStringView s);

// A building's line: a name and a room number at its end ("サンライズ三条203",
// "エスポワール一番町 502", "B-302", "みどり荘205号"), without a house number,
// prefecture or city. Under a street line it is the building, whatever its name.
bool isRoomLine(QStringView s);

// Whether a line under a street line starts an address of its own rather than
// naming the building: a prefecture, a city before the numbers, or a house number.
bool beginsAnotherAddress(QStringView s);

// Where a street line gives way to its building: at a blank after the house number,
// or straight after it ("1-32-6グランハイツ三茶305号室"). Returns the end of the street
// part and the start of the building, or {-1, -1}.
std::pair<qsizetype, qsizetype> buildingSplit(QStringView s);

// A city and its prefecture in Western order, as marketplaces print them: "船橋市,
// 千葉県", "大分市、大分県".
struct WesternRegion
{
    QStringView prefecture;
    QStringView city;
};
std::optional<WesternRegion> westernRegion(QStringView s);

} // namespace transfer::smart
