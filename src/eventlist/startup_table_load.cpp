#include "eventlist/startup_table_load.h"

#include <exception>
#include <system_error>
#include <utility>

namespace orbelle {

StartupTableLoad::StartupTableLoad(std::filesystem::path table) : table_(std::move(table)) {
    // A missing table is made by the open: there are no rows to read beside it.
    std::error_code ec;
    const bool exists = std::filesystem::exists(table_, ec);
    open_ = std::thread([this] {
        try {
            outcome_.cursor.Open(table_);
        } catch (const std::exception& error) {
            outcome_.failure = error.what();
        }
    });
    if (!exists) return;
    read_ = std::thread([this] {
        // Any failure here only means the cursor reads the rows itself.
        try {
            snapshot_.emplace(table_);
            snapshot_->Walk(ListRowFields(), [this](const EventCursor::Fields& fields) {
                rows_.push_back(RowFromFields(fields, StartFormat::Added));
            });
            rows_read_ = true;
        } catch (const std::exception&) {
            rows_.clear();
        }
    });
}

StartupTableLoad::~StartupTableLoad() { Join(); }

void StartupTableLoad::Join() {
    if (open_.joinable()) open_.join();
    if (read_.joinable()) read_.join();
}

StartupTableLoad::Outcome StartupTableLoad::Take() {
    Join();
    bool rows_current = false;
    if (!outcome_.failure && rows_read_) {
        try {
            rows_current = !snapshot_->ChangedSinceWalk();
        } catch (const std::exception&) {
        }
    }
    snapshot_.reset();
    if (rows_current) outcome_.rows = std::move(rows_);
    return std::move(outcome_);
}

}  // namespace orbelle
