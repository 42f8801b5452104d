#include "dialogs/options_dialog.h"

namespace orbelle {

OptionsDialog::OptionsDialog(Application& app) {
    Create({.name = L"TForm_Option"},
           {.caption = L"Options", .style = WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN, .x = 275, .y = 167,
            .width = 291, .height = 287, .owner = app.Owner()});
}

}  // namespace orbelle
