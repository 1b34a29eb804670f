// The information sheet: the command that fills the information window
// (window 5) for an archive file selected in the main explorer list, and the
// wording of its values.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "ui/dialogs/information_window.h"

namespace zarvon::ui {

// The information command (menu MenuInfoZip, toolbar information button).
// No selection: MsgNozipSelect. Every selected file in list order: a .zip,
// .rar or .7z file (any case) gets the sheet, replacing the one shown; any
// other file MsgNozipSelect. Folders are passed over without a word.
void showArchiveInformation();

// The window's Ok button (57).
void closeArchiveInformation();

// The values of the sheet for the file at `path`, shown as `name`. Fields
// the file's format cannot give are "" (never a false 0). Day names, date
// order and protection texts follow View/EnglishLanguage.
InformationValues informationValues(const std::string &path, const std::string &name);

// "Lundi 5/3/2007 17:47:16" (French) or "Monday 3/5/2007 17:47:16"
// (English), in local time.
std::string sheetDate(std::time_t time, bool english);

// "2 Ko" ("2 KB" in English): `bytes` in rounded kilobytes, the unit from
// the language file (TxtKilobytes).
std::string kilobyteText(uint64_t bytes);

// The methods of an archive's files as the sheet names them, joined by ", "
// ("Deflate", "Deflate, Stocké"); a lone "Stored" reads TxtNoCompress.
std::string methodsText(const std::vector<std::string> &methods);

} // namespace zarvon::ui
