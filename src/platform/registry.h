#pragma once
// The two registry values: the folder the program was installed in, which
// tells the options dialog where its settings file is, and the value that
// starts the program with Windows.
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/handles.h"

namespace orbelle {

inline void CloseRegKey(HKEY key) { RegCloseKey(key); }
using OwnedRegKey = Owned<HKEY, CloseRegKey>;

// "install path" of HKEY_LOCAL_MACHINE "SOFTWARE\Sorwick_Info", opened for
// reading only and never created; a missing key or value, or one that is not
// text, gives "". Tests name a root of their own.
std::wstring ReadInstallPath(HKEY machine_root = HKEY_LOCAL_MACHINE);

// The options dialog's settings file: "install path" + "\Pellmar.ini", or the
// program folder's file when "install path" is missing or empty (never the
// root of the current drive, which the calendar never reads).
std::filesystem::path OptionsSettingsPath(const std::filesystem::path& program_folder,
                                          HKEY machine_root = HKEY_LOCAL_MACHINE);

// root\SOFTWARE\Microsoft\Windows\CurrentVersion\Run, created when missing,
// opened to read and set values; empty when the root refuses.
OwnedRegKey OpenRunKey(HKEY root);

// How the Run keys are reached; tests give keys of their own, or a machine
// key that refuses as it does for a standard user.
struct RunKeyOpeners {
    std::function<OwnedRegKey()> machine = [] { return OpenRunKey(HKEY_LOCAL_MACHINE); };
    std::function<OwnedRegKey()> user = [] { return OpenRunKey(HKEY_CURRENT_USER); };
};

enum class RunValuePlace { kNowhere, kMachine, kUser };

// On: a value named by the executable's full path whose data is that path in
// double quotes (unquoted, a path with blanks could start another program),
// under HKEY_LOCAL_MACHINE, or under HKEY_CURRENT_USER when the machine key
// refuses; the copy in the other key is removed, so the program starts once.
// Off: the value is deleted from both. Failures are not reported; the place
// where the value now lives is returned (kNowhere after off or failure).
RunValuePlace SetStartWithWindows(bool on, const std::wstring& exe_path, const RunKeyOpeners& keys = {});

}  // namespace orbelle
