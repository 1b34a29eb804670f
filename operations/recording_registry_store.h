// A registry held in memory that records every call made to it: the store the
// association tests read back, and a dry run that shows which keys an
// association would write. Key names compare without regard to case, as in
// the real registry; the spelling of the first write is kept.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "operations/file_association.h"

namespace zarvon::operations {

class RecordingRegistryStore : public RegistryStore {
public:
    // One call as it was made, e.g. {"write", "HKEY_CLASSES_ROOT\.zip", "", "zip_auto_file"}.
    struct Call {
        std::string action; // "write" or "delete"
        std::string key;    // root name + "\" + subkey
        std::string valueName;
        std::string text;
        bool succeeded = false;
    };

    bool writeText(RegistryRoot root, const std::string &subkey, const std::string &valueName,
                   const std::string &text) override;
    bool readText(RegistryRoot root, const std::string &subkey, const std::string &valueName,
                  std::string &text) override;
    bool keyExists(RegistryRoot root, const std::string &subkey) override;
    bool deleteTree(RegistryRoot root, const std::string &subkey) override;

    // Every value held now as "KEY\PATH|valueName=text", sorted; the key in
    // its first spelling.
    std::vector<std::string> values() const;
    // Every key held now (also those with no value of their own), sorted.
    std::vector<std::string> keys() const;
    const std::vector<Call> &calls() const { return calls_; }

    // Writes and deletes at or below this full key path fail from now on, as
    // they do where the user lacks the rights ("" lifts it).
    void refuseBelow(const std::string &fullKey) { refused_ = fullKey; }

private:
    struct Key {
        std::string spelling;                                              // full path as first written
        std::map<std::string, std::pair<std::string, std::string>> values; // folded name -> name, text
    };
    static std::string fold(const std::string &text);
    bool refused(const std::string &fullKey) const;

    std::map<std::string, Key> keys_; // folded full path -> key
    std::vector<Call> calls_;
    std::string refused_;
};

} // namespace zarvon::operations
