// The signals that ask the program to end (SIGTERM, SIGINT, SIGHUP) turned
// into a request the UI thread takes and answers with the normal quit, so a
// session's logout or a kill ends the program as its Power region does.
#pragma once

namespace platform {

// Installs the handlers and makes the wake-up pipe. A handler only asks for
// the quit (RequestQuit); nothing else is safe to do inside it. Installing
// twice keeps the first saved handlers.
void InstallQuitSignalHandlers();
// Puts back the handlers that were in place before the install, and forgets
// a quit asked for meanwhile.
void RestoreQuitSignalHandlers();

// Asks the program to quit as Power does. Safe in a signal handler and from
// any thread: it raises lock-free flags and writes one byte to the wake-up
// pipe, so an event loop watching QuitRequestFd() wakes up at once.
void RequestQuit();
// True once for each time a quit was asked since the last take (several
// asks before a take count as one); the flag is cleared.
bool TakeQuitRequest();
// True from the first ask on, whether or not it was taken: long work (a
// conversion, a tune being composed) stops at its next step.
bool QuitRequested();
// The read end of the wake-up pipe (non-blocking), or -1 before the install;
// a loop that watches it empties it with DrainQuitRequestFd.
int QuitRequestFd();
void DrainQuitRequestFd();

}  // namespace platform
