// Where the program lives and how paths are written on this system.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

constexpr char kPathSeparator = '/';

// The folder of the running executable (no trailing separator). The build
// puts the shipped data files there.
std::string ProgramDirectory();
// Replaces the program folder, for tests; an empty text restores the real one.
void SetProgramDirectory(const std::string& folder);

// A full path starts at the root; anything else is relative to a folder.
bool IsFullPath(const std::string& name);

// folder + separator + name, without doubling a separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// The process's current folder, or empty when it cannot be read.
std::string CurrentDirectory();

// The system's folder for temporary files (TMPDIR, else /tmp), always with a
// trailing separator.
std::string TemporaryDirectory();

// Replaces the file's contents as one step: the bytes go to a temporary file
// in the same folder, are flushed to the disk, and that file is renamed over
// the old one. On any failure the old file is left as it was and the
// temporary file removed. True when the new contents are in place.
bool ReplaceFileContents(const std::string& path, const void* data, std::size_t length);

}  // namespace platform
