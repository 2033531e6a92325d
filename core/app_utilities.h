// Small helpers the panel, the compose worker and the converters share:
// names of MIDI files, bars of a metre and the selected handset. What each
// output type is sits in core/output_formats.h; the Standard MIDI File
// readers sit with the shell services (core/shell_services.h).
#pragma once

#include <string>
#include <string_view>

// ---- File names ----

// The part of a path after its last '/'; the whole path when it has none.
std::string FileNameOfPath(std::string_view path);
// 1 when a name ends in ".mid" in any letter case; names too short to hold
// more than the extension ("mid", ".mi") are refused.
int IsMidiFileName(std::string_view name);
// Asks for a ".mid" file through the file chooser into path; 0 when the
// chooser is cancelled (its error, if any, reported).
int ChooseMidiFile(std::string& path);

// ---- Metre ----

// Eighth notes in a bar of a metre code: 6 for 1 (3/4), 7 for 2 (7/8),
// else 8 (4/4).
int EighthsPerBar(int timeSignatureCode);

// ---- Selected handset ----

// Looks up the terminal id of a row of the terminal table.
using TerminalIdLookup = int (*)(int terminalIndex);
// Installs the terminal table's lookup; nullptr restores the default, which
// knows no table and answers 0 for every row.
void SetTerminalIdLookup(TerminalIdLookup lookup);
// The terminal id of the handset row the settings select (TerminalIndex).
int GetSelectedTerminalId();
