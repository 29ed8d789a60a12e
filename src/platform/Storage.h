// Where the game's own files are read from and where the player's files live:
// the settings file "zolvex.ini" and the ranking file "score.scr".
#pragma once

#include <string>

namespace zolvex {

// The folder of the game's pictures, sounds and tunes, found from the executable's.
struct ProgramFolder {
    std::string directory;
    // True when the data came from an installed tree (PREFIX/share/zolvex beside
    // PREFIX/bin): the player's files then never go into it.
    bool installed = false;
};

// The executable's own folder when it holds the pictures (a build folder or an
// unpacked copy), else "<exe>/../share/zolvex" when that does; else the executable's
// folder, where the missing pictures will be reported.
ProgramFolder LocateProgramFolder(const std::string& executableDirectory);

// The folders of the settings file and of the ranking file.
struct StorageFolders {
    std::string settings;
    std::string scores;
};

// A copy that is not installed and whose folder is writable keeps both files beside
// it. Otherwise the settings live in "$XDG_CONFIG_HOME/zolvex" and the rankings in
// "$XDG_DATA_HOME/zolvex" (defaults under $HOME), made 0700 as needed. Plans only:
// nothing is created.
StorageFolders PlanStorageFolders(const ProgramFolder& program);

// As PlanStorageFolders, and makes the folders ready: creates them, moves settings an
// older run left beside the rankings, and starts each file from the copy in the
// program's folder when the player has none yet. A folder that cannot be made falls
// back to the program's folder, with one line on stderr.
StorageFolders ChooseStorageFolders(const ProgramFolder& program);

// True when a file can be created in `directory` (checked by creating and removing one).
bool IsWritableDirectory(const std::string& directory);

// The folder Xlib is to keep its compiled keyboard compose table in between runs
// ("$XDG_CACHE_HOME/zolvex/compose", default under $HOME), made 0700 as needed.
// Compiling the table from the locale's text file is most of the time it takes to
// reach the X server, on every start; a cached one is read at once. Empty, and nothing
// created, when the player's environment already names a cache (XCOMPOSECACHE or an
// existing ~/.compose-cache, which Xlib uses by itself) or the folder cannot be made.
std::string PrepareComposeCacheFolder();

}  // namespace zolvex
