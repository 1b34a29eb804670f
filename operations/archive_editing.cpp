#include "operations/archive_editing.h"

#include "engine/zip_edit.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>

namespace zarvon::operations {

namespace {

namespace ed = zarvon::engine;

Failure failureOf(const ed::ZipEditor &editor, int32_t result, const std::string &name)
{
    Failure f;
    f.name = name;
    f.code = result;
    f.sysErrno = editor.lastError().sysErrno;
    switch (result) {
    case ed::kErrNameTaken: f.reason = Reason::AlreadyExists; break;
    case ed::kErrNameCase: f.reason = Reason::NameInOtherCase; break;
    case ed::kErrNoSuchEntry: f.reason = Reason::NotFound; break;
    case ed::kErrBadNewName: f.reason = Reason::InvalidName; break;
    case ed::kErrNotWritable: f.reason = Reason::NotWritable; break;
    case ed::kErrBusy:
    case ed::kErrChanged: f.reason = Reason::ArchiveBusy; break;
    case ed::kErrBadArchive: f.reason = Reason::Damaged; break;
    case ed::kErrWrongPassword: f.reason = Reason::WrongPassword; break;
    case ed::kErrPasswordNeeded: f.reason = Reason::PasswordNeeded; break;
    case ed::kErrWrite: f.reason = Reason::WriteFailed; break;
    case ed::kResultStopped: f.reason = Reason::Stopped; break;
    default: f.reason = Reason::CannotRead; break;
    }
    return f;
}

// Opens the archive in `editor`; Reason None when it can be edited.
Failure openForEditing(ed::ZipEditor &editor, const std::string &path)
{
    const ArchiveFormat *format = formatOf(path);
    if (format && !format->capabilities().edit) {
        Failure f;
        f.name = path;
        f.reason = Reason::ReadOnlyFormat;
        return f;
    }
    const int32_t r = editor.open(path);
    if (r == ed::kErrGeneral)
        return failureToOpen(path);
    if (r != 0) {
        Failure f = failureOf(editor, r, std::string());
        return f;
    }
    return {};
}

bool isPattern(const std::string &name) { return name.find_first_of("*?") != std::string::npos; }

// The entries whose whole name matches a pattern ("*" also crosses "/").
std::vector<std::string> matching(const ed::ZipEditor &editor, const std::string &pattern)
{
    std::vector<std::string> names;
    for (const ed::EditEntry &e : editor.entries())
        if (fnmatch(pattern.c_str(), e.name.c_str(), 0) == 0)
            names.push_back(e.name);
    return names;
}

} // namespace

EditReport editArchive(const EditRequest &request, JobProgress &progress)
{
    EditReport report;
    ed::ZipEditor editor;
    report.failure = openForEditing(editor, request.archivePath);
    if (report.failure.reason != Reason::None)
        return report;
    editor.password = request.password;
    editor.method = request.method == 0 ? 0 : 8;
    editor.threads = request.threads;
    editor.progress = [&progress](const std::string &name, float percent) {
        ProgressStep step;
        step.kind = ProgressStep::ItemProgress;
        step.name = name;
        step.percent = percent;
        return progress.report(step) ? 1 : 0;
    };
    auto fail = [&](int32_t result, const std::string &name) {
        report.failure = failureOf(editor, result, name);
        report.stopped = result == ed::kResultStopped;
        return report;
    };

    switch (request.kind) {
    case EditRequest::Kind::Delete:
        for (const std::string &item : request.items) {
            std::vector<std::string> names = isPattern(item) ? matching(editor, item) : std::vector<std::string>{item};
            if (names.empty() || (!isPattern(item) && !editor.contains(item)))
                return fail(ed::kErrNoSuchEntry, item);
            for (const std::string &name : names) {
                if (!editor.contains(name))
                    continue; // already gone with its folder
                const int32_t r = editor.remove(name);
                if (r < 0)
                    return fail(r, name);
                report.changed += r;
            }
        }
        break;
    case EditRequest::Kind::Rename: {
        if (request.items.size() != 2)
            return fail(ed::kErrBadNewName, std::string());
        const int32_t r = editor.rename(request.items[0], request.items[1]);
        if (r < 0)
            return fail(r, r == ed::kErrNoSuchEntry ? request.items[0] : request.items[1]);
        report.changed = r;
        break;
    }
    case EditRequest::Kind::NewFolder: {
        const std::string name = request.items.empty() ? std::string() : request.folder + request.items[0];
        const int32_t r = editor.addFolder(name);
        if (r < 0)
            return fail(r, request.items.empty() ? std::string() : request.items[0]);
        report.changed = 1;
        break;
    }
    case EditRequest::Kind::Add:
    case EditRequest::Kind::Update: {
        std::vector<ed::EditAddition> additions;
        for (const std::string &item : request.items)
            if (ed::collectAdditions(item, request.folder, additions) != 0) {
                report.failure = {item, Reason::CannotRead, errno, ed::kErrGeneral};
                return report;
            }
        if (additions.empty()) {
            report.failure.reason = Reason::NoItems;
            return report;
        }
        // Times of the entries already there, for the update.
        std::map<std::string, ed::EditEntry> existing;
        for (const ed::EditEntry &e : editor.entries())
            existing[e.name] = e;
        bool replaceAll = request.overwrite == Overwrite::Replace;
        bool skipAll = request.overwrite == Overwrite::Skip;
        for (const ed::EditAddition &a : additions) {
            if (a.path.empty()) {
                if (editor.contains(a.storedName, true))
                    continue; // the folder is there: its files go into it
                const int32_t r = editor.addFolder(a.storedName);
                if (r < 0)
                    return fail(r, a.storedName);
                ++report.changed;
                continue;
            }
            bool replace = false;
            const auto found = existing.find(a.storedName);
            if (found != existing.end()) {
                if (request.kind == EditRequest::Kind::Update) {
                    struct stat st {};
                    // A DOS time keeps even seconds only.
                    const int64_t slack = found->second.timeSource == ed::TimeSource::Dos ? 1 : 0;
                    replace = ::stat(a.path.c_str(), &st) == 0 &&
                              static_cast<int64_t>(st.st_mtime) > found->second.modifiedTime + slack;
                } else if (replaceAll) {
                    replace = true;
                } else if (!skipAll) {
                    switch (progress.askOverwrite(a.storedName)) {
                    case OverwriteAnswer::Replace: replace = true; break;
                    case OverwriteAnswer::ReplaceAll: replace = replaceAll = true; break;
                    case OverwriteAnswer::Skip: break;
                    case OverwriteAnswer::SkipAll: skipAll = true; break;
                    case OverwriteAnswer::Stop:
                        report.stopped = true;
                        report.failure.reason = Reason::Stopped;
                        return report;
                    }
                }
                if (!replace) {
                    report.skipped.push_back(a.storedName);
                    continue;
                }
            }
            const int32_t r = editor.addFile(a.path, a.storedName, replace);
            if (r < 0)
                return fail(r, r == ed::kErrGeneral ? a.path : a.storedName);
            ++report.changed;
        }
        break;
    }
    }
    if (!editor.hasChanges()) {
        report.done = true; // nothing to change: the archive stays as it is
        return report;
    }
    const int32_t r = editor.commit();
    if (r != 0)
        return fail(r, r == ed::kErrGeneral ? editor.lastError().text : std::string());
    report.done = true;
    return report;
}

EditableArchive editableArchive(const std::string &path)
{
    EditableArchive out;
    ed::ZipEditor editor;
    out.failure = openForEditing(editor, path);
    out.editable = out.failure.reason == Reason::None;
    out.encrypted = out.editable && editor.hasEncryptedEntries();
    return out;
}

Failure checkEditPassword(const std::string &path, const std::string &password)
{
    ed::ZipEditor editor;
    Failure f = openForEditing(editor, path);
    if (f.reason != Reason::None)
        return f;
    editor.password = password;
    const int32_t r = editor.checkPassword();
    return r == 0 ? Failure{} : failureOf(editor, r, std::string());
}

} // namespace zarvon::operations
