#pragma once

namespace platform {

// Ctrl+C (SIGINT) and kill (SIGTERM) caught and turned into bytes on a pipe, so that
// the UI thread can close the game in its own time: a signal handler may do almost
// nothing itself. Call once, early in main, before any other thread starts.
void CatchTerminationSignals();

// The pipe's read end, readable once a signal came; -1 when not caught.
int TerminationSignalsFd();

// Empties the pipe after it became readable.
void DrainTerminationSignals();

}  // namespace platform
