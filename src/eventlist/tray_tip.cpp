#include "eventlist/tray_tip.h"

namespace orbelle {

std::string_view CutToUtf16Units(std::string_view utf8, std::size_t max_units) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        if ((byte & 0xC0) == 0x80) continue;  // inside a character
        // A four-byte sequence (lead 0xF0..0xF7) is a surrogate pair in UTF-16.
        std::size_t width = byte >= 0xF0 ? 2 : 1;
        if (units + width > max_units) return utf8.substr(0, i);
        units += width;
    }
    return utf8;
}

std::string TrayTip(year_month_day today, const LocaleNames& names) {
    std::string tip = "Today is " + FormatLongDate(today, names) + "\n" + "Vintrel 2.01";
    return std::string(CutToUtf16Units(tip, kTrayTipMaxUnits));
}

}  // namespace orbelle
