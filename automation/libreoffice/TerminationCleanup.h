#pragma once

// Call first thing in main(), before any thread exists: SIGTERM, SIGINT and
// SIGHUP then end the program through a thread of its own that first ends
// every office the program started and removes their profiles.
void cleanUpOfficesOnTermination();
