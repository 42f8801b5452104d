#pragma once
// What other rooms ask of the event list, which owns the event cursor for the
// whole run: whether the cursor may move now, and the few things done through
// it. The list answers; the application hands the list to whoever asks.
#include <cstdint>

#include "base/datetime.h"

namespace orbelle {

class CursorGate {
public:
    // False while an editor or a popup of the scan holds the cursor: nothing
    // else may move it then.
    virtual bool CursorFree() const = 0;
    // Whether the event table is open (it passed its check at start, or
    // opened again after a restore).
    virtual bool TableOpen() const = 0;

protected:
    ~CursorGate() = default;
};

// What a reminder's dismissal and Open need of the list.
class EventListAccess : public CursorGate {
public:
    // As the popup's Accept: Accepttext "Y" stored and posted; false while an
    // editor or popup holds the cursor, or when the record is gone.
    virtual bool AcceptEvent(std::int64_t event_id) = 0;
    // The event in the editor, as Modify does; false when the cursor is held
    // or the record gone.
    virtual bool OpenEvent(std::int64_t event_id) = 0;
    // As the list's Delete: the list's own question, shown over `owner`
    // (a window handle, null for the list's own), then the record deleted.
    // False when the cursor is held or the list has no row of that event.
    virtual bool DeleteEvent(std::int64_t event_id, void* owner) = 0;
    // The editor for a new event with this start, as New opens it; OK posts
    // it as New does. False while the cursor is held.
    virtual bool NewEventAt(DateTime start) = 0;

protected:
    ~EventListAccess() = default;
};

}  // namespace orbelle
