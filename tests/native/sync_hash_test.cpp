#include <gtest/gtest.h>

#include <string>

#include "sync/content_hash.h"

namespace orbelle::sync {
namespace {

TEST(Sha256Test, KnownDigests) {
    struct Case {
        std::string bytes;
        const char* digest;
    };
    // The FIPS 180-2 examples, and lengths around the padding's block edge.
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1'000'000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {std::string(55, 'x'), "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072"},
        {std::string(56, 'x'), "04c26261370ee7541549d16dee320c723e3fd14671e66a099afe0a377c16888e"},
        {std::string(63, 'x'), "75220b47218278e656f2013bb8f0c455a25eaf01e86c64924e9d48d89776d6f2"},
        {std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
        {std::string(65, 'x'), "9537c5fdf120482f7d58d25e9ed583f52c02b4e304ea814db1633ad565aed7e9"},
        {std::string(119, 'x'), "000b48d4edf0fa7bee3c6236ecd2785baa5db4eeb8bb54341b029e0d9fa5fb0c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        EXPECT_EQ(Sha256Hex(c.bytes), c.digest);
    }
}

// An item as we would upload it.
constexpr const char* kItem =
    "BEGIN:VCALENDAR\r\n"
    "VERSION:2.0\r\n"
    "PRODID:-//Orbelle//Orbelle//EN\r\n"
    "CALSCALE:GREGORIAN\r\n"
    "BEGIN:VTIMEZONE\r\n"
    "TZID:Europe/Berlin\r\n"
    "BEGIN:STANDARD\r\n"
    "DTSTART:16011028T030000\r\n"
    "TZOFFSETFROM:+0200\r\n"
    "TZOFFSETTO:+0100\r\n"
    "END:STANDARD\r\n"
    "END:VTIMEZONE\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:1234@orbelle\r\n"
    "DTSTAMP:20261210T130000Z\r\n"
    "DTSTART;TZID=Europe/Berlin:20261214T093000\r\n"
    "DURATION:PT1H\r\n"
    "SUMMARY:Team review\\, weekly\r\n"
    "DESCRIPTION:First line\\nSecond line with a long tail that has to be folded by \r\n"
    " any writer that keeps to 75 octets\r\n"
    "CATEGORIES:Meeting\r\n"
    "X-ORBELLE-FIELDS:Accepttext=N\r\n"
    "BEGIN:VALARM\r\n"
    "ACTION:DISPLAY\r\n"
    "DESCRIPTION:Team review\r\n"
    "TRIGGER:-PT15M\r\n"
    "END:VALARM\r\n"
    "END:VEVENT\r\n"
    "END:VCALENDAR\r\n";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

struct Variant {
    const char* name;
    std::string text;
};

TEST(ContentHashTest, WhatServersRewriteLeavesTheHash) {
    const std::string item = kItem;
    const std::string vtimezone = item.substr(item.find("BEGIN:VTIMEZONE"),
                                              item.find("BEGIN:VEVENT") - item.find("BEGIN:VTIMEZONE"));
    const Variant variants[] = {
        {"LF line ends", ReplaceAll(item, "\r\n", "\n")},
        {"folded elsewhere", Replace(Replace(item, "a long tail that has to be folded by \r\n any",
                                             "a long tail \r\n that has to be folded by any"),
                                     "UID:1234@orbelle", "UID:1234\r\n\t@orbelle")},
        {"unfolded", Replace(item, "folded by \r\n any", "folded by any")},
        {"another PRODID", Replace(item, "-//Orbelle//Orbelle//EN", "-//Radicale//NONSGML Radicale Server//EN")},
        {"another DTSTAMP", Replace(item, "20261210T130000Z", "20261211T071500Z")},
        {"stamps added", Replace(item, "DURATION:PT1H\r\n",
                                 "DURATION:PT1H\r\nSEQUENCE:3\r\nCREATED:20260101T000000Z\r\n"
                                 "LAST-MODIFIED:20261211T080000Z\r\n")},
        {"no CALSCALE", Replace(item, "CALSCALE:GREGORIAN\r\n", "")},
        {"properties reordered", Replace(Replace(item, "SUMMARY:Team review\\, weekly\r\n", ""), "CATEGORIES:Meeting\r\n",
                                         "CATEGORIES:Meeting\r\nSUMMARY:Team review\\, weekly\r\n")},
        {"alarm properties reordered", Replace(item, "ACTION:DISPLAY\r\nDESCRIPTION:Team review\r\nTRIGGER:-PT15M\r\n",
                                               "TRIGGER:-PT15M\r\nACTION:DISPLAY\r\nDESCRIPTION:Team review\r\n")},
        {"zone after the event", Replace(item, vtimezone, "").insert(item.size() - vtimezone.size() - 15, vtimezone)},
        {"names in lower case", Replace(Replace(item, "DTSTART;TZID=", "dtstart;tzid="), "DURATION:", "Duration:")},
        {"parameter quoted", Replace(item, "TZID=Europe/Berlin:2026", "TZID=\"Europe/Berlin\":2026")},
        {"line break escaped as \\N", Replace(item, "First line\\nSecond", "First line\\NSecond")},
        {"byte order mark", "\xEF\xBB\xBF" + item},
        {"durations spelt otherwise", Replace(Replace(item, "DURATION:PT1H", "DURATION:PT60M"), "TRIGGER:-PT15M",
                                              "TRIGGER:-P0DT0H15M0S")},
        {"the server's own name", Replace(item, "UID:", "X-RADICALE-NAME:1234.ics\r\nUID:")},
    };
    const std::string hash = ContentHash(item);
    for (const Variant& variant : variants) {
        SCOPED_TRACE(variant.name);
        EXPECT_EQ(ContentHash(variant.text), hash) << NormalisedItem(variant.text) << "\n---\n" << NormalisedItem(item);
    }
}

TEST(ContentHashTest, WhatTheEventSaysChangesTheHash) {
    const std::string item = kItem;
    const Variant variants[] = {
        {"summary", Replace(item, "SUMMARY:Team review", "SUMMARY:Team revue")},
        {"summary's case", Replace(item, "SUMMARY:Team review", "SUMMARY:team review")},
        {"start", Replace(item, "20261214T093000", "20261214T100000")},
        {"zone of the start", Replace(item, "DTSTART;TZID=Europe/Berlin:", "DTSTART:")},
        {"alarm's trigger", Replace(item, "TRIGGER:-PT15M", "TRIGGER:-PT30M")},
        {"alarm after the end", Replace(item, "TRIGGER:-PT15M", "TRIGGER;RELATED=END:-PT15M")},
        {"duration", Replace(item, "DURATION:PT1H", "DURATION:PT1H1M")},
        {"alarm acknowledged", Replace(item, "TRIGGER:-PT15M\r\n", "TRIGGER:-PT15M\r\nACKNOWLEDGED:20261214T091500Z\r\n")},
        {"event acknowledged", Replace(item, "CATEGORIES:", "X-MOZ-LASTACK:20261214T091500Z\r\nCATEGORIES:")},
        {"a property moved into the alarm", Replace(Replace(item, "CATEGORIES:Meeting\r\n", ""), "ACTION:DISPLAY\r\n",
                                                    "ACTION:DISPLAY\r\nCATEGORIES:Meeting\r\n")},
        {"an exception added", Replace(item, "DURATION:PT1H\r\n", "DURATION:PT1H\r\nEXDATE;TZID=Europe/Berlin:20261221T093000\r\n")},
        {"our own field", Replace(item, "Accepttext=N", "Accepttext=Y")},
        {"zone's rules", Replace(item, "TZOFFSETTO:+0100", "TZOFFSETTO:+0000")},
    };
    const std::string hash = ContentHash(item);
    for (const Variant& variant : variants) {
        SCOPED_TRACE(variant.name);
        EXPECT_NE(ContentHash(variant.text), hash);
    }
}

}  // namespace
}  // namespace orbelle::sync
