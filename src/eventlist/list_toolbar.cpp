#include "eventlist/list_toolbar.h"

#include <commctrl.h>

#include <array>

#include "eventlist/commands.h"
#include "platform/shell_libraries.h"
#include "ui/controls.h"

namespace orbelle {
namespace {

struct ToolButtonSpec {
    WORD command;
    const wchar_t* caption;
    const wchar_t* tooltip;
    const wchar_t* bitmap;  // resource name of the 26 x 20 picture
};

constexpr std::array<ToolButtonSpec, 5> kToolButtons{{
    {kCmdNew, L"New", L"create a new event", L"TOOLBAR_NEW"},              // NewBtn
    {kCmdModify, L"Modify", L"modify a event", L"TOOLBAR_MODIFY"},         // OptionBtn
    {kCmdDelete, L"Delete", L"delete a event", L"TOOLBAR_DELETE"},         // DelBtn
    {kCmdFind, L"Find", L"find the events", L"TOOLBAR_FIND"},              // SearchBtn
    {kCmdClose, L"Close", L"print events imformation", L"TOOLBAR_CLOSE"},  // PrintBtn
}};

// The toolbar pictures' background, made see-through by the mask.
constexpr COLORREF kToolBarMaskColour = RGB(255, 0, 255);

}  // namespace

HWND CreateListToolBar(HWND parent, int id, HFONT font, OwnedImageList& images) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND toolbar = CreateControl(parent,
                                 {.window_class = TOOLBARCLASSNAMEW,
                                  .id = id,
                                  .style = TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | WS_CLIPSIBLINGS},
                                 font);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    images.Reset(CreateImageList(26, 20, ILC_COLOR24 | ILC_MASK, 5, 0));
    for (const auto& button : kToolButtons) {
        HBITMAP picture = static_cast<HBITMAP>(LoadImageW(instance, button.bitmap, IMAGE_BITMAP, 0, 0, 0));
        if (picture) {
            AddMaskedToImageList(images.Get(), picture, kToolBarMaskColour);
            DeleteObject(picture);
        }
    }
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Get()));
    std::array<TBBUTTON, kToolButtons.size()> buttons{};
    for (size_t i = 0; i < kToolButtons.size(); ++i) {
        buttons[i].iBitmap = static_cast<int>(i);
        buttons[i].idCommand = kToolButtons[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        buttons[i].iString = reinterpret_cast<INT_PTR>(kToolButtons[i].caption);
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(0, 41));
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    return toolbar;
}

const wchar_t* ToolBarTip(UINT_PTR command) {
    for (const auto& button : kToolButtons)
        if (button.command == command) return button.tooltip;
    return nullptr;
}

}  // namespace orbelle
