// The icon and version information Orbelle.exe carries for Explorer,
// Alt+Tab, "Apps and features" and the file's properties, and the icon its
// windows take from it.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "win_fixture.h"

namespace orbelle::testing {
namespace {

struct LoadedAsData {
    HMODULE module;
    explicit LoadedAsData(const std::filesystem::path& file)
        : module(LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~LoadedAsData() {
        if (module) FreeLibrary(module);
    }
};

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

TEST(ProgramIcon, HoldsAPictureForEverySizeWindowsAsksFor) {
    LoadedAsData program(BuiltProgram());
    ASSERT_TRUE(program.module);
    HRSRC found = FindResourceW(program.module, L"MAINICON", RT_GROUP_ICON);
    ASSERT_TRUE(found);
    const auto* group = static_cast<const IconGroup*>(LockResource(LoadResource(program.module, found)));
    ASSERT_TRUE(group);
    std::set<int> sizes;
    for (WORD i = 0; i < group->count; ++i) {
        const IconGroupEntry& entry = group->entries[i];
        EXPECT_EQ(entry.bit_count, 32);
        EXPECT_EQ(entry.width, entry.height);
        sizes.insert(entry.width == 0 ? 256 : entry.width);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 256}));

    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        HICON icon = static_cast<HICON>(LoadImageW(program.module, L"MAINICON", IMAGE_ICON, size, size, 0));
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return {};
    return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(ProgramVersion, NamesTheProductItsVersionAndItsAuthors) {
    const std::wstring file = BuiltProgram().wstring();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, block.data()));

    EXPECT_EQ(VersionString(block, L"ProductName"), L"Orbelle");
    EXPECT_EQ(VersionString(block, L"LegalCopyright"), L"Copyright (C) 2026 the Orbelle authors");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"Orbelle.exe");
    EXPECT_FALSE(VersionString(block, L"FileDescription").empty());

    // The numbers Windows compares and the text people read say the same:
    // "2.01" is 2.1.0.0.
    const std::wstring text = VersionString(block, L"FileVersion");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), text);
    const size_t dot = text.find(L'.');
    ASSERT_NE(dot, std::wstring::npos) << "FileVersion \"" << ::testing::PrintToString(text) << "\"";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(std::stoi(text.substr(dot + 1)), std::stoi(text.substr(0, dot))));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
}

// The window classes take the program's icon: the event list window's title
// bar and Alt+Tab show it rather than the system's blank program picture.
using ProgramIconTest = AppTest;

struct Search {
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (ClassName(window) != search->name) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindOwn(const wchar_t* class_name) {
    Search search{class_name, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(ProgramIconTest, TheWindowsCarryTheProgramIcon) {
    Start();
    for (const wchar_t* class_name : {L"TMainForm", L"TForm1"}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(class_name)));
        HWND window = FindOwn(class_name);
        ASSERT_TRUE(window);
        EXPECT_TRUE(GetClassLongPtrW(window, GCLP_HICON));
        EXPECT_TRUE(GetClassLongPtrW(window, GCLP_HICONSM));
    }
}

}  // namespace
}  // namespace orbelle::testing
