#pragma once
// The standard error message box and the guarded dispatch around every
// command, timer handler and creation step.
#include <windows.h>

#include <exception>
#include <string>

namespace orbelle {

// The application's title, the caption of every error box.
void SetApplicationTitle(std::wstring title);
const std::wstring& ApplicationTitle();

// The message as text, the application title as caption, a stop icon, OK.
void ShowStandardError(const std::string& message_utf8);

// Runs the action; an error it throws is shown and the action is skipped from
// there on. False when it failed.
template <typename Action>
bool Guarded(Action&& action) {
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        ShowStandardError(error.what());
    } catch (...) {
        ShowStandardError("Unexpected error");
    }
    return false;
}

}  // namespace orbelle
