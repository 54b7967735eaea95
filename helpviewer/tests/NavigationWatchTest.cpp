#include "helpviewer/NavigationWatch.h"

#include <gtest/gtest.h>

#include <vector>

namespace lanternpane {
namespace {

struct Step {
    enum Kind { Progress, Error, Ask } kind;
    std::uint64_t at;
    bool busy;
    bool expectWaiting;
};

struct WatchCase {
    const char* name;
    std::vector<Step> steps;
};

// Limits: 1 s after an error, 15 s of silence; the watch starts at 1000.
const WatchCase kCases[] = {
    {"control no longer busy ends the wait at once", {{Step::Ask, 1000, false, false}}},
    {"busy and quiet keeps waiting below the stall limit",
     {{Step::Ask, 1000, true, true}, {Step::Ask, 15999, true, true}, {Step::Ask, 16000, true, false}}},
    {"progress restarts the stall limit",
     {{Step::Progress, 14000, true, true}, {Step::Ask, 28999, true, true}, {Step::Ask, 29000, true, false}}},
    {"an error followed by silence ends the wait after the grace time",
     {{Step::Error, 2000, true, true}, {Step::Ask, 2999, true, true}, {Step::Ask, 3000, true, false}}},
    {"life after an error (an error page loading) keeps the wait going",
     {{Step::Error, 2000, true, true},
      {Step::Progress, 2500, true, true},
      {Step::Ask, 3400, true, true},
      {Step::Ask, 3500, true, false}}},
    {"an error does not matter once the control is idle", {{Step::Error, 2000, false, false}}},
    {"a clock that goes backwards counts as no time passed",
     {{Step::Progress, 5000, true, true}, {Step::Ask, 10, true, true}}},
};

TEST(NavigationWatchTest, DecidesWhenTheWaitEnds) {
    for (const WatchCase& c : kCases) {
        SCOPED_TRACE(c.name);
        NavigationWatch watch(1000, NavigationWatch::Limits{1000, 15000});
        for (const Step& step : c.steps) {
            if (step.kind == Step::Progress) watch.noteProgress(step.at);
            if (step.kind == Step::Error) watch.noteError(step.at);
            EXPECT_EQ(watch.keepWaiting(step.busy, step.at), step.expectWaiting) << "at " << step.at;
        }
    }
}

TEST(NavigationWatchTest, RecognisesTheStartPageInAnyCase) {
    struct {
        const char* text;
        bool blank;
    } const cases[] = {
        {"about:blank", true}, {"ABOUT:Blank", true},  {"about:blank ", false}, {"about:blan", false},
        {"", false},           {"about:blankx", false}, {"file:///C:/help.html", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isBlankPage(c.text), c.blank) << '"' << c.text << '"';
    EXPECT_FALSE(isBlankPage(nullptr));
}

}  // namespace
}  // namespace lanternpane
