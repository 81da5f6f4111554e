#pragma once
// Where the program's files live. The rule is chosen once, at start-up:
//
//  - A program whose folder it may write and that is not part of an installed prefix (the
//    build folder, a portable copy) keeps everything in its own folder: setup.ini, the side
//    files (tips.txt, support.ini, the help) and the default save folder "Recording/".
//  - A program that runs from an installed prefix (<prefix>/bin/tavrin with
//    <prefix>/share/tavrin/ beside it) or from a folder it may not write keeps setup.ini in
//    $XDG_CONFIG_HOME/tavrin/ (~/.config/tavrin/ when that is unset or not absolute) and records
//    by default into the user's music folder (XDG_MUSIC_DIR of user-dirs.dirs) + "Recording/",
//    or ~/Recording/ when there is none. It reads its side files from <prefix>/share/tavrin/,
//    or from its own folder when there is no such prefix.
//
// A save folder stored in setup.ini is used as stored; the rule only gives the default.
// Every folder below ends in "/".
#include <QString>

struct FileLocations {
    QString configFolder;  // setup.ini
    QString dataFolder;    // tips.txt, support.ini, the help
    QString saveFolder;    // the default folder of new recordings
    bool installed = false;

    bool operator==(const FileLocations&) const = default;
};

// What the rule looks at.
struct LocationInputs {
    QString programFolder;           // the executable's folder
    bool programFolderWritable = true;
    QString home;                    // $HOME
    QString xdgConfigHome;           // $XDG_CONFIG_HOME as set (may be empty)
};

// The rule on its own: no side effects.
FileLocations ChooseFileLocations(const LocationInputs& in);

// The settings folder of an installed program: $XDG_CONFIG_HOME/tavrin/ (an absolute
// XDG_CONFIG_HOME; else <home>/.config/tavrin/).
QString UserConfigFolder(const QString& home, const QString& xdgConfigHome);

// XDG_MUSIC_DIR from <configHome>/user-dirs.dirs, with a trailing "/"; empty when the file
// does not name one or names the home folder itself (the folder is then switched off).
QString UserMusicFolder(const QString& home, const QString& configHome);

// The executable's folder with a trailing "/" (or the folder a test set).
QString ProgramFolder();

// The locations of this run: chosen at the first call (the program entry makes it at start-up),
// the same ever after. An installed layout gets its configuration folder made here.
const FileLocations& Locations();

// Tests point all three locations at one folder (the layout of a portable copy); an empty
// folder restores the real ones.
void setProgramFolderForTests(const QString& folder);
