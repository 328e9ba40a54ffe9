#include "TerminationCleanup.h"

#include "OfficeSession.h"

#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

void cleanUpOfficesOnTermination()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    // Blocked here, and so in every thread started later: only the waiter
    // below takes them.
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::thread([stopSignals] {
        int received = 0;
        if (sigwait(&stopSignals, &received) != 0)
            return;
        OfficeSession::abandonAll();
        ::_exit(128 + received);
    }).detach();
}
