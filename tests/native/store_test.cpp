#include <gtest/gtest.h>
#include <sqlite3.h>

#include "base/error.h"
#include "store/event_cursor.h"
#include "temp_folder.h"

namespace orbelle {
namespace {

class StoreTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return folder_.Path() / "db" / "TODOLIST.DB"; }

    std::int64_t AddEvent(EventCursor& cursor, const std::string& subject) {
        cursor.Insert();
        cursor.SetFieldText("subject", subject);
        cursor.SetFieldText("accepttext", "N");
        cursor.Post();
        return std::stoll(cursor.FieldText("id"));
    }

    TempFolder folder_;
};

std::string ExpectMessage(auto&& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    ADD_FAILURE() << "no error";
    return {};
}

TEST_F(StoreTest, FirstOpenCreatesFolderAndTableWithTheRecordsColumns) {
    EventCursor cursor;
    cursor.Open(File());
    ASSERT_TRUE(std::filesystem::exists(File()));
    cursor.First();
    EXPECT_TRUE(cursor.Eof());  // an empty table ends at once

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(File().string().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* columns = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA table_info(TODOLIST)", -1, &columns, nullptr);
    std::vector<std::string> names;
    while (sqlite3_step(columns) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(columns, 1)));
    sqlite3_finalize(columns);
    sqlite3_close(db);
    ASSERT_EQ(names.size(), 37u);
    EXPECT_EQ(names[0], "Subject");
    EXPECT_EQ(names[4], "Id");
    EXPECT_EQ(names[9], "Repleat");
    EXPECT_EQ(names[36], "Date");
}

TEST_F(StoreTest, PostGivesFreshIdsKeepsCursorAndSurvivesReopen) {
    EventCursor cursor;
    cursor.Open(File());
    auto first = AddEvent(cursor, "one");
    auto second = AddEvent(cursor, "two");
    EXPECT_NE(first, second);
    EXPECT_EQ(cursor.FieldText("SUBJECT"), "two");  // cursor stays on the posted record

    cursor.Insert();
    cursor.SetFieldText("Subject", "every kind");
    cursor.SetFieldText("memo", std::string(5000, 'm') + "\r\nline two");
    cursor.SetFieldText("day_day", "-32768");
    cursor.SetFieldDateTime("nextalarm", DateTime(45000.75));
    cursor.Post();
    auto third = std::stoll(cursor.FieldText("Id"));

    cursor.Close();
    cursor.Open(File());
    ASSERT_TRUE(cursor.SeekId(third));
    EXPECT_EQ(cursor.FieldText("subject"), "every kind");
    EXPECT_EQ(cursor.FieldText("memo"), std::string(5000, 'm') + "\r\nline two");
    EXPECT_EQ(cursor.FieldText("Day_day"), "-32768");
    EXPECT_EQ(cursor.FieldDateTime("NextAlarm"), DateTime(45000.75));
    // Empty fields read as "" and 0.
    EXPECT_EQ(cursor.FieldText("complete"), "");
    EXPECT_EQ(cursor.FieldText("week_week"), "");
    EXPECT_EQ(cursor.FieldDateTime("starthour"), DateTime());

    cursor.First();
    std::vector<std::string> walk;
    for (; !cursor.Eof(); cursor.Next()) walk.push_back(cursor.FieldText("subject"));
    EXPECT_EQ(walk, (std::vector<std::string>{"one", "two", "every kind"}));
    EXPECT_EQ(cursor.FieldText("subject"), "every kind");  // stays on the last record
}

TEST_F(StoreTest, PostingDuringAWalkDoesNotMoveIt) {
    EventCursor cursor;
    cursor.Open(File());
    for (auto subject : {"a", "b", "c"}) AddEvent(cursor, subject);
    std::vector<std::string> walk;
    for (cursor.First(); !cursor.Eof(); cursor.Next()) {
        walk.push_back(cursor.FieldText("subject"));
        cursor.Edit();
        cursor.SetFieldText("accepttext", "Y");
        cursor.Post();
        EXPECT_EQ(cursor.FieldText("subject"), walk.back());
    }
    EXPECT_EQ(walk, (std::vector<std::string>{"a", "b", "c"}));
    for (cursor.First(); !cursor.Eof(); cursor.Next()) EXPECT_EQ(cursor.FieldText("accepttext"), "Y");
}

TEST_F(StoreTest, CancelDropsPendingChangesAndReturnsToTheRecord) {
    EventCursor cursor;
    cursor.Open(File());
    auto id = AddEvent(cursor, "kept");
    cursor.Insert();
    cursor.SetFieldText("subject", "dropped");
    cursor.Cancel();
    EXPECT_EQ(cursor.FieldText("subject"), "kept");
    cursor.Edit();
    cursor.SetFieldText("subject", "changed");
    cursor.Edit();  // no effect while editing
    EXPECT_EQ(cursor.FieldText("subject"), "changed");
    cursor.Cancel();
    ASSERT_TRUE(cursor.SeekId(id));
    EXPECT_EQ(cursor.FieldText("subject"), "kept");
    int rows = 0;
    for (cursor.First(); !cursor.Eof(); cursor.Next()) ++rows;
    EXPECT_EQ(rows, 1);
}

TEST_F(StoreTest, SeekAndDelete) {
    EventCursor cursor;
    cursor.Open(File());
    auto a = AddEvent(cursor, "a");
    auto b = AddEvent(cursor, "b");
    ASSERT_TRUE(cursor.SeekId(a));
    EXPECT_FALSE(cursor.SeekId(9999));
    EXPECT_EQ(cursor.FieldText("subject"), "a");  // not found leaves the cursor
    cursor.Delete();
    EXPECT_FALSE(cursor.SeekId(a));
    ASSERT_TRUE(cursor.SeekId(b));
    cursor.Delete();
    cursor.First();
    EXPECT_TRUE(cursor.Eof());
}

TEST_F(StoreTest, TextIsCutToTheFieldWidthInCharacters) {
    EventCursor cursor;
    cursor.Open(File());
    cursor.Insert();
    cursor.SetFieldText("subject", std::string(60, 'x'));
    cursor.SetFieldText("priority", "Grüße aus Köln");  // 14 characters, 16 bytes
    cursor.SetFieldText("type", "日本語のイベントの種類です。長い");
    cursor.Post();
    EXPECT_EQ(cursor.FieldText("subject"), std::string(50, 'x'));
    EXPECT_EQ(cursor.FieldText("priority"), "Grüße aus ");
    EXPECT_EQ(cursor.FieldText("type"), "日本語のイベントの種類です。長");
}

TEST_F(StoreTest, SmallIntegerFieldsRefuseBadTextWithTheEngineMessages) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"abc", "'abc' is not a valid integer value for field 'Day_day'"},
        {"1.5", "'1.5' is not a valid integer value for field 'Day_day'"},
        {"99999999999", "'99999999999' is not a valid integer value for field 'Day_day'"},
        {"32768", "32768 is not a valid value for field 'Day_day'. The allowed range is -32768 to 32767"},
        {"-40000", "-40000 is not a valid value for field 'Day_day'. The allowed range is -32768 to 32767"},
    };
    EventCursor cursor;
    cursor.Open(File());
    cursor.Insert();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ExpectMessage([&] { cursor.SetFieldText("day_day", c.text); }), c.message);
    }
    cursor.SetFieldText("day_day", "");
    cursor.Post();
    EXPECT_EQ(cursor.FieldText("day_day"), "");
}

TEST_F(StoreTest, ForeignOrDamagedFilesAreReportedAndLeftAsTheyWere) {
    std::filesystem::create_directories(File().parent_path());
    std::string random_bytes(8192, '\0');
    for (size_t i = 0; i < random_bytes.size(); ++i) random_bytes[i] = static_cast<char>(i * 7919 % 251);

    // A real table, then cut short in the middle of its pages.
    {
        EventCursor cursor;
        cursor.Open(File());
        for (int i = 0; i < 200; ++i) AddEvent(cursor, std::string(40, 'q') + std::to_string(i));
    }
    std::string truncated = ReadBytes(File());
    truncated.resize(truncated.size() / 2 + 100);
    std::filesystem::remove(File());
    std::filesystem::remove(File().string() + "-journal");  // empty, left by the journal mode

    sqlite3* db = nullptr;
    auto other = folder_.Path() / "other.db";
    sqlite3_open(other.string().c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE notes (text TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::string other_schema = ReadBytes(other);

    for (const std::string& bytes : {random_bytes, truncated, other_schema}) {
        WriteBytes(File(), bytes);
        EventCursor cursor;
        std::string message = ExpectMessage([&] { cursor.Open(File()); });
        EXPECT_NE(message.find("Cannot open the event table"), std::string::npos) << message;
        EXPECT_FALSE(cursor.Active());
        EXPECT_EQ(ReadBytes(File()), bytes);
        EXPECT_FALSE(std::filesystem::exists(File().string() + "-journal"));
    }
}

}  // namespace
}  // namespace orbelle
