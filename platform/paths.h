// Where the program lives and how paths are written on this system.
#pragma once

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

}  // namespace platform
