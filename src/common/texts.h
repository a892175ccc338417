// Every fixed text of the setup program and the programs it installs that is
// not a resource: captions, messages, step texts, registry names and file
// names, exactly as shown or used; and the settings' default numbers.
#pragma once

// Shared.
inline constexpr char kSetupCaption[] = "My Zindle Setup";
inline constexpr char kMakerDirectory[] = "Tarnwick";

// Start-up and settings.
inline constexpr char kBackdropClass[] = "SSSetupClass";
inline constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
inline constexpr char kProgramFilesKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr char kProgramFilesValue[] = "ProgramFilesDir";
inline constexpr char kDefaultProgramFiles[] = "C:\\Program Files\\";
// The maker's own key, which holds the settings key.
#define SETUP_MAKER_KEY "Software\\Tarnwick"
inline constexpr char kMakerKey[] = SETUP_MAKER_KEY;
inline constexpr char kSettingsKey[] = SETUP_MAKER_KEY "\\SS";
#undef SETUP_MAKER_KEY
inline constexpr char kValueAppDir[] = "AppDir";
inline constexpr char kValueExecutable[] = "Executable";
inline constexpr char kValueOwner[] = "RegisteredOwner";
inline constexpr char kValueOrganization[] = "RegisteredOrganization";
inline constexpr char kValueEMail[] = "RegisteredEMail";
inline constexpr char kValueSSHotkey[] = "SSHotkey";
inline constexpr char kValueToolHotkey[] = "ToolHotkey";
inline constexpr char kValueDisplayMode[] = "DisplayMode";
inline constexpr char kValueVersion[] = "Version";
// What the settings' numbers are without an earlier installation: the hot keys
// Ctrl+Alt+S (the screen saver) and Ctrl+Alt+T (the companion).
inline constexpr unsigned long kDefaultSSHotkey = 0x01100053;
inline constexpr unsigned long kDefaultToolHotkey = 0x01100054;
inline constexpr unsigned long kDefaultDisplayMode = 1;

// Backdrop.
inline constexpr char kWizardFailedFormat[] = "Couldn't create Setup wizard\nError=%ld";
inline constexpr char kByFormat[] = "by %s";
inline constexpr char kBackdropNotice[] =
    "My Zindle is a trademark of Tarnwick. All rights reserved.";

// Wizard.
inline constexpr char kDisplayControlCommand[] = "Control color";
inline constexpr char kDisplayControlProgram[] = "control.exe";

// Install sequence: names.
inline constexpr char kThemesDirectory[] = "Themes";
inline constexpr char kSaverFile[] = "Tarnwick.scr";
inline constexpr char kCompanionFile[] = "Zindle.exe";
inline constexpr char kUninstallerFile[] = "uninstall.exe";
inline constexpr char kCompanionClass[] = "TarnwickZindleClass";
inline constexpr char kProductName[] = "Tarnwick My Zindle";
inline constexpr char kDefaultPackTitle[] = "Nature";
inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickSS";
inline constexpr char kValueDisplayName[] = "DisplayName";
inline constexpr char kValueUninstallString[] = "UninstallString";
// The uninstaller (kUninstallerFile), spelt as the entry has always named it:
// file names compare without regard to case. Quoted, so that a path with
// spaces cannot be taken for a shorter program.
inline constexpr char kUninstallEntryFile[] = "Uninstall.exe";
inline constexpr char kUninstallStringFormat[] = "\"%s\"";
// What the list of installed programs shows beside the name.
inline constexpr char kValueDisplayIcon[] = "DisplayIcon";
inline constexpr char kDisplayIconFormat[] = "\"%s\",0";
inline constexpr char kValueDisplayVersion[] = "DisplayVersion";
inline constexpr char kDisplayVersionFormat[] = "%u.%u.%u.%u";
inline constexpr char kValuePublisher[] = "Publisher";
inline constexpr char kPublisher[] = "Tarnwick";
inline constexpr char kValueInstallLocation[] = "InstallLocation";
inline constexpr char kValueEstimatedSize[] = "EstimatedSize";
inline constexpr char kValueNoModify[] = "NoModify";
inline constexpr char kValueNoRepair[] = "NoRepair";
inline constexpr char kValueQuietUninstallString[] = "QuietUninstallString";
// The uninstaller's switch for running without any dialog; the quiet command
// is the uninstall command, then the switch.
inline constexpr char kQuietOption[] = "/quiet";
inline constexpr char kQuietUninstallStringFormat[] = "%s %s";
inline constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kValueStartMenu[] = "Start Menu";
inline constexpr char kValueStartup[] = "Startup";
inline constexpr char kProgramsDirectory[] = "Programs";
inline constexpr char kUninstallLink[] = "Uninstall Tarnwick My Zindle.lnk";
inline constexpr char kUninstallLinkDescription[] = "Uninstall Tarnwick My Zindle";
inline constexpr char kSaverLink[] = "Tarnwick My Zindle.lnk";
inline constexpr char kSaverLinkDescription[] = "Tarnwick My Zindle";
inline constexpr char kCompanionLink[] = "Tarnwick Zindle.lnk";
inline constexpr char kCompanionLinkDescription[] = "Tarnwick Zindle";

// Install sequence: step texts.
inline constexpr char kStepClosingCompanion[] = "Closing zindle";
inline constexpr char kStepCreateDirectory[] = "Create directory %s";
inline constexpr char kStepWritingSaver[] = "Writing screen saver";
inline constexpr char kStepWritingProgramFiles[] = "Writing program files";
inline constexpr char kStepWritingRegistry[] = "Writing registry entries";
inline constexpr char kStepWritingImagePack[] = "Writing %s image pack";
inline constexpr char kStepCreatingShortcuts[] = "Creating shortcuts";
inline constexpr char kStepMakeCurrent[] = "Make current";
inline constexpr char kStepConfigure[] = "Configure";
inline constexpr char kStepStartCompanion[] = "Start Zindle";
inline constexpr char kStepRemoveEarlier[] = "Removing My Zindle from %s";

// Completion page.
inline constexpr char kEarlierFolderKeptFormat[] =
    "Items that are not My Zindle's, or that were in use, were kept in its earlier folder %s.";

// Install sequence: messages.
inline constexpr char kErrorNoRoom[] =
    "There is not enough free space to install My Zindle in\n'%s'\n"
    "%lu KB are needed there, %lu KB are free.\n"
    "Please free some space or choose another folder, then run Setup again.";
inline constexpr char kErrorCreateDirectory[] = "Couldn't create directory\n'%s'\n";
inline constexpr char kErrorWriteSaver[] = "Couldn't write My Zindle\n'%s'\n";
inline constexpr char kErrorSaverInUse[] =
    "Couldn't write My Zindle\n'%s'\nbecause the My Zindle screen saver is still running.\n"
    "Close My Zindle (its settings, or its preview in Display Properties) and run Setup again.";
inline constexpr char kErrorWriteProgramFiles[] = "Couldn't write program file to:\n'%s'\n";
inline constexpr char kErrorCreateKey[] = "Couldn't create registry key\n'%s'";
inline constexpr char kErrorCreatePackDirectory[] = "Couldn't create image pack directory\n'%s'\n";
inline constexpr char kErrorDecompressPack[] = "Couldn't decompress image pack";

// Shell actions.
inline constexpr char kConfigureCommandFormat[] = "\"%s\" /c";
inline constexpr char kSaverCommandFormat[] = "%s +s";
inline constexpr char kSystemIni[] = "system.ini";
inline constexpr char kBootSection[] = "boot";
inline constexpr char kSaverKey[] = "SCRNSAVE.EXE";

// Archive reader.
inline constexpr char kUnsupportedMethodFormat[] =
    "'%s' is compressed with\nun-handled compression type %d";
inline constexpr char kDamagedMemberFormat[] =
    "'%s' could not be installed because this setup program is damaged.\n"
    "Please obtain the setup program again.";
inline constexpr char kIncompleteLiteralTree[] = "(incomplete l-tree)  ";
inline constexpr char kIncompleteDistanceTree[] = "(incomplete d-tree)  ";
