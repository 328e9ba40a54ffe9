#pragma once

// The system's process list, for the start-up instance rule.
// `imageName` is an executable's file name without its folder ("Sheetsplicer"
// on Linux, "Sheetsplicer.exe" on Windows); it is compared byte for byte,
// case-sensitively.
//
// On Linux the list is /proc: a process's image name is the file name of its
// executable (/proc/PID/exe; when that link cannot be read, as for another
// user's process, the command name of /proc/PID/stat). Zombies are not
// counted. Processes come in increasing order of their ids.

// The number of running processes with that image name; 0 when the list
// cannot be read or the name is null.
int countProcesses(const char *imageName);

// Ends the first process in the list with that image name, at once and
// without letting it clean up (SIGKILL on Linux, TerminateProcess on
// Windows). 1 when one was found (whether or not it could be ended), 0 when
// none was found or the list cannot be read.
int terminateFirstProcess(const char *imageName);

// The image name of the running program on this platform.
const char *programImageName();
