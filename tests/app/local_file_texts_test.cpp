#include "app/local_file_texts.h"
#include "support/time_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

class UtcZone : public ::testing::Test {
    ScopedTimeZone zone_{"UTC"};
};

} // namespace

TEST(LocalSizeText, BytesBelowOneKilobyteThenWholeKilobytes)
{
    EXPECT_EQ(localSizeText(0), "");
    EXPECT_EQ(localSizeText(1), "1");
    EXPECT_EQ(localSizeText(1023), "1023");
    EXPECT_EQ(localSizeText(1024), "1KB");
    EXPECT_EQ(localSizeText(2047), "1KB");
    EXPECT_EQ(localSizeText(5ULL * 1024 * 1024 * 1024), "5242880KB");
}

using LocalDateText = UtcZone;

TEST_F(LocalDateText, MonthDayWithOrdinalAndYear)
{
    EXPECT_EQ(localDateText(utcNoon(1999, 2, 2)), "Feb- 2nd-1999");
    EXPECT_EQ(localDateText(utcNoon(2000, 3, 5)), "Mar- 5th-2000");
    EXPECT_EQ(localDateText(utcNoon(2001, 1, 1)), "Jan- 1st-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 4, 3)), "Apr- 3rd-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 5, 10)), "May-10th-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 6, 11)), "Jun-11th-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 7, 12)), "Jul-12th-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 8, 13)), "Aug-13th-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 9, 20)), "Sep-20th-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 10, 21)), "Oct-21st-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 11, 22)), "Nov-22nd-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 12, 23)), "Dec-23rd-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 12, 24)), "Dec-24th-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 12, 30)), "Dec-30th-2001");
    EXPECT_EQ(localDateText(utcNoon(2001, 12, 31)), "Dec-31st-2001");
}

TEST_F(LocalDateText, UsesTheLocalDate)
{
    ::setenv("TZ", "EST5", 1);
    ::tzset();
    // 02:00 UTC on 1 March is still 28 February in New York.
    EXPECT_EQ(localDateText(utcNoon(2001, 3, 1) - 10 * 3600), "Feb-28th-2001");
}

TEST(LocalSearchPattern, RootGetsNoSecondSeparatorAndNothingIsCutOrReplaced)
{
    EXPECT_EQ(localSearchPattern("/", "*.*"), "/*.*");
    EXPECT_EQ(localSearchPattern("/tmp", "*.*"), "/tmp/*.*");
    // A short folder name is not a drive root.
    EXPECT_EQ(localSearchPattern("/ab", "*.htm"), "/ab/*.htm");
    EXPECT_EQ(localSearchPattern("/odd\\name", "*.*"), "/odd\\name/*.*");
    const std::string deep = "/" + std::string(600, 'd');
    EXPECT_EQ(localSearchPattern(deep, "*.*").size(), deep.size() + 4);
}
