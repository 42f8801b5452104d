#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "desktop/displayed_date.h"
#include "desktop/face_layout.h"

namespace orbelle {

// Readable failures for layout comparisons.
void PrintTo(const DrawOp& op, std::ostream* out) {
    static const char* const kNames[] = {"WeekdayLabel", "TensDigit", "UnitsDigit", "Marker"};
    *out << kNames[static_cast<int>(op.element)] << " src(" << op.src_x << ", " << op.src_y
         << ", " << op.src_w << ", " << op.src_h << ") at (" << op.dst_x << ", " << op.dst_y << ")";
}
void PrintTo(const FacePoint& point, std::ostream* out) {
    *out << "(" << point.x << ", " << point.y << ")";
}

namespace {
using namespace std::chrono;

// ---- displayed date ----

using DateStep = year_month_day (*)(year_month_day);

// The standard library at hand cannot stream calendar dates yet.
std::string Text(year_month_day date) {
    return std::to_string(int{date.year()}) + "-" + std::to_string(unsigned{date.month()}) + "-" +
           std::to_string(unsigned{date.day()});
}

TEST(DisplayedDate, StepsKeepTheDayOrCutItToTheMonthEnd) {
    struct Case {
        const char* name;
        year_month_day from;
        std::vector<DateStep> steps;
        year_month_day expected;
    };
    const Case cases[] = {
        {"31 Jan forward, common year", 2025y / 1 / 31, {MonthForward}, 2025y / 2 / 28},
        {"31 Jan forward, leap year", 2024y / 1 / 31, {MonthForward}, 2024y / 2 / 29},
        {"31 Jan forward twice keeps 28", 2025y / 1 / 31, {MonthForward, MonthForward}, 2025y / 3 / 28},
        {"31 May forward to a 30-day month", 2025y / 5 / 31, {MonthForward}, 2025y / 6 / 30},
        {"31 Mar back, leap year", 2024y / 3 / 31, {MonthBack}, 2024y / 2 / 29},
        {"31 Mar back, common year", 2023y / 3 / 31, {MonthBack}, 2023y / 2 / 28},
        {"29 Feb forward keeps 29", 2024y / 2 / 29, {MonthForward}, 2024y / 3 / 29},
        {"December forward", 2024y / 12 / 15, {MonthForward}, 2025y / 1 / 15},
        {"January back", 2025y / 1 / 31, {MonthBack}, 2024y / 12 / 31},
        {"29 Feb year forward", 2024y / 2 / 29, {YearForward}, 2025y / 2 / 28},
        {"29 Feb year back", 2024y / 2 / 29, {YearBack}, 2023y / 2 / 28},
        {"29 Feb year forward then back", 2024y / 2 / 29, {YearForward, YearBack}, 2024y / 2 / 28},
        {"29 Feb to another leap year is still 28", 2024y / 2 / 29,
         {YearForward, YearForward, YearForward, YearForward}, 2028y / 2 / 28},
        {"28 Feb into a leap year stays 28", 2023y / 2 / 28, {YearForward}, 2024y / 2 / 28},
        {"ordinary year forward", 2024y / 3 / 5, {YearForward}, 2025y / 3 / 5},
        {"31 Dec year back", 2024y / 12 / 31, {YearBack}, 2023y / 12 / 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        year_month_day date = c.from;
        for (DateStep step : c.steps) date = step(date);
        EXPECT_EQ(Text(date), Text(c.expected));
    }
}

TEST(DisplayedDate, StepsGiveValidDatesAndUndoEachOtherOverCenturies) {
    for (sys_days d = sys_days{1899y / 12 / 1}; d <= sys_days{2101y / 1 / 31}; d += days{1}) {
        const year_month_day date{d};
        for (DateStep step : {MonthBack, MonthForward, YearBack, YearForward}) {
            ASSERT_TRUE(step(date).ok()) << Text(date);
        }
        if (date.day() <= 28d) {  // no month end cuts the day
            ASSERT_EQ(Text(MonthBack(MonthForward(date))), Text(date));
            ASSERT_EQ(Text(MonthForward(MonthBack(date))), Text(date));
        }
        if (date.month() != February || date.day() != 29d) {
            ASSERT_EQ(Text(YearBack(YearForward(date))), Text(date));
        }
    }
}

// ---- calendar alpha and opacity ----

TEST(CalendarAlpha, PercentScaledTo255HalvesToEvenNotClamped) {
    struct Case {
        int percent;
        int alpha;
    };
    const Case cases[] = {
        {0, 0},     {10, 26},    {30, 76},     {50, 128},   {70, 178},
        {90, 230},  {100, 255},  {1, 3},       {2, 5},      {150, 382},
        {-10, -26}, {-50, -128}, {-1, -3},     {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.percent);
        EXPECT_EQ(CalendarAlpha(c.percent), c.alpha);
    }
}

TEST(CalendarAlpha, OpacityIsTheRestOf255NeverBelow26) {
    struct Case {
        int alpha;
        int opacity;
    };
    const Case cases[] = {
        {0, 255},  {128, 127},   {229, 26},     {230, 26},          {255, 26},
        {382, 26}, {-26, 255},   {INT_MAX, 26}, {INT_MIN, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alpha);
        EXPECT_EQ(CalendarOpacity(c.alpha), c.opacity);
    }
}

// ---- face layout ----

constexpr ImageSize kStrip{180, 20};  // labels 25 wide; 5 pixels left over
constexpr ImageSize kMarker{24, 24};

// Reads the day numbers the digit operations draw back into the 6 x 7 grid,
// one text per cell ("." when empty), checking on the way that every digit is a
// 10 x 10 strip cell placed at its number area (tens left, units right) and
// that the operations come in drawing order: labels, then cells in reading
// order with tens just before units, then the marker.
std::string ReadGrid(const std::vector<DrawOp>& ops) {
    std::array<std::string, 42> cells;
    int last_cell = -1;
    int pending_tens = -1;
    int rank = 0;  // 0 labels, 1 digits, 2 marker
    for (const DrawOp& op : ops) {
        SCOPED_TRACE(testing::PrintToString(op));
        const int op_rank = op.element == FaceElement::WeekdayLabel ? 0
                            : op.element == FaceElement::Marker     ? 2
                                                                    : 1;
        EXPECT_GE(op_rank, rank) << "out of drawing order";
        rank = op_rank;
        if (op_rank != 1) continue;

        const bool tens = op.element == FaceElement::TensDigit;
        const int x = op.dst_x - (tens ? 20 : 30);
        const int y = op.dst_y - 75;
        const int column = x / 25;
        const int row = y / 25;
        EXPECT_TRUE(x % 25 == 0 && column >= 1 && column <= 7) << "not at a column";
        EXPECT_TRUE(y % 25 == 0 && row >= 0 && row <= 5) << "not at a row";
        EXPECT_TRUE(op.src_x == 0 && op.src_w == 10 && op.src_h == 10 && op.src_y % 10 == 0 &&
                    op.src_y >= 0 && op.src_y <= 90)
            << "not a digit cell";
        const int cell = row * 7 + (column - 1);
        if (cell < 0 || cell >= 42) continue;
        if (tens) {
            EXPECT_TRUE(pending_tens < 0 && cell > last_cell) << "tens out of order";
            pending_tens = cell;
        } else {
            EXPECT_TRUE(pending_tens == cell || (pending_tens < 0 && cell > last_cell))
                << "units out of order";
            pending_tens = -1;
            last_cell = cell;
        }
        cells[cell] += static_cast<char>('0' + op.src_y / 10);
    }
    EXPECT_LT(pending_tens, 0) << "tens digit without units";

    std::string grid;
    for (int cell = 0; cell < 42; ++cell) {
        const std::string text = cells[cell].empty() ? "." : cells[cell];
        grid += std::string(3 - std::min<std::size_t>(3, text.size()), ' ') + text;
        if (cell % 7 == 6) grid += '\n';
    }
    return grid;
}

TEST(FaceLayout, DaysFillTheGridFromTheFirstWeekday) {
    struct Case {
        const char* name;
        year_month_day displayed;
        int first_weekday;
        const char* grid;
    };
    const Case cases[] = {
        {"March 2025: starts Saturday, all six rows", 2025y / 3 / 17, 7,
         "  .  .  .  .  .  .  1\n"
         "  2  3  4  5  6  7  8\n"
         "  9 10 11 12 13 14 15\n"
         " 16 17 18 19 20 21 22\n"
         " 23 24 25 26 27 28 29\n"
         " 30 31  .  .  .  .  .\n"},
        {"February 2015: starts Sunday, rows 4 and 5 empty", 2015y / 2 / 1, 1,
         "  1  2  3  4  5  6  7\n"
         "  8  9 10 11 12 13 14\n"
         " 15 16 17 18 19 20 21\n"
         " 22 23 24 25 26 27 28\n"
         "  .  .  .  .  .  .  .\n"
         "  .  .  .  .  .  .  .\n"},
        {"March 2024: starts Friday", 2024y / 3 / 5, 6,
         "  .  .  .  .  .  1  2\n"
         "  3  4  5  6  7  8  9\n"
         " 10 11 12 13 14 15 16\n"
         " 17 18 19 20 21 22 23\n"
         " 24 25 26 27 28 29 30\n"
         " 31  .  .  .  .  .  .\n"},
        {"February 2024: leap day", 2024y / 2 / 29, 5,
         "  .  .  .  .  1  2  3\n"
         "  4  5  6  7  8  9 10\n"
         " 11 12 13 14 15 16 17\n"
         " 18 19 20 21 22 23 24\n"
         " 25 26 27 28 29  .  .\n"
         "  .  .  .  .  .  .  .\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FaceLayout face = LayoutFace(c.displayed, kStrip, kMarker);
        EXPECT_EQ(face.first_weekday, c.first_weekday);
        EXPECT_EQ(ReadGrid(face.ops), c.grid);
    }
}

TEST(FaceLayout, WorkedExampleFifthOfMarch2024) {
    const FaceLayout face = LayoutFace(2024y / 3 / 5, kStrip, kMarker);
    const std::vector<DrawOp>& ops = face.ops;
    ASSERT_GE(ops.size(), 8u);

    // Seven 25-pixel labels cut from the strip, Sunday first, 25 apart.
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(ops[k], (DrawOp{FaceElement::WeekdayLabel, 25 * k, 0, 25, 20, 50 + 25 * k, 50}));
    }

    // Each day's digits in sequence: tens (days 10 up) then units.
    auto expect_digits = [&](const char* what, std::vector<DrawOp> expected) {
        SCOPED_TRACE(what);
        const auto at = std::search(ops.begin(), ops.end(), expected.begin(), expected.end());
        EXPECT_NE(at, ops.end()) << "not drawn in this sequence";
    };
    const auto units = FaceElement::UnitsDigit;
    const auto tens = FaceElement::TensDigit;
    expect_digits("day 1 in cell (6, 0), units only", {{units, 0, 10, 10, 10, 180, 75}});
    expect_digits("day 5 in cell (3, 1), units only", {{units, 0, 50, 10, 10, 105, 100}});
    expect_digits("day 10 as 1 at x, 0 at x + 10",
                  {{tens, 0, 10, 10, 10, 45, 125}, {units, 0, 0, 10, 10, 55, 125}});
    expect_digits("day 31 in cell (1, 5)",
                  {{tens, 0, 30, 10, 10, 45, 200}, {units, 0, 10, 10, 10, 55, 200}});

    EXPECT_EQ(face.marker, (FacePoint{91, 91}));
    EXPECT_EQ(ops.back(), (DrawOp{FaceElement::Marker, 0, 0, 24, 24, 91, 91}));
}

TEST(FaceLayout, MarkerCentresOnTheDisplayedDay) {
    struct Case {
        const char* name;
        year_month_day displayed;
        ImageSize marker;
        FacePoint top_left;
    };
    const Case cases[] = {
        {"24 x 24 on 5 March 2024", 2024y / 3 / 5, {24, 24}, {91, 91}},
        {"25 x 25 takes 12 as half, cell (1, 0)", 2015y / 2 / 1, {25, 25}, {41, 66}},
        {"108 wide in the Sunday column runs off the left", 2015y / 2 / 8, {108, 24}, {-1, 91}},
        {"after month forward from 31 January", MonthForward(2025y / 1 / 31), {24, 24}, {166, 166}},
        {"last cell of a six-row month", 2025y / 3 / 31, {24, 24}, {66, 191}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FaceLayout face = LayoutFace(c.displayed, kStrip, c.marker);
        EXPECT_EQ(face.marker, c.top_left);
        EXPECT_EQ(face.ops.back(), (DrawOp{FaceElement::Marker, 0, 0, c.marker.width,
                                           c.marker.height, c.top_left.x, c.top_left.y}));
    }
}

TEST(FaceLayout, MissingImagesLeaveOnlyTheirOwnPartsOut) {
    const year_month_day displayed = 2025y / 3 / 31;
    const FaceLayout full = LayoutFace(displayed, kStrip, kMarker);
    auto digits_of = [](const FaceLayout& face) {
        std::vector<DrawOp> digits;
        std::copy_if(face.ops.begin(), face.ops.end(), std::back_inserter(digits), [](const DrawOp& op) {
            return op.element == FaceElement::TensDigit || op.element == FaceElement::UnitsDigit;
        });
        return digits;
    };
    struct Case {
        const char* name;
        ImageSize strip;
        ImageSize marker;
    };
    const Case cases[] = {
        {"no strip, no marker", {0, 0}, {0, 0}},
        {"strip narrower than seven labels", {6, 20}, {0, 24}},
        {"strip without height", {180, 0}, {24, 0}},
        {"sizes that no image has", {-180, 20}, {-24, -24}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FaceLayout face = LayoutFace(displayed, c.strip, c.marker);
        EXPECT_EQ(digits_of(face), digits_of(full));
        EXPECT_EQ(digits_of(face), face.ops) << "nothing but digits is left to draw";
        // The marker place still follows the day's number area (70, 200).
        EXPECT_EQ(face.marker, (FacePoint{70 + 8 - std::max(c.marker.width, 0) / 2,
                                          200 + 3 - std::max(c.marker.height, 0) / 2}));
    }
}

}  // namespace
}  // namespace orbelle
