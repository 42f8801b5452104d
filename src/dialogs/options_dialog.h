#pragma once
// The options dialog (`TForm_Option`): start with Windows, the "Show Tray
// Icon" setting and the calendar's transparency. Created once at start and
// shown without being modal; the slider sets the calendar alpha at once, OK
// stores the three keys and the Run value, Cancel only hides. The settings
// are read at creation; the controls, which show them, wait for the first
// showing.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/handles.h"
#include "platform/registry.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

// Where the dialog finds "install path" and the Run keys, and the program
// they name. Tests give keys of their own, so the real ones stay untouched.
struct OptionsRegistry {
    HKEY machine_root = HKEY_LOCAL_MACHINE;
    RunKeyOpeners run_keys;
    std::wstring exe_path;  // empty: this executable's full path
};

// Where the slider's transparency goes at once: the desktop calendar, which
// the dialog does not know; the application wires it.
class TransparencySink {
public:
    // A transparency percentage as the slider stands, 0..100.
    virtual void ShowTransparency(int percent) = 0;

protected:
    ~TransparencySink() = default;
};

class OptionsDialog : public Window {
public:
    // OK and Cancel carry the ids that Enter and Esc send.
    enum ControlId : int {
        BitBtn1 = IDOK,
        BitBtn2 = IDCANCEL,
        cb_startrup = 100,
        cb_Icon,
        Label1,
        ScrollBar1,
        Label3,
        CheckBox1,
        GroupBox1,
    };

    OptionsDialog(WindowContext context, TransparencySink& transparency, OptionsRegistry registry = {});

    // The tray's "Options": the same window, shown without being modal.
    void ShowOptions();

    // The options settings file as it is located now.
    std::filesystem::path SettingsPath() const;

private:
    void OnCreate() override { FormCreate(); }
    void OnFirstShowing() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnClose() override;
    void OnHorizontalScroll(HWND bar, int code, int thumb) override;
    void CreateChildControls();
    void FormCreate();
    void ScrollBar1Scroll(int position);
    void BitBtn1Click();
    void BitBtn2Click();

    bool Checked(int id) const;
    int Position() const;
    void SetPosition(int position);
    void SetLabel3(int position);
    std::wstring ExePath() const;

    // What the settings file said at creation, for the controls to show.
    struct ReadAtCreation {
        bool startup = false;
        bool icon = false;
        std::optional<int> transparency;  // none when reading it failed
    };

    WindowContext context_;
    TransparencySink& transparency_;
    OptionsRegistry registry_;
    ReadAtCreation read_;
    OwnedFont font_;
    Controls<ControlId> controls_;
};

}  // namespace orbelle
