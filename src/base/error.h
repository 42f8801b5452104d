#pragma once
// The error every failing operation throws. Its text is what the user sees in
// the standard error message box, so it is always a complete message.
#include <stdexcept>
#include <string>

namespace orbelle {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message_utf8) : std::runtime_error(message_utf8) {}
};

}  // namespace orbelle
