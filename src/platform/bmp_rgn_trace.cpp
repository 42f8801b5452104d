#include "platform/bmp_rgn_trace.h"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <utility>

#include "base/convert.h"

namespace orbelle {
namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

struct Step {
    int columns;
    int rows;
};

// The walk's neighbour order: up, right, down, left.
constexpr std::array<Step, 4> kWalkOrder{{{0, -1}, {1, 0}, {0, 1}, {-1, 0}}};

constexpr std::array<Step, 8> kAllNeighbours{
    {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}}};

GridCell Neighbour(GridCell cell, Step step) {
    return {cell.column + step.columns, cell.row + step.rows};
}

bool IsSet(const TBooleanArray& grid, GridCell cell) { return grid.At(cell.column, cell.row); }

// A true cell with a false cell among its eight neighbours: the walk keeps to
// these, so it runs along the rim of the shape and never across its inside.
bool IsEdgeCell(const TBooleanArray& grid, GridCell cell) {
    return std::any_of(kAllNeighbours.begin(), kAllNeighbours.end(),
                       [&](Step step) { return !IsSet(grid, Neighbour(cell, step)); });
}

TPoint PaddedPixel(GridCell cell) {
    return {cell.column / TBooleanArray::kCellsPerPixel, cell.row / TBooleanArray::kCellsPerPixel};
}

std::optional<GridCell> FirstTrueCell(const TBooleanArray& grid) {
    for (int row = 0; row < grid.Rows(); ++row)
        for (int column = 0; column < grid.Columns(); ++column)
            if (grid.At(column, row)) return GridCell{column, row};
    return std::nullopt;
}

TraceResult DeadEnd(GridCell cell, std::int64_t steps) {
    TraceResult result;
    result.status = TraceStatus::DeadEnd;
    result.stuck_at = cell;
    result.message = FormatMessage(
        "%s %d,%d", {"Unclosed at ", std::to_string(cell.column), std::to_string(cell.row)});
    result.steps = steps;
    return result;
}

}  // namespace

TBooleanArray::TBooleanArray(PictureView picture) {
    if (picture.width < 0 || picture.height < 0 || picture.width > kMaxPictureSide ||
        picture.height > kMaxPictureSide)
        throw std::invalid_argument("picture side out of range");
    const auto width = static_cast<std::size_t>(picture.width);
    const auto height = static_cast<std::size_t>(picture.height);
    if (picture.pixels.size() != width * height)
        throw std::invalid_argument("pixel count differs from width * height");

    // At most 3 * 16386 = 49158 each way: 2.4e9 cells still fit a 32-bit size_t.
    columns_ = kCellsPerPixel * (picture.width + 2);
    rows_ = kCellsPerPixel * (picture.height + 2);
    const auto columns = static_cast<std::size_t>(columns_);
    cells_.assign(columns * static_cast<std::size_t>(rows_), 0);
    if (picture.pixels.empty()) return;

    const std::uint32_t transparent = picture.pixels[0] & kRgbMask;
    // Padded row y + 1 holds picture row y; the frame rows and columns stay false.
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* first_row = &cells_[(y + 1) * kCellsPerPixel * columns];
        const std::uint32_t* pixel = &picture.pixels[y * width];
        for (std::size_t x = 0; x < width; ++x) {
            if ((pixel[x] & kRgbMask) == transparent) continue;
            std::fill_n(first_row + (x + 1) * kCellsPerPixel, kCellsPerPixel, std::uint8_t{1});
            true_cells_ += kCellsPerPixel * kCellsPerPixel;
        }
        for (int copy = 1; copy < kCellsPerPixel; ++copy)
            std::copy_n(first_row, columns, first_row + copy * columns);
    }
}

TBooleanArray::TBooleanArray(int columns, int rows, std::vector<std::uint8_t> cells)
    : columns_(columns), rows_(rows), cells_(std::move(cells)) {
    if (columns < 0 || rows < 0 ||
        cells_.size() != static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows))
        throw std::invalid_argument("cell count differs from columns * rows");
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (!At(column, row)) continue;
            if (column < 2 || row < 2 || column >= columns - 2 || row >= rows - 2)
                throw std::invalid_argument("true cell in the two outer rings");
            ++true_cells_;
        }
    }
}

std::int64_t TraceStepLimit(const TBooleanArray& grid) { return 12 * grid.TrueCells() + 1; }

TraceResult TraceOutline(const TBooleanArray& grid) {
    return TraceOutline(grid, TraceStepLimit(grid));
}

TraceResult TraceOutline(const TBooleanArray& grid, std::int64_t step_limit) {
    const std::optional<GridCell> start = FirstTrueCell(grid);
    if (!start) return {};

    TraceResult result;
    result.points.push_back(PaddedPixel(*start));

    // The start is the top-left cell of an opaque pixel's 3 x 3 block, so the
    // first step goes right; the other two choices only guard a lone cell.
    GridCell current = *start;
    if (IsSet(grid, Neighbour(*start, {1, 0})))
        current = Neighbour(*start, {1, 0});
    else if (IsSet(grid, Neighbour(*start, {0, 1})))
        current = Neighbour(*start, {0, 1});
    GridCell previous = *start;
    GridCell before_previous{0, 0};
    std::int64_t steps = 1;

    for (;;) {
        std::optional<GridCell> next;
        for (Step step : kWalkOrder) {
            const GridCell candidate = Neighbour(current, step);
            if (IsSet(grid, candidate) && candidate != previous && candidate != before_previous &&
                IsEdgeCell(grid, candidate)) {
                next = candidate;
                break;
            }
        }
        if (!next) return DeadEnd(current, steps);
        if (*next == *start) break;  // closed; the start is not listed twice
        if (steps >= step_limit) return DeadEnd(current, steps);

        ++steps;
        const TPoint pixel = PaddedPixel(*next);
        if (pixel != result.points.back()) result.points.push_back(pixel);
        before_previous = previous;
        previous = current;
        current = *next;
    }
    result.status = TraceStatus::Closed;
    result.steps = steps;
    return result;
}

TPoint WindowShift(BorderStyle style, bool has_menu, const FrameMetrics& metrics) {
    TPoint shift{-1, -1};  // padded to picture coordinates
    switch (style) {
        case BorderStyle::None:
            break;
        case BorderStyle::Single:
        case BorderStyle::Dialog:
            shift.X += metrics.cx_dlgframe;
            shift.Y += metrics.cy_dlgframe + metrics.cy_caption;
            break;
        case BorderStyle::Sizeable:
            shift.X += metrics.cx_frame;
            shift.Y += metrics.cy_frame + metrics.cy_caption;
            break;
        case BorderStyle::ToolWindow:
            shift.X += metrics.cx_dlgframe;
            shift.Y += metrics.cy_dlgframe + metrics.cy_smcaption;
            break;
        case BorderStyle::SizeableToolWindow:
            shift.X += metrics.cx_frame;
            shift.Y += metrics.cy_frame + metrics.cy_smcaption;
            break;
    }
    if (has_menu) shift.Y += metrics.cy_menu;
    return shift;
}

void OffsetPoints(TPointsArray& points, BorderStyle style, bool has_menu,
                  const FrameMetrics& metrics) {
    const TPoint shift = WindowShift(style, has_menu, metrics);
    for (TPoint& point : points) {
        point.X += shift.X;
        point.Y += shift.Y;
    }
}

TraceResult TraceWindowOutline(PictureView picture, BorderStyle style, bool has_menu,
                               const FrameMetrics& metrics) {
    TraceResult result = TraceOutline(TBooleanArray(picture));
    if (result.status == TraceStatus::Closed)
        OffsetPoints(result.points, style, has_menu, metrics);
    return result;
}

}  // namespace orbelle
