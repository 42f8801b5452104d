#pragma once
// The post loop the kill tests run in a child process, natively and under
// Wine: numbered records posted for ever, each subject handed to `tell` only
// after its post has returned, so every subject told must be in the file.
#include <string>

#include "store/event_cursor.h"

namespace orbelle {

template <class Tell>
[[noreturn]] void PostUntilKilled(EventCursor& cursor, const std::string& pid, Tell tell) {
    for (long n = 0;; ++n) {
        cursor.Insert();
        cursor.SetFieldText("subject", "post " + pid + "." + std::to_string(n));
        cursor.SetFieldText("memo", std::string(static_cast<size_t>(n % 700), 'm'));
        cursor.Post();
        if (n % 3 == 0) {  // rewrites too, so a kill can land inside an update
            cursor.Edit();
            cursor.SetFieldText("accepttext", "Y");
            cursor.Post();
        }
        tell(cursor.FieldText("subject"));
    }
}

}  // namespace orbelle
