#pragma once
#include "app/application.h"

namespace orbelle {

// The about box (`TFormabout`): for now its frame, created hidden at start.
class AboutBox : public Window {
public:
    explicit AboutBox(Application& app);
};

}  // namespace orbelle
