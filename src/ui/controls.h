#pragma once
// Child controls from layout tables: kind, id, place in pixels, caption.
#include <windows.h>

#include <span>
#include <vector>

#include "platform/handles.h"

namespace orbelle {

struct ControlSpec {
    const wchar_t* window_class;
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    const wchar_t* caption = L"";
    DWORD style = 0;  // added to WS_CHILD | WS_VISIBLE
    DWORD ex_style = 0;
};

HWND CreateControl(HWND parent, const ControlSpec& layout, HFONT font);

// The controls a window made from its tables, kept by id from creation on,
// so the window never looks them up again. Id is the window's enum of
// control ids.
template <typename Id>
class Controls {
public:
    // Creates the controls in table order (the keyboard order) and keeps them.
    void Create(HWND parent, std::span<const ControlSpec> specs, HFONT font) {
        for (const ControlSpec& control_spec : specs) Keep(static_cast<Id>(control_spec.id), CreateControl(parent, control_spec, font));
    }
    void Keep(Id id, HWND control) { controls_.push_back({id, control}); }
    // Null when no control of that id was made.
    HWND operator[](Id id) const {
        for (const auto& kept : controls_)
            if (kept.id == id) return kept.control;
        return nullptr;
    }

    struct Kept {
        Id id;
        HWND control;
    };
    // In the order of creation.
    auto begin() const { return controls_.begin(); }
    auto end() const { return controls_.end(); }

private:
    std::vector<Kept> controls_;
};

// A font by point size at the screen's resolution, or by character height in pixels.
OwnedFont MakeFontPoints(const wchar_t* face, int points, bool bold = false);
OwnedFont MakeFontPixels(const wchar_t* face, int char_height, bool bold = false);

}  // namespace orbelle
