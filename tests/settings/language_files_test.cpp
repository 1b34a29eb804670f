// The shipped language files: every key the program asks for is in both,
// and the window titles the program recognises are exactly right.
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "settings/language.h"
#include "settings/language_keys.h"
#include "settings_test_support.h"

namespace zarvon::settings {
namespace {

// Keys whose French file text differs from the built-in one on purpose:
// TxtRenameFile replaces a prompt composed around the file name, so its text
// must read well without it; MsgChkZip's built-in text is English and holds a
// line break a language file cannot; TxtArchivNameEx gives a path example of
// this system instead of a drive letter.
const std::set<std::string> frenchTextsOfTheirOwn = {"TxtRenameFile", "MsgChkZip", "TxtArchivNameEx"};

const char *const Missing = "\x01missing";

std::string sourceFile(const std::string &name) { return std::string(ZARVON_SOURCE_DIR) + "/lang/" + name; }

class ShippedLanguageFiles : public ::testing::TestWithParam<const char *> {
protected:
    void TearDown() override { clearLanguageTable(); }
    void load(const std::string &name) { ASSERT_GT(loadLanguageFile(sourceFile(name)), 0) << name; }
};

TEST(ShippedFrenchFile, GivesEveryKeyItsBuiltInTextOrItsRecognisedTitle)
{
    ASSERT_GT(loadLanguageFile(sourceFile("French.lng")), 0);
    std::map<std::string, std::string> titles;
    for (const RecognisedWindowTitle &title : RecognisedWindowTitles)
        titles[std::string(title.key)] = title.french;
    std::multimap<std::string, std::string> defaults;
    for (const LanguageKey &entry : languageKeys())
        defaults.emplace(entry.key, entry.frenchDefault);

    for (const LanguageKey &entry : languageKeys()) {
        std::string text = languageText(entry.key, Missing);
        ASSERT_NE(text, Missing) << "French.lng lacks " << entry.key;
        EXPECT_FALSE(text.empty()) << entry.key;
        if (titles.count(std::string(entry.key))) {
            EXPECT_EQ(text, titles[std::string(entry.key)]) << "recognised title " << entry.key;
        } else if (!frenchTextsOfTheirOwn.count(std::string(entry.key))) {
            auto [first, last] = defaults.equal_range(std::string(entry.key));
            bool matches = false;
            for (auto it = first; it != last; ++it)
                matches = matches || it->second == text;
            EXPECT_TRUE(matches) << entry.key << " is \"" << text << "\", not its built-in text";
        }
    }
    clearLanguageTable();
}

TEST(ShippedEnglishFile, GivesEveryKeyAndTheRecognisedTitles)
{
    ASSERT_GT(loadLanguageFile(sourceFile("English.lng")), 0);
    for (const LanguageKey &entry : languageKeys()) {
        std::string text = languageText(entry.key, Missing);
        ASSERT_NE(text, Missing) << "English.lng lacks " << entry.key;
        EXPECT_FALSE(text.empty()) << entry.key;
    }
    for (const RecognisedWindowTitle &title : RecognisedWindowTitles)
        EXPECT_EQ(languageText(title.key, Missing), title.english) << "recognised title " << title.key;
    clearLanguageTable();
}

// C escapes of a literal as written in the source, resolved.
std::string unescaped(const std::string &literal)
{
    std::string text;
    for (std::size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] != '\\' || i + 1 == literal.size()) {
            text += literal[i];
            continue;
        }
        const char next = literal[++i];
        text += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return text;
}

// The program's sources that show texts.
std::vector<std::filesystem::path> textSources()
{
    std::vector<std::filesystem::path> files;
    for (const char *folder : {"ui", "app", "settings", "operations"})
        for (const auto &entry :
             std::filesystem::recursive_directory_iterator(std::string(ZARVON_SOURCE_DIR) + "/" + folder))
            if (entry.path().extension() == ".cpp" || entry.path().extension() == ".h")
                files.push_back(entry.path());
    return files;
}

// The key table is the program's own: every lookup written in the code with
// a literal key and text is in it with that text, and every key in it is
// written somewhere in the code, so that neither can drift from the other.
TEST(LanguageKeyTable, GivesTheBuiltInTextWhenNoFileIsLoaded)
{
    clearLanguageTable();
    EXPECT_EQ(languageText("MenuFile"), "Fichier");
    EXPECT_EQ(languageText("NoSuchKey"), "");
    ASSERT_GT(loadLanguageFile(sourceFile("English.lng")), 0);
    EXPECT_EQ(languageText("MenuFile"), "File");
    clearLanguageTable();
}

TEST(LanguageKeyTable, MatchesEveryLookupInTheCode)
{
    std::set<std::pair<std::string, std::string>> listed;
    for (const LanguageKey &entry : languageKeys())
        listed.emplace(entry.key, entry.frenchDefault);
    const std::regex lookup(R"re(languageText\(\s*"(\w+)"\s*,\s*"((?:[^"\\]|\\.)*)"\s*\))re");
    int lookups = 0;
    std::set<std::string> written;
    for (const auto &file : textSources()) {
        if (file.filename() == "language_keys.cpp")
            continue;
        const std::string source = testing::readFile(file);
        for (const LanguageKey &entry : languageKeys())
            if (source.find('"' + std::string(entry.key) + '"') != std::string::npos)
                written.insert(std::string(entry.key));
        for (std::sregex_iterator it(source.begin(), source.end(), lookup), end; it != end; ++it) {
            ++lookups;
            EXPECT_TRUE(listed.count({(*it)[1], unescaped((*it)[2])}))
                << file.filename() << ": " << (*it)[1] << " with the text \"" << (*it)[2]
                << "\" is not in the key table";
        }
    }
    EXPECT_GT(lookups, 100);
    // A stopped compression never leaves a partial archive to delete (it is
    // only named at the end), so its failure to delete is never told.
    written.insert("MsgErrorDeleteFile");
    for (const LanguageKey &entry : languageKeys())
        EXPECT_TRUE(written.count(std::string(entry.key))) << entry.key << " is in the table but used nowhere";
}

TEST_P(ShippedLanguageFiles, HoldOnlyKnownKeysOnceEach)
{
    std::set<std::string> known;
    for (const LanguageKey &entry : languageKeys())
        known.insert(std::string(entry.key));
    std::string bytes = testing::readFile(sourceFile(GetParam()));
    std::multiset<std::string> seen;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << GetParam() << ": every line ends with CR LF";
        std::string line = bytes.substr(start, end - start);
        start = end + 2;
        ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << GetParam() << ": bare CR or LF";
        size_t equals = line.find(" = ");
        if (line.find('=') == std::string::npos)
            continue;
        ASSERT_NE(equals, std::string::npos) << GetParam() << ": " << line;
        std::string key = line.substr(0, equals);
        EXPECT_TRUE(known.count(key)) << GetParam() << ": unknown key " << key;
        seen.insert(key);
    }
    for (const std::string &key : known)
        EXPECT_EQ(seen.count(key), 1u) << GetParam() << ": " << key;
}

TEST_P(ShippedLanguageFiles, AreWindows1252)
{
    std::string bytes = testing::readFile(sourceFile(GetParam()));
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    // "é" as UTF-8 would be C3 A9; in Windows-1252 it is the single byte E9.
    EXPECT_EQ(bytes.find("\xC3"), std::string::npos);
    if (std::string(GetParam()) == "French.lng") {
        EXPECT_NE(bytes.find("S\xE9lectionner"), std::string::npos);
    }
}

TEST_P(ShippedLanguageFiles, AreCopiedBesideTheExecutables)
{
    std::string shipped = testing::readFile(std::string(ZARVON_BIN_DIR) + "/" + GetParam());
    EXPECT_EQ(shipped, testing::readFile(sourceFile(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ShippedLanguageFiles, ::testing::Values("French.lng", "English.lng"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param).substr(0, std::string(info.param).find('.'));
                         });

} // namespace
} // namespace zarvon::settings
