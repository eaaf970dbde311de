#include <gtest/gtest.h>

#include "ErrorReport.h"

namespace morvane {
namespace {

TEST(ErrorReport, AppendsAFullStopOnlyAfterACharacterThatSortsAfterIt) {
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"abc", "abc."},                                    // a letter sorts after "."
        {"ends with a stop.", "ends with a stop."},         // "." itself is not after "."
        {"path (x)", "path (x)"},                           // ")" sorts before "."
        {"a-", "a-"},                                       // "-" sorts before "."
        {"a/", "a/."},                                      // "/" is the first byte after "."
        {"ﾌｧｲﾙ /x は開けません", "ﾌｧｲﾙ /x は開けません."},  // every byte of a wide character
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(reportText(c.message), c.shown) << c.message;
}

}  // namespace
}  // namespace morvane
