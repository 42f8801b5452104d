#include "store/event_cursor.h"

#include <cmath>
#include <cstdio>
#include <system_error>

#include "base/convert.h"
#include "base/error.h"
#include "base/text.h"
#include "store/table_open.h"

namespace orbelle {
namespace {

std::string ColumnList() {
    std::string list;
    for (const auto& field : kEventFields) {
        if (!list.empty()) list += ", ";
        list += field.name;
    }
    return list;
}

const std::string& SelectAll() {
    static const std::string sql = "SELECT " + ColumnList() + " FROM TODOLIST";
    return sql;
}

std::string InsertSql() {
    std::string names, marks;
    for (const auto& field : kEventFields) {
        if (field.type == FieldType::AutoInc) continue;
        names += (names.empty() ? "" : ", ") + std::string(field.name);
        marks += marks.empty() ? "?" : ", ?";
    }
    return "INSERT INTO TODOLIST (" + names + ") VALUES (" + marks + ")";
}

std::string UpdateSql() {
    std::string sets;
    for (const auto& field : kEventFields) {
        if (field.type == FieldType::AutoInc) continue;
        sets += (sets.empty() ? "" : ", ") + std::string(field.name) + " = ?";
    }
    return "UPDATE TODOLIST SET " + sets + " WHERE Id = ?";
}

// Binds every field but Id in table order from 1; returns the next index.
int BindRecordFields(sql::Statement& statement, const auto& record) {
    int index = 1;
    for (std::size_t i = 0; i < kEventFields.size(); ++i) {
        if (i == kIdField) continue;
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::monostate>) statement.BindNull(index);
                else if constexpr (std::is_same_v<T, std::string>) statement.BindText(index, value);
                else if constexpr (std::is_same_v<T, std::int64_t>) statement.BindInt(index, value);
                else statement.BindDouble(index, value);
            },
            record[i]);
        ++index;
    }
    return index;
}

std::string FormatG(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// A value read from column `column` of the row into the field at `index`.
template <typename Value>
void ReadValue(const sql::Statement& row, int column, std::size_t index, Value& value) {
    if (row.IsNull(column)) {
        value = std::monostate{};
        return;
    }
    switch (kEventFields[index].type) {
        case FieldType::Text:
        case FieldType::Memo: value = row.ColumnText(column); break;
        case FieldType::AutoInc:
        case FieldType::SmallInt: value = row.ColumnInt(column); break;
        case FieldType::DateTime: value = row.ColumnDouble(column); break;
    }
}

template <typename Value>
std::string TextOf(const Value& value) {
    if (auto text = std::get_if<std::string>(&value)) return *text;
    if (auto number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
    if (auto days = std::get_if<double>(&value)) return FormatG(*days);
    return {};
}

template <typename Value>
DateTime DateTimeOf(const Value& value, std::size_t index) {
    // Any program may have stored infinities or far years here: those read as
    // the zero date-time, like an empty field, for every window alike.
    if (auto days = std::get_if<double>(&value)) return DateTime(*days).InRange() ? DateTime(*days) : DateTime();
    if (std::holds_alternative<std::monostate>(value)) return DateTime();
    throw Error("Field '" + std::string(kEventFields[index].name) + "' is not a date-time field");
}

}  // namespace

void EventCursor::Open(const std::filesystem::path& file) {
    Close();
    Reopen(file);
}

void EventCursor::Reopen(const std::filesystem::path& file) {
    sql::Database fresh;
    try {
        // The cursor lives on the user-interface thread alone: every
        // connection is opened for one thread.
        fresh = OpenEventTable(file, TableAccess::kCreateOrWrite);
    } catch (const Error& error) {
        throw Error("Cannot open the event table " + PathToUtf8(file) + ": " + error.what());
    }
    ForgetBatch();
    db_ = std::move(fresh);
    file_ = file;
    state_ = State::Browse;
    eof_ = true;
    on_record_ = false;
}

void EventCursor::Close() {
    ForgetBatch();
    db_ = {};
    state_ = State::Inactive;
    eof_ = true;
    on_record_ = false;
}

void EventCursor::RequireActive() const {
    if (state_ == State::Inactive) throw Error("Cannot perform this operation on a closed dataset");
}

void EventCursor::RequireEditing() const {
    if (state_ != State::Insert && state_ != State::Edit) throw Error("Dataset not in edit or insert mode");
}

std::size_t EventCursor::FieldIndex(std::string_view name) const {
    if (auto index = FindEventField(name)) return *index;
    throw Error("Field '" + std::string(name) + "' not found");
}

EventCursor::Record EventCursor::ReadRow(const sql::Statement& row) const {
    Record record;
    for (std::size_t i = 0; i < kEventFields.size(); ++i) ReadValue(row, static_cast<int>(i), i, record[i]);
    return record;
}

void EventCursor::LoadRow(const sql::Statement& row) {
    record_ = ReadRow(row);
    on_record_ = true;
}

bool EventCursor::FetchAfter(std::optional<std::int64_t> id) {
    constexpr int kBatch = 512;
    ahead_.clear();
    sql::Statement batch(db_, SelectAll() + " WHERE Id > ? ORDER BY Id LIMIT " + std::to_string(kBatch));
    batch.BindInt(1, id.value_or(INT64_MIN));
    while (batch.Step()) ahead_.push_back(ReadRow(batch));
    batch_reached_end_ = ahead_.size() < kBatch;
    if (ahead_.empty()) return false;
    record_ = std::move(ahead_.front());
    ahead_.pop_front();
    on_record_ = true;
    return true;
}

void EventCursor::ForgetBatch() {
    ahead_.clear();
    batch_reached_end_ = false;
}

std::optional<std::int64_t> EventCursor::CurrentId() const {
    if (!on_record_) return std::nullopt;
    if (auto id = std::get_if<std::int64_t>(&record_[kIdField])) return *id;
    return std::nullopt;
}

void EventCursor::First() {
    RequireActive();
    if (state_ != State::Browse) Cancel();
    eof_ = !FetchAfter(std::nullopt);
    if (eof_) {
        on_record_ = false;
        record_ = {};
    }
}

void EventCursor::Next() {
    RequireActive();
    if (state_ != State::Browse) Cancel();
    if (eof_) return;
    if (!ahead_.empty()) {
        record_ = std::move(ahead_.front());
        ahead_.pop_front();
        return;
    }
    // At the end the cursor stays on the last record with the end flag set.
    Record last = record_;
    auto id = CurrentId();
    if (batch_reached_end_ || !id || !FetchAfter(id)) {
        eof_ = true;
        record_ = std::move(last);
        on_record_ = id.has_value();
    }
}

bool EventCursor::SeekId(std::int64_t id) {
    RequireActive();
    if (state_ != State::Browse) Cancel();
    sql::Statement seek(db_, SelectAll() + " WHERE Id = ?");
    seek.BindInt(1, id);
    if (!seek.Step()) return false;
    ForgetBatch();
    LoadRow(seek);
    eof_ = false;
    return true;
}

void EventCursor::WalkColumns(const sql::Database& db, std::span<const std::size_t> fields,
                              const std::function<void(const Fields&)>& visit) {
    std::string columns;
    for (std::size_t index : fields) columns += (columns.empty() ? "" : ", ") + std::string(kEventFields.at(index).name);
    sql::Statement walk(db, "SELECT " + columns + " FROM TODOLIST ORDER BY Id");
    Record record;
    const Fields view(record);
    while (walk.Step()) {
        for (std::size_t column = 0; column < fields.size(); ++column)
            ReadValue(walk, static_cast<int>(column), fields[column], record[fields[column]]);
        visit(view);
    }
}

void EventCursor::WalkFields(std::span<const std::size_t> fields, const std::function<void(const Fields&)>& visit) {
    RequireActive();
    if (state_ != State::Browse) Cancel();
    ForgetBatch();
    WalkColumns(db_, fields, visit);
    StandAtEnd();
}

void EventCursor::StandAtEnd() {
    RequireActive();
    if (state_ != State::Browse) Cancel();
    ForgetBatch();
    batch_reached_end_ = true;
    eof_ = true;
    sql::Statement last(db_, SelectAll() + " ORDER BY Id DESC LIMIT 1");
    if (last.Step()) {
        LoadRow(last);
    } else {
        record_ = {};
        on_record_ = false;
    }
}

namespace {
std::int64_t DataVersion(const sql::Database& db) {
    sql::Statement version(db, "PRAGMA data_version");
    return version.Step() ? version.ColumnInt(0) : 0;
}
}  // namespace

FieldSnapshot::FieldSnapshot(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw Error("the event table is missing");
    // Read-only: a hot journal is left to the cursor's connection to roll back.
    db_ = OpenEventTable(file, TableAccess::kRead);
}

void FieldSnapshot::Walk(std::span<const std::size_t> fields,
                         const std::function<void(const EventCursor::Fields&)>& visit) {
    // One read transaction for the walk and the version: its lock keeps any
    // other connection from committing in between.
    sql::ReadTransaction reading(db_);
    EventCursor::WalkColumns(db_, fields, visit);
    version_after_walk_ = DataVersion(db_);
    reading.End();
}

bool FieldSnapshot::ChangedSinceWalk() const { return DataVersion(db_) != version_after_walk_; }

std::string EventCursor::Fields::FieldText(std::size_t index) const { return TextOf(record_.at(index)); }

DateTime EventCursor::Fields::FieldDateTime(std::size_t index) const {
    return DateTimeOf(record_.at(index), index);
}

std::string EventCursor::FieldText(std::string_view name) const { return FieldText(FieldIndex(name)); }

DateTime EventCursor::FieldDateTime(std::string_view name) const { return FieldDateTime(FieldIndex(name)); }

std::string EventCursor::FieldText(std::size_t index) const {
    RequireActive();
    return TextOf(record_.at(index));
}

DateTime EventCursor::FieldDateTime(std::size_t index) const {
    RequireActive();
    return DateTimeOf(record_.at(index), index);
}

void EventCursor::SetFieldText(std::string_view name, std::string_view text) {
    SetFieldText(FieldIndex(name), text);
}

void EventCursor::SetFieldText(std::size_t index, std::string_view text) {
    RequireEditing();
    const FieldDef& field = kEventFields[index];
    Value& slot = record_[index];
    switch (field.type) {
        case FieldType::Text:
            if (text.empty()) slot = std::monostate{};
            else slot = std::string(CutUtf8(text, static_cast<std::size_t>(field.width)));
            return;
        case FieldType::Memo:
            if (text.empty()) slot = std::monostate{};
            else slot = std::string(text);
            return;
        case FieldType::SmallInt: {
            if (text.empty()) {
                slot = std::monostate{};
                return;
            }
            auto number = ParseInt(text);
            if (!number)
                throw Error(FormatMessage("'%s' is not a valid integer value for field '%s'",
                                          {std::string(text), std::string(field.name)}));
            if (*number < -32768 || *number > 32767)
                throw Error(FormatMessage("%g is not a valid value for field '%s'. The allowed range is %g to %g",
                                          {FormatG(*number), std::string(field.name), "-32768", "32767"}));
            slot = std::int64_t{*number};
            return;
        }
        case FieldType::AutoInc:
            throw Error("Field '" + std::string(field.name) + "' cannot be modified");
        case FieldType::DateTime:
            throw Error("Field '" + std::string(field.name) + "' is a date-time field");
    }
}

void EventCursor::SetFieldDateTime(std::string_view name, DateTime value) {
    RequireEditing();
    std::size_t index = FieldIndex(name);
    if (kEventFields[index].type != FieldType::DateTime)
        throw Error("Field '" + std::string(kEventFields[index].name) + "' is not a date-time field");
    record_[index] = value.Days();
}

void EventCursor::Insert() {
    RequireActive();
    if (state_ != State::Browse) Cancel();
    saved_ = record_;
    saved_on_record_ = on_record_;
    record_ = {};
    on_record_ = true;
    state_ = State::Insert;
}

void EventCursor::Edit() {
    RequireActive();
    if (state_ != State::Browse) return;
    if (!on_record_) throw Error("Cannot edit: the table has no current record");
    saved_ = record_;
    saved_on_record_ = on_record_;
    state_ = State::Edit;
}

void EventCursor::Write(const char* sql_text, void (*bind)(sql::Statement&, const Record&, std::int64_t)) {
    ForgetBatch();
    sql::Transaction transaction(db_);
    {
        sql::Statement statement(db_, sql_text);
        bind(statement, record_, CurrentId().value_or(0));
        statement.Step();
    }
    if (db_.Changes() != 1) throw Error("Record not found or changed by another user");
    transaction.Commit();
}

void EventCursor::Post() {
    RequireActive();
    if (state_ == State::Insert) {
        static const std::string sql = InsertSql();
        Write(sql.c_str(), [](sql::Statement& s, const Record& r, std::int64_t) { BindRecordFields(s, r); });
        record_[kIdField] = db_.LastInsertId();
    } else if (state_ == State::Edit) {
        static const std::string sql = UpdateSql();
        Write(sql.c_str(), [](sql::Statement& s, const Record& r, std::int64_t id) {
            s.BindInt(BindRecordFields(s, r), id);
        });
    } else {
        return;
    }
    state_ = State::Browse;
    eof_ = false;
}

void EventCursor::Cancel() {
    if (state_ != State::Insert && state_ != State::Edit) return;
    record_ = saved_;
    on_record_ = saved_on_record_;
    state_ = State::Browse;
}

void EventCursor::Delete() {
    RequireActive();
    if (state_ == State::Insert) {
        Cancel();
        return;
    }
    if (state_ == State::Edit) Cancel();
    auto id = CurrentId();
    if (!id) throw Error("Cannot delete: the table has no current record");
    Write("DELETE FROM TODOLIST WHERE Id = ?",
          [](sql::Statement& s, const Record&, std::int64_t id) { s.BindInt(1, id); });
    // The delete is committed and done from here on. The cursor moves to the
    // following record, or the one before the last; a failure to read them is
    // not the delete's: the cursor then stands on no record.
    try {
        if (FetchAfter(id)) {
            eof_ = false;
            return;
        }
        sql::Statement before(db_, SelectAll() + " WHERE Id < ? ORDER BY Id DESC LIMIT 1");
        before.BindInt(1, *id);
        if (before.Step()) {
            LoadRow(before);
            eof_ = true;
            return;
        }
    } catch (const Error&) {
        ForgetBatch();
    }
    record_ = {};
    on_record_ = false;
    eof_ = true;
}

}  // namespace orbelle
