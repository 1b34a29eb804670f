// zarvon-cli: the engine from the command line, for scripts, benchmarks and
// black-box checks. Exit status 0 only when everything asked for succeeded.
#include "engine/engine.h"

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace zarvon::engine;

namespace {

enum Exit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitIncomplete = 3 };

const char *kUsage =
    "usage: zarvon-cli COMMAND ...\n"
    "  list ARCHIVE                         list the entries\n"
    "  create [-0|-9] [-p PASSWORD|-P] ARCHIVE FILE|FOLDER...\n"
    "                                       -0 stored, -9 Deflate (default); -P asks for the password\n"
    "  extract [-d DEST] [-p PASSWORD|-P] ARCHIVE [ENTRY...]\n"
    "                                       extract everything, or the named entries\n"
    "  test [-p PASSWORD|-P] ARCHIVE        read every entry and check its CRC\n"
    "  info ARCHIVE                         a summary of the archive\n";

int usage(const char *problem = nullptr)
{
    if (problem)
        std::fprintf(stderr, "zarvon-cli: %s\n", problem);
    std::fputs(kUsage, stderr);
    return ExitUsage;
}

std::string describe(int32_t code)
{
    switch (code) {
    case 0: return "ok";
    case kResultStopped: return "stopped";
    case kErrGeneral: return "cannot open or create the file";
    case kErrBadArchive: return "damaged archive headers";
    case kErrCrc: return "CRC mismatch (damaged data)";
    case kErrData: return "damaged compressed data";
    case kErrWrongPassword: return "wrong password";
    case kErrPasswordNeeded: return "encrypted, a password is needed (-p or -P)";
    case kErrUnsafeName: return "unsafe name refused (absolute, drive or '..' path, or a link on the way)";
    case kErrUnsupportedMethod: return "unsupported compression method or encryption";
    case kErrWrite: return "write error (disk full?)";
    case kErrReadOnlyTarget: return "the existing file is read-only";
    default: return "error " + std::to_string(code);
    }
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
    bool havePassword = false;
    std::string password;
    std::string destination = ".";
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
        if (!std::strchr(allowed, a[1]) || a.size() != 2) {
            problem = "unknown option " + a;
            return false;
        }
        switch (a[1]) {
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

std::string methodName(uint32_t m)
{
    if (m == 0) return "Stored";
    if (m == 8) return "Deflate";
    if (m == 99) return "AES";
    return "Method" + std::to_string(m);
}

int commandList(const Options &o)
{
    if (o.args.size() != 1)
        return usage("list takes one archive");
    std::vector<EntryInfo> entries;
    if (listEntries(o.args[0], entries) < 0) {
        std::fprintf(stderr, "zarvon-cli: %s: not a readable ZIP archive\n", o.args[0].c_str());
        return ExitFailed;
    }
    std::printf("%12s %12s %-8s %-19s %-3s %-8s  %s\n", "Size", "Packed", "Method", "Date", "Enc", "CRC", "Name");
    uint64_t size = 0, packed = 0;
    for (const EntryInfo &e : entries) {
        std::printf("%12" PRIu64 " %12" PRIu64 " %-8s %04u-%02u-%02u %02u:%02u:%02u %-3s %08x  %s\n", e.uncompressedSize,
                    e.compressedSize, methodName(e.compressionMethod).c_str(), e.year, e.month + 1, e.day, e.hour,
                    e.minute, e.second, e.isEncrypted() ? "yes" : "-", e.crc, e.fileName.c_str());
        size += e.uncompressedSize;
        packed += e.compressedSize;
    }
    std::printf("%12" PRIu64 " %12" PRIu64 " %zu entries\n", size, packed, entries.size());
    return ExitOk;
}

// Every file under a folder, sorted, without following links to folders.
void walk(const fs::path &dir, std::vector<std::string> &files, int &problems)
{
    std::error_code ec;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        children.push_back(it->path());
    if (ec) {
        std::fprintf(stderr, "zarvon-cli: %s: %s\n", dir.c_str(), ec.message().c_str());
        ++problems;
    }
    std::sort(children.begin(), children.end());
    for (const fs::path &p : children) {
        std::error_code e2;
        fs::file_status link = fs::symlink_status(p, e2);
        if (fs::is_directory(link))
            walk(p, files, problems);
        else if (fs::is_regular_file(fs::status(p, e2)))
            files.push_back(p.string());
    }
}

int commandCreate(const Options &o)
{
    if (o.args.size() < 2)
        return usage("create takes an archive and at least one file or folder");
    const std::string &archive = o.args[0];
    setCompressionMethod(o.method);
    setPassword(o.havePassword ? o.password : std::string());
    if (!createArchive(archive, 0)) {
        std::fprintf(stderr, "zarvon-cli: %s: cannot create the archive\n", archive.c_str());
        return ExitFailed;
    }
    int failures = 0;
    auto add = [&](const std::string &path, int keepFullPath) {
        int32_t r = addFile(path, keepFullPath);
        if (r == kAddSkippedSelf)
            return;
        if (r != 0) {
            g_progress.clear();
            std::fprintf(stderr, "zarvon-cli: %s: %s\n", path.c_str(), describe(r).c_str());
            ++failures;
        }
    };
    for (size_t i = 1; i < o.args.size(); ++i) {
        const std::string &item = o.args[i];
        std::error_code ec;
        if (fs::is_directory(item, ec)) {
            std::vector<std::string> files;
            walk(item, files, failures);
            for (const std::string &f : files)
                add(f, 1);
        } else if (fs::exists(item, ec)) {
            add(item, 0);
        } else {
            std::fprintf(stderr, "zarvon-cli: %s: no such file or folder\n", item.c_str());
            ++failures;
        }
    }
    int32_t closed = closeArchives();
    g_progress.clear();
    if (closed != 0) {
        std::fprintf(stderr, "zarvon-cli: %s: the archive was not written: %s\n", archive.c_str(),
                     describe(closed).c_str());
        return ExitFailed;
    }
    return failures ? ExitFailed : ExitOk;
}

int commandExtract(const Options &o)
{
    if (o.args.empty())
        return usage("extract takes an archive");
    const std::string &archive = o.args[0];
    std::set<std::string> wanted(o.args.begin() + 1, o.args.end());
    std::set<std::string> found;
    setPassword(o.havePassword ? o.password : std::string());
    if (!openArchiveForReading(archive)) {
        std::fprintf(stderr, "zarvon-cli: %s: not a readable ZIP archive\n", archive.c_str());
        return ExitFailed;
    }
    int failures = 0, files = 0;
    int32_t step = firstEntry();
    while (step == 0) {
        EntryInfo info;
        int32_t r = currentEntryInfo(info);
        if (r != 0) {
            g_progress.clear();
            std::fprintf(stderr, "zarvon-cli: unreadable entry: %s\n", describe(r).c_str());
            ++failures;
        } else {
            std::string bare = info.fileName;
            if (!bare.empty() && bare.back() == kSeparator)
                bare.pop_back();
            bool selected = wanted.empty() || wanted.count(info.fileName) || wanted.count(bare);
            if (selected) {
                found.insert(wanted.count(info.fileName) ? info.fileName : bare);
                r = extractCurrentEntry(o.destination, 1);
                if (r != 0) {
                    g_progress.clear();
                    std::fprintf(stderr, "zarvon-cli: %s: %s\n", info.fileName.c_str(), describe(r).c_str());
                    ++failures;
                } else if (!info.isFolder()) {
                    ++files;
                }
            }
        }
        step = nextEntry();
    }
    closeArchives();
    g_progress.clear();
    if (step != kErrEndOfList) {
        std::fprintf(stderr, "zarvon-cli: %s: the central directory is damaged\n", archive.c_str());
        ++failures;
    }
    for (const std::string &w : wanted)
        if (!found.count(w)) {
            std::fprintf(stderr, "zarvon-cli: %s: no such entry\n", w.c_str());
            ++failures;
        }
    if (failures)
        std::fprintf(stderr, "zarvon-cli: %d file(s) extracted, %d failure(s)\n", files, failures);
    return failures ? ExitFailed : ExitOk;
}

int commandTest(const Options &o)
{
    if (o.args.size() != 1)
        return usage("test takes one archive");
    setPassword(o.havePassword ? o.password : std::string());
    VerifyResult v;
    int32_t r = verifyArchive(o.args[0], v);
    g_progress.clear();
    if (!v.readable) {
        std::fprintf(stderr, "zarvon-cli: %s: not a readable ZIP archive\n", o.args[0].c_str());
        return ExitFailed;
    }
    std::printf("%s: %d entries, %d checked, %d failed, %d not checked (encrypted, no password)\n", o.args[0].c_str(),
                v.entries, v.entriesChecked, v.entriesFailed, v.entriesNotChecked);
    if (r != 0 || v.entriesFailed) {
        std::printf("first failure: %s: %s\n", v.firstFailedEntry.c_str(), describe(v.firstFailure).c_str());
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
    std::vector<EntryInfo> entries;
    if (listEntries(o.args[0], entries) < 0) {
        std::fprintf(stderr, "zarvon-cli: %s: not a readable ZIP archive\n", o.args[0].c_str());
        return ExitFailed;
    }
    struct stat st{};
    ::stat(o.args[0].c_str(), &st);
    uint64_t size = 0, packed = 0;
    size_t folders = 0, encrypted = 0, large = 0;
    std::set<std::string> methods;
    for (const EntryInfo &e : entries) {
        size += e.uncompressedSize;
        packed += e.compressedSize;
        folders += e.isFolder();
        encrypted += e.isEncrypted();
        large += (e.uncompressedSize >= 0xFFFFFFFFull || e.compressedSize >= 0xFFFFFFFFull);
        methods.insert(methodName(e.compressionMethod));
    }
    std::string methodList;
    for (const std::string &m : methods)
        methodList += (methodList.empty() ? "" : ", ") + m;
    std::printf("Archive:      %s\n", o.args[0].c_str());
    std::printf("File size:    %lld bytes\n", static_cast<long long>(st.st_size));
    std::printf("Entries:      %zu (%zu files, %zu folders)\n", entries.size(), entries.size() - folders, folders);
    std::printf("Uncompressed: %" PRIu64 " bytes\n", size);
    std::printf("Compressed:   %" PRIu64 " bytes\n", packed);
    std::printf("Ratio:        %.1f%%\n", size ? 100.0 * static_cast<double>(packed) / static_cast<double>(size) : 0.0);
    std::printf("Methods:      %s\n", methodList.empty() ? "-" : methodList.c_str());
    std::printf("Encrypted:    %zu entries\n", encrypted);
    std::printf("ZIP64:        %s\n", large ? "yes" : "no");
    return ExitOk;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    initEngine();
    setProgressCallback([](const std::string &name, float percent) { return g_progress.update(name, percent); });
    std::string command = argv[1];
    const char *allowed = command == "create" ? "09pP" : command == "extract" ? "dpP" : command == "test" ? "pP" : "";
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(kUsage, stdout);
        return ExitOk;
    }
    Options o;
    o.confirmPassword = command == "create";
    std::string problem;
    if (!parse(argc, argv, 2, o, allowed, problem))
        return usage(problem.c_str());
    if (command == "list")
        return commandList(o);
    if (command == "create")
        return commandCreate(o);
    if (command == "extract")
        return commandExtract(o);
    if (command == "test")
        return commandTest(o);
    if (command == "info")
        return commandInfo(o);
    return usage(("unknown command " + command).c_str());
}
