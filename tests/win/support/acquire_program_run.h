// Runs a program of the build in its own process, bounded in time, and keeps what it
// printed.
#ifndef ORVELLUX_ACQUIRE_PROGRAM_RUN_H
#define ORVELLUX_ACQUIRE_PROGRAM_RUN_H

#include <windows.h>

#include <string>

struct ProgramRun {
    bool finished;       // false when it had to be stopped at the time limit
    DWORD exitCode;
    std::string output;  // standard output and standard error, interleaved
};

// program is a path as Windows sees it; arguments are appended to the command line as
// they stand (quote them where they hold blanks).
ProgramRun RunProgram(const std::string& program, const std::string& arguments, DWORD timeoutMs);

#endif
