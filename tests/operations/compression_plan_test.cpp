// The compression window's checks, without any window: how the name, the
// location, the type box and the passwords decide what Ok does.
#include <gtest/gtest.h>

#include "operations/compression_plan.h"

namespace zarvon::operations {
namespace {

CompressionForm form(const std::string &name, const std::string &location = "/backups/",
                     int type = CompressionTypeDeflate, const std::string &password = "",
                     const std::string &confirmation = "")
{
    CompressionForm f;
    f.name = name;
    f.location = location;
    f.typeIndex = type;
    f.password = password;
    f.confirmation = confirmation;
    return f;
}

TEST(ArchivePathJoin, AddsTheSeparatorOnlyWhenTheLocationLacksIt)
{
    EXPECT_EQ(joinLocationAndName("/backups", "photos.zip"), "/backups/photos.zip");
    EXPECT_EQ(joinLocationAndName("/backups/", "photos.zip"), "/backups/photos.zip");
    EXPECT_EQ(joinLocationAndName("", "photos.zip"), "photos.zip");
}

TEST(ArchiveNameExtension, IsTheTextAfterTheLastDotOfTheLastComponent)
{
    EXPECT_EQ(archiveNameExtension("report.final.txt"), "txt");
    EXPECT_EQ(archiveNameExtension("notes"), "");
    EXPECT_EQ(archiveNameExtension("my.folder/notes"), "");
    EXPECT_EQ(archiveNameExtension("notes."), "");
}

TEST(ArchiveFormatBox, ReplacesTheExtensionByTheChosenFormat)
{
    EXPECT_EQ(replaceArchiveExtension("report.txt", ".zip"), "report.zip");
    EXPECT_EQ(replaceArchiveExtension("notes", ".zip"), "notes.zip");
    EXPECT_EQ(replaceArchiveExtension("", ".zip"), ".zip");
    EXPECT_EQ(replaceArchiveExtension("v1.2/notes", ".zip"), "v1.2/notes.zip");
}

TEST(CompressionPlan, ChoosesTheFourRunsByTypeIndexAndPassword)
{
    auto deflate = planCompression(form("photos"));
    ASSERT_EQ(deflate.decision, CompressionDecision::Run);
    EXPECT_EQ(deflate.method, 8);
    EXPECT_EQ(deflate.password, "");
    EXPECT_EQ(deflate.archivePath, "/backups/photos.zip");

    auto normal = planCompression(form("photos.zip", "/backups", CompressionTypeNormal));
    ASSERT_EQ(normal.decision, CompressionDecision::Run);
    EXPECT_EQ(normal.method, 0);
    EXPECT_EQ(normal.archivePath, "/backups/photos.zip");

    auto deflatePw = planCompression(form("photos.zip", "/b/", CompressionTypeDeflate, "s3cret", "s3cret"));
    ASSERT_EQ(deflatePw.decision, CompressionDecision::Run);
    EXPECT_EQ(deflatePw.method, 8);
    EXPECT_EQ(deflatePw.password, "s3cret");

    auto normalPw = planCompression(form("photos.zip", "/b/", CompressionTypeNormal, "s3cret", "s3cret"));
    ASSERT_EQ(normalPw.decision, CompressionDecision::Run);
    EXPECT_EQ(normalPw.method, 0);
    EXPECT_EQ(normalPw.password, "s3cret");
}

TEST(CompressionPlan, ExtensionIsComparedWithoutRegardToCase)
{
    auto upper = planCompression(form("ARCHIVE.ZIP"));
    ASSERT_EQ(upper.decision, CompressionDecision::Run);
    EXPECT_EQ(upper.archivePath, "/backups/ARCHIVE.ZIP");
}

TEST(CompressionPlan, OtherFormatsAreRefusedNotRenamed)
{
    EXPECT_EQ(planCompression(form("backup.rar")).decision, CompressionDecision::NotZip);
    EXPECT_EQ(planCompression(form("report.txt")).decision, CompressionDecision::NotZip);
    EXPECT_EQ(planCompression(form("backup.RAR")).decision, CompressionDecision::NotZip);
}

TEST(CompressionPlan, TarballsAndSevenZipRunWithoutPasswordOnly)
{
    EXPECT_EQ(planCompression(form("backup.tar.zst")).archivePath, "/backups/backup.tar.zst");
    EXPECT_EQ(planCompression(form("backup.7z")).decision, CompressionDecision::Run);
    EXPECT_EQ(planCompression(form("backup.tar.xz", "/b/", 1, "x", "x")).decision,
              CompressionDecision::NoPasswordForFormat);
    EXPECT_EQ(replaceArchiveExtension("backup.tar.gz", ".7z"), "backup.7z");
    EXPECT_EQ(replaceArchiveExtension("backup.7z", ".tar.xz"), "backup.tar.xz");
}

TEST(CompressionPlan, MissingNameOrLocationComesBeforeEverythingElse)
{
    EXPECT_EQ(planCompression(form("", "/b/")).decision, CompressionDecision::MissingNameOrLocation);
    EXPECT_EQ(planCompression(form("a.zip", "")).decision, CompressionDecision::MissingNameOrLocation);
    EXPECT_EQ(planCompression(form("", "/b/", 1, "x", "y")).decision, CompressionDecision::MissingNameOrLocation);
}

TEST(CompressionPlan, RelativeLocationCountsAsNoLocation)
{
    // It would name a folder under wherever the program was started.
    EXPECT_EQ(planCompression(form("a.zip", "Sauvegardes")).decision, CompressionDecision::MissingNameOrLocation);
    EXPECT_EQ(planCompression(form("a.zip", "~/Sauvegardes")).decision, CompressionDecision::MissingNameOrLocation);
}

TEST(CompressionPlan, DifferentConfirmationIsRefused)
{
    EXPECT_EQ(planCompression(form("a.zip", "/b/", 1, "secret", "secreT")).decision,
              CompressionDecision::PasswordMismatch);
    EXPECT_EQ(planCompression(form("a.zip", "/b/", 1, "", "secret")).decision, CompressionDecision::PasswordMismatch);
}

TEST(CompressionPlan, TranslatedTypeNamesDoNotMatterOnlyTheIndex)
{
    // Whatever the language file calls the items, index 0 stores and 1 deflates.
    EXPECT_EQ(planCompression(form("a.zip", "/b/", 0)).method, 0);
    EXPECT_EQ(planCompression(form("a.zip", "/b/", 1)).method, 8);
}

TEST(CompressionPlan, OverlongNameOrPasswordIsRefused)
{
    EXPECT_EQ(planCompression(form(std::string(kMaxArchiveNameBytes + 1, 'n'))).decision, CompressionDecision::TooLong);
    const std::string longPassword(kMaxPasswordBytes + 1, 'p');
    EXPECT_EQ(planCompression(form("a.zip", "/b/", 1, longPassword, longPassword)).decision,
              CompressionDecision::TooLong);
    const std::string okPassword(kMaxPasswordBytes, 'p');
    EXPECT_EQ(planCompression(form("a.zip", "/b/", 1, okPassword, okPassword)).decision, CompressionDecision::Run);
}

} // namespace
} // namespace zarvon::operations
