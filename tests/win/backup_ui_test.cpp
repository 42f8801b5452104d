// Backups as the program makes and uses them: the automatic one after
// start, the offer to restore a damaged table at start, Restore from Backup
// in the list's Tools menu, and `Orbelle.exe /backup`.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "base/clock.h"
#include "eventlist/commands.h"
#include "eventlist/event_list_window.h"
#include "platform/wide.h"
#include "reminders/alarm_watch.h"
#include "store/backups.h"
#include "store/table_health.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

std::string Bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

DateTime Noon() { return DateTime::FromParts(std::chrono::year{2026} / 12 / 9, {12, 0, 0, 0}); }

// Every backup's name with its bytes.
std::map<std::string, std::string> BackupBytes(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = Bytes(entry.path());
    return files;
}

// The same files with the same bytes, told by name rather than by bytes.
void ExpectSameFiles(const std::map<std::string, std::string>& now, const std::map<std::string, std::string>& before) {
    std::vector<std::string> names_now, names_before;
    for (const auto& [name, bytes] : now) names_now.push_back(name);
    for (const auto& [name, bytes] : before) names_before.push_back(name);
    EXPECT_EQ(names_now, names_before);
    for (const auto& [name, bytes] : now)
        if (before.contains(name)) EXPECT_TRUE(bytes == before.at(name)) << name << " changed";
}

class BackupUiTest : public AppTest {
protected:
    void Seed(int count, const std::string& prefix) {
        EventCursor cursor;
        cursor.Open(TableFile());
        for (int i = 0; i < count; ++i) {
            cursor.Insert();
            cursor.SetFieldText("subject", prefix + std::to_string(i));
            cursor.Post();
        }
    }
    std::filesystem::path Backups() const { return BackupFolderFor(TableFile()); }
    HWND List() { return App().EventList()->ListView(); }
    int RowCount() { return ListView_GetItemCount(List()); }
    std::wstring Subject(int row) {
        wchar_t text[256] = {};
        ListView_GetItemText(List(), row, 0, text, 256);
        return text;
    }
    // Chooses the oldest backup in Restore from Backup and confirms.
    void RestoreTheOldestBackup() {
        TimerScript driver({WhenVisible(L"TRestoreBackup", [&](HWND dialog) {
            HWND backups = FindWindowExW(dialog, nullptr, WC_LISTVIEWW, nullptr);
            ListView_SetItemState(backups, -1, 0, LVIS_SELECTED);
            ListView_SetItemState(backups, ListView_GetItemCount(backups) - 1, LVIS_SELECTED, LVIS_SELECTED);
            PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        })});
        SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdRestoreBackup, 0);
        ASSERT_TRUE(driver.Finished());
        Pump(100);
    }
    // Pumps until the backup thread has ended and its end is handled.
    void PumpUntilBackedUp() {
        for (int i = 0; i < 200 && (App().Backups().BackingUp() || ListBackups(Backups()).empty()); ++i) Pump(25);
        Pump(50);
    }
};

TEST_F(BackupUiTest, TheFirstBackupComesOnceTheMessageLoopRunsAndOnlyWhenTheTableChanged) {
    Seed(3, "event ");
    Start();
    // Nothing before the loop runs: the calendar shows first.
    EXPECT_TRUE(ListBackups(Backups()).empty());
    PumpUntilBackedUp();
    auto backups = ListBackups(Backups());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].events, 3);
    EXPECT_EQ(ExamineTable(backups[0].file, CheckDepth::Full).state, TableState::Sound);
    Stop();

    // Unchanged since: the next start makes none.
    Start();
    Pump(500);
    EXPECT_FALSE(App().Backups().BackingUp());
    EXPECT_EQ(ListBackups(Backups()).size(), 1u);
}

TEST_F(BackupUiTest, TheProgramBacksUpAfterItsCalendarShows) {
    Seed(3, "event ");
    const std::filesystem::path program = ProgramFolder() / "Orbelle.exe";
    std::filesystem::copy_file(BuiltProgram(), program);
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + program.wstring() + L"\"";
    ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               ProgramFolder().c_str(), &startup, &process));
    HWND calendar = nullptr;
    for (int i = 0; i < 200 && !calendar; ++i, Sleep(50))
        calendar = FirstTopLevelWindow(Visible(OfClassInProcess(L"TForm1", process.dwProcessId)));
    ASSERT_TRUE(calendar) << "the desktop calendar did not appear";
    std::vector<BackupEntry> backups;
    for (int i = 0; i < 200 && backups.empty(); ++i, Sleep(50)) backups = ListBackups(Backups());
    PostMessageW(calendar, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    for (HANDLE handle : {process.hProcess, process.hThread}) CloseHandle(handle);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].events, 3);
}

TEST_F(BackupUiTest, BackUpNowMakesOneEvenWhenNothingChanged) {
    Seed(2, "event ");
    Start();
    PumpUntilBackedUp();
    SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdBackUpNow, 0);
    for (int i = 0; i < 200 && ListBackups(Backups()).size() < 2; ++i) Pump(25);
    EXPECT_EQ(ListBackups(Backups()).size(), 2u);
}

TEST_F(BackupUiTest, AFailingAutomaticBackupShowsNoBoxAndIsTriedAgainLater) {
    Seed(2, "event ");
    // A file where the backup folder should be: no backup can be made.
    std::filesystem::create_directories(TableFile().parent_path());
    std::ofstream(Backups(), std::ios::binary) << "in the way";
    DateTime now = Noon();
    SetClockForTesting([&] { return now; });
    struct RealClock {
        ~RealClock() { SetClockForTesting({}); }
    } real_clock;
    MessageBoxAnswerer answers;
    Start();
    auto tick = [&] {
        SendMessageW(App().EventList()->Hwnd(), WM_TIMER, BackupCommands::kBackupTimer, 0);
        for (int i = 0; i < 100 && App().Backups().BackingUp(); ++i) Pump(20);
        Pump(50);
    };
    Pump(200);
    for (int i = 0; i < 100 && App().Backups().BackingUp(); ++i) Pump(20);
    Pump(50);
    tick();  // too soon after the failure: not tried
    EXPECT_TRUE(answers.Seen().empty()) << "a failed automatic backup showed a box";

    std::filesystem::remove(Backups());
    tick();
    EXPECT_TRUE(ListBackups(Backups()).empty()) << "tried again at once";
    now = DateTime(now.Days() + 2.0 / 24);
    tick();
    EXPECT_EQ(ListBackups(Backups()).size(), 1u) << "not tried again later";
    EXPECT_TRUE(answers.Seen().empty());
}

// A table whose first page is smashed, with a backup of its 5 events.
class DamagedAtStartTest : public BackupUiTest {
protected:
    void SetUp() override {
        Seed(5, "saved ");
        MakeBackup(TableFile(), Backups(), Noon());
        Seed(1, "lost ");
        std::string bytes = Bytes(TableFile());
        for (std::size_t i = 0; i < 100; ++i) bytes[i] = static_cast<char>(i * 37 + 11);
        std::ofstream(TableFile(), std::ios::binary | std::ios::trunc) << bytes;
        damaged_ = bytes;
    }
    std::string damaged_;
};

TEST_F(DamagedAtStartTest, YesRestoresTheBackupAndKeepsTheDamagedFileAside) {
    MessageBoxAnswerer answers({IDOK, IDOK, IDYES});
    Start();
    ASSERT_EQ(answers.Seen().size(), 3u);
    EXPECT_EQ(answers.Seen()[0].text, L"Connect Error");
    EXPECT_NE(answers.Seen()[1].text.find(L"Cannot open the event table"), std::wstring::npos);
    EXPECT_EQ(answers.Seen()[2].text,
              L"The event table cannot be read. Restore the events from the backup of 2026-12-09 12:00:00 (5 events)?");
    ASSERT_EQ(RowCount(), 5);
    EXPECT_EQ(Subject(0), L"saved 0");
    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(DamagedFolderFor(TableFile())))
        if (entry.path().extension() == ".DB") aside.push_back(entry.path());  // a journal goes with it
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(Bytes(aside[0]), damaged_);
    EXPECT_EQ(ExamineTable(TableFile(), CheckDepth::Full).state, TableState::Sound);
}

TEST_F(DamagedAtStartTest, NoLeavesTheListEmptyAndTheFileUntouched) {
    MessageBoxAnswerer answers({IDOK, IDOK, IDNO});
    Start();
    Pump(300);
    ASSERT_EQ(answers.Seen().size(), 3u);
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(Bytes(TableFile()), damaged_);
    EXPECT_FALSE(std::filesystem::exists(DamagedFolderFor(TableFile())));
    EXPECT_EQ(ListBackups(Backups()).size(), 1u);
}

TEST_F(DamagedAtStartTest, ALockedTableIsNotDamageAndIsNeverOffered) {
    // Sound again, but held by another program without sharing.
    std::filesystem::remove(TableFile());
    Seed(2, "held ");
    const std::string sound = Bytes(TableFile());
    HANDLE held = CreateFileW(TableFile().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    MessageBoxAnswerer answers;
    Start();
    CloseHandle(held);
    EXPECT_EQ(answers.Seen().size(), 2u) << "a locked table was offered a backup";
    EXPECT_EQ(Bytes(TableFile()), sound);
    EXPECT_FALSE(std::filesystem::exists(DamagedFolderFor(TableFile())));
}

TEST_F(BackupUiTest, RestoreFromBackupReplacesTheEventsAndRefillsTheList) {
    Seed(2, "kept ");
    MakeBackup(TableFile(), Backups(), Noon());
    Seed(3, "later ");
    Start();
    PumpUntilBackedUp();  // the start's own backup of the 5 events
    ASSERT_EQ(RowCount(), 5);

    MessageBoxAnswerer answers({IDYES});
    std::vector<std::wstring> listed;
    TimerScript driver({WhenVisible(L"TRestoreBackup", [&](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), L"Restore from Backup");
        HWND backups = FindWindowExW(dialog, nullptr, WC_LISTVIEWW, nullptr);
        for (int row = 0; row < ListView_GetItemCount(backups); ++row) {
            wchar_t text[64] = {};
            ListView_GetItemText(backups, row, 1, text, 64);
            listed.push_back(text);
        }
        // The oldest, the one of 2 events.
        ListView_SetItemState(backups, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(backups, ListView_GetItemCount(backups) - 1, LVIS_SELECTED, LVIS_SELECTED);
        PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    })});
    SendMessageW(App().EventList()->Hwnd(), WM_COMMAND, kCmdRestoreBackup, 0);
    ASSERT_TRUE(driver.Finished());
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"5", L"2"}));  // newest first
    ASSERT_EQ(answers.Seen().size(), 1u);
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Subject(1), L"kept 1");
    // The table as it was is a backup too, and the cursor works on the restored table.
    auto backups = ListBackups(Backups());
    ASSERT_EQ(backups.size(), 3u);
    EXPECT_EQ(backups[0].events, 5);
    App().EventList()->Cursor().First();
    EXPECT_EQ(App().EventList()->Cursor().FieldText("subject"), "kept 0");
}

// Events whose alarms rang at 09:00 this morning: the reminders show them as missed.
class RestoreWithRemindersTest : public BackupUiTest {
protected:
    RestoreWithRemindersTest() { SetClockForTesting([] { return Noon(); }); }
    ~RestoreWithRemindersTest() override { SetClockForTesting({}); }

    void SeedAlarms(const std::vector<std::string>& subjects) const {
        SeedTable(subjects, [](EventCursor& cursor, const std::string& subject) {
            const DateTime alarm(Noon().Days() - 3.0 / 24);
            cursor.SetFieldText("subject", subject);
            cursor.SetFieldText("accepttext", "N");
            cursor.SetFieldText("repleat", "N");
            cursor.SetFieldText("remind", "1 hour");
            cursor.SetFieldDateTime("date", DateTime(alarm.Days() + 1.0 / 24));
            cursor.SetFieldDateTime("starthour", alarm);
            cursor.SetFieldDateTime("nextalarm", alarm);
            cursor.SetFieldText("type", "Meeting");
        });
    }
    std::vector<std::wstring> ReminderSubjects() {
        std::vector<std::wstring> subjects;
        HWND list = App().Reminders()->Window().Control(RemindersWindow::List);
        for (int i = 0; i < ListView_GetItemCount(list); ++i) {
            wchar_t subject[256] = {};
            ListView_GetItemText(list, i, 0, subject, 256);
            subjects.emplace_back(subject);
        }
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    }
};

TEST_F(RestoreWithRemindersTest, ARestoreWithTheRemindersOnSucceedsAndTheRemindersShowTheRestoredEvents) {
    SetSetting(L"Reminders", L"AtAlarmTime", L"1");
    SeedAlarms({"backed up"});
    MakeBackup(TableFile(), Backups(), Noon());
    SeedAlarms({"added later"});
    MessageBoxAnswerer answers({IDYES});
    Start();
    PumpUntilBackedUp();
    Pump(400);  // the reminders start after the calendar's first showing
    ASSERT_NE(App().Reminders(), nullptr);
    ASSERT_EQ(ReminderSubjects(), (std::vector<std::wstring>{L"added later", L"backed up"}));

    RestoreTheOldestBackup();
    ASSERT_EQ(answers.Seen().size(), 1u) << Narrow(answers.Seen().back().text);  // only the question
    ASSERT_EQ(RowCount(), 1);
    EXPECT_EQ(Subject(0), L"backed up");
    EXPECT_EQ(ReminderSubjects(), std::vector<std::wstring>{L"backed up"});
    // The reminders' state is open again on the restored table: a dismissal is stored.
    HWND list = App().Reminders()->Window().Control(RemindersWindow::List);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(App().Reminders()->Window().Control(RemindersWindow::DismissButton), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(ReminderSubjects().empty());
    EXPECT_EQ(Column("accepttext"), std::vector<std::string>{"Y"});
}

TEST_F(BackupUiTest, ARestoreThatCannotReplaceTheTableLeavesTheTableAndEveryBackupAsTheyWere) {
    Seed(2, "event ");
    // Ten backups: the oldest, the one chosen, is the first that saving the
    // table as one more backup would prune.
    for (int day = 0; day < 10; ++day) {
        Seed(1, "day " + std::to_string(day) + " ");
        MakeBackup(TableFile(), Backups(), DateTime(Noon().Days() + day));
    }
    Start();
    PumpUntilBackedUp();
    const std::string table = Bytes(TableFile());
    const auto backups = BackupBytes(Backups());
    ASSERT_EQ(backups.size(), 10u);
    // Another program holds the table without sharing its deletion, as SQLite does.
    HANDLE other = CreateFileW(TableFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    MessageBoxAnswerer answers({IDYES, IDOK, IDYES, IDOK});
    // Tried twice: a failed attempt removes nothing that the next one needs.
    for (int attempt = 0; attempt < 2; ++attempt) RestoreTheOldestBackup();
    CloseHandle(other);
    ASSERT_EQ(answers.Seen().size(), 4u);
    EXPECT_NE(answers.Seen()[1].text.find(L"it was not replaced"), std::wstring::npos) << Narrow(answers.Seen()[1].text);
    EXPECT_TRUE(Bytes(TableFile()) == table) << "the table changed";
    ExpectSameFiles(BackupBytes(Backups()), backups);
    EXPECT_EQ(RowCount(), 12);
}

TEST_F(BackupUiTest, TheBackupFormMakesACheckedCopyWithoutAnyWindow) {
    const std::filesystem::path program = ProgramFolder() / "Orbelle.exe";
    std::filesystem::copy_file(BuiltProgram(), program);
    auto run = [&](std::string& errors) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        EXPECT_TRUE(CreatePipe(&read, &write, &inherit, 0));
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{sizeof startup};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = write;
        PROCESS_INFORMATION process{};
        std::wstring command = L"\"" + program.wstring() + L"\" /backup";
        EXPECT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   ProgramFolder().c_str(), &startup, &process));
        CloseHandle(write);
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) errors.append(buffer, got);
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_TRUE(TopLevelWindows(OfClassInProcess(L"TForm1", process.dwProcessId)).empty());
        for (HANDLE handle : {read, process.hProcess, process.hThread}) CloseHandle(handle);
        return code;
    };
    std::string errors;
    EXPECT_NE(run(errors), 0u) << "no table, yet success";
    EXPECT_NE(errors.find("could not be backed up"), std::string::npos) << errors;

    Seed(4, "event ");
    errors.clear();
    EXPECT_EQ(run(errors), 0u) << errors;
    auto backups = ListBackups(Backups());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].events, 4);
    EXPECT_EQ(ExamineTable(backups[0].file, CheckDepth::Full).state, TableState::Sound);
}

}  // namespace
}  // namespace orbelle::testing
