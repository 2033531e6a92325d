// The signals that ask the program to end (SIGTERM, SIGINT, SIGHUP) turned
// into a request the UI thread takes and answers with the normal quit, so a
// session's logout or a kill ends the program as its Power region does.
#pragma once

namespace platform {

// Installs the handlers. A handler only raises a lock-free flag; nothing else
// is safe to do inside it. Installing twice keeps the first saved handlers.
void InstallQuitSignalHandlers();
// Puts back the handlers that were in place before the install.
void RestoreQuitSignalHandlers();

// True once for each time a quit signal arrived since the last take (several
// signals before a take count as one); the flag is cleared.
bool TakeQuitRequest();

}  // namespace platform
