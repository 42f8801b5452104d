#include <gtest/gtest.h>

#include <string>

#include "eventlist/tray_tip.h"

namespace orbelle {
namespace {
using namespace std::chrono;

// UTF-16 code units of UTF-8 text: what the tip field counts.
std::size_t Utf16Units(const std::string& utf8) {
    std::size_t units = 0;
    for (unsigned char byte : utf8) {
        if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

TEST(TrayTip, WritesTodayAndTheProductLine) {
    EXPECT_EQ(TrayTip(2005y / January / 5, EnglishNames()),
              "Today is Wednesday, January 5, 2005\nVintrel 2.01");
    EXPECT_EQ(TrayTip(2024y / September / 30, EnglishNames()),
              "Today is Monday, September 30, 2024\nVintrel 2.01");
}

TEST(TrayTip, LongLocaleNamesAreCutToTheField) {
    LocaleNames names = EnglishNames();
    names.weekdays[3] = "Mittwochmittwochmittwoch";  // Wednesday
    names.months[0] = "Januarjanuarjanuar";
    std::string tip = TrayTip(2005y / January / 5, names);
    std::string full = "Today is Mittwochmittwochmittwoch, Januarjanuarjanuar 5, 2005\nVintrel 2.01";
    EXPECT_EQ(tip, full.substr(0, kTrayTipMaxUnits));
    EXPECT_EQ(Utf16Units(tip), 63u);
}

TEST(TrayTip, NeverSplitsACharacter) {
    const std::string ascii60(60, 'a');
    const std::string pair = "\xF0\x9F\x93\x85";   // U+1F4C5, two UTF-16 units
    const std::string two_byte = "\xC3\xA4";       // U+00E4, one unit
    const std::string three_byte = "\xE6\x97\xA5"; // U+65E5, one unit
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"pair would take units 63 and 64", ascii60 + "bb" + pair + "c", ascii60 + "bb"},
        {"pair fits in units 62 and 63", ascii60 + "b" + pair + "c", ascii60 + "b" + pair},
        {"two-byte character is one unit", ascii60 + "bb" + two_byte + "c", ascii60 + "bb" + two_byte},
        {"three-byte character is one unit", ascii60 + "bb" + three_byte + "c",
         ascii60 + "bb" + three_byte},
        {"short text stays whole", "Today" + pair, "Today" + pair},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string cut(CutToUtf16Units(c.text, kTrayTipMaxUnits));
        EXPECT_EQ(cut, c.expected);
        EXPECT_LE(Utf16Units(cut), kTrayTipMaxUnits);
    }
}

TEST(TrayTip, PairInAMonthNameAtTheBoundaryIsDroppedWhole) {
    LocaleNames names = EnglishNames();
    // "Today is Wednesday, " is 20 units; 42 more reach unit 62, and the pair
    // would take units 63 and 64.
    names.months[0] = std::string(42, 'x') + "\xF0\x9F\x93\x85" + "y";
    std::string tip = TrayTip(2005y / January / 5, names);
    EXPECT_EQ(tip, "Today is Wednesday, " + std::string(42, 'x'));
}

}  // namespace
}  // namespace orbelle
