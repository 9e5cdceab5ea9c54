#ifndef FENDREL_PLATFORM_PROGRAM_H
#define FENDREL_PLATFORM_PROGRAM_H

#include "core/String.h"

namespace platform {

// The path delimiter of the file system ("/" on POSIX, "\" on Windows).
#ifdef _WIN32
inline constexpr char16_t PathDelim = u'\\';
#else
inline constexpr char16_t PathDelim = u'/';
#endif

// Called first at program entry, before anything loads a library: on Windows, libraries are
// then searched in the system folder only, never in the program's folder. Nothing on POSIX.
void RestrictLibrarySearch();
// Records the command line; called once at program entry.
void InitCommandLine(int argc, char** argv);
// The argument at index (1 = first argument); empty when there is none.
String ParamStr(int index);
int ParamCount();

// The full path of the running executable, and its directory with a trailing delimiter.
// When the system does not tell the executable's path, it is taken from the command line's
// first word (see ProgramPathFromCommandLine); when that fails too, both are empty.
String ProgramPath();
String ProgramDir();

// The absolute path the command line's first word names: as it stands when it is absolute,
// resolved against the working directory at start-up when it holds a delimiter; empty for
// a bare name (found by a search the program cannot repeat) or an empty word.
String ProgramPathFromCommandLine(StringView argument0, StringView startupDir);
String CurrentDir();

// The value of the environment variable, empty when it is not set: read as the system keeps
// the environment (UTF-16 on Windows, whatever the ANSI code page; UTF-8 on POSIX).
String EnvironmentVariable(const char16_t* name);

// Whether the program's standard error is a terminal (a console) that shows what is written
// to it, rather than a file or a pipe.
bool StandardErrorIsTerminal();

// The application title taken from an executable's path: the part after the last
// delimiter, cut at its first ".", every character after the first in lower case.
String ApplicationTitleFromPath(StringView path);

// The folder where the system keeps what it records about its own runs, without a trailing
// delimiter: %LOCALAPPDATA%\Fendrel on Windows; $XDG_STATE_HOME/fendrel on POSIX, where an
// unset, empty or relative XDG_STATE_HOME means ~/.local/state. Empty when neither variable
// leads anywhere. Only looked up: the folder may not exist yet.
String StateDirectory();

}  // namespace platform

#endif
