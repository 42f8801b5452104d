#include "sync/item_tree.h"

#include "exchange/ical_text.h"

namespace orbelle::sync {
namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view Value(std::string_view line) {
    std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view{} : line.substr(colon + 1);
}

void Write(const Tree& tree, std::string& out) {
    ical::AppendFolded(out, "BEGIN:" + tree.name);
    for (const TreeLine& line : tree.properties) ical::AppendFolded(out, line.text);
    for (const Tree& child : tree.children) Write(child, out);
    ical::AppendFolded(out, "END:" + tree.name);
}

}  // namespace

const TreeLine* Tree::Find(std::string_view wanted) const {
    for (const TreeLine& line : properties)
        if (line.name == wanted) return &line;
    return nullptr;
}

std::vector<Tree*> Tree::All(std::string_view wanted) {
    std::vector<Tree*> found;
    for (Tree& child : children) {
        if (child.name == wanted) found.push_back(&child);
        else if (name.empty() && child.name == "VCALENDAR")
            for (Tree* inner : child.All(wanted)) found.push_back(inner);
    }
    return found;
}

std::string LineName(std::string_view line) {
    std::size_t end = line.find_first_of(";:");
    return Upper(line.substr(0, end));
}

Tree ParseTree(std::string_view text) {
    Tree top;
    std::vector<Tree> open;
    auto current = [&]() -> Tree& { return open.empty() ? top : open.back(); };
    auto take = [&](std::string&& line) {
        std::string name = LineName(line);
        if (name == "BEGIN") {
            open.push_back({Upper(Value(line)), {}, {}});
        } else if (name == "END") {
            std::string closing = Upper(Value(line));
            bool known = false;
            for (const Tree& tree : open) known = known || tree.name == closing;
            if (!known) return;
            while (!open.empty()) {
                Tree done = std::move(open.back());
                open.pop_back();
                bool last = done.name == closing;
                current().children.push_back(std::move(done));
                if (last) break;
            }
        } else {
            current().properties.push_back({std::move(name), std::move(line)});
        }
    };
    std::string logical;
    bool have = false;
    std::size_t at = 0;
    if (text.starts_with("\xEF\xBB\xBF")) at = 3;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if ((line.front() == ' ' || line.front() == '\t') && have) {
            logical.append(line.substr(1));
            continue;
        }
        if (have) take(std::move(logical));
        logical.assign(line);
        have = true;
    }
    if (have) take(std::move(logical));
    while (!open.empty()) {
        Tree done = std::move(open.back());
        open.pop_back();
        current().children.push_back(std::move(done));
    }
    return top;
}

std::string WriteTree(const Tree& top) {
    std::string out;
    for (const Tree& child : top.children) Write(child, out);
    return out;
}

}  // namespace orbelle::sync
