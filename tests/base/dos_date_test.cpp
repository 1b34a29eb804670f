#include "base/dos_date.h"

#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

namespace zarvon::base {
namespace {

// 2024-02-29 13:45:58: year 44 from 1980, seconds stored halved.
constexpr uint32_t kLeapDay = (44u << 25) | (2u << 21) | (29u << 16) | (13u << 11) | (45u << 5) | 29u;

TEST(DosDate, FieldsAndTextAsStored)
{
    const DosDateFields f = dosDateFields(kLeapDay);
    EXPECT_EQ(f.year, 2024u);
    EXPECT_EQ(f.month, 2u);
    EXPECT_EQ(f.day, 29u);
    EXPECT_EQ(f.second, 58u);
    EXPECT_EQ(dosDateText(kLeapDay), "2024-02-29 13:45:58");
    EXPECT_EQ(dosDateText(kLeapDay, false), "2024-02-29 13:45");
}

TEST(DosDate, SecondsInLocalTimeAndNoDateForFieldsOutOfRange)
{
    const char *old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "UTC-2", 1); // two hours east of UTC
    ::tzset();
    int64_t seconds = 0;
    EXPECT_TRUE(dosDateSeconds(kLeapDay, seconds));
    EXPECT_EQ(seconds, 1709214358 - 2 * 3600);
    seconds = 7;
    EXPECT_FALSE(dosDateSeconds(0, seconds)) << "month 0";
    EXPECT_FALSE(dosDateSeconds(kLeapDay | (24u << 11), seconds)) << "hour 24+";
    EXPECT_EQ(seconds, 7);
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace zarvon::base
