#pragma once
// An iCalendar text as a tree of components holding their logical lines,
// for the sync's edits and its hash. Lenient where the reader is strict: a
// server's item is never refused here, only read, changed and written back.
#include <string>
#include <string_view>
#include <vector>

namespace orbelle::sync {

struct TreeLine {
    std::string name;  // upper case
    std::string text;  // the whole logical line as written
};

struct Tree {
    std::string name;  // upper case, "" for the text around the calendars
    std::vector<TreeLine> properties;
    std::vector<Tree> children;

    const TreeLine* Find(std::string_view wanted) const;
    // The children of that name, also below the calendar when this is the top.
    std::vector<Tree*> All(std::string_view wanted);
};

// Lines unfolded, CRLF and LF alike, empty lines passed over; an END that
// closes nothing open is dropped, what is still open at the end is closed.
Tree ParseTree(std::string_view text);

// Folded at 75 octets, CRLF line ends; the top's own lines are dropped.
std::string WriteTree(const Tree& top);

// The property name of a logical line, upper case.
std::string LineName(std::string_view line);

}  // namespace orbelle::sync
