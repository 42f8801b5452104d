#pragma once
// What the program gives each window it makes, instead of the application
// object: the hidden owner, the program folder, and the quit request.
#include <windows.h>

#include <filesystem>

namespace orbelle {

struct WindowContext {
    // The hidden top-level window that owns the program's windows, so that
    // none of them gets a taskbar button of its own.
    HWND owner = nullptr;
    // The executable's folder; relative paths of the program folder join it.
    std::filesystem::path program_folder;
};

// The program's end: the message loop stops after what is already queued.
class QuitRequest {
public:
    virtual void RequestQuit() = 0;
    virtual bool QuitRequested() const = 0;

protected:
    ~QuitRequest() = default;
};

// The one quit request of a run: asked once, it stays asked.
class ProgramQuit final : public QuitRequest {
public:
    void RequestQuit() override {
        requested_ = true;
        PostQuitMessage(0);
    }
    bool QuitRequested() const override { return requested_; }

private:
    bool requested_ = false;
};

}  // namespace orbelle
