// The calendar face drawn from plain-coloured skins and read back pixel by
// pixel from the window's face bitmap.
#include <windows.h>

#include <chrono>

#include "desktop/desktop_window.h"
#include "desktop/face_layout.h"
#include "desktop_skins.h"
#include "platform/locale.h"
#include "platform/wide.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {
using namespace std::chrono;

class DesktopFaceTest : public AppTest {
protected:
    DesktopWindow& Desktop() { return *App().Desktop(); }

    FacePixels Show(year_month_day date) {
        Desktop().SetPauseAfterRedraw(false);
        Desktop().SetDisplayedDate(date);
        Desktop().repaintpng1();
        return ReadBitmap(Desktop().FaceBitmap());
    }
};

// What one 20 x 10 number area shows: "31", "1" (a blank left half), ""
// (nothing drawn) or "?" (anything else).
std::string NumberIn(const FacePixels& face, FacePoint area) {
    auto half = [&](int x) -> std::optional<std::string> {
        auto colour = face.Block(x, area.y, 10, 10);
        if (!colour) return std::nullopt;
        if (*colour == Rgb(kBackgroundColour)) return "";
        for (int d = 0; d < 10; ++d)
            if (*colour == Rgb(DigitColour(d))) return std::to_string(d);
        return std::nullopt;
    };
    auto tens = half(area.x), units = half(area.x + 10);
    if (!tens || !units) return "?";
    if (!tens->empty() && units->empty()) return "?";  // a tens digit alone is never drawn
    return *tens + *units;
}

struct CellCase {
    const char* name;
    int column, row;
    const char* shows;
};

void ExpectCells(const FacePixels& face, std::initializer_list<CellCase> cases) {
    for (const CellCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NumberIn(face, DayNumberArea(c.column, c.row)), c.shows);
    }
}

TEST_F(DesktopFaceTest, March2025FillsAllSixRowsFromSaturday) {
    WritePlainSkins(ProgramFolder());
    Start();
    FacePixels face = Show(2025y / March / 20);  // marker in row 3, clear of the cells below
    ASSERT_EQ(face.width, kFaceWidth);
    ASSERT_EQ(face.height, kFaceHeight);
    ExpectCells(face, {
                          {"Friday before the 1st stays empty", 6, 0, ""},
                          {"1st on Saturday, units digit in the right half", 7, 0, "1"},
                          {"2nd opens row 1", 1, 1, "2"},
                          {"9th, last one-digit day", 1, 2, "9"},
                          {"10th: tens 1 at x, 0 at x + 10", 2, 2, "10"},
                          {"30th in row 5, Sunday", 1, 5, "30"},
                          {"31st in row 5, Monday", 2, 5, "31"},
                          {"after the 31st stays empty", 3, 5, ""},
                          {"row 5, Saturday, empty", 7, 5, ""},
                      });
    // The 1st exactly at (195, 75): its units digit fills (205..214, 75..84).
    EXPECT_EQ(face.Block(205, 75, 10, 10), Rgb(DigitColour(1)));
    EXPECT_EQ(face.At(205, 74), Rgb(kBackgroundColour));
    EXPECT_EQ(face.At(215, 75), Rgb(kBackgroundColour));
}

TEST_F(DesktopFaceTest, February2015FillsFourRowsAndLeavesRowsFourAndFiveEmpty) {
    WritePlainSkins(ProgramFolder());
    Start();
    FacePixels face = Show(2015y / February / 1);
    ExpectCells(face, {{"28th closes row 3", 7, 3, "28"}, {"1st on Sunday", 2, 0, "2"}});
    for (int row = 4; row <= 5; ++row) {
        for (int column = 1; column <= 7; ++column) {
            SCOPED_TRACE(::testing::Message() << "row " << row << ", column " << column);
            EXPECT_EQ(NumberIn(face, DayNumberArea(column, row)), "");
        }
    }
}

TEST_F(DesktopFaceTest, MarkerCentresOnTheDisplayedDayAndTheDateLineFollowsTheDisplayedDate) {
    WritePlainSkins(ProgramFolder());
    Start();
    FacePixels face = Show(2024y / March / 5);
    // 24 x 24 on day 5's area (95, 100): top-left (91, 91), covering the digit.
    EXPECT_EQ(face.Block(91, 91, 24, 24), Rgb(kMarkerColour));
    EXPECT_NE(face.At(90, 91), Rgb(kMarkerColour));
    EXPECT_NE(face.At(91, 90), Rgb(kMarkerColour));
    EXPECT_NE(face.At(115, 114), Rgb(kMarkerColour));
    EXPECT_NE(face.At(114, 115), Rgb(kMarkerColour));
    ExpectCells(face, {{"4th beside the marker", 2, 1, "4"}, {"31st", 1, 5, "31"}});
    EXPECT_EQ(Desktop().DateLine(), Widen(FormatLongDate(2024y / March / 5, UserLocaleNames())));
    if (UserLocaleNames().months[2] == "March") EXPECT_EQ(Desktop().DateLine(), L"Tuesday, March 5, 2024");

    Show(2024y / April / 5);
    EXPECT_EQ(Desktop().DateLine(), Widen(FormatLongDate(2024y / April / 5, UserLocaleNames())));
}

TEST_F(DesktopFaceTest, WeekdayLabelsStartFivePixelsRightOfTheirColumnsAndSeeThroughBackgroundIsBlack) {
    WritePlainSkins(ProgramFolder());
    Start();
    FacePixels face = Show(2025y / March / 20);
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(face.Block(50 + 25 * k, 50, 20, 12), Rgb(LabelColour(k)));
        EXPECT_EQ(face.At(50 + 25 * k + 20, 50), Rgb(kBackgroundColour));  // label width 140 / 7
    }
    EXPECT_EQ(face.Block(0, 0, 4, 4), 0u);
    EXPECT_EQ(face.At(4, 4), Rgb(kBackgroundColour));
}

TEST_F(DesktopFaceTest, AWideMarkerOnASundayStartsLeftOfTheFaceAndIsClipped) {
    WritePlainSkins(ProgramFolder(), 108, 20);
    Start();
    // 2 March 2025 is a Sunday: area (45, 100), so x = 45 + 10 - 54 - 2 = -1
    // and y = 100 + 5 - 10 - 2 = 93.
    FacePixels face = Show(2025y / March / 2);
    EXPECT_EQ(face.Block(0, 93, 106, 20), Rgb(kMarkerColour));
    EXPECT_NE(face.At(107, 93), Rgb(kMarkerColour));
    EXPECT_NE(face.At(106, 92), Rgb(kMarkerColour));
    EXPECT_EQ(face.At(106, 93), Rgb(kMarkerColour));
}

TEST_F(DesktopFaceTest, MissingSkinsLeaveTheirPartsOutWithoutAMessage) {
    WritePlainSkins(ProgramFolder());
    std::filesystem::remove(ProgramFolder() / kNumberSkin);
    std::filesystem::remove(ProgramFolder() / kMarkerSkin);
    MessageBoxAnswerer answers;
    Start();
    FacePixels face = Show(2025y / March / 20);
    for (int row = 0; row <= 5; ++row) {
        for (int column = 1; column <= 7; ++column) {
            SCOPED_TRACE(::testing::Message() << "row " << row << ", column " << column);
            EXPECT_EQ(face.Block(DayNumberArea(column, row).x - 5, DayNumberArea(column, row).y - 5, 25, 20),
                      Rgb(kBackgroundColour));
        }
    }
    EXPECT_EQ(face.Block(50, 50, 20, 12), Rgb(LabelColour(0)));  // the weekday row is still there
    EXPECT_TRUE(answers.Seen().empty());
}

TEST_F(DesktopFaceTest, TheRegionIsMadeOnceFromTheFirstFace) {
    WritePlainSkins(ProgramFolder());
    Start();
    HWND calendar = Desktop().Hwnd();
    auto region_box = [&] {
        OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
        RECT box{};
        EXPECT_EQ(GetWindowRgn(calendar, region.Get()), SIMPLEREGION);
        GetRgnBox(region.Get(), &box);
        return box;
    };
    RECT first = region_box();
    EXPECT_EQ(first.left, 1);
    EXPECT_EQ(first.top, 1);
    EXPECT_EQ(first.right, kFaceWidth);
    EXPECT_EQ(first.bottom, kFaceHeight);

    WritePng(ProgramFolder() / kBackgroundSkin, Picture(200, 100, kBackgroundColour));
    Show(2025y / March / 20);
    EXPECT_EQ(Desktop().FaceSize().cx, 200);
    RECT later = region_box();
    EXPECT_EQ(later.right, kFaceWidth);
    EXPECT_EQ(later.bottom, kFaceHeight);
}

}  // namespace
}  // namespace orbelle::testing
