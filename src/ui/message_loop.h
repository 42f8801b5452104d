#pragma once
// The message loop and the nested loops of modal windows share one way of
// handing a message over: accelerators of the window they belong to first.
#include <windows.h>

#include <functional>

namespace orbelle {

// Keyboard shortcuts of a top-level window, active while it or a child has the message.
void RegisterAccelerators(HWND window, HACCEL accelerators);
void UnregisterAccelerators(HWND window);

// Dialog keys for a top-level window that is not a dialog template: Tab and
// the arrow keys move between its controls, Enter clicks its default button
// (IDOK) and Esc its cancel button (IDCANCEL).
void RegisterDialogKeys(HWND window);
void UnregisterDialogKeys(HWND window);

// Translates and dispatches one message; false when it was WM_QUIT.
bool DispatchOne(const MSG& message);

// Shows the window modally: every other enabled window of the thread is
// disabled until done() holds, then the window is hidden. A quit request
// met on the way is passed on to the outer loop.
void RunModal(HWND window, const std::function<bool()>& done);

// Runs the messages already waiting in the queue.
void ProcessPendingMessages();

}  // namespace orbelle
