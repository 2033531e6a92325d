// Chord names back into pitches: ChordNameCtl parses a name as a chord
// marker holds it (root, third, fifth, seventh, bass as MIDI pitches), runs
// of equal names become one chord of a chord list, and the list is packed
// into the harmony-structure entries of a style.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compose/chord_structure.h"
#include "core/reporters.h"
#include "style/music_style.h"

// Failures of ChordNameCtl, tag "CNCL".
namespace cncl {
constexpr ErrorCode kUnexpectedText = 0x2D000001;
constexpr ErrorCode kInvalidThird = 0x2D000002;
}  // namespace cncl

class ChordNameCtl {
public:
    // Parses the name; every parse starts from no chord. 0 when the name was
    // read, else the code that was reported, the result then being no chord.
    ErrorCode Parse(std::string_view text);

    // No chord: root 0 and every pitch 0.
    bool IsNoChord() const { return root == 0; }

    static void ErrorMsg(ErrorCode code);

    std::string text;  // the name last parsed
    int position = 0;
    int root = 0;  // 59..72
    int bass = 0;
    int third = 0;
    int fifth = 0;
    int seventh = 0;

private:
    char At(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < text.size()
                   ? text[static_cast<std::size_t>(index)]
                   : '\0';
    }
    void Skip(int count);
};

// One entry of the chord list.
struct ParsedChord {
    std::uint8_t root = 0;
    std::int64_t length = 0;  // ticks
    std::uint8_t bass = 0;
    std::uint8_t third = 0;
    std::uint8_t fifth = 0;
    std::uint8_t seventh = 0;
};

struct ParsedChordList {
    static constexpr int kMaxChords = 900;
    std::vector<ParsedChord> chords;
};

// Parses count names (at most names.size()); each run of equal consecutive
// names becomes one chord of cellLength ticks per name, appended while the
// list has room.
void BuildChordList(ParsedChordList& list, int count, int cellLength,
                    std::span<const ChordNameEntry> names);

// The ChordCode of a parsed chord: "NoCd" for no chord, else the root
// letter, 'm' or 'M' for the third, 'P', and 'S', 's' or 'd' for a major,
// minor or no seventh.
ChordCode ParsedChordCode(const ParsedChord& chord);

// Writes one six-byte harmony-structure entry per chord, its length scaled
// to targetDivision / sourceDivision, and the two zero bytes of the end; a
// chord longer than an entry holds is split into entries of the same code,
// and a chord that scales to no ticks is left out. Only whole entries that
// fit before the two zero bytes are written. The bytes written before the
// zeros.
int PackChordList(const ParsedChordList& list, int targetDivision, int sourceDivision,
                  std::span<std::uint8_t> out);
