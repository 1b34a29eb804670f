#include "base/text_encoding.h"

#include <string>

#include <gtest/gtest.h>

namespace zarvon::base {
namespace {

TEST(Windows1252, DefinedBytesReadAsTheirLetters)
{
    EXPECT_EQ(windows1252ToUtf8("caf\xE9 \x80 \x9C"), "café € œ");
    std::string bytes;
    ASSERT_TRUE(utf8ToWindows1252("café € œ", bytes));
    EXPECT_EQ(bytes, "caf\xE9 \x80 \x9C");
}

TEST(Windows1252, UndefinedBytesSurviveTheWayThereAndBack)
{
    const std::string undefined = "a\x81"
                                  "b\x8D\x8F\x90\x9D";
    std::string text = windows1252ToUtf8(undefined);
    EXPECT_EQ(text, "a\xC2\x81"
                    "b\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_TRUE(isValidUtf8(text));
    std::string back;
    ASSERT_TRUE(utf8ToWindows1252(text, back));
    EXPECT_EQ(back, undefined);
}

TEST(Windows1252, WhatItCannotHoldFails)
{
    std::string out;
    EXPECT_FALSE(utf8ToWindows1252("Ωμέγα", out));
    // U+0080 is not Windows-1252's byte 80 (that is the euro sign): it must
    // not be written as one, or it would come back as "€".
    EXPECT_FALSE(utf8ToWindows1252("\xC2\x80", out));
    EXPECT_FALSE(utf8ToWindows1252("bad \xFF byte", out));
    // A partial result is kept up to the refused character.
    EXPECT_FALSE(utf8ToWindows1252("ab\xCE\xA9", out));
    EXPECT_EQ(out, "ab");
}

TEST(CodePageConverter, Cp850BothWaysAndUnknownCodePages)
{
    CodePageConverter toCp850("CP850", "UTF-8");
    ASSERT_TRUE(toCp850.isOpen());
    std::string stored;
    ASSERT_TRUE(toCp850.convert("été.txt", stored));
    EXPECT_EQ(stored, "\x82t\x82.txt");
    EXPECT_FALSE(toCp850.convert("€", stored)) << "CP850 has no euro sign";
    // A failure leaves no state behind for the next call.
    ASSERT_TRUE(toCp850.convert("é", stored));
    EXPECT_EQ(stored, "\x82");

    CodePageConverter fromCp850("UTF-8", "CP850");
    std::string name;
    ASSERT_TRUE(fromCp850.convert("\x82t\x82.txt", name));
    EXPECT_EQ(name, "été.txt");

    CodePageConverter unknown("UTF-8", "NO-SUCH-CODE-PAGE");
    EXPECT_FALSE(unknown.isOpen());
    EXPECT_FALSE(unknown.convert("abc", name));
    EXPECT_EQ(name, "");
}

TEST(CodePageConverter, LongInputIsConvertedWhole)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "é";
    CodePageConverter toCp850("CP850", "UTF-8");
    std::string stored;
    ASSERT_TRUE(toCp850.convert(text, stored));
    EXPECT_EQ(stored, std::string(5000, '\x82'));
}

TEST(Utf8Validity, AcceptsWellFormedText)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("é€𝄞"));
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF")); // U+10FFFF
    EXPECT_TRUE(isValidUtf8("\xEF\xBF\xBD"));
}

TEST(Utf8Validity, RefusesMalformedText)
{
    EXPECT_FALSE(isValidUtf8("\x80"));             // continuation alone
    EXPECT_FALSE(isValidUtf8("caf\xE9"));          // Latin-1 letter
    EXPECT_FALSE(isValidUtf8("\xC3"));             // cut short
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));         // cut short
    EXPECT_FALSE(isValidUtf8("\xC3\x28"));         // not a continuation
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));     // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xF0\x80\x80\xAF")); // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xFF"));
}

TEST(Utf8Encoding, EveryLengthAndNoCharacterBecomesTheReplacement)
{
    std::string out;
    for (char32_t c : {U'a', U'\u00e9', U'\u20ac', U'\U0001F600'})
        appendUtf8(out, c);
    EXPECT_EQ(out, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_TRUE(isValidUtf8(out));
    // A lone surrogate or a value past U+10FFFF, as a damaged wide name may
    // hold, must not make the text invalid.
    for (char32_t bad : {char32_t(0xD800), char32_t(0x110000), char32_t(0x7FFFFFFF)}) {
        std::string one;
        appendUtf8(one, bad);
        EXPECT_EQ(one, "\xEF\xBF\xBD");
    }
}
} // namespace
} // namespace zarvon::base
