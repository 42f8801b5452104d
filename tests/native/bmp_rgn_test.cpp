#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <set>
#include <string_view>
#include <utility>

#include "platform/bmp_rgn_trace.h"

namespace orbelle {

void PrintTo(const TPoint& point, std::ostream* out) { *out << "(" << point.X << "," << point.Y << ")"; }
void PrintTo(const GridCell& cell, std::ostream* out) { *out << "(" << cell.column << "," << cell.row << ")"; }

namespace {

// '.' black, '#' blue, 'r' red, 'n' black but for one bit of blue.
std::uint32_t Colour(char symbol) {
    switch (symbol) {
        case '.': return 0x000000;
        case '#': return 0x3366CC;
        case 'r': return 0xFF0000;
        case 'n': return 0x000001;
        default: ADD_FAILURE() << "no colour for " << symbol; return 0;
    }
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    PictureView View() const { return {width, height, pixels}; }
    bool Opaque(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               pixels[y * width + x] != pixels[0];
    }
};

Picture Draw(std::initializer_list<std::string_view> rows) {
    Picture picture{static_cast<int>(rows.begin()->size()), static_cast<int>(rows.size()), {}};
    for (std::string_view row : rows)
        for (char symbol : row) picture.pixels.push_back(Colour(symbol));
    return picture;
}

// Black around a blue disc; the popup picture's kind of shape.
Picture Disc(int width, int height, double radius) {
    Picture picture{width, height, {}};
    const double centre_x = width / 2.0, centre_y = height / 2.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - centre_x, dy = y + 0.5 - centre_y;
            picture.pixels.push_back(dx * dx + dy * dy <= radius * radius ? 0x3366CC : 0x000000);
        }
    }
    return picture;
}

TraceResult TraceUnframed(const Picture& picture) {
    return TraceWindowOutline(picture.View(), BorderStyle::None, false, {});
}

bool SideBySide(TPoint a, TPoint b) { return std::abs(a.X - b.X) + std::abs(a.Y - b.Y) == 1; }

struct OutlineCase {
    const char* name;
    Picture picture;
    TPointsArray expected;  // picture coordinates
};

TEST(BmpRgnTrace, OutlinesInPictureCoordinates) {
    const Picture filled_block = Draw({
        "......",
        ".####.",
        ".####.",
        ".####.",
        "......",
    });
    const TPointsArray filled_block_outline{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3},
                                            {3, 3}, {2, 3}, {1, 3}, {1, 2}, {1, 1}};
    const OutlineCase cases[] = {
        {"3 x 2 block, clockwise from its top-left",
         Draw({
             ".....",
             ".###.",
             ".###.",
             ".....",
         }),
         {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {2, 2}, {1, 2}, {1, 1}}},
        {"every colour but the top-left one is opaque",
         Draw({
             ".....",
             ".#rn.",
             ".rn#.",
             ".....",
         }),
         {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {2, 2}, {1, 2}, {1, 1}}},
        {"one-pixel row goes out and back",
         Draw({
             "....",
             "####",
             "....",
         }),
         {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {2, 1}, {1, 1}, {0, 1}}},
        {"one pixel", Draw({"...", ".n.", "..."}), {{1, 1}}},
        {"area touching at the lower-right corner is left out",
         Draw({
             ".....",
             ".##..",
             ".##..",
             "...##",
             "...##",
         }),
         {{1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}}},
        {"area touching at the lower-left corner is left out",
         Draw({
             ".....",
             "...##",
             "...##",
             ".##..",
             ".##..",
         }),
         {{3, 1}, {4, 1}, {4, 2}, {3, 2}, {3, 1}}},
        {"shape touching the picture's edges", Draw({".#", "##"}),
         {{1, 0}, {1, 1}, {0, 1}, {1, 1}, {1, 0}}},
        {"filled block", filled_block, filled_block_outline},
        {"hole is not cut out",
         Draw({
             "......",
             ".####.",
             ".#..#.",
             ".####.",
             "......",
         }),
         filled_block_outline},
    };
    for (const OutlineCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TraceResult result = TraceUnframed(c.picture);
        EXPECT_EQ(result.status, TraceStatus::Closed);
        EXPECT_EQ(result.points, c.expected);
        EXPECT_EQ(result.message, "");
    }
}

TEST(BmpRgnTrace, NoOpaquePixelGivesNoShapeAndNoMessage) {
    const struct {
        const char* name;
        Picture picture;
    } cases[] = {
        {"one colour that is not black", Draw({"###", "###"})},
        {"the byte above red is not colour", {2, 1, {0x000000, 0xFF000000}}},
        {"empty picture", {0, 0, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TraceResult result = TraceUnframed(c.picture);
        EXPECT_EQ(result.status, TraceStatus::NoOpaquePixel);
        EXPECT_TRUE(result.points.empty());
        EXPECT_EQ(result.message, "");
    }
}

// Cells drawn one by one, inside a false frame two cells wide.
TBooleanArray Cells(int columns, int rows, std::initializer_list<GridCell> true_cells) {
    std::vector<std::uint8_t> cells(static_cast<std::size_t>(columns * rows), 0);
    for (GridCell cell : true_cells) cells[cell.row * columns + cell.column] = 1;
    return TBooleanArray(columns, rows, std::move(cells));
}

TEST(BmpRgnTrace, DeadEndReportsTheGridCellWhereTheWalkStopped) {
    const TBooleanArray block(Draw({".....", ".###.", ".###.", "....."}).View());
    const struct {
        const char* name;
        TraceResult result;
        GridCell stuck_at;
        const char* message;
    } cases[] = {
        {"lone cell cannot step", TraceOutline(Cells(5, 5, {{2, 2}})), {2, 2}, "Unclosed at  2,2"},
        {"spur one cell long", TraceOutline(Cells(6, 5, {{2, 2}, {3, 2}})), {3, 2},
         "Unclosed at  3,2"},
        // From (6, 6) eight steps along row 6 to column 14, then three down.
        {"walk past its bound", TraceOutline(block, 11), {14, 9}, "Unclosed at  14,9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result.status, TraceStatus::DeadEnd);
        EXPECT_EQ(c.result.stuck_at, c.stuck_at);
        EXPECT_EQ(c.result.message, c.message);
        EXPECT_TRUE(c.result.points.empty());
    }
    // The same block walks all the way round under its own bound.
    EXPECT_EQ(TraceOutline(block).status, TraceStatus::Closed);
}

TEST(BmpRgnTrace, GridRefusesInputItCannotHold) {
    const std::vector<std::uint32_t> three(3, 0);
    EXPECT_THROW(TBooleanArray(PictureView{2, 2, three}), std::invalid_argument);
    EXPECT_THROW(TBooleanArray(PictureView{-1, -3, three}), std::invalid_argument);
    EXPECT_THROW(TBooleanArray(PictureView{TBooleanArray::kMaxPictureSide + 1, 0, {}}),
                 std::invalid_argument);
    EXPECT_THROW(Cells(5, 5, {{1, 2}}), std::invalid_argument);  // inside the frame
    EXPECT_THROW(TBooleanArray(5, 5, std::vector<std::uint8_t>(24)), std::invalid_argument);
}

TEST(BmpRgnTrace, FrameCaptionAndMenuShiftTheOutline) {
    // Distinct values, so that a wrong metric shows in the sum.
    const FrameMetrics metrics{.cx_dlgframe = 3,
                               .cy_dlgframe = 5,
                               .cx_frame = 7,
                               .cy_frame = 11,
                               .cy_caption = 19,
                               .cy_smcaption = 23,
                               .cy_menu = 29};
    const struct {
        BorderStyle style;
        const char* name;
        TPoint shift;  // without a menu
    } cases[] = {
        {BorderStyle::None, "none", {-1, -1}},
        {BorderStyle::Single, "single", {-1 + 3, -1 + 5 + 19}},
        {BorderStyle::Sizeable, "sizeable", {-1 + 7, -1 + 11 + 19}},
        {BorderStyle::Dialog, "dialog", {-1 + 3, -1 + 5 + 19}},
        {BorderStyle::ToolWindow, "tool window", {-1 + 3, -1 + 5 + 23}},
        {BorderStyle::SizeableToolWindow, "sizeable tool window", {-1 + 7, -1 + 11 + 23}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowShift(c.style, false, metrics), c.shift);
        EXPECT_EQ(WindowShift(c.style, true, metrics), (TPoint{c.shift.X, c.shift.Y + 29}));
    }

    // The whole outline moves, and only moves.
    const Picture block = Draw({".....", ".###.", ".###.", "....."});
    const TraceResult framed = TraceWindowOutline(block.View(), BorderStyle::Sizeable, true, metrics);
    TPointsArray expected = TraceUnframed(block).points;
    for (TPoint& point : expected) point = {point.X + 7, point.Y + 11 + 19 + 29};
    EXPECT_EQ(framed.points, expected);
}

TEST(BmpRgnTrace, DiscTracesToOneClosedOutlineAlongItsRim) {
    const Picture disc = Disc(301, 294, 140);
    const TBooleanArray grid(disc.View());
    EXPECT_EQ(grid.Columns(), 909);
    EXPECT_EQ(grid.Rows(), 888);

    const TraceResult result = TraceOutline(grid);
    ASSERT_EQ(result.status, TraceStatus::Closed);
    // The rim: opaque pixels with a transparent pixel among their eight
    // neighbours. The walk passes each of them and nothing else.
    std::set<std::pair<int, int>> rim, walked;
    for (int y = 0; y < disc.height; ++y)
        for (int x = 0; x < disc.width; ++x)
            for (int n = 0; n < 9 && disc.Opaque(x, y); ++n)
                if (!disc.Opaque(x + n % 3 - 1, y + n / 3 - 1)) {
                    rim.insert({x + 1, y + 1});  // padded coordinates
                    break;
                }
    for (TPoint point : result.points) walked.insert({point.X, point.Y});
    EXPECT_EQ(walked, rim);
    for (std::size_t i = 1; i < result.points.size(); ++i)
        ASSERT_TRUE(SideBySide(result.points[i - 1], result.points[i])) << "at " << i;
    EXPECT_EQ(result.points.back(), result.points.front());
}

// Random small pictures of two or three colours, dense to sparse.
TEST(BmpRgnTrace, RandomPicturesWalkUnderTheBoundAsWithFarMoreRoom) {
    std::mt19937 random(20260611);
    constexpr std::uint32_t kPalette[] = {0x000000, 0x3366CC, 0xFF0000};
    for (int round = 0; round < 10000; ++round) {
        Picture picture{1 + static_cast<int>(random() % 12), 1 + static_cast<int>(random() % 12), {}};
        const unsigned density = random() % 101, colours = 2 + random() % 2;
        for (int i = 0; i < picture.width * picture.height; ++i)
            picture.pixels.push_back(random() % 100 < density ? kPalette[1 + random() % (colours - 1)]
                                                               : kPalette[0]);
        const TBooleanArray grid(picture.View());
        const TraceResult result = TraceOutline(grid);

        SCOPED_TRACE(::testing::Message() << "round " << round);
        // A walk given far more room ends the same way, so the bound never
        // cuts a walk that would have closed or got stuck by itself.
        const std::int64_t limit = TraceStepLimit(grid);
        const TraceResult roomier = TraceOutline(grid, 64 * limit);
        ASSERT_EQ(result.status, roomier.status);
        ASSERT_EQ(result.points, roomier.points);
        if (roomier.steps < 64 * limit) {  // it ended by itself
            ASSERT_EQ(result.steps, roomier.steps);
            ASSERT_EQ(result.stuck_at, roomier.stuck_at);
        }
        std::optional<TPoint> first_opaque;
        for (int y = 0; y < picture.height && !first_opaque; ++y)
            for (int x = 0; x < picture.width && !first_opaque; ++x)
                if (picture.Opaque(x, y)) first_opaque = TPoint{x + 1, y + 1};
        if (!first_opaque) {
            ASSERT_EQ(result.status, TraceStatus::NoOpaquePixel);
            continue;
        }
        if (result.status == TraceStatus::DeadEnd) {
            ASSERT_TRUE(result.points.empty());
            ASSERT_TRUE(result.message.starts_with("Unclosed at  "));
            continue;
        }
        ASSERT_EQ(result.status, TraceStatus::Closed);
        ASSERT_EQ(result.points.front(), *first_opaque);
        for (std::size_t i = 0; i < result.points.size(); ++i) {
            const TPoint point = result.points[i];
            ASSERT_TRUE(picture.Opaque(point.X - 1, point.Y - 1)) << "point " << i;
            if (i > 0) {
                ASSERT_TRUE(SideBySide(result.points[i - 1], point)) << "point " << i;
            }
        }
        const TPoint last = result.points.back();
        ASSERT_TRUE(last == *first_opaque || SideBySide(last, *first_opaque));
    }
}

}  // namespace
}  // namespace orbelle
