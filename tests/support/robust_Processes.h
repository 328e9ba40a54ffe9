#pragma once

#include <QList>
#include <QString>

// What a test can see of this process and the offices it started, from /proc.

// soffice.bin processes whose parent is this process (zombies excluded).
QList<qint64> childOffices();

// Sends `signal` to every office of childOffices(); with SIGKILL also waits
// for them and collects their exit.
void signalChildOffices(int signal);

// Makes this process the parent of orphans of its descendants, so an office
// left behind by a program the test started is still seen as a child.
bool becomeSubreaper();

// Collects the exit of finished children that nobody waits for.
void reapOrphans();

int threadCount();
int openDescriptors();
qint64 residentKb();

// As root the mode of a folder does not stop us from writing into it: drops
// the override on the calling thread only (capabilities are per thread).
// False when there was nothing to drop or dropping failed.
bool dropFileOverrideOnThisThread();
