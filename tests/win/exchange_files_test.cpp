#include <windows.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "base/datefmt.h"
#include "exchange/exchange_files.h"
#include "store/event_cursor.h"
#include "store/exchange_store.h"

namespace orbelle::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

// The files of an export and an import on Windows: a folder name beyond
// ASCII, an export written over an earlier one, a CSV beside it.
TEST(ExchangeFiles, ExportOverAnEarlierFileAndImportBackOnWindows) {
    std::random_device random;
    fs::path folder = fs::temp_directory_path() / (L"orbelle-\u00e9change-" + std::to_wstring(random()));
    fs::create_directories(folder);
    fs::path from = folder / "from" / "TODOLIST.DB", to = folder / "to" / "TODOLIST.DB";
    {
        EventCursor cursor;
        cursor.Open(from);
        for (const char* subject : {"Zahnarzt \xC3\xA4", "Standup"}) {
            cursor.Insert();
            cursor.SetFieldText("Subject", subject);
            cursor.SetFieldText("Remind", "15 minutes");
            cursor.SetFieldText("Repleat", "Y");
            cursor.SetFieldText("Dwmy", "1");
            cursor.SetFieldText("Day_day", "2");
            cursor.SetFieldDateTime("Date", DateTime::FromParts(2024y / 3 / 13, {9, 30, 0, 0}));
            cursor.Post();
        }
        EventCursor empty;
        empty.Open(to);
    }
    ZoneRules zone = *KnownZone("W. Europe Standard Time");
    ExchangeContext context{zone, EnglishNames(), DateTime::FromParts(2026y / 12 / 10, {14, 0, 0, 0})};
    fs::path file = folder / L"Kalender \u00fc.ics";
    std::ofstream(file) << "an earlier file";
    ExportICalendarFile(from, file, context);
    ExportICalendarFile(from, file, context);
    EXPECT_FALSE(fs::exists(folder / L"Kalender \u00fc.ics.part"));

    ImportReport report = ImportICalendarFile(to, file, context);
    ASSERT_EQ(report.outcome, ImportOutcome::Imported) << report.Summary();
    EXPECT_EQ(report.added, 2u);
    std::vector<StoredEvent> before = ExchangeStore(from).LoadAll(), after = ExchangeStore(to).LoadAll();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].uid, before[i].uid);
        before[i].record.values[kIdField] = after[i].record.values[kIdField];
        EXPECT_EQ(after[i].record, before[i].record);
    }

    ExportCsvFile(from, folder / "events.csv", context);
    std::ifstream csv(folder / "events.csv", std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(csv), {}};
    EXPECT_TRUE(text.starts_with("\xEF\xBB\xBFSubject,Start,"));
    EXPECT_NE(text.find("Zahnarzt \xC3\xA4,2024-03-13T09:30:00,"), std::string::npos);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

}  // namespace
}  // namespace orbelle::testing
