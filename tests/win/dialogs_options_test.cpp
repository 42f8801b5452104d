#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

#include "desktop/desktop_window.h"
#include "desktop/displayed_date.h"
#include "dialogs/options_dialog.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "platform/registry.h"
#include "platform/wide.h"
#include "ui/message_loop.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

namespace fs = std::filesystem;
using Id = OptionsDialog::ControlId;

constexpr wchar_t kRunSubkey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kInstallSubkey[] = L"SOFTWARE\\Sorwick_Info";

// The data of a string value, or nullopt when the value is missing.
std::optional<std::wstring> StringValue(HKEY root, const wchar_t* subkey, const std::wstring& name) {
    wchar_t data[1024];
    DWORD bytes = sizeof data;
    if (RegGetValueW(root, subkey, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Options dialogs of the test's own, whose "install path" and Run keys lie
// in a sandbox under HKEY_CURRENT_USER: the real HKEY_LOCAL_MACHINE values
// stay as other work needs them, and no Run value is left for Wine to start.
class OptionsDialogTest : public AppTest {
protected:
    OptionsDialogTest() {
        std::random_device random;
        sandbox_path_ = L"Software\\OrbelleTests\\options-" + std::to_wstring(random());
        sandbox_ = CreateKey(HKEY_CURRENT_USER, sandbox_path_.c_str());
        machine_ = CreateKey(sandbox_.Get(), L"machine");
        user_ = CreateKey(sandbox_.Get(), L"user");
        Start();
    }
    ~OptionsDialogTest() override {
        dialog_.reset();
        machine_.Reset();
        user_.Reset();
        sandbox_.Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, sandbox_path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, sandbox_path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\OrbelleTests");  // only when no other run uses it
    }

    static OwnedRegKey CreateKey(HKEY parent, const wchar_t* path) {
        HKEY key = nullptr;
        RegCreateKeyExW(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return OwnedRegKey(key);
    }
    void SetInstallPath(const std::wstring& folder) {
        RegSetKeyValueW(Machine(), kInstallSubkey, L"install path", REG_SZ, folder.c_str(),
                        static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    HKEY Machine() const { return machine_.Get(); }
    HKEY User() const { return user_.Get(); }
    RunKeyOpeners SandboxRunKeys() const {
        return {[this] { return OpenRunKey(Machine()); }, [this] { return OpenRunKey(User()); }};
    }

    // A dialog as the program makes it at start, reading its settings now.
    OptionsDialog& MakeDialog(RunKeyOpeners run_keys) {
        dialog_ = MakeWindow<OptionsDialog>(App().Context(), App().CalendarTransparency(),
                                            OptionsRegistry{Machine(), std::move(run_keys), exe_});
        return *dialog_;
    }
    OptionsDialog& MakeDialog() { return MakeDialog(SandboxRunKeys()); }

    HWND Control(int id) const { return GetDlgItem(dialog_->Hwnd(), id); }
    int Position() const { return GetScrollPos(Control(Id::ScrollBar1), SB_CTL); }
    bool Checked(int id) const { return IsDlgButtonChecked(dialog_->Hwnd(), id) == BST_CHECKED; }
    void Click(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }
    void Scroll(int code, int thumb = 0) {
        SendMessageW(dialog_->Hwnd(), WM_HSCROLL, MAKEWPARAM(code, thumb),
                     reinterpret_cast<LPARAM>(Control(Id::ScrollBar1)));
    }
    int CalendarAlpha() { return App().Desktop()->CalendarAlpha(); }
    // What the calendar shows of it: 255 when it is an ordinary window.
    int CalendarOpacityShown() {
        const HWND calendar = App().Desktop()->Hwnd();
        if (!(GetWindowLongPtrW(calendar, GWL_EXSTYLE) & WS_EX_LAYERED)) return 255;
        BYTE opacity = 0;
        DWORD flags = 0;
        GetLayeredWindowAttributes(calendar, nullptr, &opacity, &flags);
        return flags & LWA_ALPHA ? opacity : -1;
    }
    std::wstring Stored(const fs::path& file, const wchar_t* key) const {
        wchar_t value[64] = {};
        GetPrivateProfileStringW(L"ini", key, L"<none>", value, 64, file.c_str());
        return value;
    }

    const std::wstring exe_ = L"C:\\Program Files\\Orbelle Test\\Orbelle.exe";
    WindowPtr<OptionsDialog> dialog_;

private:
    std::wstring sandbox_path_;
    OwnedRegKey sandbox_;
    OwnedRegKey machine_;
    OwnedRegKey user_;
};

// Every kind of scroll event sets the label and the calendar alpha, which the
// calendar shows as its opacity at once.
TEST_F(OptionsDialogTest, EverySliderEventSetsLabelAndCalendarAlpha) {
    struct Case {
        const char* name;
        int from;
        int code;
        int thumb;
        int position;
        int alpha;
    };
    const Case cases[] = {
        {"thumb to 30, half to even", 0, SB_THUMBTRACK, 30, 30, 76},
        {"thumb released at 70, half to even", 0, SB_THUMBPOSITION, 70, 70, 178},
        {"thumb to 50", 0, SB_THUMBTRACK, 50, 50, 128},
        {"thumb to 0", 40, SB_THUMBTRACK, 0, 0, 0},
        {"thumb to 100", 0, SB_THUMBTRACK, 100, 100, 255},
        {"arrow right", 29, SB_LINERIGHT, 0, 30, 76},
        {"arrow left", 71, SB_LINELEFT, 0, 70, 178},
        {"page right steps one", 49, SB_PAGERIGHT, 0, 50, 128},
        {"page left steps one", 11, SB_PAGELEFT, 0, 10, 26},
        {"arrow right at the end", 100, SB_LINERIGHT, 0, 100, 255},
        {"arrow left at the start", 0, SB_LINELEFT, 0, 0, 0},
        {"home key", 60, SB_LEFT, 0, 0, 0},
        {"end key", 60, SB_RIGHT, 0, 100, 255},
        {"end of scrolling", 30, SB_ENDSCROLL, 0, 30, 76},
    };
    MakeDialog().ShowOptions();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scroll(SB_THUMBPOSITION, c.from);
        Scroll(c.code, c.thumb);
        EXPECT_EQ(Position(), c.position);
        EXPECT_EQ(WindowText(Control(Id::Label3)), std::to_wstring(c.position) + L"%");
        EXPECT_EQ(CalendarAlpha(), c.alpha);
        EXPECT_EQ(CalendarOpacityShown(), CalendarOpacity(c.alpha));
    }
}

// The keyboard reaches the slider through the dialog keys: Tab from "Show
// Tray Icon" gives it the focus and the arrow keys move it.
TEST_F(OptionsDialogTest, KeyboardOrderAndArrowKeysOnTheSlider) {
    OptionsDialog& dialog = MakeDialog();
    dialog.ShowOptions();
    const int order[] = {Id::cb_startrup, Id::cb_Icon, Id::ScrollBar1, Id::BitBtn1, Id::BitBtn2, Id::CheckBox1};
    for (size_t i = 0; i < std::size(order); ++i) {
        HWND next = GetNextDlgTabItem(dialog.Hwnd(), Control(order[i]), FALSE);
        EXPECT_EQ(next, Control(order[(i + 1) % std::size(order)])) << i;
    }

    SetFocus(Control(Id::cb_Icon));
    auto key = [](WPARAM virtual_key) {
        MSG down{GetFocus(), WM_KEYDOWN, virtual_key, 1};
        DispatchOne(down);
        MSG up{GetFocus(), WM_KEYUP, virtual_key, static_cast<LPARAM>(0xC0000001u)};
        DispatchOne(up);
        ProcessPendingMessages();
    };
    key(VK_TAB);
    ASSERT_EQ(GetFocus(), Control(Id::ScrollBar1));
    key(VK_RIGHT);
    key(VK_RIGHT);
    EXPECT_EQ(Position(), 2);
    EXPECT_EQ(WindowText(Control(Id::Label3)), L"2%");
    EXPECT_EQ(CalendarAlpha(), orbelle::CalendarAlpha(2));
    key(VK_ESCAPE);  // Cancel
    EXPECT_FALSE(IsWindowVisible(dialog.Hwnd()));
}

TEST_F(OptionsDialogTest, CreationTicksOnlyOnExactlyOneAndBringsTheSliderIntoRange) {
    struct Case {
        const char* name;
        const wchar_t* startup;  // nullptr: the key is missing
        const wchar_t* icon;
        const wchar_t* transparency;
        bool startup_ticked;
        bool icon_ticked;
        int position;
    };
    const Case cases[] = {
        {"nothing stored", nullptr, nullptr, nullptr, false, false, 0},
        {"ones", L"1", L"1", L"40", true, true, 40},
        {"words meaning yes", L"yes", L"True", L"100", false, false, 100},
        {"zeros", L"0", L"0", L"0", false, false, 0},
        {"one with a zero before", L"01", L"1", L"7", false, true, 7},
        {"above the range", L"1", L"0", L"250", true, false, 100},
        {"below the range", L"0", L"1", L"-20", false, true, 0},
    };
    const fs::path file = ProgramFolder() / "Pellmar.ini";  // no install path: the program folder's file
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(file);
        WritePrivateProfileStringW(L"Ini", L"startup", c.startup, file.c_str());
        WritePrivateProfileStringW(L"Ini", L"Icon", c.icon, file.c_str());
        WritePrivateProfileStringW(L"Ini", L"transparency", c.transparency, file.c_str());
        const int alpha_before = CalendarAlpha();
        MakeDialog();
        EXPECT_FALSE(IsWindowVisible(dialog_->Hwnd()));
        fs::remove(file);  // what was read at creation shows, whatever the file says by then
        dialog_->ShowOptions();
        EXPECT_EQ(Checked(Id::cb_startrup), c.startup_ticked);
        EXPECT_EQ(Checked(Id::cb_Icon), c.icon_ticked);
        EXPECT_EQ(Position(), c.position);
        EXPECT_EQ(WindowText(Control(Id::Label3)), std::to_wstring(c.position) + L"%");
        EXPECT_FALSE(Checked(Id::CheckBox1));
        EXPECT_EQ(CalendarAlpha(), alpha_before);  // the calendar reads its own at start
    }
}

TEST_F(OptionsDialogTest, ATransparencyThatIsNoNumberIsReportedAndStopsTheCreation) {
    SetSetting(L"Ini", L"startup", L"1");
    SetSetting(L"Ini", L"transparency", L"half");
    MessageBoxAnswerer answers;
    MakeDialog();
    ASSERT_EQ(answers.Seen().size(), 1u);
    EXPECT_EQ(answers.Seen()[0].text, L"'half' is not a valid integer value");
    // Shown later, it shows what creation left, though the file is mended by then.
    SetSetting(L"Ini", L"transparency", L"55");
    dialog_->ShowOptions();
    EXPECT_EQ(answers.Seen().size(), 1u);
    EXPECT_TRUE(Checked(Id::cb_startrup));  // read before the failure
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(WindowText(Control(Id::Label3)), L"Label3");
}

// "install path" + "\Pellmar.ini"; when it is missing or empty, the program
// folder's file rather than the root of the drive.
TEST_F(OptionsDialogTest, TheSettingsFileFollowsTheInstallPath) {
    const fs::path elsewhere = ProgramFolder() / "installed elsewhere";
    fs::create_directories(elsewhere);
    struct Case {
        const char* name;
        std::optional<std::wstring> install_path;
        fs::path file;
    };
    const Case cases[] = {
        {"missing", std::nullopt, ProgramFolder() / "Pellmar.ini"},
        {"empty", L"", ProgramFolder() / "Pellmar.ini"},
        {"the program folder", ProgramFolder().wstring(), ProgramFolder() / "Pellmar.ini"},
        {"another folder", elsewhere.wstring(), elsewhere / "Pellmar.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(ProgramFolder() / "Pellmar.ini");
        fs::remove(elsewhere / "Pellmar.ini");
        RegDeleteTreeW(Machine(), kInstallSubkey);
        RegDeleteKeyW(Machine(), kInstallSubkey);
        if (c.install_path) SetInstallPath(*c.install_path);
        WritePrivateProfileStringW(L"Ini", L"transparency", L"35", c.file.c_str());

        OptionsDialog& dialog = MakeDialog();
        dialog.ShowOptions();
        EXPECT_EQ(Position(), 35);
        Scroll(SB_THUMBPOSITION, 60);
        Click(Id::BitBtn1);
        EXPECT_EQ(Stored(c.file, L"transparency"), L"60");
        EXPECT_EQ(dialog.SettingsPath().lexically_normal(), c.file.lexically_normal());
    }
    EXPECT_FALSE(fs::exists(fs::path(L"\\Pellmar.ini")));
}

TEST_F(OptionsDialogTest, OkStoresTheKeysAndTheRunValueAndUntickingDeletesIt) {
    MakeDialog();
    dialog_->ShowOptions();
    Click(Id::cb_startrup);
    Click(Id::cb_Icon);
    Scroll(SB_THUMBTRACK, 30);
    Click(Id::BitBtn1);

    const fs::path file = ProgramFolder() / "Pellmar.ini";
    EXPECT_EQ(Stored(file, L"startup"), L"1");
    EXPECT_EQ(Stored(file, L"Icon"), L"1");
    EXPECT_EQ(Stored(file, L"transparency"), L"30");
    EXPECT_NE(ReadAll(file).find("[Ini]"), std::string::npos);
    // Named by the bare path, the data quoted: a path with blanks cannot start another program.
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), L"\"" + exe_ + L"\"");
    EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), std::nullopt);
    EXPECT_FALSE(IsWindowVisible(dialog_->Hwnd()));

    // A copy under the user's key from an earlier run goes too.
    RegSetKeyValueW(User(), kRunSubkey, exe_.c_str(), REG_SZ, L"x", 4);
    dialog_->ShowOptions();
    Click(Id::cb_startrup);
    Click(Id::cb_Icon);
    Click(Id::BitBtn1);
    EXPECT_EQ(Stored(file, L"startup"), L"0");
    EXPECT_EQ(Stored(file, L"Icon"), L"0");
    EXPECT_EQ(Stored(file, L"transparency"), L"30");
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), std::nullopt);
    EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), std::nullopt);

    // The stored choices come back at the next start.
    MakeDialog().ShowOptions();
    EXPECT_FALSE(Checked(Id::cb_startrup));
    EXPECT_EQ(Position(), 30);
}

// A standard user cannot write HKEY_LOCAL_MACHINE: the program starts with
// Windows for that user alone, and unticking removes that value.
TEST_F(OptionsDialogTest, RunValueFallsBackToTheUserWhenTheMachineRefuses) {
    RunKeyOpeners keys = SandboxRunKeys();
    keys.machine = [] { return OwnedRegKey(); };
    MakeDialog(keys).ShowOptions();
    Click(Id::cb_startrup);
    Click(Id::BitBtn1);
    EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), L"\"" + exe_ + L"\"");
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), std::nullopt);
    EXPECT_EQ(Setting(L"Ini", L"startup"), L"1");

    Click(Id::cb_startrup);
    Click(Id::BitBtn1);
    EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), std::nullopt);
    EXPECT_EQ(Setting(L"Ini", L"startup"), L"0");
}

TEST_F(OptionsDialogTest, AFileThatCannotBeWrittenIsReportedAndTheDialogStaysOpen) {
    const fs::path missing = ProgramFolder() / "no such folder";
    SetInstallPath(missing.wstring());
    MakeDialog();
    dialog_->ShowOptions();
    Click(Id::cb_startrup);
    MessageBoxAnswerer answers;
    Click(Id::BitBtn1);
    ASSERT_EQ(answers.Seen().size(), 1u);
    EXPECT_EQ(answers.Seen()[0].text, L"Unable to write to " + (missing / "Pellmar.ini").wstring());
    EXPECT_TRUE(IsWindowVisible(dialog_->Hwnd()));
    // The failure came first: the Run value was never reached.
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), std::nullopt);
}

TEST_F(OptionsDialogTest, CancelAfterASliderMoveKeepsTheMovedAlphaAndTheStoredPercentage) {
    SetSetting(L"Ini", L"transparency", L"10");
    OptionsDialog& dialog = MakeDialog();
    dialog.ShowOptions();
    Scroll(SB_THUMBTRACK, 70);
    Scroll(SB_THUMBPOSITION, 70);
    Click(Id::BitBtn2);
    EXPECT_FALSE(IsWindowVisible(dialog.Hwnd()));
    EXPECT_EQ(CalendarAlpha(), 178);
    EXPECT_EQ(CalendarOpacityShown(), 255 - 178);
    EXPECT_EQ(Setting(L"Ini", L"transparency"), L"10");
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), std::nullopt);

    dialog.ShowOptions();  // as it was left
    EXPECT_EQ(Position(), 70);
    EXPECT_EQ(WindowText(Control(Id::Label3)), L"70%");
}

TEST_F(OptionsDialogTest, TheTrayCommandShowsTheOneDialogWithoutMakingItModal) {
    ASSERT_NE(App().Options(), nullptr);
    const HWND options = App().Options()->Hwnd();
    EXPECT_EQ(ClassName(options), L"TForm_Option");
    EXPECT_EQ(WindowText(options), L"Options");
    EXPECT_EQ(WindowRect(options).left, 275);
    EXPECT_EQ(WindowRect(options).top, 167);
    EXPECT_EQ(WindowRect(options).right - WindowRect(options).left, 291);
    EXPECT_EQ(WindowRect(options).bottom - WindowRect(options).top, 287);
    EXPECT_EQ(GetWindowLongPtrW(options, GWL_STYLE) & (WS_SYSMENU | WS_THICKFRAME), WS_THICKFRAME);
    EXPECT_FALSE(IsWindowVisible(options));

    SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdOptions, 0);  // returns at once
    EXPECT_TRUE(IsWindowVisible(options));
    EXPECT_TRUE(IsWindowEnabled(App().EventList()->Hwnd()));
    SendMessageW(options, WM_CLOSE, 0, 0);  // hides, as Cancel does
    EXPECT_TRUE(IsWindow(options));
    EXPECT_FALSE(IsWindowVisible(options));
}

}  // namespace
}  // namespace orbelle::testing
