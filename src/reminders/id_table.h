#pragma once
// Values by event id in one array sorted by id. A schedule holds an entry for
// every event of the table; kept in one block, 100,000 of them cost a handful
// of allocations rather than one each, and allocations are what a start
// under Windows pays most for.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace orbelle {

template <typename Value>
class IdTable {
public:
    using Item = std::pair<std::int64_t, Value>;
    using iterator = typename std::vector<Item>::iterator;
    using const_iterator = typename std::vector<Item>::const_iterator;

    iterator begin() { return items_.begin(); }
    iterator end() { return items_.end(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }
    std::size_t size() const { return items_.size(); }

    iterator find(std::int64_t id) {
        auto at = LowerBound(id);
        return at != items_.end() && at->first == id ? at : items_.end();
    }
    const_iterator find(std::int64_t id) const { return const_cast<IdTable&>(*this).find(id); }

    // Ids grow as events are added, so a new one most often goes at the end.
    iterator insert_or_assign(std::int64_t id, Value value) {
        auto at = LowerBound(id);
        if (at != items_.end() && at->first == id) {
            at->second = std::move(value);
            return at;
        }
        return items_.emplace(at, id, std::move(value));
    }

    void erase(iterator at) { items_.erase(at); }

    // Replaces every value, given in any order; of two with the same id, the
    // later one stays.
    void assign(std::vector<Item> items) {
        auto by_id = [](const Item& a, const Item& b) { return a.first < b.first; };
        if (!std::is_sorted(items.begin(), items.end(), by_id)) std::stable_sort(items.begin(), items.end(), by_id);
        auto last_of_each = std::unique(items.rbegin(), items.rend(),
                                        [](const Item& a, const Item& b) { return a.first == b.first; });
        items.erase(items.begin(), last_of_each.base());
        items_ = std::move(items);
    }

    std::vector<Item> release() { return std::exchange(items_, {}); }

private:
    iterator LowerBound(std::int64_t id) {
        return std::lower_bound(items_.begin(), items_.end(), id,
                                [](const Item& item, std::int64_t key) { return item.first < key; });
    }

    std::vector<Item> items_;
};

}  // namespace orbelle
