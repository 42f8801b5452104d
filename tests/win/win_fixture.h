#pragma once
// What the in-process tests share: a fresh program folder, an application
// with a guard name of its own, and an answerer for the message boxes that
// the program asks while a test drives it.
#include <windows.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "store/event_cursor.h"
#include "kit/temp_folder.h"
#include "kit/timer_script.h"
#include "kit/window_finder.h"

namespace orbelle::testing {

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
};

// Answers every message box of this thread with the next answer (IDYES,
// IDNO, IDOK ...) and records what it showed; IDOK when no answers are left.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::vector<int> answers = {});
    const std::vector<SeenMessageBox>& Seen() const { return seen_; }

private:
    bool AnswerOne();
    std::vector<int> answers_;
    std::vector<SeenMessageBox> seen_;
    TimerScript script_;
};

class AppTest : public ::testing::Test {
protected:
    AppTest();
    ~AppTest() override;

    std::filesystem::path ProgramFolder() const { return folder_.Path(); }
    std::filesystem::path TableFile() const { return folder_.Path() / "db" / "TODOLIST.DB"; }
    // Creates the start-up windows as the program does.
    void Start();
    // Ends the application as the program ends: every window destroyed, newest first.
    void Stop();
    std::filesystem::path SettingsPath() const { return folder_.Path() / "Pellmar.ini"; }
    // Reads one key straight from the settings file, "" when missing.
    std::wstring Setting(const wchar_t* section, const wchar_t* key) const;
    void SetSetting(const wchar_t* section, const wchar_t* key, const wchar_t* value) const;
    Application& App() { return *app_; }
    void Pump(int milliseconds = 50);

    // Writes records before the program starts: one per item, its fields set by fill.
    template <class Items, class Fill>
    void SeedTable(const Items& items, Fill fill) const {
        EventCursor cursor;
        cursor.Open(TableFile());
        for (const auto& item : items) {
            cursor.Insert();
            fill(cursor, item);
            cursor.Post();
        }
    }
    // The field of every record, in Id order.
    std::vector<std::string> Column(const char* field) const;
    int TableRows() const;

    // The reminder scan a second after start runs only for the tests that
    // ask for it: elsewhere a due record's popup would wait for a click.
    bool keep_reminder_scan_ = false;

private:
    TempFolder folder_;
    std::unique_ptr<Application> app_;
};

// The files the program folder holds beside the program (pictures, sounds).
std::filesystem::path InstalledFiles();
// The Orbelle.exe built beside these tests.
std::filesystem::path BuiltProgram();

}  // namespace orbelle::testing
