#include "dialogs/find_dialog.h"

namespace orbelle {

FindDialog::FindDialog(Application& app) {
    // A sizeable frame without title-bar buttons.
    Create({.name = L"TForm3"}, {.caption = L"Form3", .style = WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN,
                                 .x = 0, .y = 0, .width = 334, .height = 239, .owner = app.Owner()});
}

}  // namespace orbelle
