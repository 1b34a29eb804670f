// Free space where something is about to be written.
#pragma once

#include <cstdint>
#include <string>

namespace zarvon::base {

// Bytes free for an unprivileged user on the file system that holds folder,
// or that will hold it once created: a folder that does not exist yet is
// looked up through its nearest existing parent ("" and a relative path
// without one end at the current folder). false, with errno set, when that
// cannot be known (no right to look, a name too long, no parent left).
bool freeSpaceAt(std::string folder, uint64_t &available);

} // namespace zarvon::base
