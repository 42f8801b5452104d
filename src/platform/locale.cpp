#include "platform/locale.h"

#include <windows.h>

#include "platform/wide.h"

namespace orbelle {
namespace {
std::string LocaleText(LCTYPE type) {
    wchar_t text[96] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, static_cast<int>(std::size(text)));
    return Narrow(text);
}
}  // namespace

LocaleNames UserLocaleNames() {
    LocaleNames names;
    // The system numbers weekdays from Monday; ours run from Sunday.
    names.weekdays[0] = LocaleText(LOCALE_SDAYNAME7);
    for (int i = 1; i < 7; ++i) names.weekdays[static_cast<size_t>(i)] = LocaleText(LOCALE_SDAYNAME1 + i - 1);
    for (int i = 0; i < 12; ++i) names.months[static_cast<size_t>(i)] = LocaleText(LOCALE_SMONTHNAME1 + i);
    return names;
}

}  // namespace orbelle
