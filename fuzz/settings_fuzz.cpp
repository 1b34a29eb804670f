// Reads configuration and language files from memory. Besides not crashing,
// the configuration store must be stable: what it writes, read back and
// written again, gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/language.h"
#include "settings/settings_file.h"

using namespace zarvon::settings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char *>(data), size);

    SettingsFile file;
    file.openBytes(bytes);
    for (const char *group : {"", "General", "View", "Window", "Recent files"}) {
        file.selectGroup(group);
        file.readText("History", "0");
        file.readInteger("WindowHeight", 0);
    }
    std::string first = file.serialize();
    file.openBytes(first);
    std::string second = file.serialize();
    if (first != second)
        std::abort();
    file.selectGroup("Fuzz");
    file.writeText("Key", std::string(bytes.substr(0, 64)));
    file.writeComment(std::string(bytes.substr(0, 16)));
    std::string third = file.serialize();
    file.openBytes(third);
    if (file.serialize() != third)
        std::abort();
    file.close();

    loadLanguageBytes(bytes);
    languageText("MenuFile", "Fichier");
    languageText("", "x");
    clearLanguageTable();
    return 0;
}
