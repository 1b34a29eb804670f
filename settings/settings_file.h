// SettingsFile: the INI store behind Zarvon.ini.
//
// Nothing is cached between operations: every user of a setting opens the
// file, selects a group, reads or writes a few keys and closes it again, so
// the file on disk is the single source of truth.
//
// On disk (what this store writes):
//   [Group]                 group header
//   ; comment text          comment ("; " alone for an empty comment)
//   Key = value             key line
// lines end with CR LF. The file is Windows-1252, unless it starts with the
// UTF-8 byte-order mark (EF BB BF): then it is UTF-8 and is written back as
// UTF-8 with the mark followed by CR LF. When a name or value cannot be
// written in Windows-1252 (Greek or Chinese letters in a path, say), the whole
// file is written as UTF-8 with the mark instead of losing those letters.
// In memory and at this interface every text is UTF-8.
//
// Reading rules (leading spaces and tabs of each line skipped first; CR, LF
// and any mix of them end a line; empty lines are dropped):
//   ";..."  comment; one blank right after ";" is not part of the text.
//   "[..."  group header; the name runs to the first "]" or the line's end.
//   other   key line: the key is the text before the first "=" without its
//           trailing blanks, the value the text after it without its leading
//           blanks; a line without "=" is a key with an empty value.
// Key lines before the first header belong to the unnamed group. Group and
// key names compare without regard to letter case (ASCII and Latin-1
// letters); duplicates answer with the first one.
//
// Rewriting is atomic: close() writes a temporary file in the same folder,
// flushes it to disk and renames it over the old file, so a crash or a full
// disk leaves the previous file whole. A file that cannot be opened for
// writing is opened for reading only; changes made then are dropped at close.
//
// One instance per opened file, user-interface thread only. Not copyable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvon::settings {

class SettingsFile {
public:
    SettingsFile();
    // Closes (and so writes) a file still held.
    ~SettingsFile();
    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    // Reads the whole file at path into the node list and selects the
    // unnamed group. Closes (and writes) any file this store still holds
    // first. Returns false, holding nothing, when the file does not exist or
    // cannot be read (a folder, no read permission). A file that can be read
    // but not written opens for reading only (isReadOnly()).
    bool open(const std::string &path);

    // Starts an empty node list for path in Windows-1252, as if the file had
    // been truncated: the old content is replaced at the next close(). The
    // file is created empty at once when it does not exist; an existing file
    // is left untouched until close(), so a failure in between keeps it.
    // Returns false (holding nothing) when the file cannot be created or
    // written (missing folder, no permission).
    bool create(const std::string &path);

    // Takes the node list from bytes in memory, with the same rules as
    // open(), bound to no file: close() then writes nothing. For the fuzz
    // target and for tests.
    void openBytes(std::string_view bytes);

    // When anything changed since open/create, rewrites the whole file from
    // the node list (atomically, see above); then releases everything.
    // Returns false when that write failed (the old file is then unchanged)
    // or the store was read-only and had changes; true otherwise, also when
    // nothing was held or nothing changed (the file is then not touched).
    bool close();

    // Selects the group for the reads and writes that follow. Names compare
    // without regard to case. An empty name selects the unnamed group and
    // returns true. An unknown name returns false and stays selected: reads
    // give their defaults, and the first write or comment appends a header
    // "[name]" at the end of the file, which then is the selected group.
    bool selectGroup(const std::string &name);

    // Value of key in the selected group (first match, case-insensitive),
    // without leading and trailing spaces and tabs; defaultText when the key
    // is absent, the group unknown, or nothing is held. A key present with an
    // empty value gives "".
    std::string readText(const std::string &key, const std::string &defaultText) const;

    // Leading-integer conversion of the value ("12abc" gives 12, "abc" gives
    // 0, optional sign, saturating at the 32-bit limits); defaultValue when
    // the key is absent.
    int32_t readInteger(const std::string &key, int32_t defaultValue) const;

    // Sets key to value in the selected group. An existing key keeps its
    // place and takes the given spelling; a new key line goes after the last
    // line of the group (comments included), or, for the unnamed group, after
    // the last line before the first header. Line breaks in key or value are
    // replaced by blanks, since a value cannot span lines; blanks around the
    // key and before the value are dropped, as a re-read would drop them.
    // No effect when nothing is held.
    void writeText(const std::string &key, const std::string &value);

    // writeText with the decimal form of value.
    void writeInteger(const std::string &key, int32_t value);

    // Inserts the comment "; text" right after the line written last by this
    // store; when nothing was written yet since open/create, at the end of
    // the selected group. No effect when nothing is held.
    void writeComment(const std::string &text);

    // State queries.
    bool isOpen() const;
    bool isReadOnly() const;
    bool isUtf8() const;
    const std::string &path() const;

    // The exact bytes close() would write now (CR LF lines, chosen encoding).
    std::string serialize() const;

private:
    struct Node {
        enum Kind { Group, Comment, Key } kind;
        std::string name;  // group name, comment text or key
        std::string value; // key lines only: leading blanks already removed
    };

    size_t selectedGroupStart() const; // index of the first node of the selected group
    size_t selectedGroupEnd() const;   // index one past its last node
    long findKey(const std::string &key) const;
    void materialiseSelectedGroup();
    void insertNode(size_t index, Node node);
    void parse(std::string_view bytes);
    void reset();

    std::vector<Node> nodes_;
    std::string path_;
    std::string selectedGroup_; // empty: the unnamed group
    bool groupExists_ = true;   // false while an unknown group is selected
    long lastWritten_ = -1;     // node index of the line written last
    bool open_ = false;
    bool readOnly_ = false;
    bool utf8_ = false;
    bool modified_ = false;
};

// Fault injection for tests: makes the next writes of close() fail after
// byteLimit bytes of the temporary file, as a full disk would. A negative
// limit switches it off again. Process-wide; tests only.
void setSettingsWriteLimitForTesting(long byteLimit);

} // namespace zarvon::settings
