// Every key the program looks up in the language file, with its built-in
// French text: the one list against which the shipped language files are
// checked, and where a window finds the text to show when no file gives one.
#pragma once

#include <span>
#include <string_view>

namespace zarvon::settings {

struct LanguageKey {
    std::string_view key;
    std::string_view frenchDefault;
};

std::span<const LanguageKey> languageKeys();

// The built-in French text of key (its first listing); "" for a key the
// program does not use.
std::string_view builtInText(std::string_view key);

} // namespace zarvon::settings
