#include "base/case_fold.h"

#include <gtest/gtest.h>

namespace zarvon::base {
namespace {

TEST(LowerAscii, LowersOnlyAsciiCapitals)
{
    EXPECT_EQ(lowerAscii("ZIP"), "zip");
    EXPECT_EQ(lowerAscii("Zip.RAR"), "zip.rar");
    EXPECT_EQ(lowerAscii("ÉTÉ"), "ÉtÉ");
    EXPECT_EQ(lowerAscii("[@]`{"), "[@]`{");
}

TEST(Latin1CaseFold, FoldsAsciiAndLatin1Capitals)
{
    EXPECT_EQ(foldLatin1Case("GÉNÉRAL"), "général");
    EXPECT_EQ(foldLatin1Case("ÀÞ"), "àþ");
    // The multiplication sign sits among the capitals but is no letter; the
    // sharp s (U+00DF) has no capital in Latin-1.
    EXPECT_EQ(foldLatin1Case("×ß"), "×ß");
    // Letters beyond Latin-1 are left alone, and so are their bytes: "Ā"
    // (C4 80) must not turn into another character.
    EXPECT_EQ(foldLatin1Case("ĀΩ"), "ĀΩ");
    // A lone C3 at the end and invalid bytes are kept.
    EXPECT_EQ(foldLatin1Case("A\xC3"), "a\xC3");
    EXPECT_EQ(foldLatin1Case("\xC9T\xC9"), "\xC9t\xC9");
}

TEST(Latin1CaseFold, ComparesNames)
{
    EXPECT_TRUE(equalsIgnoringLatin1Case("Général", "GÉNÉRAL"));
    EXPECT_TRUE(equalsIgnoringLatin1Case("window", "WINDOW"));
    EXPECT_FALSE(equalsIgnoringLatin1Case("Window", "Windows"));
    EXPECT_FALSE(equalsIgnoringLatin1Case("a×", "a÷"));
}

} // namespace
} // namespace zarvon::base
