#include "operations/compression_plan.h"

#include <filesystem>

namespace zarvon::operations {

namespace fs = std::filesystem;

namespace {

std::string lastComponentOf(const std::string &path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string lowerAscii(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::string joinLocationAndName(const std::string &location, const std::string &name) {
    if (location.empty()) return name;
    if (location.back() == '/') return location + name;
    return location + "/" + name;
}

std::string archiveNameExtension(const std::string &name) {
    const std::string last = lastComponentOf(name);
    const auto dot = last.rfind('.');
    return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

std::string replaceArchiveExtension(const std::string &name, const std::string &format) {
    const auto slash = name.rfind('/');
    const auto dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? name.substr(0, dot) : name) + format;
}

CompressionPlan planCompression(const CompressionForm &form) {
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
    } else if (lowerAscii(extension) != "zip") {
        plan.decision = CompressionDecision::NotZip;
        return plan;
    }
    if (form.password != form.confirmation) {
        plan.decision = CompressionDecision::PasswordMismatch;
        return plan;
    }
    plan.decision = CompressionDecision::Run;
    plan.archivePath = joinLocationAndName(form.location, plan.name);
    plan.method = form.typeIndex == CompressionTypeNormal ? 0 : 8;
    plan.password = form.password;
    return plan;
}

}  // namespace zarvon::operations
