// zarvon-cli: the jobs of the desktop program from the command line, for scripts, benchmarks and
// black-box checks. Exit status 0 only when everything asked for succeeded.
#include "base/dos_date.h"
#include "base/product.h"
#include "base/whole_file.h"
#include "operations/archive_editing.h"
#include "operations/archive_information.h"
#include "operations/jobs.h"

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace zarvon::operations;

namespace {

enum Exit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitIncomplete = 3 };

const char *kUsage =
    "usage: zarvon-cli COMMAND ...\n"
    "  list [-p PASSWORD|-P] ARCHIVE        list the entries\n"
    "  create [-0|-9] [-j N] [-o] [-e aes256|zipcrypto] [-p PASSWORD|-P] ARCHIVE FILE|FOLDER...\n"
    "                                       ARCHIVE.zip, or .tar.gz .tar.bz2 .tar.xz .tar.zst .7z\n"
    "                                       (those take no password; -0/-9 and -e are for ZIP)\n"
    "                                       -0 stored, -9 Deflate (default); -P asks for the password;\n"
    "                                       -e chooses how the password protects the files: zipcrypto\n"
    "                                       (ZIP 2.0, the default: every tool opens it, but it is weak)\n"
    "                                       or aes256 (AES-256: strong, needs a recent tool to open)\n"
    "                                       -j N compresses on N threads (default: one per core);\n"
    "                                       an existing archive of that format is replaced with -o (--overwrite),\n"
    "                                       else asked about on a terminal and kept elsewhere; any\n"
    "                                       other file is never replaced\n"
    "  extract [-d DEST] [-o|-n] [-p PASSWORD|-P] [--salvage] ARCHIVE [ENTRY...]\n"
    "                                       extract everything, or the named entries; an existing\n"
    "                                       file is replaced with -o, kept with -n, else asked about\n"
    "                                       on a terminal and kept (a failure) elsewhere;\n"
    "                                       --salvage recovers the entries of an archive whose\n"
    "                                       directory is lost from their own headers\n"
    "  test [-p PASSWORD|-P] ARCHIVE        read every entry and check its CRC\n"
    "  info [-p PASSWORD|-P] ARCHIVE        a summary of the archive\n"
    "  add [-0|-9] [-j N] [-o|-n] [-u] [-p PASSWORD|-P] ARCHIVE FILE|FOLDER...\n"
    "                                       add to a ZIP archive in place; an entry of the same name\n"
    "                                       is replaced with -o, kept with -n, else asked about on a\n"
    "                                       terminal and kept elsewhere; -u replaces only entries\n"
    "                                       older than their file; -p encrypts the new entries\n"
    "  delete ARCHIVE ENTRY...              remove entries; \"DIR/\" a folder and all under it,\n"
    "                                       * and ? patterns over whole names\n"
    "  rename ARCHIVE OLD NEW               rename an entry, or a folder and all under it\n"
    "  --help, --version\n"
    "exit status: 0 everything asked for succeeded; 1 something failed (an archive being\n"
    "  edited is then left exactly as it was); 2 the command line could not be understood;\n"
    "  3 a test was incomplete (encrypted entries not checked for want of a password)\n";

int usage(const char *problem = nullptr)
{
    if (problem)
        std::fprintf(stderr, "zarvon-cli: %s\n", problem);
    std::fputs(kUsage, stderr);
    return ExitUsage;
}

// The words for a failure's reason, with the system's own when it said why.
std::string describe(const Failure &failure)
{
    std::string text;
    switch (failure.reason) {
    case Reason::None: text = "ok"; break;
    case Reason::NotAnArchive: text = "not a readable archive"; break;
    case Reason::CannotOpen: text = "cannot open the file"; break;
    case Reason::Damaged: text = "damaged data (CRC mismatch, or data that cannot be inflated)"; break;
    case Reason::OutsideArchive: text = "its data lies past the end of the archive (a cut or damaged file)"; break;
    case Reason::PasswordNeeded: text = "encrypted, a password is needed (-p or -P)"; break;
    case Reason::WrongPassword: text = "wrong password"; break;
    case Reason::PasswordOrDamage: text = "wrong password or damaged data (CRC mismatch)"; break;
    case Reason::UnsafeName: text = "unsafe name refused (absolute, drive or '..' path, or a link on the way)"; break;
    case Reason::UnsupportedMethod: text = "unsupported compression method or encryption"; break;
    case Reason::WriteFailed: text = "write error"; break;
    case Reason::ReadOnlyTarget: text = "the existing file is read-only"; break;
    case Reason::CannotCreate: text = "cannot create the file"; break;
    case Reason::NotFound: text = "no such entry"; break;
    case Reason::CannotRead: text = "cannot be read"; break;
    case Reason::LinkRefused: text = "a link, not extracted"; break;
    case Reason::MissingVolume: text = "the next volume is missing"; break;
    case Reason::LibraryMissing: text = "the library that reads this format is not installed"; break;
    case Reason::NoItems: text = "nothing to add"; break;
    case Reason::ArchiveIsSource: text = "the archive would replace one of its own files"; break;
    case Reason::Stopped: text = "stopped"; break;
    case Reason::NotEnoughSpace: text = "not enough free space at the destination"; break;
    case Reason::AlreadyExists: text = "another item already has this name"; break;
    case Reason::IntoItself: text = "a folder cannot go into itself"; break;
    case Reason::InvalidName: text = "invalid name"; break;
    case Reason::NoTrash: text = "no trash on this file system"; break;
    case Reason::NameInOtherCase: text = "an entry already has this name in another case"; break;
    case Reason::ArchiveBusy: text = "another job is editing the archive, or it changed meanwhile"; break;
    case Reason::NotWritable: text = "the archive or its folder cannot be written"; break;
    case Reason::ReadOnlyFormat: text = "archives of this format cannot be changed"; break;
    case Reason::EncryptionUnsupported: text = "encrypted in a way Zarvon cannot open yet"; break;
    case Reason::SpecialFileRefused: text = "a device, FIFO or socket, never created"; break;
    }
    if (failure.sysErrno != 0)
        text += std::string(" (") + std::strerror(failure.sysErrno) + ")";
    return text;
}

// "not a readable ZIP archive", naming the format when the file has one.
void notReadable(const std::string &path, const Failure &failure)
{
    const ArchiveFormat *format = formatOf(path);
    // Only a file that is no archive at all gets the general words; a
    // password, a missing volume or a missing library is said as such.
    if (failure.reason != Reason::NotAnArchive && failure.reason != Reason::Damaged)
        std::fprintf(stderr, "zarvon-cli: %s: %s\n", path.c_str(), describe(failure).c_str());
    else
        std::fprintf(stderr, "zarvon-cli: %s: not a readable %s%sarchive\n", path.c_str(), format ? format->name() : "",
                     format ? " " : "");
}

// A progress line on a terminal, redrawn at most ten times a second.
struct ProgressLine {
    bool enabled = isatty(STDERR_FILENO) != 0;
    std::chrono::steady_clock::time_point last{};
    bool dirty = false;

    int32_t update(const std::string &name, float percent)
    {
        if (!enabled || name.empty())
            return 0;
        auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(100))
            return 0;
        last = now;
        std::string shown = name.size() > 60 ? "..." + name.substr(name.size() - 57) : name;
        std::fprintf(stderr, "\r\033[K%5.1f%%  %s", percent, shown.c_str());
        dirty = true;
        return 0;
    }
    void clear()
    {
        if (dirty)
            std::fprintf(stderr, "\r\033[K");
        dirty = false;
    }
};

ProgressLine g_progress;

// The jobs' progress, drawn on the terminal's progress line.
class CliProgress final : public JobProgress {
public:
    bool report(const ProgressStep &step) override
    {
        if (step.kind == ProgressStep::ItemProgress)
            g_progress.update(step.name, step.percent);
        return false;
    }

    // As unzip asks; only reached when standard input is a terminal.
    OverwriteAnswer askOverwrite(const std::string &path) override
    {
        g_progress.clear();
        for (;;) {
            std::fprintf(stderr, "replace %s? [y]es, [n]o, [A]ll, [N]one: ", path.c_str());
            std::fflush(stderr);
            char line[64] = {};
            if (!std::fgets(line, sizeof line, stdin))
                return OverwriteAnswer::SkipAll; // no more answers: keep the rest
            switch (line[0]) {
            case 'y': return OverwriteAnswer::Replace;
            case 'n': return OverwriteAnswer::Skip;
            case 'A': return OverwriteAnswer::ReplaceAll;
            case 'N': return OverwriteAnswer::SkipAll;
            default: break;
            }
        }
    }
};

std::string promptPassword(const char *prompt)
{
    FILE *tty = std::fopen("/dev/tty", "r+");
    FILE *in = tty ? tty : stdin;
    FILE *out = tty ? tty : stderr;
    std::fputs(prompt, out);
    std::fflush(out);
    termios old{};
    bool restore = tcgetattr(fileno(in), &old) == 0;
    if (restore) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(fileno(in), TCSAFLUSH, &quiet);
    }
    char line[1024] = {};
    if (!std::fgets(line, sizeof line, in))
        line[0] = 0;
    if (restore)
        tcsetattr(fileno(in), TCSAFLUSH, &old);
    std::fputs("\n", out);
    if (tty)
        std::fclose(tty);
    std::string pw(line);
    while (!pw.empty() && (pw.back() == '\n' || pw.back() == '\r'))
        pw.pop_back();
    return pw;
}

struct Options {
    bool confirmPassword = false; // creating: a typing error would lock the archive
    int method = 8;
    CompressRequest::Encryption encryption = CompressRequest::Encryption::ZipCrypto;
    bool havePassword = false;
    std::string password;
    std::string destination = ".";
    // extract: -o replaces existing files, -n keeps them; neither asks on a
    // terminal and keeps them (as a failure) elsewhere.
    bool replaceExisting = false;
    bool keepExisting = false;
    bool salvage = false; // extract: an archive whose directory is lost is scanned for its entries
    bool update = false; // add: replace only entries older than their file
    int threads = 0; // 0: one per core
    std::vector<std::string> args;
};

// Parses options up to the first operand; returns false on a usage error.
bool parse(int argc, char **argv, int start, Options &o, const char *allowed, std::string &problem)
{
    bool operands = false;
    for (int i = start; i < argc; ++i) {
        std::string a = argv[i];
        if (operands || a.size() < 2 || a[0] != '-') {
            o.args.push_back(a);
            continue;
        }
        if (a == "--") {
            operands = true;
            continue;
        }
        if (a == "--overwrite")
            a = "-o";
        if (a == "--salvage")
            a = "-s";
        if (!std::strchr(allowed, a[1]) || a.size() != 2) {
            problem = "unknown option " + a;
            return false;
        }
        switch (a[1]) {
        case 'o': o.replaceExisting = true; break;
        case 'n': o.keepExisting = true; break;
        case 's': o.salvage = true; break;
        case 'u': o.update = true; break;
        case '0': o.method = 0; break;
        case '9': o.method = 8; break;
        case 'P':
            o.password = promptPassword("Password: ");
            if (o.confirmPassword && promptPassword("Password again: ") != o.password) {
                problem = "the two passwords differ";
                return false;
            }
            o.havePassword = true;
            break;
        case 'j': {
            char *end = nullptr;
            const long n = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
            if (i + 1 >= argc || !end || *end || n < 1 || n > 256) {
                problem = "option -j needs a number of threads from 1 to 256";
                return false;
            }
            o.threads = static_cast<int>(n);
            ++i;
            break;
        }
        case 'e': {
            const std::string value = i + 1 < argc ? argv[i + 1] : "";
            if (value == "aes256") {
                o.encryption = CompressRequest::Encryption::Aes256;
            } else if (value == "zipcrypto") {
                o.encryption = CompressRequest::Encryption::ZipCrypto;
            } else {
                problem = "option -e needs aes256 or zipcrypto";
                return false;
            }
            ++i;
            break;
        }
        case 'p':
        case 'd':
            if (i + 1 >= argc) {
                problem = "option " + a + " needs a value";
                return false;
            }
            if (a[1] == 'p') {
                o.password = argv[++i];
                o.havePassword = true;
            } else {
                o.destination = argv[++i];
            }
            break;
        }
    }
    return true;
}

// When an entry was last modified, in local time: to the second where the
// archive keeps it (as extraction restores it), else its DOS date.
std::string entryDateText(const ArchiveEntry &e)
{
    std::tm t{};
    const time_t when = time_t(e.modifiedTime);
    if (!e.modifiedKnown || !::localtime_r(&when, &t))
        return zarvon::base::dosDateText(e.dosDate);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &t);
    return text;
}

int commandList(const Options &o)
{
    if (o.args.size() != 1)
        return usage("list takes one archive");
    const ListReport listed = listArchiveEntries(o.args[0], o.password);
    if (!listed.opened) {
        notReadable(o.args[0], listed.failure);
        return ExitFailed;
    }
    std::printf("%12s %12s %-8s %-19s %-7s %-8s  %s\n", "Size", "Packed", "Method", "Date", "Enc", "CRC", "Name");
    uint64_t size = 0, packed = 0;
    for (const ArchiveEntry &e : listed.entries) {
        std::printf("%12" PRIu64 " %12" PRIu64 " %-8s %s %-7s %08x  %s\n", e.size, e.packedSize, e.methodName.c_str(),
                    entryDateText(e).c_str(), !e.encrypted ? "-" : e.encryptionName.empty() ? "yes" : e.encryptionName.c_str(), e.crc, e.name.c_str());
        size += e.size;
        packed += e.packedSize;
    }
    std::printf("%12" PRIu64 " %12" PRIu64 " %zu entries\n", size, packed, listed.entries.size());
    return ExitOk;
}

// Only an existing archive of the kind being written may be replaced by a
// new one, and only when the user said so: with -o, or by answering on a
// terminal. Anything else at that name is the user's data, which a new
// archive would destroy. True when the archive may be written; otherwise
// the reason is told.
bool mayWriteArchive(const std::string &path, bool replace)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status))
        return true;
    const ArchiveFormat *written = formatCreatedFor(path);
    if (!written)
        written = &zipFormat();
    const bool same = fs::is_regular_file(status) && formatOf(path) == written && listArchiveEntries(path, "").opened;
    if (!same) {
        std::fprintf(stderr, "zarvon-cli: %s: exists and is not a %s archive: not replaced\n", path.c_str(),
                     written->name());
        return false;
    }
    if (replace)
        return true;
    if (!isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "zarvon-cli: %s: the archive already exists: not replaced (-o replaces it)\n",
                     path.c_str());
        return false;
    }
    std::fprintf(stderr, "replace the archive %s? [y/N]: ", path.c_str());
    std::fflush(stderr);
    char line[64] = {};
    if (std::fgets(line, sizeof line, stdin) && (line[0] == 'y' || line[0] == 'Y'))
        return true;
    std::fprintf(stderr, "zarvon-cli: %s: not replaced\n", path.c_str());
    return false;
}

int commandCreate(const Options &o)
{
    if (o.args.size() < 2)
        return usage("create takes an archive and at least one file or folder");
    // A name says what a file is: the suffix chooses the format.
    const ArchiveFormat *format = formatCreatedFor(o.args[0]);
    if (!format) {
        std::fprintf(stderr,
                     "zarvon-cli: %s: zarvon-cli creates .zip, .tar.gz, .tar.bz2, .tar.xz, .tar.zst and .7z "
                     "archives: give the name one of these suffixes\n",
                     o.args[0].c_str());
        return ExitFailed;
    }
    if (!format->capabilities().passwords && o.havePassword) {
        std::fprintf(stderr, "zarvon-cli: %s: this format takes no password\n", o.args[0].c_str());
        return ExitFailed;
    }
    if (!mayWriteArchive(o.args[0], o.replaceExisting))
        return ExitFailed;
    CompressRequest request;
    request.archivePath = o.args[0];
    request.method = o.method;
    request.threads = o.threads;
    request.password = o.havePassword ? o.password : std::string();
    request.encryption = o.encryption;
    int failures = 0;
    for (size_t i = 1; i < o.args.size(); ++i) {
        const std::string &item = o.args[i];
        std::error_code ec;
        if (fs::is_directory(item, ec)) {
            request.items.push_back({item, true});
        } else if (fs::exists(fs::symlink_status(item, ec))) {
            request.items.push_back({item, false});
        } else {
            std::fprintf(stderr, "zarvon-cli: %s: no such file or folder\n", item.c_str());
            ++failures;
        }
    }
    if (request.items.empty())
        return ExitFailed;
    CliProgress progress;
    const CompressReport report = compressFiles(request, progress);
    g_progress.clear();
    for (const Failure &f : report.unreadable)
        std::fprintf(stderr, "zarvon-cli: %s: %s\n", f.name.c_str(), describe(f).c_str());
    failures += int(report.unreadable.size());
    if (report.outcome != CompressReport::Outcome::Written) {
        std::fprintf(stderr, "zarvon-cli: %s: the archive was not written: %s\n", request.archivePath.c_str(),
                     describe(report.failure).c_str());
        return ExitFailed;
    }
    return failures ? ExitFailed : ExitOk;
}

int reportExtraction(const std::string &archive, const ExtractReport &report, bool keptIsFailure);

// Scans an archive whose directory is lost for what its entries still hold;
// a failure whatever it recovers, since the archive was not whole.
int salvage(const ExtractRequest &request, bool keptIsFailure)
{
    CliProgress progress;
    const ExtractReport report = salvageArchive(request, progress);
    g_progress.clear();
    if (!report.opened || report.failure.reason == Reason::NotAnArchive) {
        std::fprintf(stderr, "zarvon-cli: %s: no entry found to recover\n", request.archivePath.c_str());
        return ExitFailed;
    }
    reportExtraction(request.archivePath, report, keptIsFailure);
    std::fprintf(stderr, "zarvon-cli: salvage: %d file(s) recovered, %zu entry(ies) could not be\n",
                 report.filesWritten, report.failures.size());
    return ExitFailed;
}

int commandExtract(const Options &o)
{
    if (o.args.empty())
        return usage("extract takes an archive");
    const std::string &archive = o.args[0];
    ExtractRequest request{archive, o.destination, {}, o.havePassword ? o.password : std::string()};
    const bool asking = !o.replaceExisting && !o.keepExisting && isatty(STDIN_FILENO);
    request.overwrite = o.replaceExisting           ? Overwrite::Replace
                        : o.keepExisting || !asking ? Overwrite::Skip
                                                    : Overwrite::Ask;
    // Kept without being asked to: the run did not do all it was told.
    const bool keptIsFailure = !o.replaceExisting && !o.keepExisting && !asking;
    if (o.args.size() > 1) {
        // A folder may be named without its final "/".
        const ListReport listed = listArchiveEntries(archive, request.password);
        std::set<std::string> names;
        for (const ArchiveEntry &e : listed.entries)
            names.insert(e.name);
        for (size_t i = 1; i < o.args.size(); ++i) {
            const std::string &wanted = o.args[i];
            request.entryNames.push_back(!names.count(wanted) && names.count(wanted + "/") ? wanted + "/" : wanted);
        }
    }
    CliProgress progress;
    const ExtractReport report = extractArchive(request, progress);
    g_progress.clear();
    if (report.failure.reason == Reason::NotEnoughSpace) {
        std::fprintf(stderr, "zarvon-cli: %s: not enough free space: %" PRIu64 " bytes needed, %" PRIu64 " available\n",
                     o.destination.c_str(), report.spaceNeeded, report.spaceAvailable);
        return ExitFailed;
    }
    if (!report.opened) {
        notReadable(archive, report.failure);
        const bool lost = report.failure.reason == Reason::NotAnArchive || report.failure.reason == Reason::Damaged;
        if (lost && !o.salvage)
            std::fprintf(stderr, "zarvon-cli: extract --salvage recovers what its entries still hold\n");
        return lost && o.salvage ? salvage(request, keptIsFailure) : ExitFailed;
    }
    return reportExtraction(archive, report, keptIsFailure);
}

// The failures, kept files and counts of an extraction or a salvage.
int reportExtraction(const std::string &archive, const ExtractReport &report, bool keptIsFailure)
{
    for (const Failure &f : report.failures) {
        if (f.name.empty())
            std::fprintf(stderr, "zarvon-cli: %s: the archive's index is damaged: %s\n", archive.c_str(),
                         describe(f).c_str());
        else
            std::fprintf(stderr, "zarvon-cli: %s: %s\n", f.name.c_str(), describe(f).c_str());
    }
    for (const std::string &name : report.skipped)
        std::fprintf(stderr, "zarvon-cli: %s: a file of that name is already there: kept, not replaced%s\n",
                     name.c_str(), keptIsFailure ? " (-o replaces, -n keeps)" : "");
    if (!report.failures.empty())
        std::fprintf(stderr, "zarvon-cli: %d file(s) extracted, %zu failure(s)\n", report.filesWritten,
                     report.failures.size());
    const bool keptFailed = keptIsFailure && !report.skipped.empty();
    return report.failures.empty() && !report.stopped && !keptFailed ? ExitOk : ExitFailed;
}

int commandTest(const Options &o)
{
    if (o.args.size() != 1)
        return usage("test takes one archive");
    CliProgress progress;
    const TestReport v = testArchiveFile({o.args[0], o.havePassword ? o.password : std::string()}, progress);
    g_progress.clear();
    if (!v.readable) {
        notReadable(o.args[0], v.failure);
        return ExitFailed;
    }
    std::printf("%s: %d entries, %d checked, %d failed, %d not checked (encrypted, no password)\n", o.args[0].c_str(),
                v.entries, v.entriesChecked, v.entriesFailed, v.entriesNotChecked);
    if (!v.passed()) {
        std::printf("first failure: %s: %s\n", v.firstFailure.name.c_str(), describe(v.firstFailure).c_str());
        for (size_t i = 1; i < v.failures.size(); ++i)
            std::printf("also failed: %s: %s\n", v.failures[i].name.c_str(), describe(v.failures[i]).c_str());
        return ExitFailed;
    }
    if (v.entriesNotChecked) {
        std::printf("incomplete: encrypted entries were not checked; give the password with -p or -P\n");
        return ExitIncomplete;
    }
    std::printf("no errors found\n");
    return ExitOk;
}

int commandInfo(const Options &o)
{
    if (o.args.size() != 1)
        return usage("info takes one archive");
    const ArchiveInformation info = archiveInformation(o.args[0], o.password);
    if (!info.listed) {
        notReadable(o.args[0], info.failure);
        return ExitFailed;
    }
    std::string methodList;
    for (const std::string &m : info.methods)
        methodList += (methodList.empty() ? "" : ", ") + m;
    const double size = static_cast<double>(info.originalSize);
    std::printf("Archive:      %s\n", o.args[0].c_str());
    std::printf("Format:       %s\n", info.formatName.c_str());
    std::printf("File size:    %" PRIu64 " bytes\n", info.fileSize);
    std::printf("Entries:      %d (%d files, %d folders)\n", info.entryCount, info.fileCount, info.folderCount);
    std::printf("Uncompressed: %" PRIu64 " bytes\n", info.originalSize);
    std::printf("Compressed:   %" PRIu64 " bytes\n", info.packedSize);
    std::printf("Ratio:        %.1f%%\n", size > 0 ? 100.0 * static_cast<double>(info.packedSize) / size : 0.0);
    std::printf("Methods:      %s\n", methodList.empty() ? "-" : methodList.c_str());
    std::string encryptionList;
    for (const std::string &name : info.encryptions)
        encryptionList += (encryptionList.empty() ? " (" : ", ") + name;
    std::printf("Encrypted:    %d entries%s\n", info.encryptedCount,
                encryptionList.empty() ? "" : (encryptionList + ")").c_str());
    if (info.formatName == "ZIP")
        std::printf("ZIP64:        %s\n", info.zip64Entries ? "yes" : "no");
    return ExitOk;
}

// The outcome of an edit, on the error output; the exit status.
int editOutcome(const std::string &archive, const EditReport &report)
{
    g_progress.clear();
    for (const std::string &name : report.skipped)
        std::fprintf(stderr, "zarvon-cli: %s: kept\n", name.c_str());
    if (report.done)
        return ExitOk;
    std::string what = report.failure.name.empty() ? std::string() : report.failure.name + ": ";
    std::fprintf(stderr, "zarvon-cli: %s: not changed: %s%s%s\n", archive.c_str(), what.c_str(),
                 describe(report.failure).c_str(),
                 report.failure.reason == Reason::Damaged ? " (extract what can be read, then make a new archive)" : "");
    return ExitFailed;
}

int commandAdd(const Options &o)
{
    if (o.args.size() < 2)
        return usage("add takes an archive and at least one file or folder");
    EditRequest request;
    request.kind = o.update ? EditRequest::Kind::Update : EditRequest::Kind::Add;
    request.archivePath = o.args[0];
    request.items.assign(o.args.begin() + 1, o.args.end());
    request.password = o.havePassword ? o.password : std::string();
    request.method = o.method;
    request.threads = o.threads;
    const bool asking = !o.replaceExisting && !o.keepExisting && isatty(STDIN_FILENO);
    request.overwrite = o.replaceExisting ? Overwrite::Replace : asking ? Overwrite::Ask : Overwrite::Skip;
    if (!o.havePassword && editableArchive(request.archivePath).encrypted)
        std::fprintf(stderr, "zarvon-cli: %s: the archive's entries are encrypted; the new ones are not (-p or -P "
                             "encrypts them)\n",
                     request.archivePath.c_str());
    CliProgress progress;
    return editOutcome(request.archivePath, editArchive(request, progress));
}

// delete ARCHIVE ENTRY... and rename ARCHIVE OLD NEW: the entries named.
int commandEditEntries(const Options &o, EditRequest::Kind kind)
{
    const bool rename = kind == EditRequest::Kind::Rename;
    if (rename ? o.args.size() != 3 : o.args.size() < 2)
        return usage(rename ? "rename takes an archive, an entry and its new name"
                            : "delete takes an archive and at least one entry");
    EditRequest request;
    request.kind = kind;
    request.archivePath = o.args[0];
    request.items.assign(o.args.begin() + 1, o.args.end());
    CliProgress progress;
    return editOutcome(request.archivePath, editArchive(request, progress));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    std::string command = argv[1];
    // list and info take a password for archives whose names are encrypted.
    const char *allowed = command == "create"    ? "09ejopP"
                          : command == "extract" ? "dnopPs"
                          : command == "add"     ? "09jonupP"
                          : command == "delete" || command == "rename" ? ""
                                                 : "pP";
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(kUsage, stdout);
        return ExitOk;
    }
    if (command == "--version" || command == "version") {
        std::printf("zarvon-cli %s\n", zarvon::base::kProductVersion);
        return ExitOk;
    }
    Options o;
    o.confirmPassword = command == "create" || command == "add";
    std::string problem;
    if (!parse(argc, argv, 2, o, allowed, problem))
        return usage(problem.c_str());
    if (command == "list")
        return commandList(o);
    if (command == "create")
        return commandCreate(o);
    if (command == "extract") {
        // What an extraction killed part-way left behind goes first.
        zarvon::base::removeInterruptedTemporaries(zarvon::base::runtimeRecordFolder());
        return commandExtract(o);
    }
    if (command == "test")
        return commandTest(o);
    if (command == "info")
        return commandInfo(o);
    if (command == "add")
        return commandAdd(o);
    if (command == "delete")
        return commandEditEntries(o, EditRequest::Kind::Delete);
    if (command == "rename")
        return commandEditEntries(o, EditRequest::Kind::Rename);
    return usage(("unknown command " + command).c_str());
}
