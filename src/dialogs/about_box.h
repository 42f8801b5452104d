#pragma once
// The about box (`TFormabout`): the product, its version, its page and its
// rights notice on the popup's round picture, in a borderless stay-on-top
// window cut to the picture's outline, with one "Close" button. One is made
// at start and never shown; each "About" shows a fresh one modally. So the
// picture, fonts, button and outline are made only when a box is first shown.
#include <windows.h>

#include "platform/handles.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class AboutBox : public ModalWindow {
public:
    // Esc and Enter on the button close the box as "Close" does.
    enum ControlId : int { SpeedButton2 = IDCANCEL };

    static constexpr POINT kPlace{254, 181};
    static constexpr SIZE kClientSize{314, 318};
    // `Image1`: the picture lies at the top-left corner, shown within this box.
    static constexpr RECT kImage1{0, 0, 305, 281};

    static constexpr const wchar_t* kVersionText = L"Orbelle Version 2.01";
    static constexpr const wchar_t* kHomePageText = L"Orbelle home page: help\\index.html";
    static constexpr const wchar_t* kRightsText = L"Copyright (C) 2026 the Orbelle authors";

    explicit AboutBox(const WindowContext& context);

private:
    void OnFirstShowing() override { FormCreate(); }
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnClose() override;
    // Only the box's controls keep the mouse; the rest of it drags the box.
    LRESULT OnNcHitTest(int screen_x, int screen_y) override;
    void PaintContent(HDC dc, const RECT& client) override;
    void FormCreate();
    void ApplyShape();
    // "Close": the modal run ends and the box hides.
    void SpeedButton2Click();

    OwnedBitmap picture_;  // `Image1`'s picture, the popup's
    OwnedFont tahoma_;
    OwnedFont tahoma_bold_;
    OwnedFont sans_serif_;
};

}  // namespace orbelle
