#include "eventlist/navigation.h"

#include <gtest/gtest.h>

namespace orbelle {
namespace {

TEST(RolloverRepeat, TheLastMonthOrYearStepRunsAgainButNotToday) {
    struct Case {
        const char* name;
        std::optional<Navigation> last;
        std::optional<Navigation> expected;
    };
    const Case cases[] = {
        {"Preview Year", Navigation::PreviewYear, Navigation::PreviewYear},
        {"Next Year", Navigation::NextYear, Navigation::NextYear},
        {"Preview Month", Navigation::PreviewMonth, Navigation::PreviewMonth},
        {"Next Month", Navigation::NextMonth, Navigation::NextMonth},
        {"no command used yet", std::nullopt, std::nullopt},
        {"Today has just run anyway", Navigation::Today, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RepeatAfterRollover(c.last), c.expected);
    }
}

}  // namespace
}  // namespace orbelle
