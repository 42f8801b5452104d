#pragma once
#include "app/application.h"

namespace orbelle {

// The options dialog (`TForm_Option`): for now its frame, created hidden at start.
class OptionsDialog : public Window {
public:
    explicit OptionsDialog(Application& app);
};

}  // namespace orbelle
