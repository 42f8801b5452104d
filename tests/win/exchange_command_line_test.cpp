// The command-line forms of the iCalendar and CSV files, run as a script or
// "Open with" runs them: Orbelle.exe in a program folder of its own.
#include <windows.h>
#include <commctrl.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/text.h"
#include "store/event_cursor.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGoodFile =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n"
    "BEGIN:VEVENT\r\nUID:a@test\r\nDTSTAMP:20261210T120000Z\r\nDTSTART:20270105T090000Z\r\nSUMMARY:Dentist\r\n"
    "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:b@test\r\nDTSTAMP:20261210T120000Z\r\nDTSTART;VALUE=DATE:20270301\r\n"
    "SUMMARY:Birthday\r\nRRULE:FREQ=YEARLY\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
// Cut short inside its event.
constexpr const char* kTruncatedFile =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:c@test\r\n"
    "DTSTART:20270105T090000Z\r\nSUMMARY:Half";

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ExchangeCommandLineTest : public AppTest {
protected:
    ExchangeCommandLineTest() {
        program_ = ProgramFolder() / "Orbelle.exe";
        fs::copy_file(BuiltProgram(), program_);
        std::ofstream(ProgramFolder() / "good.ics", std::ios::binary) << kGoodFile;
        std::ofstream(ProgramFolder() / "truncated.ics", std::ios::binary) << kTruncatedFile;
    }

    // Standard error goes to a file when given one, as a script's redirection does.
    PROCESS_INFORMATION Launch(const std::wstring& arguments, HANDLE standard_error = nullptr) {
        STARTUPINFOW startup{sizeof startup};
        if (standard_error) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdError = standard_error;
        }
        PROCESS_INFORMATION process{};
        std::wstring command = L"\"" + program_.wstring() + L"\" " + arguments;
        EXPECT_TRUE(CreateProcessW(program_.c_str(), command.data(), nullptr, nullptr, standard_error != nullptr, 0,
                                   nullptr, ProgramFolder().c_str(), &startup, &process));
        return process;
    }

    // The exit code, or -1 when it did not end; what it wrote to standard error.
    long Run(const std::wstring& arguments, std::string* standard_error = nullptr) {
        fs::path error_file = ProgramFolder() / "stderr.txt";
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        HANDLE error_handle = CreateFileW(error_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                          CREATE_ALWAYS, 0, nullptr);
        PROCESS_INFORMATION process = Launch(arguments, error_handle);
        long code = -1;
        DWORD exit_code = 0;
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process.hProcess, &exit_code))
            code = static_cast<long>(exit_code);
        else
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(error_handle);
        if (standard_error) *standard_error = ReadAll(error_file);
        return code;
    }

    void MakeTable(std::initializer_list<const char*> subjects) {
        SeedTable(subjects, [](EventCursor& cursor, const char* subject) {
            cursor.SetFieldText("Subject", subject);
            cursor.SetFieldDateTime("Date", DateTime::FromParts(std::chrono::year{2027} / 3 / 13, {9, 30, 0, 0}));
        });
    }

    fs::path program_;
};

enum class TableKind { Sound, Missing, Foreign, Locked };

struct FormCase {
    const char* name;
    TableKind table;
    const wchar_t* arguments;
    long exit_code;
    const char* message;  // a part of what standard error says
};

TEST_F(ExchangeCommandLineTest, EachFormEndsWithItsExitCodeAndARefusedFileStoresNothing) {
    const FormCase cases[] = {
        {"good file", TableKind::Sound, L"/import good.ics", 0, ""},
        {"the same file again updates", TableKind::Sound, L"/IMPORT good.ics", 0, ""},
        {"truncated file", TableKind::Sound, L"/import truncated.ics", 1,
         "line 7: the file ends early: expected END:VEVENT"},
        {"no such file", TableKind::Sound, L"/import absent.ics", 1, "cannot be read"},
        {"no file named", TableKind::Sound, L"/import", 1, "Usage: Orbelle.exe /import FILE"},
        {"export into a missing folder", TableKind::Sound, L"/export absent\\out.ics", 1, "Cannot write"},
        {"missing table", TableKind::Missing, L"/import good.ics", 2, "does not exist"},
        {"missing table, export", TableKind::Missing, L"/export out.ics", 2, "does not exist"},
        {"foreign table", TableKind::Foreign, L"/import good.ics", 2, "not a database"},
        {"foreign table, CSV", TableKind::Foreign, L"/export-csv out.csv", 2, "not a database"},
        {"locked table", TableKind::Locked, L"/import good.ics", 2, "locked"},
    };
    MakeTable({"Standup"});
    int expected_rows = 1;
    for (const FormCase& form : cases) {
        SCOPED_TRACE(form.name);
        sqlite3* locker = nullptr;
        fs::path aside = ProgramFolder() / "aside.db";
        if (form.table == TableKind::Missing || form.table == TableKind::Foreign) fs::rename(TableFile(), aside);
        if (form.table == TableKind::Foreign) std::ofstream(TableFile(), std::ios::binary) << "not a table";
        if (form.table == TableKind::Locked) {
            ASSERT_EQ(sqlite3_open(PathToUtf8(TableFile()).c_str(), &locker), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        std::string foreign_before = form.table == TableKind::Foreign ? ReadAll(TableFile()) : "";

        std::string said;
        EXPECT_EQ(Run(form.arguments, &said), form.exit_code);
        if (*form.message) EXPECT_NE(said.find(form.message), std::string::npos) << said;
        else EXPECT_EQ(said, "");

        if (locker) {
            sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(locker);
        }
        if (form.table == TableKind::Missing) EXPECT_FALSE(fs::exists(TableFile()));
        if (form.table == TableKind::Foreign) EXPECT_EQ(ReadAll(TableFile()), foreign_before);
        if (form.table == TableKind::Missing || form.table == TableKind::Foreign) {
            fs::remove(TableFile());
            fs::rename(aside, TableFile());
        }
        if (form.exit_code == 0 && form.table == TableKind::Sound && expected_rows == 1) expected_rows = 3;
        EXPECT_EQ(TableRows(), expected_rows);
    }
    EXPECT_FALSE(fs::exists(ProgramFolder() / "out.ics"));
    EXPECT_FALSE(fs::exists(ProgramFolder() / "out.csv"));
}

TEST_F(ExchangeCommandLineTest, ExportsWriteTheWholeTable) {
    MakeTable({"Standup", "Zahnarzt \xC3\xA4"});
    ASSERT_EQ(Run(L"/export out.ics"), 0);
    std::string ics = ReadAll(ProgramFolder() / "out.ics");
    EXPECT_TRUE(ics.starts_with("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n")) << ics.substr(0, 80);
    EXPECT_TRUE(ics.ends_with("END:VCALENDAR\r\n"));
    EXPECT_NE(ics.find("SUMMARY:Zahnarzt \xC3\xA4\r\n"), std::string::npos);
    EXPECT_NE(ics.find("BEGIN:VTIMEZONE\r\n"), std::string::npos);
    EXPECT_NE(ics.find("DTSTART;TZID="), std::string::npos);

    ASSERT_EQ(Run(L"/export-csv \"out file.csv\""), 0);
    std::string csv = ReadAll(ProgramFolder() / "out file.csv");
    EXPECT_TRUE(csv.starts_with("\xEF\xBB\xBFSubject,Start,")) << csv.substr(0, 80);
    EXPECT_NE(csv.find("\r\nStandup,2027-03-13T09:30:00,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\nZahnarzt \xC3\xA4,2027-03-13T09:30:00,"), std::string::npos);
}

// A subject a spreadsheet would run as a formula reaches the CSV file as text.
TEST_F(ExchangeCommandLineTest, CsvExportWritesFormulasAsText) {
    struct Row {
        const char* subject;
        const char* line;  // how its row begins in the file
    };
    const Row rows[] = {
        {"=HYPERLINK(\"http://example.com\",\"Open\")", "\"'=HYPERLINK(\"\"http://example.com\"\",\"\"Open\"\")\",2027-"},
        {"@SUM(A1:A9)", "'@SUM(A1:A9),2027-"},
        {"+1+2", "'+1+2,2027-"},
        {"-1+2", "'-1+2,2027-"},
        {"Standup", "Standup,2027-"},
    };
    MakeTable({rows[0].subject, rows[1].subject, rows[2].subject, rows[3].subject, rows[4].subject});
    ASSERT_EQ(Run(L"/export-csv out.csv"), 0);
    std::string csv = ReadAll(ProgramFolder() / "out.csv");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.subject);
        EXPECT_NE(csv.find("\r\n" + std::string(row.line)), std::string::npos) << csv;
    }
}

int ListRowsOf(DWORD process_id) {
    auto lists = TopLevelWindows(OfClassInProcess(L"TMainForm", process_id));
    if (lists.empty()) return -1;
    HWND view = FindWindowExW(lists[0], nullptr, WC_LISTVIEWW, nullptr);
    return view ? static_cast<int>(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

bool WaitForRows(DWORD process_id, int rows) {
    for (int i = 0; i < 200; ++i) {
        if (ListRowsOf(process_id) == rows) return true;
        Sleep(50);
    }
    return false;
}

// Both ways into a running copy: the command-line import, which tells it to
// read its rows again, and "Open with", which hands it the file.
TEST_F(ExchangeCommandLineTest, ARunningCopyShowsWhatIsImportedWithoutARestart) {
    PROCESS_INFORMATION running = Launch(L"");
    HWND calendar = nullptr;
    for (int i = 0; i < 200 && !calendar; ++i, Sleep(50))
        calendar = FirstTopLevelWindow(Visible(OfClassInProcess(L"TForm1", running.dwProcessId)));
    ASSERT_TRUE(calendar) << "the desktop calendar did not appear";
    ASSERT_TRUE(WaitForRows(running.dwProcessId, 0));

    EXPECT_EQ(Run(L"/import good.ics"), 0);
    EXPECT_TRUE(WaitForRows(running.dwProcessId, 2)) << ListRowsOf(running.dwProcessId);

    std::ofstream(ProgramFolder() / "one more.ics", std::ios::binary)
        << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:z@test\r\n"
           "DTSTAMP:20261210T120000Z\r\nDTSTART:20270105T090000Z\r\nSUMMARY:Call\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    EXPECT_EQ(Run(L"\"" + (ProgramFolder() / "one more.ics").wstring() + L"\""), 0);
    HWND summary = nullptr;
    for (int i = 0; i < 200 && !summary; ++i, Sleep(50))
        summary = FirstTopLevelWindow(Visible(OfClassInProcess(L"#32770", running.dwProcessId)));
    ASSERT_TRUE(summary) << "no summary was shown";
    EXPECT_NE(WindowText(GetDlgItem(summary, 0xFFFF)).find(L"1 event added"), std::wstring::npos);
    EXPECT_EQ(ListRowsOf(running.dwProcessId), 3);  // shown before the summary
    PostMessageW(summary, WM_COMMAND, IDOK, 0);

    PostMessageW(calendar, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(running.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(running.hProcess);
    CloseHandle(running.hThread);
    EXPECT_EQ(TableRows(), 3);
}

}  // namespace
}  // namespace orbelle::testing
