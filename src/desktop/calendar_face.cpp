#include "desktop/calendar_face.h"

#include "desktop/face_layout.h"
#include "platform/skin_image.h"

namespace orbelle {
namespace {

ImageSize SizeOf(TGPImage& image) {
    return {static_cast<int>(image.Width()), static_cast<int>(image.Height())};
}

}  // namespace

ComposedFace ComposeFace(const std::filesystem::path& program_folder, std::chrono::year_month_day displayed) {
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
        TGPImage& source = op.element == FaceElement::WeekdayLabel ? weekdays
                           : op.element == FaceElement::Marker     ? marker
                                                                   : numbers;
        surface.DrawPart(source, op.dst_x, op.dst_y, op.src_x, op.src_y, op.src_w, op.src_h);
    }
    return face;
}

}  // namespace orbelle
