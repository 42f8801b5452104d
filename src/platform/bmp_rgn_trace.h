#pragma once
// BmpRgn, the portable half: the outline of a picture's shape as a polygon.
// The shape is every pixel whose colour differs from the top-left pixel's.
// The outline is walked on a boolean grid that magnifies the picture three
// times, so that the walk can run along the outside of one-pixel features.
// Turning the polygon into a window region is the Win32 half's job.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orbelle {

// A picture as plain pixels: row-major, top row first, each 0xRRGGBB. The bits
// above 24 are ignored, so the pixels of a 32-bit top-down DIB can be passed
// as they lie in memory.
struct PictureView {
    int width = 0;
    int height = 0;
    std::span<const std::uint32_t> pixels;  // width * height values
};

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

using TPointsArray = std::vector<TPoint>;

// The tracing grid: 3 x 3 cells per pixel of the padded picture, which is the
// picture inside a one-pixel frame of the transparent colour. Cell (c, r)
// belongs to padded pixel (c / 3, r / 3); padded pixel (x, y) is picture pixel
// (x - 1, y - 1). The frame keeps the outer three rings of cells false, so the
// neighbours of any true cell, and their neighbours, lie inside the grid.
class TBooleanArray {
public:
    static constexpr int kCellsPerPixel = 3;

    // Cells are true where the padded picture is opaque: its colour differs
    // from picture pixel (0, 0) in red, green or blue (exact comparison).
    // Throws std::invalid_argument when the pixel count is not width * height
    // or a side is negative or beyond kMaxPictureSide.
    explicit TBooleanArray(PictureView picture);

    // A grid drawn cell by cell (row-major, nonzero is true), for shapes that
    // no picture makes. The two outer rings must be false, which keeps every
    // read of the walk inside; throws std::invalid_argument otherwise.
    TBooleanArray(int columns, int rows, std::vector<std::uint8_t> cells);

    // Up to this side the cell count, 9 * (side + 2)^2, fits a 32-bit size_t;
    // a window picture is far smaller.
    static constexpr int kMaxPictureSide = 16384;

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    // Cells that are true; 9 per opaque pixel.
    std::int64_t TrueCells() const { return true_cells_; }

    // No range check: the walk reads at most two cells away from a true cell.
    bool At(int column, int row) const {
        return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(column)] != 0;
    }

private:
    int columns_ = 0;  // 3 * (width + 2)
    int rows_ = 0;     // 3 * (height + 2)
    std::int64_t true_cells_ = 0;
    std::vector<std::uint8_t> cells_;  // row-major, one byte per cell
};

struct GridCell {
    int column = 0;
    int row = 0;
    bool operator==(const GridCell&) const = default;
};

enum class TraceStatus {
    Closed,         // the walk came back to its start: points hold the outline
    NoOpaquePixel,  // every pixel has the transparent colour: no shape, no message
    DeadEnd,        // the walk got stuck or ran past its bound: show message
};

struct TraceResult {
    TraceStatus status = TraceStatus::NoOpaquePixel;
    // The polygon: the start pixel, then a point each time the walk enters
    // another padded pixel; it may end with a copy of the first point. Only
    // when Closed; padded coordinates until OffsetPoints has moved them.
    TPointsArray points;
    // Where the walk stopped, in grid cells (3 x padded pixel, plus 0 to 2).
    GridCell stuck_at;
    // The user's message for a dead end: "Unclosed at  <column>,<row>".
    std::string message;
    // Steps taken, the closing one back to the start not counted; never more
    // than the step limit.
    std::int64_t steps = 0;
};

// The walk is deterministic in (current cell, previous cell, the one before).
// Every step goes to a side neighbour, so previous is one of current's 4 side
// neighbours and the one before is one of previous's 3 others: there are at
// most 12 such states per true cell, plus the first. A walk with more steps
// than that has repeated a state and would circle forever without reaching
// its start, so the limit never cuts a walk that would have closed.
std::int64_t TraceStepLimit(const TBooleanArray& grid);

// Walks the outline of the area that holds the first true cell in row order,
// moving between side-by-side edge cells only (up, right, down, left tried
// in that order, the last two cells never revisited at once). Areas joined to
// it only at a corner, and holes inside it, do not change the outline.
// A walk past step_limit ends as a dead end where it stands.
TraceResult TraceOutline(const TBooleanArray& grid);
TraceResult TraceOutline(const TBooleanArray& grid, std::int64_t step_limit);

// The window's frame around its client area, as the window code passes it.
enum class BorderStyle { None, Single, Sizeable, Dialog, ToolWindow, SizeableToolWindow };

// The system metrics of the same names, read by the window code.
struct FrameMetrics {
    int cx_dlgframe = 0;
    int cy_dlgframe = 0;
    int cx_frame = 0;
    int cy_frame = 0;
    int cy_caption = 0;
    int cy_smcaption = 0;
    int cy_menu = 0;
};

// The shift from padded picture coordinates to window coordinates: (-1, -1)
// to drop the padding, then the frame, caption and menu bar above and left of
// the client area, where the picture sits at the top-left corner.
TPoint WindowShift(BorderStyle style, bool has_menu, const FrameMetrics& metrics);
void OffsetPoints(TPointsArray& points, BorderStyle style, bool has_menu,
                  const FrameMetrics& metrics);

// Grid, walk and shift together: a Closed result holds the polygon in window
// coordinates, ready for the path that makes the region.
TraceResult TraceWindowOutline(PictureView picture, BorderStyle style, bool has_menu,
                               const FrameMetrics& metrics);

}  // namespace orbelle
