#include "TerminationCleanup.h"

#include "OfficeSession.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

// Set by the waiter alone, once a signal has come.
std::atomic<bool> stopping{false};

} // namespace

// A job whose office the waiter has just ended fails, and main() returns:
// the program still ends as the signal says, by the waiter, once every office
// is gone.
TerminationHold::~TerminationHold()
{
    while (stopping.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

bool terminationUnderway()
{
    return stopping.load();
}

TerminationHold cleanUpOfficesOnTermination(void (*alsoOnTermination)())
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    // Blocked here, and so in every thread started later: only the waiter
    // below takes them.
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::thread([stopSignals, alsoOnTermination] {
        int received = 0;
        if (sigwait(&stopSignals, &received) != 0)
            return;
        stopping.store(true);
        OfficeSession::abandonAll();
        if (alsoOnTermination)
            alsoOnTermination();
        ::_exit(128 + received);
    }).detach();
    return {};
}
