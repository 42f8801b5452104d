#pragma once
// The list window's toolbar: New, Modify, Delete, Find and Close, each with
// its picture and tooltip.
#include <windows.h>

#include "platform/handles.h"

namespace orbelle {

// The toolbar at the top of parent, its pictures kept in images.
HWND CreateListToolBar(HWND parent, int id, HFONT font, OwnedImageList& images);
// The button's tooltip; null for a command without a button.
const wchar_t* ToolBarTip(UINT_PTR command);

}  // namespace orbelle
