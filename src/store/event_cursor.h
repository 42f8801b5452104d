#pragma once
// The event cursor: the one cursor over the event table, in Id order.
// A record is read into a buffer when the cursor reaches it; Insert and Edit
// change the buffer, Post writes it in one durable transaction.
#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "base/datetime.h"
#include "store/event_fields.h"
#include "store/sqlite.h"

namespace orbelle {

class EventCursor {
    using Value = std::variant<std::monostate, std::string, std::int64_t, double>;
    using Record = std::array<Value, kEventFields.size()>;

public:
    enum class State { Inactive, Browse, Insert, Edit };

    // The fields a walk asked for of one record, read as the cursor reads
    // them; the other fields read empty.
    class Fields {
    public:
        std::string FieldText(std::size_t index) const;
        DateTime FieldDateTime(std::size_t index) const;

    private:
        friend class EventCursor;
        explicit Fields(const Record& record) : record_(record) {}
        const Record& record_;
    };

    // Opens the table file, creating the folder and the table when the file is
    // missing. A file that is not a sound event table is left untouched and
    // reported: Error with the reason.
    void Open(const std::filesystem::path& file);
    void Close();
    // Open again from the start, as Close then Open would, except that a
    // failure leaves the cursor exactly as it was, its connection usable.
    void Reopen(const std::filesystem::path& file);
    bool Active() const { return state_ != State::Inactive; }
    State GetState() const { return state_; }

    void First();
    void Next();
    bool Eof() const { return eof_; }
    // Goes to the record with this Id; not found leaves the cursor where it was.
    bool SeekId(std::int64_t id);
    // Every record in Id order, reading only the fields at these positions of
    // kEventFields: for a reader that needs a few fields of many records.
    // Afterwards the cursor stands where a walk with First and Next leaves
    // it: on the last record, at the end.
    void WalkFields(std::span<const std::size_t> fields, const std::function<void(const Fields&)>& visit);
    // Stands where a walk ends, on the last record and at the end, without
    // walking: for a cursor whose rows were read by a FieldSnapshot.
    void StandAtEnd();

    // Field access by name, without regard to case. Empty reads "" and 0.
    std::string FieldText(std::string_view name) const;
    DateTime FieldDateTime(std::string_view name) const;
    // The same by the field's position in kEventFields, for loops over many records.
    std::string FieldText(std::size_t index) const;
    DateTime FieldDateTime(std::size_t index) const;
    // Text is cut to the field's width; small integers are checked and refused
    // with the engine's messages. Only in Insert or Edit state.
    void SetFieldText(std::string_view name, std::string_view text);
    void SetFieldText(std::size_t index, std::string_view text);
    void SetFieldDateTime(std::string_view name, DateTime value);

    void Insert();
    // No effect while already inserting or editing.
    void Edit();
    void Post();
    void Cancel();
    void Delete();

private:
    friend class FieldSnapshot;
    static void WalkColumns(const sql::Database& db, std::span<const std::size_t> fields,
                            const std::function<void(const Fields&)>& visit);
    std::size_t FieldIndex(std::string_view name) const;
    void RequireActive() const;
    void RequireBrowseRecord() const;
    void RequireEditing() const;
    Record ReadRow(const sql::Statement& row) const;
    void LoadRow(const sql::Statement& row);
    // Reads the next batch of records after this Id (all from the start when
    // empty) and makes the first of them current; false when there is none.
    bool FetchAfter(std::optional<std::int64_t> id);
    void ForgetBatch();
    std::optional<std::int64_t> CurrentId() const;
    void Write(const char* sql, void (*bind)(sql::Statement&, const Record&, std::int64_t));

    std::filesystem::path file_;
    sql::Database db_;
    // Records read ahead in Id order. No statement stays open between calls,
    // so the cursor never holds a lock that would keep another program from
    // writing; every change of ours drops the batch.
    std::deque<Record> ahead_;
    bool batch_reached_end_ = false;
    State state_ = State::Inactive;
    bool eof_ = true;
    bool on_record_ = false;
    Record record_{};
    Record saved_{};  // the browse record while inserting or editing
    bool saved_on_record_ = false;
};

// A walk of some fields of every record, as EventCursor::WalkFields reads
// them, on a read-only connection of its own that nothing can make write: it
// may run on another thread beside a cursor's Open of the same file, and its
// rows count only once that Open has passed.
class FieldSnapshot {
public:
    // Makes the same first test of the file as the cursor's Open: Error when
    // the file is missing or holds no event table of ours.
    explicit FieldSnapshot(const std::filesystem::path& file);
    void Walk(std::span<const std::size_t> fields, const std::function<void(const EventCursor::Fields&)>& visit);
    // Whether another connection has committed a change since the walk read
    // the table, so that its rows are no longer the table's.
    bool ChangedSinceWalk() const;

private:
    sql::Database db_;
    std::int64_t version_after_walk_ = 0;
};

}  // namespace orbelle
