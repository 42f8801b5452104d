#include "eventlist/navigation.h"

#include <gtest/gtest.h>

#include <string>

namespace orbelle {
namespace {

TEST(RolloverRepeat, OnlyTheFourStepsNamedExactlyRunAgain) {
    struct Case {
        const char* remembered;
        std::optional<Navigation> expected;
    };
    const Case cases[] = {
        {"PreviewYear", Navigation::PreviewYear},
        {"NextYear", Navigation::NextYear},
        {"PreviewMonth", Navigation::PreviewMonth},
        {"NextMonth", Navigation::NextMonth},
        {"", std::nullopt},          // no command used yet
        {"oday", std::nullopt},      // Today has just run anyway
        {"nextmonth", std::nullopt}, // case-sensitive
        {"NextMonth ", std::nullopt},
        {"Today", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("remembered \"") + c.remembered + "\"");
        EXPECT_EQ(RepeatAfterRollover(c.remembered), c.expected);
    }
}

}  // namespace
}  // namespace orbelle
