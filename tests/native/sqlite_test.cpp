// The SQLite wrapper's transaction and checked binds, on real files.
#include "store/sqlite.h"

#include <gtest/gtest.h>

#include <chrono>

#include "base/error.h"
#include "temp_folder.h"

namespace orbelle::sql {
namespace {
using namespace std::chrono_literals;

class SqliteTest : public ::testing::Test {
protected:
    SqliteTest() : db_(folder_.Path() / "t.db", OpenMode::kCreate) {
        db_.Exec("CREATE TABLE t (x INTEGER)");
    }
    std::int64_t Rows(const Database& db) {
        Statement count(db, "SELECT count(*) FROM t");
        count.Step();
        return count.ColumnInt(0);
    }
    void Insert(Database& db) { db.Exec("INSERT INTO t VALUES (1)"); }

    TempFolder folder_;
    Database db_;
};

TEST_F(SqliteTest, ATransactionKeepsItsWritesOnlyWhenCommitted) {
    {
        Transaction transaction(db_);
        Insert(db_);
    }
    EXPECT_EQ(Rows(db_), 0);
    try {
        Transaction transaction(db_);
        Insert(db_);
        throw Error("a later step failed");
    } catch (const Error&) {
    }
    EXPECT_EQ(Rows(db_), 0);
    {
        Transaction transaction(db_);
        Insert(db_);
        transaction.Commit();
    }
    EXPECT_EQ(Rows(db_), 1);
    Transaction next(db_);  // the connection is out of every transaction again
    next.Commit();
}

// BEGIN IMMEDIATE takes the write lock at once: a second connection waits
// its busy timeout there and fails, before it has written anything.
TEST_F(SqliteTest, ASecondWriterFailsAtTheStartOfItsTransaction) {
    Transaction holding(db_);
    Insert(db_);
    Database other(folder_.Path() / "t.db", OpenMode::kExisting);
    other.SetBusyTimeout(10ms);
    EXPECT_THROW(Transaction waiting(other), Error);
    holding.Commit();
    Transaction after(other);
    Insert(other);
    after.Commit();
    EXPECT_EQ(Rows(db_), 2);
}

// A read transaction holds its read lock from the first read to its end: no
// other connection commits meanwhile, and once it ends (by End or by going
// out of scope) the writer gets through and the connection can begin again.
TEST_F(SqliteTest, AReadTransactionKeepsOtherWritersOutUntilItEnds) {
    Insert(db_);
    Database writer(folder_.Path() / "t.db", OpenMode::kExisting);
    writer.SetBusyTimeout(10ms);
    {
        ReadTransaction reading(db_);
        EXPECT_EQ(Rows(db_), 1);
        EXPECT_THROW(Insert(writer), Failure);
        EXPECT_EQ(Rows(db_), 1);
        reading.End();
        Insert(writer);
        EXPECT_EQ(Rows(db_), 2);
    }
    {
        ReadTransaction reading(db_);
        EXPECT_EQ(Rows(db_), 2);
    }
    Insert(writer);  // the one left to its destructor has ended too
    ReadTransaction again(db_);
    EXPECT_EQ(Rows(db_), 3);
}

TEST_F(SqliteTest, OpeningAMissingFileWithoutCreateFailsAndMakesNoFile) {
    EXPECT_THROW(Database(folder_.Path() / "missing.db", OpenMode::kExisting), Error);
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "missing.db"));
}

TEST_F(SqliteTest, EveryKindOfBindRefusesAnIndexOutOfRange) {
    Statement insert(db_, "INSERT INTO t VALUES (?)");
    EXPECT_THROW(insert.BindNull(2), Error);
    EXPECT_THROW(insert.BindInt(2, 1), Error);
    EXPECT_THROW(insert.BindDouble(2, 1.5), Error);
    EXPECT_THROW(insert.BindText(2, "x"), Error);
    EXPECT_THROW(insert.BindInt(0, 1), Error);
    insert.BindInt(1, 7);
    EXPECT_FALSE(insert.Step());
    EXPECT_EQ(Rows(db_), 1);
}

}  // namespace
}  // namespace orbelle::sql
