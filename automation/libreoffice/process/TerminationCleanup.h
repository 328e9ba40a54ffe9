#pragma once

// Kept in main() until it returns: once a signal has come, main() does not
// return (a job fails when its office is ended) before the signal's thread
// has ended the program with the signal's exit code.
struct TerminationHold
{
    TerminationHold() = default;
    TerminationHold(const TerminationHold &) = delete;
    TerminationHold &operator=(const TerminationHold &) = delete;
    ~TerminationHold();
};

// Call first thing in main(), before any thread exists, and keep what it
// returns: SIGTERM, SIGINT and SIGHUP then end the program through a thread
// of its own that first ends every office the program started and removes
// their profiles, then calls `alsoOnTermination` (when given) for what the
// program itself leaves half made.
[[nodiscard]] TerminationHold cleanUpOfficesOnTermination(void (*alsoOnTermination)() = nullptr);

// True once a signal has come: what a job then reports comes from its office
// being ended, and is no news for the user.
bool terminationUnderway();
