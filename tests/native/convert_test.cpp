#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/convert.h"
#include "base/error.h"

namespace orbelle {
namespace {

struct IntCase {
    const char* text;
    std::optional<int> strict;  // ParseInt / StrToInt; nullopt is refused
    int with_default;           // StrToIntDef(text, 7)
};

const IntCase kIntCases[] = {
    {"0", 0, 0},
    {"42", 42, 42},
    {"+42", 42, 42},
    {"-42", -42, -42},
    {"-0", 0, 0},
    {"007", 7, 7},
    {"2147483647", 2147483647, 2147483647},
    {"-2147483648", -2147483647 - 1, -2147483647 - 1},
    {"2147483648", std::nullopt, 7},   // overflow
    {"-2147483649", std::nullopt, 7},  // overflow
    {"99999999999999999999", std::nullopt, 7},
    {"", std::nullopt, 7},
    {"+", std::nullopt, 7},
    {"-", std::nullopt, 7},
    {"+-5", std::nullopt, 7},
    {"-+5", std::nullopt, 7},
    {"++5", std::nullopt, 7},
    {"--5", std::nullopt, 7},
    {"+ 5", std::nullopt, 7},
    {" 5", std::nullopt, 7},
    {"5 ", std::nullopt, 7},
    {"- 5", std::nullopt, 7},
    {"1 2", std::nullopt, 7},
    {"5x", std::nullopt, 7},
    {"1.5", std::nullopt, 7},
    {"1e3", std::nullopt, 7},
    {"0x64", std::nullopt, 100},  // hexadecimal only where a default stands behind it
    {"0X1f", std::nullopt, 31},
    {"0xFFFFFFFF", std::nullopt, -1},
    {"0x100000000", std::nullopt, 7},
    {"0x", std::nullopt, 7},
    {"0x-5", std::nullopt, 7},
    {"0x+5", std::nullopt, 7},
    {"0xg", std::nullopt, 7},
    {"$10", std::nullopt, 7},
    {"-0x10", std::nullopt, 7},
};

TEST(IntegerText, AcceptedAndRefusedForms) {
    for (const auto& c : kIntCases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(ParseInt(c.text), c.strict);
        EXPECT_EQ(StrToIntDef(c.text, 7), c.with_default);
        if (c.strict) {
            EXPECT_EQ(StrToInt(c.text), *c.strict);
        } else {
            try {
                StrToInt(c.text);
                ADD_FAILURE() << "accepted";
            } catch (const Error& error) {
                EXPECT_EQ(std::string(error.what()), "'" + std::string(c.text) + "' is not a valid integer value");
            }
        }
    }
}

}  // namespace
}  // namespace orbelle
