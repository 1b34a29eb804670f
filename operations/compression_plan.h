// The compression window's fields and what its Ok button makes of them:
// the archive's name and path, the method and the password. Pure functions,
// shared by the desktop and by anything else that names a new archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zarvon::operations {

// The archive path: the location, a "/" when the location does not already
// end with one, then the name. An empty location gives the name alone.
std::string joinLocationAndName(const std::string &location, const std::string &name);

// The extension of a name: the text after the last dot of its last path
// component, "" when that component has no dot.
std::string archiveNameExtension(const std::string &name);

// The name with its extension (last dot and what follows, if any) replaced by
// `format` (".zip"). The format box's rule: "report.txt" -> "report.zip",
// "notes" -> "notes.zip", "" -> ".zip".
std::string replaceArchiveExtension(const std::string &name, const std::string &format);

// Items of the compression window's type box, by index.
enum CompressionType : int {
    CompressionTypeNormal = 0,  // method 0, stored
    CompressionTypeDeflate = 1, // method 8, Deflate level 9
};

// What the compression window holds when Ok is pressed.
struct CompressionForm {
    std::string name;
    std::string location;
    std::string password;
    std::string confirmation;
    int typeIndex = CompressionTypeDeflate; // the type box's chosen index
};

// What Ok does with a form.
enum class CompressionDecision {
    Run,                   // compress: see method, password, archivePath
    MissingNameOrLocation, // MsgChkIfExist; name and location emptied, name focused
    PasswordMismatch,      // MsgChkIfExist1; both password fields emptied
    NotZip,                // MsgZipOnly: the name asks for a format that is not written
    NoPasswordForFormat,   // a password typed for a format written without encryption (tar.*, 7z)
    TooLong,               // a name or password beyond what an archive can hold
};

struct CompressionPlan {
    CompressionDecision decision = CompressionDecision::MissingNameOrLocation;
    std::string name;        // the name after the extension rules (".zip" added when none)
    std::string archivePath; // joinLocationAndName(location, name), for Run
    int32_t method = 8;      // 0 or 8, for Run
    std::string password;    // "" for the runs without password
};

// Longest name and password accepted, in bytes.
inline constexpr std::size_t kMaxArchiveNameBytes = 2499;
inline constexpr std::size_t kMaxPasswordBytes = 1499;

// The checks of the Ok button, in order: lengths; name present and location
// a full path; the extension (compared without regard to case; none: ".zip"
// is appended; anything but "zip" or a suffix of createdKindOf: NotZip);
// password equal to the confirmation, and none for tar.* and 7z (their
// writers have no encryption); then the run: method by the type box's index, password when
// one was typed.
CompressionPlan planCompression(const CompressionForm &form);

} // namespace zarvon::operations
