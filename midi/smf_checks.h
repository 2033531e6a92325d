// Checks and rewrites of Standard MIDI File images the shell applies before
// a file is converted or analysed. ConvertSmfBufferToFormat0 is declared with
// the shell services (core/shell_services.h) and defined here.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "midi/music_data.h"

// Division of the last song CheckSmfDivision accepted (0 before any).
extern std::atomic<int> CheckedSmfDivision;

// 1 when the song's division is a tick count of 1..0x7FFF (kept in
// CheckedSmfDivision); otherwise "This Format is not supported!" (0xFF010103)
// and 0.
int CheckSmfDivision(const MidiData& song);

// What makes a user's MIDI file unreadable, found before any reader sees it,
// so that a damaged file is refused with one message instead of being read
// as far as it goes.
enum class SmfProblem {
    kNone,
    kTooLarge,        // more bytes than the reader can hold
    kMissingTrack,    // the file ends before an announced track
    kUnknownChunk,    // a track that is no "MTrk" (nor "XFKM", "XFIH")
    kChunkPastEnd,    // a track's length runs past the end of the file
    kCutEvent,        // an event cut off at the end of its track
    kMetaPastTrack,   // a meta event's length runs past its track
    kSysExPastTrack,  // a system exclusive's length runs past its track
    kUndefinedEvent,  // a byte that is no event where one must start
};

struct SmfDamage {
    SmfProblem problem = SmfProblem::kNone;
    int track = 0;  // 1-based; 0 when the problem is not in a track
};

// The first problem of the image, walking every announced track chunk and
// every event in it the way the track reader does (running status carried
// from chunk to chunk). A header the readers refuse is left to them, as
// they name it in their own words. Shows nothing.
SmfDamage FindSmfDamage(std::span<const std::uint8_t> image);

// What is wrong, in words, for the message that names the file.
std::string DescribeSmfDamage(const SmfDamage& damage, std::uintmax_t size, std::uintmax_t maxSize);

// 1 when the user's MIDI file at path can be read whole (or cannot be opened
// at all, which its reader reports); otherwise one box names the file and
// what is wrong with it, and 0.
int CheckMidiInputFile(const std::string& path, std::uintmax_t maxSize);
