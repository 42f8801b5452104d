#pragma once
#include "app/application.h"

namespace orbelle {

// The find dialog (`TForm3`): for now its frame, created hidden at start.
class FindDialog : public Window {
public:
    explicit FindDialog(Application& app);
};

}  // namespace orbelle
