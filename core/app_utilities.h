// Small helpers the panel, the compose worker and the converters share:
// what each output type is (voice count, save-dialog filter, which handset
// family), names of MIDI files, bars of a metre and the selected handset.
// The extension of a type, the ringtone predicate and the Standard MIDI File
// readers sit with the shell services (core/shell_services.h).
#pragma once

#include <string>
#include <string_view>

// ---- Output types ----

// Voices a handset format plays at once: 16, 4, 32, 40 or 64; 0 for the
// Standard MIDI Files, melody mail, waves and every type without a count.
int OutputTypeVoiceCount(int outputType);

// 1 for the wave outputs 21 and 22.
int IsWaveOutputType(int outputType);
// 1 for the melody-mail texts 10 and 12.
int IsMelodyMailType(int outputType);
// 1 for the Standard MIDI Files 0, 1 and 2.
int IsSmfOutputType(int outputType);
// Handset families: 1 for the types their handsets play.
int IsDocomoTerminalType(int outputType);
int IsSoftbankTerminalType(int outputType);
int IsAuTerminalType(int outputType);

// The save dialog's "description|pattern|" filter of a type. Besides the
// output types, 26, 27 and 28 are the handset-menu kinds of the save dialog.
// A type without a filter leaves out unchanged.
void OutputTypeFileFilter(int outputType, std::string& out);

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
