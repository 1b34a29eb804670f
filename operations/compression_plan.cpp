#include "operations/compression_plan.h"

#include "base/case_fold.h"
#include "base/paths.h"
#include "operations/libarchive_format.h"

#include <filesystem>

namespace zarvon::operations {

namespace fs = std::filesystem;

namespace {} // namespace

std::string joinLocationAndName(const std::string &location, const std::string &name)
{
    if (location.empty())
        return name;
    if (location.back() == '/')
        return location + name;
    return location + "/" + name;
}

std::string archiveNameExtension(const std::string &name) { return base::pathExtension(name); }

std::string replaceArchiveExtension(const std::string &name, const std::string &format)
{
    // ".tar.gz" and its kin go whole: "backup.tar.gz" becomes "backup.7z".
    if (createdKindOf(name) != CreatedKind::None) {
        const std::string lower = base::lowerAscii(name);
        const auto tar = lower.rfind(".tar.");
        const auto slash = name.rfind('/');
        if (tar != std::string::npos && (slash == std::string::npos || tar > slash))
            return name.substr(0, tar) + format;
    }
    const auto slash = name.rfind('/');
    const auto dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? name.substr(0, dot) : name) + format;
}

CompressionPlan planCompression(const CompressionForm &form)
{
    CompressionPlan plan;
    plan.name = form.name;
    if (form.name.size() > kMaxArchiveNameBytes || form.location.size() > kMaxArchiveNameBytes ||
        form.password.size() > kMaxPasswordBytes || form.confirmation.size() > kMaxPasswordBytes) {
        plan.decision = CompressionDecision::TooLong;
        return plan;
    }
    // A relative location would name a folder under wherever the program
    // was started, where the user would never find the archive.
    if (form.name.empty() || !fs::path(form.location).is_absolute()) {
        plan.decision = CompressionDecision::MissingNameOrLocation;
        return plan;
    }
    const std::string extension = archiveNameExtension(form.name);
    if (extension.empty()) {
        // "photos" and "photos." both become "photos.zip".
        plan.name = replaceArchiveExtension(form.name, ".zip");
    } else if (base::lowerAscii(extension) != "zip" && createdKindOf(form.name) == CreatedKind::None) {
        plan.decision = CompressionDecision::NotZip;
        return plan;
    }
    if (form.password != form.confirmation) {
        plan.decision = CompressionDecision::PasswordMismatch;
        return plan;
    }
    // tar and 7z are written without encryption: a password typed for one
    // is never dropped in silence.
    if (!form.password.empty() && createdKindOf(plan.name) != CreatedKind::None) {
        plan.decision = CompressionDecision::NoPasswordForFormat;
        return plan;
    }
    plan.decision = CompressionDecision::Run;
    plan.archivePath = joinLocationAndName(form.location, plan.name);
    plan.method = form.typeIndex == CompressionTypeNormal ? 0 : 8;
    plan.password = form.password;
    return plan;
}

} // namespace zarvon::operations
