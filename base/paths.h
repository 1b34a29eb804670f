// Plain path arithmetic on UTF-8 text with "/" as the separator. Nothing here
// touches the disk: a path is taken as written, not resolved.
//
// The split rule shared by lastPathComponent and parentFolder: a path is its
// folder part (up to and including the last separator) followed by its last
// component (everything after it), so that for every path p
//   parentFolder(p) + lastPathComponent(p) == p.
// A path ending in "/" therefore has an empty last component: a folder
// written with its slash names no file.
#pragma once

#include <string>
#include <string_view>

namespace zarvon::base {

// The user's home folder from $HOME, always ending with "/". When HOME is
// unset or empty, "/": there is always a folder to show.
std::string homeFolder();

// folder with one "/" at its end (added when missing). An empty folder gives
// "/".
std::string withTrailingSlash(std::string folder);

// The text after the last separator of path; the whole path when it has no
// separator; "" when it ends with one. separators lists the characters that
// separate: "/" for the file system; names read from archives made on
// Windows also use "\\", which callers handling such names add.
//   lastPathComponent("/a/b.zip") == "b.zip", lastPathComponent("/a/") == ""
std::string lastPathComponent(std::string_view path, std::string_view separators = "/");

// The folder part of path: everything up to and including its last "/";
// "" when path has none.
//   parentFolder("/a/b.zip") == "/a/", parentFolder("/a/") == "/a/",
//   parentFolder("b.zip") == ""
// For the folder holding a folder written with its slash, drop the slash
// first: parentFolder("/a/b") == "/a/".
std::string parentFolder(std::string_view path);

// The text after the last "." of the last component; "" when that component
// has no dot. A dot in a folder name never counts ("/a.d/readme" has none).
// A dot at the start counts like any other: ".profile" gives "profile". Case
// is kept; compare with lowerAscii.
std::string pathExtension(std::string_view path);

// folder and name with exactly one "/" between them: neither a "/" that
// folder ends with nor one that name starts with is doubled. An empty folder
// gives name unchanged, an empty name gives folder unchanged.
//   joinPath("/a", "b") == joinPath("/a/", "/b") == "/a/b"
std::string joinPath(std::string_view folder, std::string_view name);

} // namespace zarvon::base
