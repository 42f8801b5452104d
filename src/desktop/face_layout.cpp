#include "desktop/face_layout.h"

#include <algorithm>

namespace orbelle {
namespace {
using namespace std::chrono;

constexpr int kColumns = 7;
constexpr int kRows = 6;
constexpr FacePoint kFirstWeekdayLabel{50, 50};
constexpr int kWeekdayLabelStep = 25;

// Negative sizes cannot come from an image; treat them as no image.
ImageSize NonNegative(ImageSize size) { return {std::max(size.width, 0), std::max(size.height, 0)}; }

void AddIfVisible(std::vector<DrawOp>& ops, const DrawOp& op) {
    if (op.src_w > 0 && op.src_h > 0) ops.push_back(op);
}

}  // namespace

FaceLayout LayoutFace(year_month_day displayed, ImageSize weekday_strip, ImageSize marker) {
    weekday_strip = NonNegative(weekday_strip);
    marker = NonNegative(marker);

    FaceLayout face;
    face.ops.reserve(kColumns + 2 * 31 + 1);

    const int label_width = weekday_strip.width / kColumns;
    for (int k = 0; k < kColumns; ++k) {
        AddIfVisible(face.ops, {FaceElement::WeekdayLabel, k * label_width, 0, label_width,
                                weekday_strip.height, kFirstWeekdayLabel.x + kWeekdayLabelStep * k,
                                kFirstWeekdayLabel.y});
    }

    const year_month month{displayed.year(), displayed.month()};
    const weekday first{sys_days{month / 1}};
    face.first_weekday = static_cast<int>(first.c_encoding()) + 1;  // 1..7
    const int days = static_cast<int>(unsigned{(month / last).day()});  // 28..31
    const int marked_day = std::clamp(static_cast<int>(unsigned{displayed.day()}), 1, days);

    FacePoint marker_anchor;
    int day_number = 0;
    for (int row = 0; row < kRows; ++row) {
        for (int column = 1; column <= kColumns; ++column) {
            if ((row == 0 && column < face.first_weekday) || day_number == days) continue;
            ++day_number;
            const FacePoint area = DayNumberArea(column, row);
            if (day_number == marked_day) marker_anchor = area;
            if (day_number >= 10) {
                face.ops.push_back({FaceElement::TensDigit, 0, kDigitCell * (day_number / 10),
                                    kDigitCell, kDigitCell, area.x, area.y});
            }
            face.ops.push_back({FaceElement::UnitsDigit, 0, kDigitCell * (day_number % 10),
                                kDigitCell, kDigitCell, area.x + kDigitCell, area.y});
        }
    }

    // Integer halves: a 25 x 25 marker is offset by 12. The anchor is at most
    // (205, 205) and the halves are non-negative, so the sums stay inside int.
    face.marker = {marker_anchor.x + 10 - marker.width / 2 - 2,
                   marker_anchor.y + 5 - marker.height / 2 - 2};
    AddIfVisible(face.ops, {FaceElement::Marker, 0, 0, marker.width, marker.height,
                            face.marker.x, face.marker.y});
    return face;
}

FacePoint DayNumberAreaOf(year_month month, int day) {
    const int first = static_cast<int>(weekday{sys_days{month / 1}}.c_encoding());  // 0 Sunday
    const int cell = first + day - 1;  // 0.. from the Sunday of row 0
    return DayNumberArea(cell % kColumns + 1, cell / kColumns);
}

int DayAtFacePoint(year_month month, FacePoint point) {
    const int days = static_cast<int>(unsigned{(month / last).day()});
    const FaceRect grid = DayCell(DayNumberArea(1, 0));
    if (point.x < grid.x || point.y < grid.y) return 0;
    const int column = (point.x - grid.x) / kDayCellSize, row = (point.y - grid.y) / kDayCellSize;
    if (column >= kColumns || row >= kRows) return 0;
    const int first = static_cast<int>(weekday{sys_days{month / 1}}.c_encoding());
    const int day = row * kColumns + column - first + 1;
    return day >= 1 && day <= days ? day : 0;
}

}  // namespace orbelle
