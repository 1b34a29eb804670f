#include "settings/language.h"

#include <cstdlib>

#include "settings/settings_ops.h"
#include "settings_test_support.h"

namespace zarvon::settings {
namespace {

using testing::writeFile;

class LanguageFileRules : public testing::TemporaryFolderTest {
protected:
    void SetUp() override
    {
        testing::TemporaryFolderTest::SetUp();
        clearLanguageTable();
    }
    void TearDown() override
    {
        clearLanguageTable();
        testing::TemporaryFolderTest::TearDown();
    }
    int32_t load(const std::string &bytes)
    {
        writeFile(path("lang.lng"), bytes);
        return loadLanguageFile(path("lang.lng"));
    }
};

TEST_F(LanguageFileRules, BlanksAroundKeyAndValueAreRemoved)
{
    EXPECT_GT(load("   MenuFile   =   Fichier   \r\n"), 0);
    EXPECT_EQ(languageText("MenuFile", "default"), "Fichier");
}

TEST_F(LanguageFileRules, TabBeforeEqualsStaysInTheKey)
{
    load("MenuFile\t= Fichier\r\n");
    EXPECT_EQ(languageText("MenuFile", "default"), "default");
    EXPECT_EQ(languageText("MenuFile\t", "default"), "Fichier");
}

TEST_F(LanguageFileRules, TabsInsideTheValueStay)
{
    load("MenuSelectAll = Select all\tCtrl+A\t\r\n");
    EXPECT_EQ(languageText("MenuSelectAll", ""), "Select all\tCtrl+A\t");
}

TEST_F(LanguageFileRules, KeysAreCaseSensitive)
{
    load("menufile = Fichier\r\n");
    EXPECT_EQ(languageText("MenuFile", "default"), "default");
    EXPECT_EQ(languageText("menufile", "default"), "Fichier");
}

TEST_F(LanguageFileRules, SecondEqualsSignBelongsToTheValue)
{
    load("Key = a = b\r\n");
    EXPECT_EQ(languageText("Key", ""), "a = b");
}

TEST_F(LanguageFileRules, FirstOfDuplicatedKeysWins)
{
    load("Key = first\r\nKey = second\r\n");
    EXPECT_EQ(languageText("Key", ""), "first");
}

TEST_F(LanguageFileRules, EmptyValueIsUsedInsteadOfTheDefault)
{
    load("Key =\r\n");
    EXPECT_EQ(languageText("Key", "default"), "");
}

TEST_F(LanguageFileRules, LinesWithoutEqualsAreIgnoredButCommentsWithEqualsAreKeys)
{
    EXPECT_GT(load("[Menus]\r\n; a comment\r\n\r\nMenuFile = Fichier\r\n; note = text\r\n"), 0);
    EXPECT_EQ(languageText("MenuFile", ""), "Fichier");
    EXPECT_EQ(languageText("; note", ""), "text");
    EXPECT_EQ(languageText("[Menus]", "none"), "none");
}

TEST_F(LanguageFileRules, LinesEndAtCrLfCrLfOrNul)
{
    using namespace std::string_literals;
    load("a = 1\rb = 2\nc = 3\r\nd = 4\0e = 5"s);
    EXPECT_EQ(languageText("a", ""), "1");
    EXPECT_EQ(languageText("b", ""), "2");
    EXPECT_EQ(languageText("c", ""), "3");
    EXPECT_EQ(languageText("d", ""), "4");
    EXPECT_EQ(languageText("e", ""), "5");
}

TEST_F(LanguageFileRules, UsedLengthCountsRecords)
{
    EXPECT_EQ(load("ab = cde\r\nf =\r\n"), (8 + 2 + 3) + (8 + 1 + 0));
}

TEST_F(LanguageFileRules, FileWithoutKeyLinesEmptiesTheTable)
{
    load("Key = value\r\n");
    EXPECT_EQ(load("[only a header]\r\n; and a comment\r\n"), 0);
    EXPECT_EQ(languageText("Key", "default"), "default");
}

TEST_F(LanguageFileRules, MissingFileKeepsTheTable)
{
    load("Key = value\r\n");
    EXPECT_EQ(loadLanguageFile(path("missing.lng")), 0);
    EXPECT_EQ(languageText("Key", "default"), "value");
}

TEST_F(LanguageFileRules, FolderInPlaceOfAFileKeepsTheTable)
{
    load("Key = value\r\n");
    std::filesystem::create_directory(folder_ / "French.lng");
    EXPECT_EQ(loadLanguageFile(path("French.lng")), 0);
    EXPECT_EQ(languageText("Key", "default"), "value");
}

TEST_F(LanguageFileRules, EmptyKeyAndNoTableGiveTheDefault)
{
    EXPECT_EQ(languageText("Key", "default"), "default");
    load(" = value for an empty key\r\n");
    EXPECT_EQ(languageText("", "default"), "default");
}

TEST_F(LanguageFileRules, Windows1252AndUtf8WithMarkAreRead)
{
    load("MenuSelectAll = S\xE9lectionner tout\r\nEuro = \x80\r\n");
    EXPECT_EQ(languageText("MenuSelectAll", ""), "Sélectionner tout");
    EXPECT_EQ(languageText("Euro", ""), "€");
    load("\xEF\xBB\xBFWindowSelectFile = Sélection des fichier(s)\r\n");
    EXPECT_EQ(languageText("WindowSelectFile", ""), "Sélection des fichier(s)");
}

TEST_F(LanguageFileRules, BytesInMemoryFollowTheSameRules)
{
    EXPECT_GT(loadLanguageBytes("  K =  v = w  \n"), 0);
    EXPECT_EQ(languageText("K", ""), "v = w");
}

class StartupLanguageSelection : public testing::TemporaryFolderTest {
protected:
    void SetUp() override
    {
        testing::TemporaryFolderTest::SetUp();
        clearLanguageTable();
        writeFile(path("French.lng"), "Which = french\r\n");
        writeFile(path("English.lng"), "Which = english\r\n");
    }
    void TearDown() override
    {
        clearLanguageTable();
        testing::TemporaryFolderTest::TearDown();
    }
    StartupLanguage select(std::string_view system)
    {
        return selectStartupLanguage(path("French.lng"), path("English.lng"), path("Zarvon.ini"), std::string(system));
    }
    std::string language() const { return languageText("Which", "none"); }
};

TEST_F(StartupLanguageSelection, WithoutConfigurationTheSystemLanguageDecides)
{
    EXPECT_TRUE(select(FrenchFranceLanguage).loaded);
    EXPECT_EQ(language(), "french");
    StartupLanguage english = select("English (United States)");
    EXPECT_TRUE(english.loaded);
    EXPECT_EQ(english.languagePath, path("English.lng"));
    EXPECT_EQ(language(), "english");
    select("Français (Canada)");
    EXPECT_EQ(language(), "english");
}

TEST_F(StartupLanguageSelection, ViewKeysDecideWhenTheFileExists)
{
    writeFile(path("Zarvon.ini"), "[View]\r\nFrenchLanguage = 1\r\nEnglishLanguage = 1\r\n");
    select("English (United States)");
    EXPECT_EQ(language(), "french");
    writeFile(path("Zarvon.ini"), "[View]\r\nFrenchLanguage = 0\r\nEnglishLanguage = 1\r\n");
    select(FrenchFranceLanguage);
    EXPECT_EQ(language(), "english");
}

TEST_F(StartupLanguageSelection, FileWithoutChoiceKeepsTheFirstLoadedTable)
{
    writeFile(path("Zarvon.ini"), "[View]\r\nFrenchLanguage = 2\r\nEnglishLanguage = yes\r\n");
    StartupLanguage result = select("English (United States)");
    EXPECT_EQ(language(), "french");
    EXPECT_EQ(result.languagePath, path("French.lng"));
    writeFile(path("Zarvon.ini"), "[General]\r\n");
    select("English (United States)");
    EXPECT_EQ(language(), "french");
}

TEST_F(StartupLanguageSelection, MissingFrenchFileOnAFrenchSystemRunsInEnglish)
{
    std::filesystem::remove(path("French.lng"));
    StartupLanguage result = select(FrenchFranceLanguage);
    EXPECT_TRUE(result.loaded);
    EXPECT_EQ(language(), "english");
}

TEST_F(StartupLanguageSelection, ChosenFileThatYieldsNothingKeepsTheFirstTable)
{
    writeFile(path("English.lng"), "; no keys at all\r\n");
    writeFile(path("Zarvon.ini"), "[View]\r\nEnglishLanguage = 1\r\n");
    StartupLanguage result = select("English (United States)");
    EXPECT_TRUE(result.loaded);
    EXPECT_EQ(language(), "french");
    EXPECT_EQ(result.languagePath, path("French.lng"));
}

TEST_F(StartupLanguageSelection, NoLanguageFileFailsWithATextInTheSystemLanguage)
{
    std::filesystem::remove(path("French.lng"));
    writeFile(path("English.lng"), "no key line\r\n");
    StartupLanguage french = select(FrenchFranceLanguage);
    EXPECT_FALSE(french.loaded);
    EXPECT_EQ(french.failureText, "Impossible de charger le fichier de langue par défaut !");
    StartupLanguage other = select("Error: Unable to determine OS Language");
    EXPECT_FALSE(other.loaded);
    EXPECT_EQ(other.failureText, "Unable to load default language !");
}

class SystemLanguage : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char *value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
    }
    void TearDown() override
    {
        for (auto &[name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SystemLanguage, FrenchAsSpokenInFrance)
{
    for (const char *locale : {"fr_FR.UTF-8", "fr_FR", "fr_FR@euro", "fr_FR.ISO-8859-15@euro"})
        EXPECT_EQ(systemLanguageName(locale), "Français (France)") << locale;
}

TEST_F(SystemLanguage, OtherLanguagesAndCountriesAreNotFrenchOfFrance)
{
    EXPECT_EQ(systemLanguageName("fr_CA.UTF-8"), "Français (Canada)");
    EXPECT_EQ(systemLanguageName("fr"), "Français");
    EXPECT_EQ(systemLanguageName("en_US.UTF-8"), "English (United States)");
    EXPECT_EQ(systemLanguageName("de_DE"), "German (Germany)");
    EXPECT_EQ(systemLanguageName("C.UTF-8"), "Error: Unable to determine OS Language");
    EXPECT_EQ(systemLanguageName("POSIX"), "Error: Unable to determine OS Language");
    EXPECT_EQ(systemLanguageName(""), "Error: Unable to determine OS Language");
    EXPECT_EQ(systemLanguageName("xx_YY"), "Error: Unable to determine OS Language");
}

TEST_F(SystemLanguage, LocaleVariablesAreTakenInPriorityOrder)
{
    EXPECT_EQ(detectSystemLanguage(), "Error: Unable to determine OS Language");
    ::setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(detectSystemLanguage(), FrenchFranceLanguage);
    ::setenv("LC_MESSAGES", "en_GB.UTF-8", 1);
    EXPECT_EQ(detectSystemLanguage(), "English (United Kingdom)");
    ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
    EXPECT_EQ(detectSystemLanguage(), FrenchFranceLanguage);
}

class TextsChosenByEnglishLanguage : public testing::TemporaryFolderTest {};

TEST_F(TextsChosenByEnglishLanguage, WithoutConfigurationTheSystemLanguageDecides)
{
    const char *saved = std::getenv("LC_ALL");
    const std::string previous = saved ? saved : "";
    const std::string ini = path("Zarvon.ini");
    ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
    EXPECT_FALSE(englishLanguageSelected(ini));
    EXPECT_EQ(currentBuiltInTexts(ini).itemCount, " élément(s)");
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_TRUE(englishLanguageSelected(ini));
    EXPECT_EQ(currentBuiltInTexts(ini).itemCount, " element(s)");
    // Once the file exists, only its key counts.
    writeFile(ini, "[View]\r\nFrenchLanguage = 1\r\n");
    EXPECT_FALSE(englishLanguageSelected(ini));
    if (saved)
        ::setenv("LC_ALL", previous.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
}

TEST_F(TextsChosenByEnglishLanguage, EnglishOnlyWhenTheKeyIsExactlyOne)
{
    const std::string ini = path("Zarvon.ini");
    writeFile(ini, "[View]\r\nEnglishLanguage = 0\r\n");
    EXPECT_EQ(currentBuiltInTexts(ini).trayBalloon, "Zarvon fonctionne en mode réduit");
    writeFile(ini, "[View]\r\nEnglishLanguage = 1\r\n");
    EXPECT_TRUE(englishLanguageSelected(ini));
    EXPECT_EQ(currentBuiltInTexts(ini).trayBalloon, "Zarvon is minimized to the systray");
    writeFile(ini, "[View]\r\nEnglishLanguage = 2\r\n");
    EXPECT_FALSE(englishLanguageSelected(ini));
    writeFile(ini, "[Window]\r\nEnglishLanguage = 1\r\n");
    EXPECT_FALSE(englishLanguageSelected(ini));
}

TEST_F(TextsChosenByEnglishLanguage, BothSetsAreComplete)
{
    const BuiltInTexts &french = builtInTexts(false);
    const BuiltInTexts &english = builtInTexts(true);
    EXPECT_EQ(french.itemCount, " élément(s)");
    EXPECT_EQ(english.selectedFiles, " File(s) selected");
    EXPECT_EQ(french.copyAfter, "''  Vers");
    EXPECT_EQ(english.copyAfter, "''  to");
    EXPECT_EQ(french.dayNames[0], "Dimanche");
    EXPECT_EQ(english.dayNames[6], "Saterday");
    for (const BuiltInTexts *texts : {&french, &english}) {
        for (const std::string *text :
             {&texts->itemCount, &texts->selectedFolders, &texts->selectedFiles, &texts->trayBalloon,
              &texts->deleteQuestion, &texts->deleteCaption, &texts->deleteNothing, &texts->copyBefore,
              &texts->copyAfter, &texts->moveBefore, &texts->passwordLine1, &texts->passwordLine2, &texts->encrypted,
              &texts->notEncrypted})
            EXPECT_FALSE(text->empty());
        for (const std::string &line : texts->aboutCredits)
            EXPECT_FALSE(line.empty());
        EXPECT_EQ(texts->aboutCredits[0], "Zarvon 1.1.0");
    }
}

} // namespace
} // namespace zarvon::settings
