#include "operations/recording_registry_store.h"

#include <algorithm>

namespace zarvon::operations {

std::string RecordingRegistryStore::fold(const std::string &text)
{
    std::string folded = text;
    for (char &c : folded)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return folded;
}

bool RecordingRegistryStore::refused(const std::string &fullKey) const
{
    if (refused_.empty())
        return false;
    const std::string key = fold(fullKey), limit = fold(refused_);
    return key == limit || key.rfind(limit + "\\", 0) == 0;
}

bool RecordingRegistryStore::writeText(RegistryRoot root, const std::string &subkey, const std::string &valueName,
                                       const std::string &text)
{
    const std::string full = std::string(registryRootName(root)) + "\\" + subkey;
    Call call{"write", full, valueName, text, false};
    if (subkey.empty() || refused(full)) {
        calls_.push_back(call);
        return false;
    }
    // The parents come into being with the key.
    for (std::size_t slash = full.find('\\', full.find('\\') + 1); slash != std::string::npos;
         slash = full.find('\\', slash + 1)) {
        const std::string parent = full.substr(0, slash);
        keys_.try_emplace(fold(parent), Key{parent, {}});
    }
    Key &key = keys_.try_emplace(fold(full), Key{full, {}}).first->second;
    key.values[fold(valueName)] = {valueName, text};
    call.succeeded = true;
    calls_.push_back(call);
    return true;
}

bool RecordingRegistryStore::readText(RegistryRoot root, const std::string &subkey, const std::string &valueName,
                                      std::string &text)
{
    const auto key = keys_.find(fold(std::string(registryRootName(root)) + "\\" + subkey));
    if (key == keys_.end())
        return false;
    const auto value = key->second.values.find(fold(valueName));
    if (value == key->second.values.end())
        return false;
    text = value->second.second;
    return true;
}

bool RecordingRegistryStore::keyExists(RegistryRoot root, const std::string &subkey)
{
    return keys_.count(fold(std::string(registryRootName(root)) + "\\" + subkey)) > 0;
}

bool RecordingRegistryStore::deleteTree(RegistryRoot root, const std::string &subkey)
{
    const std::string full = std::string(registryRootName(root)) + "\\" + subkey;
    Call call{"delete", full, "", "", false};
    const std::string folded = fold(full);
    if (subkey.empty() || !keys_.count(folded) || refused(full)) {
        calls_.push_back(call);
        return false;
    }
    std::erase_if(keys_,
                  [&](const auto &entry) { return entry.first == folded || entry.first.rfind(folded + "\\", 0) == 0; });
    call.succeeded = true;
    calls_.push_back(call);
    return true;
}

std::vector<std::string> RecordingRegistryStore::values() const
{
    std::vector<std::string> all;
    for (const auto &[folded, key] : keys_)
        for (const auto &[foldedName, value] : key.values)
            all.push_back(key.spelling + "|" + value.first + "=" + value.second);
    std::sort(all.begin(), all.end());
    return all;
}

std::vector<std::string> RecordingRegistryStore::keys() const
{
    std::vector<std::string> all;
    for (const auto &[folded, key] : keys_)
        all.push_back(key.spelling);
    std::sort(all.begin(), all.end());
    return all;
}

} // namespace zarvon::operations
