// Folders the program finds for itself before any setting is read.
//
// Paths are UTF-8 and every folder returned ends in "/".
//
// Threads: any thread.
#pragma once

#include <string>

namespace ostrovel {

// The folder of the running program file; "./" if it cannot be found.
std::string ProgramDir();

// The installation folder: Options.ini, the language files and the help file
// are found in it, and the error log below it. The program's folder until
// start-up resolves it.
std::string InstallDir();
void SetInstallDir(std::string dir);  // a "/" is added when missing

// The per-user data folder: $XDG_DATA_HOME/Ostrovel/, else
// ~/.local/share/Ostrovel/. Not created here.
std::string UserDataDir();

// Where the error log goes for an installation folder: its "Logs/Errors.log"
// when that folder may be written (an unpacked or self-built program), else
// the same below UserDataDir() (a program installed for all users).
std::string LogFileFor(const std::string& installDir);

}  // namespace ostrovel
