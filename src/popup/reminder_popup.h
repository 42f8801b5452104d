#pragma once
// The reminder popup (`TForm5`): the subject and memo of the record under the
// event cursor in a stay-on-top window cut to its picture's badge, with
// "Accept" (the record is marked accepted) and "Close" (nothing changes).
#include <windows.h>

#include <array>
#include <string>

#include "platform/handles.h"
#include "store/event_cursor.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class TForm5 : public ModalWindow {
public:
    enum ControlId : int { Image1 = 100, Label1, Label2, SpeedButton1, SpeedButton2 };

    static constexpr POINT kPlace{239, 181};
    static constexpr SIZE kClientSize{363, 318};
    static constexpr RECT kImage1{0, 0, 305, 281};  // the picture control, smaller than the picture
    static constexpr SIZE kPictureSize{301, 294};

    // Reads the record under the cursor and takes the badge's shape. The
    // popup never moves the cursor; Accept writes through it.
    // ShowModal runs until Accept or Close.
    TForm5(const WindowContext& context, EventCursor& cursor);

    HWND Control(ControlId id) const;
    HBITMAP Picture() const { return picture_.Get(); }

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnCreate() override { FormCreate(); }
    void OnCommand(WORD id, WORD code, HWND control) override;
    // Alt+F4 dismisses like Close: the record stays as it is.
    void OnClose() override { SpeedButton2Click(); }
    // A visible control keeps the mouse; a bare part of the popup drags it.
    LRESULT OnNcHitTest(int screen_x, int screen_y) override;
    // The button face under the picture, which the labels draw over.
    void PaintContent(HDC dc, const RECT& client) override;
    void FormCreate();
    void CreateChildControls();
    void SetLabel(ControlId id, const std::string& text_utf8, HFONT font);
    void ApplyShape();
    LRESULT OnControlColour(HDC dc, HWND control);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void DrawPicture(HDC dc, int width, int height) const;
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Close();

    EventCursor& cursor_;
    OwnedBitmap picture_;
    OwnedFont font_;
    OwnedFont bold_font_;
    // In declaration order; the hit test walks them in this order.
    Controls<ControlId> controls_;
};

// A memo's line breaks as the label draws them: "\r\n", "\n" and "\r" all
// become "\r\n".
std::wstring LabelLines(std::wstring_view text);

}  // namespace orbelle
