#include "sync/sync_tables.h"

namespace orbelle::sync {
namespace {

// A savepoint is a transaction of its own when none is open and a part of
// the caller's when one is: several statements then count as one either way.
class Savepoint {
public:
    explicit Savepoint(sql::Database& db) : db_(db) { db_.Exec("SAVEPOINT sync_tables"); }
    ~Savepoint() {
        if (open_) {
            try {
                db_.Exec("ROLLBACK TO sync_tables");
                db_.Exec("RELEASE sync_tables");
            } catch (...) {
                // Nothing more to undo: SQLite rolled the savepoint back itself.
            }
        }
    }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void Release() {
        db_.Exec("RELEASE sync_tables");
        open_ = false;
    }

private:
    sql::Database& db_;
    bool open_ = true;
};

std::string Text(const sql::Statement& statement, int column) {
    return statement.IsNull(column) ? std::string() : statement.ColumnText(column);
}

}  // namespace

SyncTables::SyncTables(sql::Database& db) : db_(db) {
    Savepoint savepoint(db_);
    db_.Exec("CREATE TABLE IF NOT EXISTS SYNC_ITEM (EVENT_ID INTEGER, UID TEXT, HREF TEXT UNIQUE, ETAG TEXT, "
             "LOCAL_HASH TEXT, REMOTE_HASH TEXT, ORIGINAL TEXT, EXACT INTEGER, ACK_UTC TEXT)");
    db_.Exec("CREATE TABLE IF NOT EXISTS SYNC_CALENDAR (URL TEXT PRIMARY KEY, TOKEN TEXT, CTAG TEXT, "
             "LAST_SYNC TEXT, RESULT TEXT)");
    db_.Exec("CREATE TABLE IF NOT EXISTS SYNC_KEPT (ID INTEGER PRIMARY KEY, UID TEXT, SUBJECT TEXT, SIDE TEXT, "
             "KEPT_AT TEXT, ITEM TEXT)");
    db_.Exec("CREATE TABLE IF NOT EXISTS SYNC_ASIDE (HREF TEXT, UID TEXT, SUBJECT TEXT, REASON TEXT, AT TEXT)");
    savepoint.Release();
}

std::vector<SyncItemRow> SyncTables::Items() const {
    std::vector<SyncItemRow> rows;
    sql::Statement select(db_, "SELECT EVENT_ID, UID, HREF, ETAG, LOCAL_HASH, REMOTE_HASH, ORIGINAL, EXACT, ACK_UTC "
                               "FROM SYNC_ITEM ORDER BY rowid");
    while (select.Step()) {
        rows.push_back({select.ColumnInt(0), Text(select, 1), Text(select, 2), Text(select, 3), Text(select, 4),
                        Text(select, 5), Text(select, 6), select.ColumnInt(7) != 0, Text(select, 8)});
    }
    return rows;
}

std::optional<std::string> SyncTables::InexactOriginal(sql::Database& db, std::int64_t event_id) {
    // A table that never synced has no such table, and a reader may not make it.
    sql::Statement table(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'SYNC_ITEM'");
    if (!table.Step()) return std::nullopt;
    sql::Statement select(db, "SELECT ORIGINAL FROM SYNC_ITEM WHERE EVENT_ID = ? AND EXACT = 0 AND ORIGINAL IS NOT NULL");
    select.BindInt(1, event_id);
    if (!select.Step()) return std::nullopt;
    return select.ColumnText(0);
}

void SyncTables::PutItem(const SyncItemRow& row) {
    sql::Statement insert(db_, "INSERT OR REPLACE INTO SYNC_ITEM (EVENT_ID, UID, HREF, ETAG, LOCAL_HASH, REMOTE_HASH, "
                               "ORIGINAL, EXACT, ACK_UTC) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.BindInt(1, row.event_id);
    insert.BindText(2, row.uid);
    insert.BindText(3, row.href);
    insert.BindText(4, row.etag);
    insert.BindText(5, row.local_hash);
    insert.BindText(6, row.remote_hash);
    // Only an inexact item needs the server's text back.
    if (row.original.empty()) insert.BindNull(7);
    else insert.BindText(7, row.original);
    insert.BindInt(8, row.exact ? 1 : 0);
    insert.BindText(9, row.ack_utc);
    insert.Step();
}

void SyncTables::ForgetItem(std::string_view href) {
    sql::Statement forget(db_, "DELETE FROM SYNC_ITEM WHERE HREF = ?");
    forget.BindText(1, href);
    forget.Step();
}

void SyncTables::ForgetItemsOfEvent(std::int64_t event_id) {
    sql::Statement forget(db_, "DELETE FROM SYNC_ITEM WHERE EVENT_ID = ?");
    forget.BindInt(1, event_id);
    forget.Step();
}

std::optional<SyncCalendarRow> SyncTables::Calendar(std::string_view url) const {
    sql::Statement select(db_, "SELECT URL, TOKEN, CTAG, LAST_SYNC, RESULT FROM SYNC_CALENDAR WHERE URL = ?");
    select.BindText(1, url);
    if (!select.Step()) return std::nullopt;
    return SyncCalendarRow{Text(select, 0), Text(select, 1), Text(select, 2), Text(select, 3), Text(select, 4)};
}

void SyncTables::PutCalendar(const SyncCalendarRow& row) {
    sql::Statement insert(db_, "INSERT OR REPLACE INTO SYNC_CALENDAR (URL, TOKEN, CTAG, LAST_SYNC, RESULT) "
                               "VALUES (?, ?, ?, ?, ?)");
    insert.BindText(1, row.url);
    insert.BindText(2, row.token);
    insert.BindText(3, row.ctag);
    insert.BindText(4, row.last_sync);
    insert.BindText(5, row.result);
    insert.Step();
}

std::int64_t SyncTables::Keep(const KeptVersion& version) {
    sql::Statement insert(db_, "INSERT INTO SYNC_KEPT (UID, SUBJECT, SIDE, KEPT_AT, ITEM) VALUES (?, ?, ?, ?, ?)");
    insert.BindText(1, version.uid);
    insert.BindText(2, version.subject);
    insert.BindText(3, version.side);
    insert.BindText(4, version.kept_at);
    insert.BindText(5, version.item);
    insert.Step();
    return db_.LastInsertId();
}

std::vector<KeptVersion> SyncTables::KeptVersions() const {
    std::vector<KeptVersion> versions;
    sql::Statement select(db_, "SELECT ID, UID, SUBJECT, SIDE, KEPT_AT, ITEM FROM SYNC_KEPT ORDER BY ID");
    while (select.Step())
        versions.push_back({select.ColumnInt(0), Text(select, 1), Text(select, 2), Text(select, 3), Text(select, 4),
                            Text(select, 5)});
    return versions;
}

std::optional<KeptVersion> SyncTables::TakeKept(std::int64_t id) {
    Savepoint savepoint(db_);
    std::optional<KeptVersion> version;
    {
        sql::Statement select(db_, "SELECT ID, UID, SUBJECT, SIDE, KEPT_AT, ITEM FROM SYNC_KEPT WHERE ID = ?");
        select.BindInt(1, id);
        if (select.Step())
            version = KeptVersion{select.ColumnInt(0), Text(select, 1), Text(select, 2), Text(select, 3),
                                  Text(select, 4), Text(select, 5)};
    }
    sql::Statement remove(db_, "DELETE FROM SYNC_KEPT WHERE ID = ?");
    remove.BindInt(1, id);
    remove.Step();
    savepoint.Release();
    return version;
}

void SyncTables::ReplaceAside(const std::vector<AsideItem>& items) {
    Savepoint savepoint(db_);
    db_.Exec("DELETE FROM SYNC_ASIDE");
    sql::Statement insert(db_, "INSERT INTO SYNC_ASIDE (HREF, UID, SUBJECT, REASON, AT) VALUES (?, ?, ?, ?, ?)");
    for (const AsideItem& item : items) {
        insert.BindText(1, item.href);
        insert.BindText(2, item.uid);
        insert.BindText(3, item.subject);
        insert.BindText(4, item.reason);
        insert.BindText(5, item.at);
        insert.Step();
        insert.Reset();
    }
    savepoint.Release();
}

std::vector<AsideItem> SyncTables::Aside() const {
    std::vector<AsideItem> items;
    sql::Statement select(db_, "SELECT HREF, UID, SUBJECT, REASON, AT FROM SYNC_ASIDE ORDER BY rowid");
    while (select.Step())
        items.push_back({Text(select, 0), Text(select, 1), Text(select, 2), Text(select, 3), Text(select, 4)});
    return items;
}

void SyncTables::ForgetAll() {
    Savepoint savepoint(db_);
    db_.Exec("DELETE FROM SYNC_ITEM");
    db_.Exec("DELETE FROM SYNC_CALENDAR");
    db_.Exec("DELETE FROM SYNC_ASIDE");
    savepoint.Release();
}

}  // namespace orbelle::sync
