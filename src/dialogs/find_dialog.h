#pragma once
// The find dialog (`TForm3`): a subject, two rows of dates and times, an event
// type and an "Accept" box. It searches nothing and changes nothing: both
// buttons only close it. What it keeps is its place, read at creation and
// written at destruction, so the instance made at start, destroyed last,
// decides what stays in the settings file. That instance is never shown, so
// the controls are made only when a dialog is first shown.
#include <windows.h>

#include <filesystem>

#include "platform/handles.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class FindDialog : public ModalWindow {
public:
    // OK carries the id that Enter sends; Esc closes like Abort.
    enum ControlId : int {
        BitBtn1 = IDOK,
        BitBtn2 = IDABORT,
        Label1 = 100,
        Edit1,
        Label2,
        DateTimePicker1,
        DateTimePicker2,
        ComboBox1,
        CheckBox1,
        DateTimePicker3,
        DateTimePicker4,
    };

    // The place it keeps when a stored coordinate is not a whole number.
    static constexpr POINT kDesignPlace{322, 263};
    static constexpr SIZE kOuterSize{334, 239};

    explicit FindDialog(const WindowContext& context);

private:
    void OnCreate() override { FormCreate(); }
    void OnFirstShowing() override;
    void OnDestroy() override { FormDestroy(); }
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnActivate(bool active) override;
    void OnClose() override;
    void BeforeModal() override;
    void CreateChildControls();
    void FormCreate();
    void FormDestroy();
    // OK, Abort, Esc and Alt+F4: the modal run ends and the dialog hides.
    void Close();

    std::filesystem::path program_folder_;
    OwnedFont font_;
    Controls<ControlId> controls_;
    HWND focus_ = nullptr;  // the control that had the focus when the dialog was left
};

}  // namespace orbelle
