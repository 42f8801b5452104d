#include "desktop/calendar_face.h"

#include <cstddef>

#include "desktop/face_layout.h"
#include "platform/skin_image.h"

namespace orbelle {
namespace {

ImageSize SizeOf(TGPImage& image) {
    return {static_cast<int>(image.Width()), static_cast<int>(image.Height())};
}

// A mark sits centred under the day's digits, inside the day's cell.
void DrawMarks(TGPGraphics& surface, const std::filesystem::path& program_folder, std::chrono::year_month month,
               const MonthMarks& marks) {
    TGPImage picture(program_folder / kEventMarkSkin);
    const int width = static_cast<int>(picture.Width()) / 2, height = static_cast<int>(picture.Height());
    if (width <= 0 || height <= 0) return;
    const int days = static_cast<int>(unsigned{(month / std::chrono::last).day()});
    for (int day = 1; day <= days; ++day) {
        const DayMark mark = marks[static_cast<std::size_t>(day)];
        if (mark == DayMark::None) continue;
        const FaceRect cell = DayCell(DayNumberAreaOf(month, day));
        // Centred on the digits' middle (cell x + 13.5), between the digits'
        // last row (cell y + 17) and the tile's lower edge (cell y + 24).
        const int x = cell.x + 14 - width / 2, y = cell.y + 19;
        surface.DrawPart(picture, x, y, mark == DayMark::Strong ? width : 0, 0, width, height);
    }
}

}  // namespace

ComposedFace ComposeFace(const std::filesystem::path& program_folder, std::chrono::year_month_day displayed,
                         const MonthMarks* marks) {
    ComposedFace face;
    TGPBitmap background(program_folder / kBackgroundSkin);
    face.size = {static_cast<LONG>(background.Width()), static_cast<LONG>(background.Height())};
    // Background 0: the skin's transparent parts become black.
    face.bitmap = background.ToGdiBitmap(0);
    if (!face.bitmap) return face;

    TGPImage weekdays(program_folder / kWeekdaySkin);
    TGPImage numbers(program_folder / kNumberSkin);
    TGPImage marker(program_folder / kMarkerSkin);
    const FaceLayout layout = LayoutFace(displayed, SizeOf(weekdays), SizeOf(marker));

    OwnedDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return face;
    SelectedObject selected(dc.Get(), face.bitmap.Get());
    TGPGraphics surface(dc.Get());
    for (const DrawOp& op : layout.ops) {
        if (op.element == FaceElement::Marker && marks)
            DrawMarks(surface, program_folder, {displayed.year(), displayed.month()}, *marks);
        TGPImage& source = op.element == FaceElement::WeekdayLabel ? weekdays
                           : op.element == FaceElement::Marker     ? marker
                                                                   : numbers;
        surface.DrawPart(source, op.dst_x, op.dst_y, op.src_x, op.src_y, op.src_w, op.src_h);
    }
    // Without a marker the marks come last.
    if (marks && (layout.ops.empty() || layout.ops.back().element != FaceElement::Marker))
        DrawMarks(surface, program_folder, {displayed.year(), displayed.month()}, *marks);
    return face;
}

}  // namespace orbelle
