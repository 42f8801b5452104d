#pragma once
// Where each piece of the calendar face goes, as a plain list the window draws
// with its image library. The face: weekday labels at the top, the displayed
// month in seven columns (Sunday to Saturday) and six rows of day numbers made
// of 10 x 10 digit cells, and a marker over the displayed day. Coordinates are
// face pixels, origin top-left, y downwards; images are drawn unscaled.
#include <chrono>
#include <vector>

namespace orbelle {

using std::chrono::year_month_day;

// Width and height of a loaded skin image; 0 x 0 when the file is missing.
struct ImageSize {
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const ImageSize&, const ImageSize&) = default;
};

struct FacePoint {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const FacePoint&, const FacePoint&) = default;
};

enum class FaceElement {
    WeekdayLabel,  // from the weekday strip
    TensDigit,     // from the number strip
    UnitsDigit,    // from the number strip
    Marker,        // the whole marker image
};

// One image part drawn at one place, unscaled: the source rectangle of the
// element's image goes to the destination top-left.
struct DrawOp {
    FaceElement element = FaceElement::WeekdayLabel;
    int src_x = 0, src_y = 0, src_w = 0, src_h = 0;
    int dst_x = 0, dst_y = 0;
    friend constexpr bool operator==(const DrawOp&, const DrawOp&) = default;
};

struct FaceLayout {
    // In drawing order, later ones covering earlier ones: the weekday labels
    // Sunday to Saturday; then cell by cell, row by row, left to right, the
    // tens digit (days 10 and up) and the units digit of each day; the marker
    // last. Parts whose source is empty (a missing or too narrow image) are
    // left out, since they would draw nothing.
    std::vector<DrawOp> ops;
    // Top-left of the marker, centred 2 pixels left of and above the middle of
    // the displayed day's number area; may be negative, the face clips it.
    FacePoint marker;
    // Weekday of the month's first day, 1 for Sunday to 7 for Saturday: the
    // column of day 1.
    int first_weekday = 1;
};

// The date line, written out above the grid, starts here.
inline constexpr FacePoint kDateLineOrigin{64, 8};
// Each digit of the number strip is a 10 x 10 cell at x = 0, y = 10 * digit.
inline constexpr int kDigitCell = 10;

// The number area (20 x 10: tens digit, then units digit) of the day cell in
// column 1 (Sunday) to 7 (Saturday) and row 0 to 5.
constexpr FacePoint DayNumberArea(int column, int row) {
    return {20 + 25 * column, 75 + 25 * row};
}

// The 25 x 25 cell of a day, around its number area: the square a 25 x 25
// marker covers. The cells of a month tile the grid without overlapping.
struct FaceRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend constexpr bool operator==(const FaceRect&, const FaceRect&) = default;
};
inline constexpr int kDayCellSize = 25;
constexpr FaceRect DayCell(FacePoint number_area) {
    return {number_area.x - 4, number_area.y - 9, kDayCellSize, kDayCellSize};
}

// The number area of a day (1 up to the month's length) of the month.
FacePoint DayNumberAreaOf(std::chrono::year_month month, int day);
// The day of the month whose cell holds the face point; 0 for none.
int DayAtFacePoint(std::chrono::year_month month, FacePoint point);

// The face for the month of `displayed`, with the marker on its day.
// `weekday_strip` holds seven labels of equal width side by side (label width
// = width / 7, remainder unused); `marker` is drawn whole. A day past the end
// of the month (never the case for a valid date) marks the month's last day.
FaceLayout LayoutFace(year_month_day displayed, ImageSize weekday_strip, ImageSize marker);

}  // namespace orbelle
