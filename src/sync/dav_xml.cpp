#include "sync/dav_xml.h"

#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <functional>

#include "platform/system_library.h"
#include "platform/wide.h"
#include "sync/http_client.h"

namespace orbelle::sync {

namespace {

constexpr wchar_t kDav[] = L"DAV:";
constexpr wchar_t kCalDav[] = L"urn:ietf:params:xml:ns:caldav";
constexpr wchar_t kCalendarServer[] = L"http://calendarserver.org/ns/";

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
};

struct Element {
    std::wstring ns;
    std::wstring name;
    std::string text;
};

bool Is(const Element& element, const wchar_t* ns, const wchar_t* name) {
    return element.ns == ns && element.name == name;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Walks the elements of `xml`, calling `open` when one starts and `close`
// when it ends (with its text), each with the path of elements down to it.
// False when the text is not well-formed XML.
bool Walk(std::string_view xml, const std::function<void(const std::vector<Element>&)>& open,
          const std::function<void(const std::vector<Element>&)>& close) {
    static HMODULE module = LoadSystemLibrary(L"xmllite.dll");
    static CreateXmlReaderFunction create = nullptr;
    if (!create && !ResolveFunction(module, "CreateXmlReader", create)) {
        throw DavError(DavError::kBadAnswer, 0, "this system has no XML reader (xmllite.dll)");
    }
    ComPtr<IStream> stream;
    stream.p = SHCreateMemStream(reinterpret_cast<const BYTE*>(xml.data()), UINT(xml.size()));
    ComPtr<IXmlReader> reader;
    if (!stream.p || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader.p), nullptr))) {
        return false;
    }
    reader.p->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    if (FAILED(reader.p->SetInput(stream.p))) return false;

    std::vector<Element> path;
    XmlNodeType type;
    HRESULT result;
    while ((result = reader.p->Read(&type)) == S_OK) {
        const wchar_t* value = nullptr;
        UINT length = 0;
        switch (type) {
        case XmlNodeType_Element: {
            Element element;
            const wchar_t* ns = nullptr;
            reader.p->GetNamespaceUri(&ns, &length);
            element.ns.assign(ns ? ns : L"", length);
            reader.p->GetLocalName(&value, &length);
            element.name.assign(value ? value : L"", length);
            bool empty = reader.p->IsEmptyElement();
            // A comp's one attribute, its component name, passes as its text.
            if (element.ns == kCalDav && element.name == L"comp" &&
                reader.p->MoveToAttributeByName(L"name", nullptr) == S_OK &&
                SUCCEEDED(reader.p->GetValue(&value, &length))) {
                element.text = Narrow(std::wstring_view(value, length));
            }
            reader.p->MoveToElement();
            path.push_back(std::move(element));
            open(path);
            if (empty) {
                close(path);
                path.pop_back();
            }
            break;
        }
        case XmlNodeType_EndElement:
            if (path.empty()) return false;
            close(path);
            path.pop_back();
            break;
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace:
            if (!path.empty() && SUCCEEDED(reader.p->GetValue(&value, &length))) {
                path.back().text += Narrow(std::wstring_view(value, length));
            }
            break;
        default:
            break;
        }
    }
    return result == S_FALSE && path.empty();
}

void Merge(DavProps& into, DavProps&& from) {
    into.collection = into.collection || from.collection;
    into.calendar = into.calendar || from.calendar;
    auto take = [](auto& to, auto& value) {
        if (value) to = std::move(value);
    };
    take(into.display_name, from.display_name);
    take(into.components, from.components);
    take(into.ctag, from.ctag);
    take(into.sync_token, from.sync_token);
    take(into.etag, from.etag);
    take(into.content_type, from.content_type);
    take(into.calendar_data, from.calendar_data);
    take(into.current_user_principal, from.current_user_principal);
    take(into.calendar_home_set, from.calendar_home_set);
}

}  // namespace

int StatusOfLine(std::string_view line) {
    size_t space = line.find(' ');
    if (space == std::string_view::npos || space + 4 > line.size()) return 0;
    int status = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        status = status * 10 + (line[i] - '0');
    }
    return status;
}

Multistatus ParseMultistatus(std::string_view xml, const std::string& request_url) {
    Multistatus result;
    bool seen_root = false;
    DavProps propstat;
    int propstat_status = 0;
    auto open = [&](const std::vector<Element>& path) {
        const Element& element = path.back();
        if (path.size() == 1) {
            seen_root = Is(element, kDav, L"multistatus");
        } else if (Is(element, kDav, L"response") && path.size() == 2) {
            result.responses.emplace_back();
        } else if (Is(element, kDav, L"propstat")) {
            propstat = DavProps();
            propstat_status = 0;
        } else if (Is(element, kCalDav, L"supported-calendar-component-set") && Is(path[path.size() - 2], kDav, L"prop")) {
            propstat.components.emplace();
        }
    };
    auto close = [&](const std::vector<Element>& path) {
        if (path.size() < 2 || !seen_root) return;
        const Element& element = path.back();
        const Element& parent = path[path.size() - 2];
        bool in_prop = Is(parent, kDav, L"prop");
        if (result.responses.empty() && !Is(element, kDav, L"sync-token")) return;
        if (Is(element, kDav, L"href")) {
            if (Is(parent, kDav, L"response")) {
                result.responses.back().href = ResolveUrl(request_url, Trim(element.text));
            } else if (Is(parent, kDav, L"current-user-principal")) {
                propstat.current_user_principal = Trim(element.text);
            } else if (Is(parent, kCalDav, L"calendar-home-set") && !propstat.calendar_home_set) {
                propstat.calendar_home_set = Trim(element.text);
            }
        } else if (Is(element, kDav, L"status")) {
            if (Is(parent, kDav, L"response")) result.responses.back().status = StatusOfLine(Trim(element.text));
            if (Is(parent, kDav, L"propstat")) propstat_status = StatusOfLine(Trim(element.text));
        } else if (Is(element, kDav, L"propstat")) {
            if (propstat_status >= 200 && propstat_status < 300) Merge(result.responses.back().props, std::move(propstat));
        } else if (Is(parent, kDav, L"resourcetype")) {
            if (Is(element, kDav, L"collection")) propstat.collection = true;
            if (Is(element, kCalDav, L"calendar")) propstat.calendar = true;
        } else if (Is(element, kCalDav, L"comp") && Is(parent, kCalDav, L"supported-calendar-component-set")) {
            if (propstat.components) propstat.components->push_back(Trim(element.text));
        } else if (Is(element, kDav, L"sync-token") && Is(parent, kDav, L"multistatus")) {
            result.sync_token = Trim(element.text);
        } else if (in_prop) {
            if (Is(element, kDav, L"displayname")) propstat.display_name = Trim(element.text);
            if (Is(element, kCalendarServer, L"getctag")) propstat.ctag = Trim(element.text);
            if (Is(element, kDav, L"sync-token")) propstat.sync_token = Trim(element.text);
            if (Is(element, kDav, L"getetag")) propstat.etag = Trim(element.text);
            if (Is(element, kDav, L"getcontenttype")) propstat.content_type = Trim(element.text);
            if (Is(element, kCalDav, L"calendar-data")) propstat.calendar_data = element.text;
        }
    };
    if (!Walk(xml, open, close) || !seen_root) {
        throw DavError(DavError::kBadAnswer, 0, "the server's answer could not be read (not a WebDAV multistatus)");
    }
    return result;
}

std::vector<std::string> ErrorConditions(std::string_view xml) {
    std::vector<std::string> names;
    auto open = [&](const std::vector<Element>& path) {
        if (path.size() == 2 && Is(path[0], kDav, L"error")) names.push_back(Narrow(path[1].name));
    };
    try {
        if (!Walk(xml, open, [](const std::vector<Element>&) {})) names.clear();
    } catch (const DavError&) {
        names.clear();
    }
    return names;
}

std::string XmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

namespace {

constexpr char kHead[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
constexpr char kNamespaces[] =
    " xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\" xmlns:cs=\"http://calendarserver.org/ns/\"";

}  // namespace

std::string PropfindBody(PropfindKind kind) {
    const char* props = "";
    switch (kind) {
    case PropfindKind::kPrincipal:
        props = "<d:current-user-principal/><d:resourcetype/><d:displayname/><c:supported-calendar-component-set/>"
                "<cs:getctag/><d:sync-token/>";
        break;
    case PropfindKind::kHomeSet: props = "<c:calendar-home-set/>"; break;
    case PropfindKind::kCalendar:
        props = "<d:resourcetype/><d:displayname/><c:supported-calendar-component-set/><cs:getctag/><d:sync-token/>";
        break;
    case PropfindKind::kToken: props = "<d:sync-token/>"; break;
    case PropfindKind::kMembers: props = "<d:resourcetype/><d:getetag/><d:getcontenttype/>"; break;
    }
    return std::string(kHead) + "<d:propfind" + kNamespaces + "><d:prop>" + props + "</d:prop></d:propfind>";
}

std::string SyncCollectionBody(const std::string& token) {
    return std::string(kHead) + "<d:sync-collection" + kNamespaces + "><d:sync-token>" + XmlEscape(token) +
           "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>";
}

std::string MultigetBody(const std::vector<std::string>& hrefs) {
    std::string body = std::string(kHead) + "<c:calendar-multiget" + kNamespaces +
                       "><d:prop><d:getetag/><c:calendar-data/></d:prop>";
    for (const std::string& href : hrefs) body += "<d:href>" + XmlEscape(href) + "</d:href>";
    return body + "</c:calendar-multiget>";
}

}  // namespace orbelle::sync
