// The ledger of the temporary files a run has on the disk. Every file the
// program writes under a temporary name (a file written as one step, a
// rendered tune's partial file, the WAV road's intermediate AIFF) is noted
// in a small file in the work folder while it exists, with its inode. A run
// killed on the way leaves its ledger behind; the next start removes every
// file that ledger still lists and that is still the same file, wherever it
// was written, and never a file the program did not make.
#pragma once

#include <string>

namespace platform {

// Removes what ledgers of runs that are no longer alive still list in
// folder, then keeps this run's ledger there. Until it is called (tests,
// tools) files are not noted. The files removed.
int OpenTempFileLedger(const std::string& folder);
// Removes the files this run's ledger still lists (an intermediate kept for
// the run) and the ledger itself.
void CloseTempFileLedger();

// Notes a file the program has just created under a temporary name.
void NoteTempFile(const std::string& path);
// The file is gone or has its final name.
void ForgetTempFile(const std::string& path);

}  // namespace platform
