#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "base/error.h"
#include "platform/registry.h"
#include "platform/settings.h"
#include "platform/wide.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// The message an operation throws, or nullopt when it does not throw.
template <typename F>
std::optional<std::string> ErrorOf(F&& operation) {
    try {
        operation();
    } catch (const Error& error) {
        return error.what();
    }
    return std::nullopt;
}

// A fresh program folder of its own; no window is created.
class SettingsFileTest : public AppTest {
protected:
    fs::path IniPath() const { return ProgramSettingsPath(ProgramFolder()); }
};

TEST_F(SettingsFileTest, WrittenValuesReadBackFromAFreshFile) {
    ASSERT_FALSE(fs::exists(IniPath()));
    {
        SettingsFile settings(IniPath());
        settings.WriteInteger("Init", "x", 250);
        settings.WriteInteger("Init", "y", -40);  // a monitor left of or above the main one
        settings.WriteString("MainForm", "Maximized", "Yes");
        settings.WriteString("Ini", "startup", "1");
        settings.WriteString("Ini", "long", std::string(1000, 'w'));  // longer than the first read buffer
        settings.WriteString("Ini", "startup", "0");                   // replaces, never adds a second key
    }
    ASSERT_TRUE(fs::exists(IniPath()));

    const SettingsFile settings(IniPath());
    EXPECT_EQ(settings.ReadInteger("init", "x", "0"), 250);
    EXPECT_EQ(settings.ReadInteger("init", "y", "0"), -40);
    EXPECT_EQ(settings.ReadString("MainForm", "Maximized", ""), "Yes");
    EXPECT_EQ(settings.ReadString("ini", "startup", "1"), "0");
    EXPECT_EQ(settings.ReadString("ini", "long", ""), std::string(1000, 'w'));

    const std::string text = ReadAll(IniPath());
    EXPECT_NE(text.find("y=-40"), std::string::npos) << text;
    EXPECT_EQ(text.find("startup=1"), std::string::npos) << text;
}

TEST_F(SettingsFileTest, SectionAndKeyNamesMatchWithoutRegardToCase) {
    WriteAll(IniPath(), "[Init]\r\nx=250\r\nListX=17\r\n[MainForm]\r\nMaximized=yes\r\n");
    const SettingsFile settings(IniPath());
    EXPECT_EQ(settings.ReadInteger("init", "x", "0"), 250);
    EXPECT_EQ(settings.ReadInteger("INIT", "listx", "0"), 17);
    // Names match without case, values are returned as stored.
    EXPECT_EQ(settings.ReadString("mainform", "maximized", ""), "yes");

    // A write to "init" lands in the existing "Init" section.
    SettingsFile(IniPath()).WriteInteger("init", "X", 300);
    EXPECT_EQ(settings.ReadInteger("Init", "x", "0"), 300);
    const std::string text = ReadAll(IniPath());
    EXPECT_EQ(text.find("[init]"), std::string::npos) << text;
}

TEST_F(SettingsFileTest, AMissingFileOrKeyGivesTheDefaultsAndCreatesNothing) {
    const SettingsFile settings(IniPath());
    EXPECT_EQ(settings.ReadString("MainForm", "Maximized", ""), "");
    EXPECT_EQ(settings.ReadInteger("Init", "x", "0"), 0);
    EXPECT_EQ(settings.ReadInteger("MainForm", "w", "637"), 637);
    EXPECT_EQ(settings.ReadIntegerOr("listview", "3", 120), 120);
    EXPECT_FALSE(fs::exists(IniPath()));

    WriteAll(IniPath(), "[Init]\r\ny=5\r\n");
    EXPECT_EQ(settings.ReadInteger("Init", "x", "0"), 0);
    EXPECT_EQ(settings.ReadString("Other", "y", "none"), "none");
}

// Each row is the line stored under [ini] for "transparency".
TEST_F(SettingsFileTest, IntegersAreStrictlyDecimal) {
    struct Case {
        const char* name;
        const char* line;
        std::optional<int> value;
        const char* message;
    };
    const Case cases[] = {
        {"plain", "transparency=50", 50, nullptr},
        {"negative", "transparency=-20", -20, nullptr},
        {"plus sign", "transparency=+7", 7, nullptr},
        // The profile format trims blanks around a value; quotes keep them.
        {"blanks around", "transparency=  5  ", 5, nullptr},
        {"quoted blank", "transparency=\" 5\"", std::nullopt, "' 5' is not a valid integer value"},
        {"word", "transparency=abc", std::nullopt, "'abc' is not a valid integer value"},
        {"present but empty", "transparency=", std::nullopt, "'' is not a valid integer value"},
        {"trailing letter", "transparency=5x", std::nullopt, "'5x' is not a valid integer value"},
        {"hexadecimal", "transparency=0x1F", std::nullopt, "'0x1F' is not a valid integer value"},
        {"fraction", "transparency=2.5", std::nullopt, "'2.5' is not a valid integer value"},
        {"beyond 32 bits", "transparency=4294967296", std::nullopt, "'4294967296' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(IniPath(), std::string("[Ini]\r\n") + c.line + "\r\n");
        const SettingsFile settings(IniPath());
        std::optional<int> value;
        auto message = ErrorOf([&] { value = settings.ReadInteger("ini", "transparency", "0"); });
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(message, c.message ? std::optional<std::string>(c.message) : std::nullopt);
    }
}

TEST_F(SettingsFileTest, ColumnWidthsTakeHexadecimalAndFallBackOnAnythingElse) {
    WriteAll(IniPath(), "[listview]\r\n0=80\r\n1=0x1F\r\n2=abc\r\n3=\r\n4=0x\r\n5=-3\r\n6=12 px\r\n");
    const SettingsFile settings(IniPath());
    struct Case {
        const char* key;
        int expected;
    };
    for (auto [key, expected] : {Case{"0", 80}, Case{"1", 31}, Case{"2", 99}, Case{"3", 99}, Case{"4", 99},
                                 Case{"5", -3}, Case{"6", 99}, Case{"7", 99}}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(settings.ReadIntegerOr("listview", key, 99), expected);
    }
}

// The find dialog joins "\Pellmar.ini" to the program folder, the others use
// the plain path: both must be one file, also when both are open at once.
TEST_F(SettingsFileTest, ADoubledSeparatorNamesTheSameFile) {
    const fs::path doubled(ProgramFolder().wstring() + L"\\\\Pellmar.ini");
    const fs::path slashed(ProgramFolder().wstring() + L"/Pellmar.ini");
    SettingsFile find_dialog(doubled);
    SettingsFile calendar(IniPath());
    EXPECT_EQ(find_dialog.Path(), calendar.Path());
    EXPECT_EQ(SettingsFile(slashed).Path(), calendar.Path());

    calendar.WriteInteger("Init", "x", 12);
    find_dialog.WriteInteger("Init", "listx", 34);
    calendar.WriteInteger("Init", "y", 56);
    EXPECT_EQ(find_dialog.ReadInteger("init", "x", "0"), 12);
    EXPECT_EQ(calendar.ReadInteger("init", "listx", "0"), 34);
    EXPECT_EQ(find_dialog.ReadInteger("init", "y", "0"), 56);

    int files = 0;
    for (const auto& entry : fs::directory_iterator(ProgramFolder())) {
        if (!entry.is_regular_file()) continue;  // the installed picture folders
        ++files;
        EXPECT_EQ(entry.path().filename(), L"Pellmar.ini");
    }
    EXPECT_EQ(files, 1);
    const std::string text = ReadAll(IniPath());
    EXPECT_NE(text.find("x=12"), std::string::npos) << text;
    EXPECT_NE(text.find("listx=34"), std::string::npos) << text;
    EXPECT_NE(text.find("y=56"), std::string::npos) << text;
}

TEST_F(SettingsFileTest, AFileThatCannotBeWrittenIsReportedByItsPath) {
    struct Case {
        const char* name;
        fs::path file;
    };
    fs::create_directories(ProgramFolder() / "folder.ini");
    const Case cases[] = {
        {"missing folder", ProgramFolder() / "missing" / "Pellmar.ini"},
        {"a folder", ProgramFolder() / "folder.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile settings(c.file);
        auto message = ErrorOf([&] { settings.WriteInteger("Init", "x", 1); });
        EXPECT_EQ(message, "Unable to write to " + Narrow(c.file.wstring()));
        EXPECT_EQ(ErrorOf([&] { settings.WriteString("Ini", "startup", "1"); }), message);
    }
}

// Another program (an editor, a scanner) holding the file without sharing:
// the write fails, is reported, and the value written before stays.
TEST_F(SettingsFileTest, AFileHeldOpenByAnotherIsReportedAndKeepsItsValue) {
    SettingsFile settings(IniPath());
    settings.WriteInteger("Init", "x", 1);
    HANDLE held = CreateFileW(IniPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    auto message = ErrorOf([&] { settings.WriteInteger("Init", "x", 2); });
    CloseHandle(held);
    EXPECT_EQ(message, "Unable to write to " + Narrow(IniPath().wstring()));
    EXPECT_EQ(settings.ReadInteger("init", "x", "0"), 1);
}

std::wstring RandomName(const wchar_t* prefix) {
    std::random_device random;
    return prefix + std::to_wstring(random());
}

// The data of a string value, or nullopt when the value is missing.
std::optional<std::wstring> StringValue(HKEY root, const wchar_t* subkey, const std::wstring& name) {
    wchar_t data[1024];
    DWORD bytes = sizeof data;
    if (RegGetValueW(root, subkey, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

constexpr wchar_t kRunSubkey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The registry is shared by every test run in the Wine prefix: each test works
// under a key of its own in HKEY_CURRENT_USER, which stands in for the roots.
class SettingsRegistryTest : public AppTest {
protected:
    SettingsRegistryTest() {
        const std::wstring path = L"Software\\OrbelleTests\\" + RandomName(L"registry-");
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        sandbox_ = OwnedRegKey(key);
        sandbox_path_ = path;
        machine_ = Subkey(L"machine");
        user_ = Subkey(L"user");
    }
    ~SettingsRegistryTest() override {
        machine_.Reset();
        user_.Reset();
        sandbox_.Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, sandbox_path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, sandbox_path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\OrbelleTests");  // only when no other run uses it
    }

    OwnedRegKey Subkey(const wchar_t* name) {
        HKEY key = nullptr;
        RegCreateKeyExW(sandbox_.Get(), name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return OwnedRegKey(key);
    }
    void SetString(HKEY root, const wchar_t* subkey, const wchar_t* name, const std::wstring& data) {
        RegSetKeyValueW(root, subkey, name, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * 2));
    }

    HKEY Machine() const { return machine_.Get(); }
    HKEY User() const { return user_.Get(); }
    RunKeyOpeners SandboxRunKeys() const {
        return {[this] { return OpenRunKey(Machine()); }, [this] { return OpenRunKey(User()); }};
    }

    const std::wstring exe_ = L"C:\\Program Files\\Orbelle\\Orbelle.exe";

private:
    OwnedRegKey sandbox_;
    std::wstring sandbox_path_;
    OwnedRegKey machine_;
    OwnedRegKey user_;
};

TEST_F(SettingsRegistryTest, InstallPathLocatesTheOptionsSettingsFile) {
    const fs::path program_file = ProgramSettingsPath(ProgramFolder());
    struct Case {
        const char* name;
        std::optional<std::wstring> install_path;  // nullopt: the key itself is missing
        std::wstring expected_path;
        fs::path expected_file;
    };
    const Case cases[] = {
        {"key missing", std::nullopt, L"", program_file},
        {"value missing", L"<none>", L"", program_file},
        {"value empty", L"", L"", program_file},
        {"another folder", L"D:\\Apps\\Orbelle", L"D:\\Apps\\Orbelle", fs::path(L"D:\\Apps\\Orbelle\\Pellmar.ini")},
        {"trailing separator", L"D:\\Apps\\Orbelle\\", L"D:\\Apps\\Orbelle\\", fs::path(L"D:\\Apps\\Orbelle\\Pellmar.ini")},
        {"the program folder", ProgramFolder().wstring(), ProgramFolder().wstring(), program_file},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(Machine(), L"SOFTWARE\\Sorwick_Info");
        RegDeleteKeyW(Machine(), L"SOFTWARE\\Sorwick_Info");
        if (c.install_path == L"<none>") {
            HKEY key = nullptr;
            RegCreateKeyExW(Machine(), L"SOFTWARE\\Sorwick_Info", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr);
            RegCloseKey(key);
        } else if (c.install_path) {
            SetString(Machine(), L"SOFTWARE\\Sorwick_Info", L"install path", *c.install_path);
        }
        EXPECT_EQ(ReadInstallPath(Machine()), c.expected_path);
        EXPECT_EQ(SettingsFile(OptionsSettingsPath(ProgramFolder(), Machine())).Path(), c.expected_file);
    }
}

TEST_F(SettingsRegistryTest, AnInstallPathThatIsNotTextReadsAsEmpty) {
    DWORD number = 7;
    RegSetKeyValueW(Machine(), L"SOFTWARE\\Sorwick_Info", L"install path", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(ReadInstallPath(Machine()), L"");
}

TEST_F(SettingsRegistryTest, ReadingTheInstallPathNeverCreatesItsKey) {
    EXPECT_EQ(ReadInstallPath(Machine()), L"");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(Machine(), L"SOFTWARE\\Sorwick_Info", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(SettingsRegistryTest, StartWithWindowsNamesTheValueByThePathAndQuotesTheData) {
    EXPECT_EQ(SetStartWithWindows(true, exe_, SandboxRunKeys()), RunValuePlace::kMachine);
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), L"\"" + exe_ + L"\"");
    EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), std::nullopt);
}

// A standard user cannot write HKEY_LOCAL_MACHINE: the value goes to the
// user's own Run key, whether the machine key cannot be opened or refuses the write.
TEST_F(SettingsRegistryTest, StartWithWindowsFallsBackToTheUserWhenTheMachineRefuses) {
    struct Case {
        const char* name;
        std::function<OwnedRegKey()> machine;
    };
    const Case cases[] = {
        {"cannot open", [] { return OwnedRegKey(); }},
        {"read-only key",
         [this] {
             OpenRunKey(Machine());  // the key exists, but this handle may only read
             HKEY key = nullptr;
             RegOpenKeyExW(Machine(), kRunSubkey, 0, KEY_READ, &key);
             return OwnedRegKey(key);
         }},
        {"no opener", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunKeyOpeners keys = SandboxRunKeys();
        keys.machine = c.machine;
        EXPECT_EQ(SetStartWithWindows(true, exe_, keys), RunValuePlace::kUser);
        EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), L"\"" + exe_ + L"\"");
        EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), std::nullopt);

        EXPECT_EQ(SetStartWithWindows(false, exe_, keys), RunValuePlace::kNowhere);
        EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), std::nullopt);
    }
    RunKeyOpeners nowhere{[] { return OwnedRegKey(); }, [] { return OwnedRegKey(); }};
    EXPECT_EQ(SetStartWithWindows(true, exe_, nowhere), RunValuePlace::kNowhere);  // and no error
}

TEST_F(SettingsRegistryTest, UntickingDeletesTheValueFromBothKeysAndLeavesOthers) {
    const std::wstring other = L"C:\\Old place\\Orbelle.exe";
    SetString(Machine(), kRunSubkey, exe_.c_str(), exe_);
    SetString(User(), kRunSubkey, exe_.c_str(), L"\"" + exe_ + L"\"");
    SetString(Machine(), kRunSubkey, other.c_str(), other);

    EXPECT_EQ(SetStartWithWindows(false, exe_, SandboxRunKeys()), RunValuePlace::kNowhere);
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), std::nullopt);
    EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), std::nullopt);
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, other), other);  // named by another path: not ours to delete
    // Unticking again, with nothing left, is quiet.
    EXPECT_EQ(SetStartWithWindows(false, exe_, SandboxRunKeys()), RunValuePlace::kNowhere);
}

// Ticked once as a standard user and later by an administrator: one value
// stays, so the program is not started twice.
TEST_F(SettingsRegistryTest, WritingToTheMachineRemovesTheUsersCopy) {
    SetString(User(), kRunSubkey, exe_.c_str(), L"\"" + exe_ + L"\"");
    EXPECT_EQ(SetStartWithWindows(true, exe_, SandboxRunKeys()), RunValuePlace::kMachine);
    EXPECT_EQ(StringValue(Machine(), kRunSubkey, exe_), L"\"" + exe_ + L"\"");
    EXPECT_EQ(StringValue(User(), kRunSubkey, exe_), std::nullopt);
}

// 64-bit Windows gives 32-bit programs a view of their own of the machine's
// SOFTWARE key (32-bit Windows has that one only). Both programs keep their
// machine-wide values in it, so that a user who changes from one to the
// other keeps them.
constexpr bool k64Bit = sizeof(void*) == 8;

OwnedRegKey OpenMachineKey(const wchar_t* subkey, REGSAM view, REGSAM access = KEY_READ) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, access | view, &key) != ERROR_SUCCESS) return {};
    return OwnedRegKey(key);
}
std::optional<std::wstring> MachineValue(REGSAM view, const wchar_t* subkey, const std::wstring& name) {
    OwnedRegKey key = OpenMachineKey(subkey, view);
    return key ? StringValue(key.Get(), nullptr, name) : std::nullopt;
}

// The real Run keys, with a path that names no program: Wine would start
// whatever is left in them when its next session boots, so the guard deletes
// the value from every key however the test ends.
TEST_F(SettingsRegistryTest, TheRealRunKeysAreWrittenAndClearedInTheSharedView) {
    const std::wstring exe = L"C:\\" + RandomName(L"orbelle-run-test-") + L"\\Orbelle.exe";
    struct Cleanup {
        std::wstring name;
        ~Cleanup() {
            for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
                if (OwnedRegKey key = OpenMachineKey(kRunSubkey, view, KEY_SET_VALUE))
                    RegDeleteValueW(key.Get(), name.c_str());
            }
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunSubkey, name.c_str());
        }
    } cleanup{exe};

    // Wine lets every process write HKEY_LOCAL_MACHINE.
    EXPECT_EQ(SetStartWithWindows(true, exe), RunValuePlace::kMachine);
    EXPECT_EQ(MachineValue(KEY_WOW64_32KEY, kRunSubkey, exe), L"\"" + exe + L"\"");
    if (k64Bit) EXPECT_EQ(MachineValue(KEY_WOW64_64KEY, kRunSubkey, exe), std::nullopt);

    SetString(HKEY_CURRENT_USER, kRunSubkey, exe.c_str(), exe);
    EXPECT_EQ(SetStartWithWindows(false, exe), RunValuePlace::kNowhere);
    EXPECT_EQ(MachineValue(KEY_WOW64_32KEY, kRunSubkey, exe), std::nullopt);
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kRunSubkey, exe), std::nullopt);
}

// Written where a 32-bit program and its installer write it; the test's own
// value replaces the prefix's for a moment and the prefix's comes back.
TEST_F(SettingsRegistryTest, TheRealInstallPathIsReadFromTheSharedView) {
    constexpr wchar_t kInstallKey[] = L"SOFTWARE\\Sorwick_Info";
    const std::optional<std::wstring> saved = MachineValue(KEY_WOW64_32KEY, kInstallKey, L"install path");
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    OwnedRegKey key(created);
    struct Restore {
        HKEY key;
        const std::optional<std::wstring>& saved;
        ~Restore() {
            if (saved) {
                RegSetValueExW(key, L"install path", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved->c_str()),
                               static_cast<DWORD>((saved->size() + 1) * sizeof(wchar_t)));
            } else {
                RegDeleteValueW(key, L"install path");
            }
        }
    } restore{key.Get(), saved};

    const std::wstring path = L"D:\\" + RandomName(L"shared-view-");
    RegSetValueExW(key.Get(), L"install path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(ReadInstallPath(), path);
    if (k64Bit) EXPECT_NE(MachineValue(KEY_WOW64_64KEY, kInstallKey, L"install path"), path);
}

}  // namespace
}  // namespace orbelle::testing
