#include "operations/batch.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "base/case_fold.h"
#include "operations/archive_format.h"
#include "operations/jobs.h"

namespace zarvon::operations {
namespace fs = std::filesystem;

namespace {

struct OptionSpec {
    const char *name;
    BatchMode mode;
    bool takesTarget;
};

constexpr OptionSpec kOptions[] = {
    {"--help", BatchMode::Help, false},
    {"--extract-here", BatchMode::ExtractHere, false},
    {"--extract-to", BatchMode::ExtractTo, true},
    {"--extract", BatchMode::Extract, false},
    {"--compress", BatchMode::Compress, false},
    {"--compress-to", BatchMode::CompressTo, true},
};

std::string absolute(const std::string &path)
{
    std::error_code error;
    const fs::path full = fs::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

// The first component of a stored name, "" for none ("./" and leading "/"
// are no component of their own).
std::string topItem(std::string name)
{
    while (!name.empty() && (name.front() == '/' || name.rfind("./", 0) == 0))
        name.erase(0, name.front() == '/' ? 1 : 2);
    return name.substr(0, name.find('/'));
}

} // namespace

BatchCommand parseBatchCommand(const std::vector<std::string> &arguments)
{
    BatchCommand command;
    if (arguments.empty() || arguments.front().rfind("--", 0) != 0 || arguments.front() == "--")
        return command;
    const std::string &option = arguments.front();
    const OptionSpec *spec = nullptr;
    for (const OptionSpec &candidate : kOptions)
        if (option == candidate.name)
            spec = &candidate;
    if (!spec) {
        command.mode = BatchMode::Wrong;
        command.error = "unknown option " + option;
        return command;
    }
    command.mode = spec->mode;
    if (spec->mode == BatchMode::Help)
        return command;
    std::size_t next = 1;
    if (spec->takesTarget) {
        if (arguments.size() < 2 || arguments[1].empty()) {
            command.mode = BatchMode::Wrong;
            command.error = option + " needs " + (spec->mode == BatchMode::ExtractTo ? "a folder" : "an archive name");
            return command;
        }
        command.target = absolute(arguments[1]);
        next = 2;
    }
    for (std::size_t i = next; i < arguments.size(); ++i)
        if (!arguments[i].empty())
            command.paths.push_back(absolute(arguments[i]));
    if (command.paths.empty()) {
        command.mode = BatchMode::Wrong;
        const bool archives = spec->mode != BatchMode::Compress && spec->mode != BatchMode::CompressTo;
        command.error = option + " needs at least one " + (archives ? "archive" : "file");
    }
    return command;
}

std::string batchUsage()
{
    return "Usage: zarvon [ARCHIVE]\n"
           "       zarvon --extract-here ARCHIVE...\n"
           "       zarvon --extract-to DIR ARCHIVE...\n"
           "       zarvon --extract ARCHIVE...\n"
           "       zarvon --compress FILE...\n"
           "       zarvon --compress-to NAME.zip FILE...\n"
           "\n"
           "Without an option, opens Zarvon's window, showing ARCHIVE when one is given.\n"
           "\n"
           "  --extract-here ARCHIVE...   extract each archive next to itself, into a folder\n"
           "                              named after it when it holds more than one item\n"
           "  --extract-to DIR ARCHIVE... the same, into DIR (created when needed)\n"
           "  --extract ARCHIVE...        the same, into a folder asked for\n"
           "  --compress FILE...          open the compression window with these files\n"
           "  --compress-to NAME.zip FILE...\n"
           "                              compress the files into NAME.zip\n"
           "  --help                      show this help\n"
           "\n"
           "The batch modes show only their progress window and the questions they need\n"
           "(password, replacing a file). Exit status: 0 when everything was done, 1 when\n"
           "something failed or was cancelled, 2 when the input was refused (nothing was\n"
           "written).\n";
}

std::string extractionFolderName(const std::string &archiveFileName)
{
    std::string stem = archiveFileName;
    const auto dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        stem.erase(dot);
        // "photos.tar.gz": both extensions go.
        if (stem.size() > 4 && base::lowerAscii(stem.substr(stem.size() - 4)) == ".tar")
            stem.erase(stem.size() - 4);
    }
    if (stem.empty() || stem == archiveFileName)
        stem += "_files";
    return stem;
}

int creatableError(const std::string &path)
{
    fs::path probe = path;
    std::error_code error;
    while (!probe.empty() && !fs::exists(probe, error)) {
        if (probe == probe.parent_path())
            return ENOENT;
        probe = probe.parent_path();
    }
    if (probe.empty())
        return ENOENT;
    if (!fs::is_directory(probe, error))
        return ENOTDIR;
    return ::access(probe.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

ExtractionPlan planBatchExtraction(const std::vector<std::string> &archives, const std::string &baseFolder)
{
    ExtractionPlan plan;
    if (!baseFolder.empty()) {
        std::error_code error;
        if (fs::exists(baseFolder, error) && !fs::is_directory(baseFolder, error))
            plan.issues.push_back({BatchProblem::NotWritable, baseFolder, {}, ENOTDIR});
        else if (const int refused = creatableError(baseFolder))
            plan.issues.push_back({BatchProblem::NotWritable, baseFolder, {}, refused});
    }
    // Where each archive lands (its own folder, or its one top item), to
    // find two that would mix their files.
    std::map<std::string, std::string> landings;
    for (const std::string &archive : archives) {
        std::error_code error;
        const fs::file_status status = fs::status(archive, error);
        if (!fs::exists(status)) {
            plan.issues.push_back({BatchProblem::Missing, archive, {}, 0});
            continue;
        }
        if (fs::is_directory(status)) {
            plan.issues.push_back({BatchProblem::Folder, archive, {}, 0});
            continue;
        }
        if (!formatOf(archive)) {
            plan.issues.push_back({BatchProblem::NotAnArchive, archive, {}, 0});
            continue;
        }
        const ListReport listed = listArchiveEntries(archive);
        // Names hidden behind a password are read once it is given: the
        // archive gets a folder of its own meanwhile.
        if (!listed.opened && listed.failure.reason != Reason::PasswordNeeded) {
            const BatchProblem problem =
                listed.failure.reason == Reason::LibraryMissing ? BatchProblem::NoLibrary : BatchProblem::NotAnArchive;
            plan.issues.push_back({problem, archive, {}, listed.failure.sysErrno});
            continue;
        }
        std::set<std::string> tops;
        for (const ArchiveEntry &entry : listed.entries)
            if (const std::string top = topItem(entry.name); !top.empty())
                tops.insert(top);
        const fs::path base = baseFolder.empty() ? fs::path(archive).parent_path() : fs::path(baseFolder);
        ExtractionTarget target{archive, base.string(), false};
        fs::path landing;
        if (tops.size() == 1 && listed.opened) {
            landing = base / *tops.begin();
        } else {
            // A file that already has the folder's name is left alone: the
            // folder takes the next free name beside it.
            const std::string name = extractionFolderName(fs::path(archive).filename().string());
            landing = base / name;
            for (int n = 2; fs::exists(landing, error) && !fs::is_directory(landing, error); ++n)
                landing = base / (name + " (" + std::to_string(n) + ")");
            target.destination = landing.string();
            target.ownFolder = true;
        }
        const auto [where, fresh] = landings.emplace(landing.lexically_normal().string(), archive);
        if (!fresh) {
            plan.issues.push_back({BatchProblem::SameFolder, archive, where->second, 0});
            continue;
        }
        if (baseFolder.empty())
            if (const int refused = creatableError(target.destination))
                plan.issues.push_back({BatchProblem::NotWritable, target.destination, {}, refused});
        plan.targets.push_back(std::move(target));
    }
    return plan;
}

} // namespace zarvon::operations
