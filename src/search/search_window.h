#pragma once
// The search window (`TSearch`, "Search Events"): a text box whose words are
// looked for as the user types, the filters beside it (a date range, the
// type, done events), the results as a virtual list sortable by each column,
// and a status line with what was found. It keeps the search's index from
// its first showing on and follows every change it is told of. Enter or a
// double click opens the selected event, Del deletes it, Esc closes; each
// asks its Actions, which go through the list's cursor.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/datefmt.h"
#include "platform/handles.h"
#include "search/event_search.h"
#include "ui/controls.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class SearchWindow : public Window {
public:
    enum ControlId : int {
        QueryBox = 100,
        TypeList,
        DoneBox,
        FromLabel,
        FromDate,
        ToLabel,
        ToDate,
        ResultList,
        StatusBar,
    };
    // The pause after the last key before the search runs.
    static constexpr UINT_PTR kSearchTimer = 1;
    static constexpr UINT kSearchDelay = 150;
    static constexpr const wchar_t* kTypeToSearch = L"Type to search";

    class Actions {
    public:
        virtual void Open(std::int64_t event_id) = 0;
        virtual void Delete(std::int64_t event_id, HWND owner) = 0;

    protected:
        ~Actions() = default;
    };

    SearchWindow(const WindowContext& context, Actions& actions);

    // Shows the window in front with the text box focused; the index is
    // built at the first showing.
    void ShowInFront();
    // What the table's changes mean for the index and the results.
    void EventSaved(std::int64_t id);
    void EventDeleted(std::int64_t id);
    void EventsReloaded();

    // The search the pause would run, at once.
    void SearchNow();
    HWND Control(ControlId id) const { return controls_[id]; }
    // The events of the rows, in their order.
    std::vector<std::int64_t> ResultIds() const;
    std::wstring StatusText() const;
    const SearchIndex& Index() const { return index_; }
    bool IndexBuilt() const { return index_built_; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnCreate() override;
    void OnDestroy() override;
    void OnClose() override { Hide(); }
    void OnSize(UINT, int width, int height) override { LayOut(width, height); }
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT OnNotify(const NMHDR& header) override;
    void LayOut(int width, int height);
    void Hide();
    void ReadPlace();
    void WritePlace() const;
    void BuildIndex();
    // The query as the controls hold it.
    SearchQuery Query() const;
    // Runs the query again, keeping the selected event selected where it stays.
    void Refresh();
    void ShowResult();
    std::optional<std::int64_t> SelectedEvent() const;
    void OpenSelected();
    void DeleteSelected();
    void OnGetDispInfo(NMLVDISPINFOW& info);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    void SortBy(int column);

    WindowContext context_;
    Actions& actions_;
    std::filesystem::path table_;
    LocaleNames names_;
    OwnedFont font_;
    OwnedFont bold_font_;
    Controls<ControlId> controls_;
    SearchIndex index_;
    bool index_built_ = false;
    bool index_stale_ = false;
    SearchResult result_;
    bool query_empty_ = true;
    bool ranged_ = false;
    int sort_column_ = 0;
    bool sort_ascending_ = true;
    DateTime today_;
    std::wstring cell_text_;
};

}  // namespace orbelle
