// Every fixed identifier of Zarvon, named once.
//
// Windows, menu items, keyboard shortcuts and controls are small integers
// fixed at build time. Control identifiers are unique across all windows, so
// the dispatch never needs a control event's window number. Menu items and
// shortcuts live in their own range of values (a menu event is never mistaken
// for a control event, so a menu item may share a value with a control).
//
// Names follow the language key of the caption where there is one
// (MenuOpenZip, BtCompressOk); controls without a caption key are named after
// their role (Str... for text fields, Combo..., Explorer..., List...).
// Toolbar buttons and the progress window's controls have no fixed number:
// the platform layer hands their identifiers out when they are created.
#pragma once

namespace zarvon::ids {

// Window numbers
constexpr int WindowMain = 0;
constexpr int WindowAssistant = 1;
constexpr int WindowCompression = 2;
constexpr int WindowConfiguration = 3;
// 4 is never used.
constexpr int WindowInfoArchive = 5;
constexpr int WindowAddFiles = 6;   // title key TxtWindowAddFiles
constexpr int WindowCopy = 7;       // copy, move, rename and password prompt
constexpr int WindowBootScreen = 8; // title key BootScreen
constexpr int WindowAbout = 9;
constexpr int WindowHelp = 10;

// Menus
constexpr int MenuBarMain = 0; // the main window's menu bar
constexpr int TrayMenu = 143;  // popup menu of the notification-area icon
constexpr int ArchiveListMenu = 148; // popup menu of the archive list

// Menu items of the main window's menu bar.
constexpr int MenuOpenZip = 0;
constexpr int MenuCopyZip = 1;
constexpr int MenuCutZip = 2;
constexpr int MenuRenameZip = 3;
// 4 is not used in the menu bar.
constexpr int MenuSelectAll = 5;
constexpr int MenuDelete = 6;
constexpr int MenuInfoZip = 7;
constexpr int MenuQuit = 8;
constexpr int MenuToolBar = 9;
constexpr int MenuStatusBar = 10;
constexpr int MenuDefaultView = 11;
constexpr int MenuLargeIcon = 12;
constexpr int MenuSmallIcon = 13;
constexpr int MenuList = 14;
constexpr int MenuFrench = 15;
constexpr int MenuEnglish = 16;
constexpr int MenuAddToZip = 17;
constexpr int MenuExtractZip = 18;
constexpr int MenuTestZip = 19;
constexpr int MenuAssistant = 20;
constexpr int MenuConfiguration = 21;
constexpr int MenuEdit = 22;
constexpr int MenuSystray = 23;
constexpr int MenuBootScreen = 24;
constexpr int MenuHelp2 = 25;
constexpr int MenuAbout = 26;

// Recent-archives submenu: the entry at 0-based position i is item
// MenuRecentFirst + i; 201 to 221 are reserved for it.
constexpr int MenuRecentFirst = 201;
constexpr int MenuRecentLast = 221;

// Items of the archive list's popup menu.
constexpr int MenuArchiveOpen = 260;
constexpr int MenuArchiveExtract = 261;
constexpr int MenuArchiveAdd = 262;
constexpr int MenuArchiveDelete = 263;
constexpr int MenuArchiveRename = 264;
constexpr int MenuArchiveNewFolder = 265;
constexpr int MenuArchiveTest = 266;
constexpr int MenuArchiveInfo = 267;
// View menu: the archive list by folders.
constexpr int MenuFolders = 268;

// Items of the tray popup menu.
constexpr int RestoreApp = 144;
constexpr int QuitApp = 145;

// Keyboard shortcuts of the main window (reported as menu events)
constexpr int ShortcutOpenZip = 10000;   // Ctrl+O, as MenuOpenZip
constexpr int ShortcutCopyZip = 10001;   // Ctrl+C, as MenuCopyZip
constexpr int ShortcutCutZip = 10002;    // Ctrl+X, as MenuCutZip
constexpr int ShortcutRenameZip = 10003; // Ctrl+R, as MenuRenameZip
constexpr int ShortcutSelectAll = 10004; // Ctrl+A, as MenuSelectAll
constexpr int ShortcutDelete = 10005;    // Delete, as MenuDelete
constexpr int ShortcutUndo = 10006;      // Ctrl+Z, does nothing
constexpr int ShortcutReturn = 10007;    // Return: goes or opens where the focus is
constexpr int ShortcutParent = 10008;    // Backspace and Alt+Up: the explorer's folder above
constexpr int ShortcutBack = 10009;      // Alt+Left: the explorer's folder shown before
constexpr int ShortcutForward = 10010;   // Alt+Right: the explorer's folder left by Alt+Left
constexpr int ShortcutReload = 10011;    // F5: the explorer's folder read again
constexpr int ShortcutRename = 10012;    // F2: renames the explorer's item
constexpr int ShortcutDeleteForGood = 10013; // Shift+Delete: removes the explorer's items, not to the trash

// Notification area
constexpr int TrayIcon = 137;

// Main window controls (window 0)
constexpr int ContainerAddress = 142; // holds the address bar, 28 high
constexpr int ExplorerCombo = 115;    // address bar: folder of the explorer list
constexpr int ExplorerList = 116;     // files and folders of the current folder
constexpr int ArchiveList = 138;      // entries of the opened archive
constexpr int SplitterArchive = 139;  // archive list left, explorer list right
constexpr int ContainerArchiveList = 246; // the splitter's left side: the filter above the archive list
constexpr int StrArchiveFilter = 247;     // narrows the archive list to the names holding its text
constexpr int StatusBarMain = 0;      // status bars have their own numbering
constexpr int ToolBarMain = 0;        // toolbars have their own numbering

// Assistant (window 1)
constexpr int BtTextHelp = 42;
constexpr int BtTextAbout = 43;
constexpr int BtTextZarvon = 44;
constexpr int BtTextConfiguration = 45;
constexpr int BtTextPrevious = 46;
constexpr int BtTextNext = 47;
constexpr int BtTextClose = 48;
constexpr int AssistBtSaveArchive = 50;   // archiveName page, "Parcourir" (key BtBrowse3)
constexpr int AssistBtSelectArchive = 51; // extraction page, archive "..."
constexpr int AssistBtSelectFolder = 52;  // extraction page, folder "..."
// Controls of the assistant that the dispatch ignores; they still need a
// number to be created and addressed.
constexpr int AssistText1 = 160;   // heading
constexpr int BtTextOptions = 161; // frame around the option buttons
constexpr int AssistText2 = 162;
constexpr int AssistText3 = 163;
constexpr int AssistText4 = 164;
constexpr int TxtOperations2Proceed = 165;
constexpr int ChkCompress = 166;   // option button
constexpr int ChkDecompress = 167; // option button
constexpr int TxtArchivNameEx = 168;
constexpr int StrAssistArchiveName = 169; // archiveName page field
constexpr int TxtListIconAssist = 170;    // filesToCompress page list
constexpr int TxtFileToUnZip = 171;
constexpr int StrAssistSourceArchive = 172;
constexpr int TxtExtractTo = 173;
constexpr int StrAssistDestination = 174;

// Compression window (window 2)
constexpr int ContainerCompress = 140; // holds every control of the window
constexpr int TxtFrameZipCreate = 124;
constexpr int TxtZipName = 8;
constexpr int StrZipName = 75;
constexpr int TxtLocation = 7;
constexpr int StrLocation = 74;
constexpr int BtBrowseLocation = 49; // "..."
constexpr int TxtFrameCompressOpt = 123;
constexpr int TxtArchiveFormat = 6;
constexpr int ComboArchiveFormat = 84;
constexpr int TxtCompressType = 12;
constexpr int ComboCompressType = 85;
constexpr int TxtPwd = 128; // frame "Mot de  Passe"
constexpr int TxtEnterPwd = 25;
constexpr int StrPassword = 81;
constexpr int TxtConfirmPwd = 26;
constexpr int StrConfirmPassword = 80;
constexpr int TxtShowPwd = 88;         // check box
constexpr int TxtEncryptFileName = 89; // check box, always disabled
constexpr int ChkKeepFullPaths = 236;  // check box: folders stored under their full path
constexpr int TxtEncryption = 271;     // caption of the encryption box
constexpr int ComboEncryption = 272;   // encryption of a password: ZIP 2.0 or AES-256
constexpr int BtCompressOk = 53;
constexpr int BtCancelCompress = 54;

// Configuration window (window 3)
constexpr int BtConfigOk = 55;
constexpr int BtConfigCancel = 56;
constexpr int PanelConfig = 118; // tab control, pages 0 and 1
// Page 0 (TxtConfigGeneral)
constexpr int TxtFrameView = 126;
constexpr int ChkBoxActivAssist = 90;
constexpr int ChkBoxVisibleWin = 91;
constexpr int ChkBoxActivateSound = 92;
constexpr int TxtFrameWindow = 125;
constexpr int ChkBoxHistory = 93;
constexpr int ChkBoxMultitask = 94;
constexpr int ChkBoxViewBtTxt = 95;
// Page 1 (TxtCompression&Integration)
constexpr int TxtFrameDefaultZip = 130;
constexpr int StrDefaultArchiveFolder = 78;
constexpr int BtBrowse1Archive = 59; // key BtBrowse1
constexpr int TxtFrameDefaultExtractFolder = 131;
constexpr int StrDefaultExtractFolder = 79;
constexpr int BtBrowse1Extract = 60; // key BtBrowse1
constexpr int TxtFrameIntegration = 122;
constexpr int ChkBoxZip = 100;
constexpr int ChkBoxRar = 108; // fixed text "Rar", always disabled
constexpr int ChkBoxIntegration = 104;
constexpr int ChkBoxShortcut = 105;

// Archive information window (window 5)
constexpr int BtOkWindowInfo = 57;
constexpr int FrameWindowInfo = 176;     // "Informations"
constexpr int ContainerInfoValues = 177; // holds the value texts
// The labels, top to bottom, then their values in the same order.
constexpr int TxtWindowInfoZipName = 178;
constexpr int TxtWindowInfoFileNumber = 179;
constexpr int TxtWindowInfoProtection = 180;
constexpr int TxtWindowInfoOrigSize = 181;
constexpr int TxtWindowInfoCompressMethod = 182;
constexpr int TxtWindowInfoZipSize = 183;
constexpr int TxtWindowInfoCreationDate = 184;
constexpr int TxtWindowInfoDateModif = 185;
constexpr int InfoValueFirst = 186; // 186 to 193, one per label
constexpr int InfoValueLast = 193;

// Add-files window (window 6)
constexpr int TxtSelectFiles = 27;
constexpr int ExplorerAddFiles = 134;
constexpr int BtAdd = 135;
constexpr int BtCancel2 = 136;
constexpr int TxtAddFilesFolder = 235; // the folder its explorer list shows

// Copy window (window 7)
constexpr int TxtCopy = 37;
constexpr int TxtDestination = 38;
constexpr int StrCopyDestination = 82;
constexpr int BtCopyBrowse = 63; // picture button: choose a folder
constexpr int BtCancel3 = 61;
constexpr int BtOk = 62;
constexpr int TxtRenameExtension = 40; // rename use: "." + extension
// Password use
constexpr int TxtPwdDestination = 39;
constexpr int StrPwdDestination = 83;
constexpr int BtBrowse3 = 73;
constexpr int TxtFramePwd = 132;

// About window (window 9)
constexpr int ImageAbout = 11;
constexpr int TxtAboutLine1 = 30; // "Zarvon 1.1.0"
constexpr int TxtAboutLine2 = 31;
constexpr int TxtAboutLine3 = 32;
constexpr int TxtAboutLine4 = 33;
constexpr int LinkMakerSite = 146;
constexpr int TxtAboutThanks1 = 34;
constexpr int TxtAboutThanks2 = 35;
constexpr int TxtAboutThanks3 = 36;
constexpr int BtAboutOk = 64;

// Help window (window 10)
constexpr int HelpPage = 194; // the page, scrolled and read at the keyboard

} // namespace zarvon::ids
