// The ZIP association and the desktop shortcut as registry keys, read back
// from the in-memory registry.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "operations/file_association.h"
#include "operations/recording_registry_store.h"

namespace zarvon::operations {
namespace {

using Strings = std::vector<std::string>;

ProgramIdentity program(const std::string &folder, const std::string &name, bool frenchFrance = false)
{
    return ProgramIdentity{folder + name, folder, name, frenchFrance};
}

bool anyKeyContains(const RecordingRegistryStore &store, const std::string &part)
{
    const auto keys = store.keys();
    return std::any_of(keys.begin(), keys.end(),
                       [&](const std::string &k) { return k.find(part) != std::string::npos; });
}

TEST(RegistryAssociationTest, ZipBoxWritesTheFiveValuesWithTheRealNameAndPath)
{
    RecordingRegistryStore store;
    const auto p = program("/opt/My Tools/", "zarvon-dev");
    ASSERT_TRUE(applyZipBoxToRegistry(store, SystemFamily::Nt, p, true));
    EXPECT_EQ(
        store.values(),
        (Strings{
            "HKEY_CLASSES_ROOT\\.zip|=zip_auto_file",
            "HKEY_CLASSES_ROOT\\Applications\\zarvon-dev\\shell\\open\\command|=\"/opt/My Tools/zarvon-dev\" \"%1\"",
            "HKEY_CLASSES_ROOT\\zip_auto_file\\DefaultIcon|=/opt/My Tools/zarvon-dev",
            "HKEY_CLASSES_ROOT\\zip_auto_file|=Fichiers zip associés à Zarvon",
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zip|"
            "Application=zarvon-dev",
        }));
}

TEST(RegistryAssociationTest, TickingThenClearingTheZipBoxLeavesNoneOfItsKeys)
{
    RecordingRegistryStore store;
    const auto p = program("/opt/", "zarvon");
    ASSERT_TRUE(applyZipBoxToRegistry(store, SystemFamily::Nt, p, true));
    ASSERT_TRUE(applyZipBoxToRegistry(store, SystemFamily::Nt, p, false));
    EXPECT_TRUE(store.values().empty());
    EXPECT_FALSE(store.keyExists(RegistryRoot::ClassesRoot, "Applications\\zarvon"));
    EXPECT_FALSE(store.keyExists(RegistryRoot::ClassesRoot, ".zip"));
    EXPECT_FALSE(store.keyExists(RegistryRoot::ClassesRoot, "zip_auto_file"));
    EXPECT_FALSE(store.keyExists(RegistryRoot::CurrentUser,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zip"));
}

TEST(RegistryAssociationTest, ClearingTheIntegrationBoxRemovesTheEntryOfTheRealFileName)
{
    RecordingRegistryStore store;
    const auto p = program("/home/u/bin/", "Zarvon-1.1");
    ASSERT_TRUE(applyIntegrationBoxToRegistry(store, SystemFamily::Nt, p, true));
    ASSERT_TRUE(
        store.keyExists(RegistryRoot::ClassesRoot, "Applications\\Zarvon-1.1\\shell\\Explore With Zarvon\\command"));
    ASSERT_TRUE(applyIntegrationBoxToRegistry(store, SystemFamily::Nt, p, false));
    EXPECT_FALSE(anyKeyContains(store, "Zarvon-1.1"));
    EXPECT_TRUE(store.values().empty());
}

TEST(RegistryAssociationTest, IntegrationVerbFollowsTheSystemLanguageOnly)
{
    RecordingRegistryStore french, english;
    ASSERT_TRUE(applyIntegrationBoxToRegistry(french, SystemFamily::Nt, program("/a/", "zarvon", true), true));
    ASSERT_TRUE(applyIntegrationBoxToRegistry(english, SystemFamily::Nt, program("/a/", "zarvon", false), true));
    EXPECT_TRUE(
        french.keyExists(RegistryRoot::ClassesRoot, "Applications\\zarvon\\shell\\Ouvrir avec Zarvon\\command"));
    EXPECT_TRUE(
        english.keyExists(RegistryRoot::ClassesRoot, "Applications\\zarvon\\shell\\Explore With Zarvon\\command"));
    std::string description;
    ASSERT_TRUE(french.readText(RegistryRoot::ClassesRoot, "zip_auto_file", "", description));
    EXPECT_EQ(description, "Fichiers zip");
}

TEST(RegistryAssociationTest, TheLastBoxTickedNamesTheTypeAndClearingEitherRemovesIt)
{
    RecordingRegistryStore store;
    const auto p = program("/a/", "zarvon");
    ASSERT_TRUE(applyZipBoxToRegistry(store, SystemFamily::Nt, p, true));
    ASSERT_TRUE(applyIntegrationBoxToRegistry(store, SystemFamily::Nt, p, true));
    std::string description;
    ASSERT_TRUE(store.readText(RegistryRoot::ClassesRoot, "zip_auto_file", "", description));
    EXPECT_EQ(description, "Fichiers zip");
    ASSERT_TRUE(applyIntegrationBoxToRegistry(store, SystemFamily::Nt, p, false));
    EXPECT_FALSE(store.keyExists(RegistryRoot::ClassesRoot, ".zip"));
    EXPECT_FALSE(store.keyExists(RegistryRoot::ClassesRoot, "Applications\\zarvon\\shell\\open"));
}

TEST(RegistryAssociationTest, OlderFamilyNamesTheVerbKeyAndNeverWritesAnEmptyKeyName)
{
    RecordingRegistryStore store;
    ASSERT_TRUE(associateFileTypeWithVerb(store, SystemFamily::Legacy, "zip", "Fichiers zip", "C:\\Z\\Zarvon.exe",
                                          "C:\\Z\\Zarvon.exe", "Zarvon.exe", "Explore With Zarvon", ""));
    for (const auto &key : store.keys())
        EXPECT_EQ(key.find("\\\\"), std::string::npos) << key;
    EXPECT_EQ(store.values(),
              (Strings{
                  "HKEY_LOCAL_MACHINE\\Software\\Classes\\.zip|=Zarvon.exe",
                  "HKEY_LOCAL_MACHINE\\Software\\Classes\\Zarvon.exe\\DefaultIcon|=C:\\Z\\Zarvon.exe",
                  "HKEY_LOCAL_MACHINE\\Software\\Classes\\Zarvon.exe\\shell\\Explore With Zarvon\\command|="
                  "\"C:\\Z\\Zarvon.exe\" \"%1\"",
                  "HKEY_LOCAL_MACHINE\\Software\\Classes\\Zarvon.exe|=Fichiers zip",
              }));

    RecordingRegistryStore labelled;
    ASSERT_TRUE(associateFileTypeWithVerb(labelled, SystemFamily::Legacy, "zip", "", "C:\\Zarvon.exe", "", "Zarvon.exe",
                                          "Ouvrir", "open"));
    std::string label;
    ASSERT_TRUE(labelled.readText(RegistryRoot::LocalMachine, "Software\\Classes\\Zarvon.exe\\shell\\open", "", label));
    EXPECT_EQ(label, "Ouvrir");
    EXPECT_FALSE(labelled.keyExists(RegistryRoot::LocalMachine, "Software\\Classes\\Zarvon.exe\\DefaultIcon"));

    ASSERT_TRUE(removeFileTypeAssociation(store, SystemFamily::Legacy, "zip", "Zarvon.exe"));
    EXPECT_TRUE(store.values().empty());
}

TEST(RegistryAssociationTest, AssociateFileTypeTakesTheExecutableNameFromEitherSeparator)
{
    RecordingRegistryStore store;
    ASSERT_TRUE(associateFileType(store, SystemFamily::Nt, "zip", "", "C:\\Program Files\\Zarvon\\Zarvon.exe", ""));
    EXPECT_TRUE(store.keyExists(RegistryRoot::ClassesRoot, "Applications\\Zarvon.exe\\shell\\open\\command"));
    // Without a description the type's own keys are not touched.
    EXPECT_FALSE(store.keyExists(RegistryRoot::ClassesRoot, ".zip"));
}

TEST(RegistryAssociationTest, AFailedWriteIsReportedAndTheOthersAreStillMade)
{
    RecordingRegistryStore store;
    store.refuseBelow("HKEY_CURRENT_USER\\Software");
    EXPECT_FALSE(applyZipBoxToRegistry(store, SystemFamily::Nt, program("/a/", "zarvon"), true));
    EXPECT_TRUE(store.keyExists(RegistryRoot::ClassesRoot, "zip_auto_file\\DefaultIcon"));
    EXPECT_FALSE(store.keyExists(RegistryRoot::CurrentUser,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zip"));
}

TEST(RegistryAssociationTest, RemovingAnAssociationThatIsNotThereSucceedsAndOneThatStaysFails)
{
    RecordingRegistryStore store;
    EXPECT_TRUE(removeFileTypeAssociation(store, SystemFamily::Nt, "zip", "zarvon"));
    ASSERT_TRUE(applyZipBoxToRegistry(store, SystemFamily::Nt, program("/a/", "zarvon"), true));
    store.refuseBelow("HKEY_CLASSES_ROOT\\zip_auto_file");
    EXPECT_FALSE(removeFileTypeAssociation(store, SystemFamily::Nt, "zip", "zarvon"));
    EXPECT_TRUE(store.keyExists(RegistryRoot::ClassesRoot, "zip_auto_file"));
    EXPECT_FALSE(store.keyExists(RegistryRoot::ClassesRoot, ".zip"));
}

TEST(RegistryTreeTest, DeletesAWholeTreeByItsFullPath)
{
    RecordingRegistryStore store;
    ASSERT_TRUE(store.writeText(RegistryRoot::CurrentUser, "Software\\Zarvon\\A\\B", "x", "1"));
    ASSERT_TRUE(store.writeText(RegistryRoot::CurrentUser, "Software\\ZarvonOther", "y", "2"));
    EXPECT_TRUE(deleteRegistryTree(store, "HKEY_CURRENT_USER\\software\\zarvon\\", ""));
    EXPECT_FALSE(store.keyExists(RegistryRoot::CurrentUser, "Software\\Zarvon\\A"));
    EXPECT_FALSE(store.keyExists(RegistryRoot::CurrentUser, "Software\\Zarvon"));
    // A sibling whose name merely starts the same stays.
    EXPECT_TRUE(store.keyExists(RegistryRoot::CurrentUser, "Software\\ZarvonOther"));
    // It existed once only.
    EXPECT_FALSE(deleteRegistryTree(store, "HKEY_CURRENT_USER\\Software\\Zarvon", "."));
}

TEST(RegistryTreeTest, RefusesOtherComputersAndPathsWithoutARoot)
{
    RecordingRegistryStore store;
    ASSERT_TRUE(store.writeText(RegistryRoot::LocalMachine, "Software\\Zarvon", "", "x"));
    EXPECT_FALSE(deleteRegistryTree(store, "HKEY_LOCAL_MACHINE\\Software\\Zarvon", "SERVER"));
    EXPECT_FALSE(deleteRegistryTree(store, "HKEY_NOWHERE\\Software\\Zarvon"));
    EXPECT_FALSE(deleteRegistryTree(store, "Software\\Zarvon"));
    // The root itself is never a tree to delete.
    EXPECT_FALSE(deleteRegistryTree(store, "HKEY_LOCAL_MACHINE\\"));
    EXPECT_TRUE(store.keyExists(RegistryRoot::LocalMachine, "Software\\Zarvon"));

    RegistryRoot root{};
    std::string subkey;
    ASSERT_TRUE(parseRegistryPath("hkey_users\\S-1\\X", root, subkey));
    EXPECT_EQ(root, RegistryRoot::Users);
    EXPECT_EQ(subkey, "S-1\\X");
}

TEST(ShortcutLinkTest, DesktopShortcutPointsAtTheProgramFromItsFolder)
{
    const auto link = desktopShortcutLink(program("C:\\Tools\\", "Zarvon.exe"), "C:\\Users\\u\\Desktop");
    EXPECT_EQ(link.linkPath, "C:\\Users\\u\\Desktop\\Zarvon.lnk");
    EXPECT_EQ(link.target, "C:\\Tools\\Zarvon.exe");
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.description, "Zarvon est un Archiveur");
    EXPECT_EQ(link.workingDirectory, "C:\\Tools\\");
    EXPECT_EQ(link.showCommand, 1);
    EXPECT_EQ(link.hotkey, 0);
    EXPECT_EQ(link.iconPath, "C:\\Tools\\Zarvon.exe");
    EXPECT_EQ(link.iconIndex, 0);
    EXPECT_EQ(desktopShortcutLink(program("/a/", "z"), "/home/u/Desktop/").linkPath, "/home/u/Desktop/Zarvon.lnk");
}

} // namespace
} // namespace zarvon::operations
