// Chord recognition of one analysis cell: the sounding time of the Melody,
// Bass, Harmony and Obbligato notes in the cell, gathered by pitch class, turned into a
// chord (root, third, fifth, seventh and tensions) and its name, such as
// "Am7", "C7(9,13)", "FonG" or "UnKnown".
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "core/reporters.h"
#include "style/music_style.h"

class MidiEvent;

// Failures of ChordStructure, tag "CDST".
namespace cdst {
constexpr ErrorCode kCalculation = 0x31000001;
}  // namespace cdst

// One entry of the chord-name list: a zero-terminated name.
constexpr int kChordNameSize = 18;
using ChordNameEntry = std::array<char, kChordNameSize>;
// Characters a name holds at most (the entry less its terminator).
constexpr int kMaxChordNameLength = kChordNameSize - 1;

// The name text of an entry, up to its terminator.
std::string ChordNameText(const ChordNameEntry& entry);

// A chord found by the recognition, by intervals over the root pitch class;
// -1 where it is not set.
struct RecognisedChord {
    int root = -1;
    int bass = -1;
    int third = -1;       // 3 minor, 4 major, 5 sus4
    int fifth = -1;       // 6 or 7
    int seventh = -1;     // 9 sixth, 10 minor seventh, 11 major seventh, 0 none
    int ninth = -1;       // 1 b9, 2 9, 3 #9
    int eleventh = -1;    // 5 11, 6 #11
    int thirteenth = -1;  // 8 b13, 9 13
};

// The name of a recognised chord, at most kMaxChordNameLength characters:
// tensions that would not fit are left out and the bracket is closed.
std::string NameRecognisedChord(const RecognisedChord& chord);

// Whether the tension at the interval (1 b9, 2 9, 3 #9, 5 11, 6 #11, 8 b13,
// 9 13) is accepted over the root pitch class in the mode (1 major, else
// minor).
bool TensionAccepted(int mode, int root, int interval);

class ChordStructure {
public:
    using Weights = std::array<std::uint32_t, 12>;

    ChordStructure(int mode, int cellLength, int namedFlag);

    // Zeroes the weight tables and forgets the lowest Harmony note.
    void Clear();
    // Takes over the weights and the lowest Harmony note of next (which are
    // cleared there) and forgets the first and last melody and the first
    // bass pitch classes.
    void Shift(ChordStructure& next);
    // Adds the part of a note (starting at noteStart) that sounds inside the
    // cell from cellStart to the table of its channel's role (1 Bass,
    // 2 Harmony, 3 Melody, 5 Obbligato); what sounds in the following cell
    // goes to next. A Harmony note also counts towards the lowest Harmony
    // note of the cells it sounds in; a Melody or Obbligato note towards
    // the steps and leaps of its line struck in the cell. roles is the
    // structure's role row (256 entries).
    void AddNote(const MidiEvent& note, long long noteStart, long long cellStart,
                 ChordStructure& next, std::span<const std::int32_t> roles, int cellLength);
    // The weights of one note part, by role, as AddNote adds them.
    void AddWeight(int role, int pitchClass, std::uint32_t ticks);

    // Recognises the chord and writes its name into names[index]; 1 when
    // the name repeats the entry before it, 0 when it is new, -1 when index
    // lies outside the list (reported).
    int RecogniseCell(int index, std::span<ChordNameEntry> names, const ScaleString& scale);
    // The chord the last recognition found.
    const RecognisedChord& LastChord() const { return last_; }

    // The recognitions on their own, for the current weights.
    RecognisedChord RecogniseMelodyOnly(const ScaleString& scale) const;
    RecognisedChord RecogniseWeighted() const;
    // The weights the chord is recognised from: the Harmony, and a Melody
    // or Obbligato that breaks a chord in the cell.
    Weights ChordWeights() const;
    // Whether the Melody struck in the cell is a broken chord: at least
    // three notes that leap at least as often as they step. Its notes,
    // sounding to the cell's end or not, are then the cell's chord as much
    // as a struck Harmony is.
    bool MelodyIsBrokenChord() const { return melodyMoves_.IsBrokenChord(); }
    // The same for the Obbligato: an accompaniment that breaks the chord in
    // short notes is taken for a line by the roles, yet strikes the chord.
    bool ObbligatoIsBrokenChord() const { return obbligatoMoves_.IsBrokenChord(); }

    const Weights& MelodyWeights() const { return melody_; }
    const Weights& BassWeights() const { return bass_; }
    const Weights& HarmonyWeights() const { return harmony_; }
    const Weights& ObbligatoWeights() const { return obbligato_; }
    int FirstBass() const { return firstBass_; }
    int FirstMelody() const { return firstMelody_; }
    int LastMelody() const { return lastMelody_; }

    static void ErrorMsg(ErrorCode code);

private:
    // The notes a line strikes in the cell, the last one's pitch and how
    // the line moved between them.
    struct LineMoves {
        int struck = 0;
        int lastPitch = -1;
        int steps = 0;
        int leaps = 0;
        // Counts a note struck in the cell and its move from the last.
        void Count(int pitch);
        bool IsBrokenChord() const;
    };

    Weights melody_{};
    Weights bass_{};
    Weights harmony_{};
    Weights obbligato_{};
    int firstMelody_ = -1;
    int lastMelody_ = -1;
    int firstBass_ = -1;
    // The lowest Harmony note sounding in the cell, -1 when none.
    int lowestHarmony_ = -1;
    LineMoves melodyMoves_;
    LineMoves obbligatoMoves_;
    int namedFlag_ = 0;
    int mode_ = 0;
    int cellLength_ = 0;
    RecognisedChord last_{};
};
