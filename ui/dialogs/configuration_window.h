// The configuration window (window 3): the user's settings on two tab pages,
// loaded from and saved to Zarvon.ini (settings/settings_ops.h).
#pragma once

#include "settings/settings_ops.h"

namespace zarvon::ui {

// Creates window 3 hidden, centred on the main window (on the screen when
// there is none) and topmost, with the built-in initial states, then fills it:
// from the configuration file when it opens; otherwise the current directory
// and the temporary folder in the two folder fields. Returns false when the
// window could not be created. The caller shows it (showConfigurationWindow
// does all of it).
bool buildConfigurationWindow();

// Builds, fills and shows the window; `activate` also makes it the active one.
void showConfigurationWindow(bool activate = true);

// The window's values as the settings operations store them, and back.
settings::ConfigurationSettings readConfigurationWindow();
void fillConfigurationWindow(const settings::ConfigurationSettings &values);

// Button 55 (BtConfigOk): saves (the re-creation sequence when the file is
// missing) and closes.
void confirmConfigurationWindow();
// Button 56 (BtConfigCancel) and the close box: when the file is missing it is
// re-created from the window's values first; then the window closes (the
// values of an existing file are not saved).
void cancelConfigurationWindow();

// Buttons 59 and 60 (BtBrowse1): folder requester titled TxtSelectDirectory
// into field 78 or 79 (a cancelled requester changes nothing).
void browseDefaultArchiveFolder();
void browseDefaultExtractFolder();

// Box 91 (ChkBoxVisibleWin): the main window, when it exists, is kept on top
// while the box is ticked; the configuration window stays on top.
void applyVisibleWindowBox();
// Box 93 (ChkBoxHistory) ticked: the re-creation sequence, then MsgModif.
void applyHistoryBox();
// Box 95 (ChkBoxViewBtTxt): the re-creation sequence; MsgModif when ticked.
void applyShowTextButtonBox();

// The re-creation sequence: writeDefaultSettings, saveConfigurationSettings
// with the window's values, saveWindowState of the main window (when it
// exists).
void recreateSettingsFile();

} // namespace zarvon::ui
