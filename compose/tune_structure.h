// TuneStructure: the per-channel analysis of an existing tune. For each MIDI
// channel it gathers note statistics (how many notes, how polyphonic, how
// high, how long, how stepwise) from a MIDI song or a ringtone model, and
// from them gives every channel a role: Melody, Obbligato, Harmony, Bass or
// Drums.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/reporters.h"

class MidiEvent;
class MidiF0Data;
class MobileDataView;

// One event of a tune with its absolute time, as the analyses walk a song
// merged from several tracks without copying its events.
struct TimedEvent {
    long long time;
    const MidiEvent* event;
};

// Failures of TuneStructure, tag "TNST".
namespace tnst {
constexpr ErrorCode kCannotSwapDrum = 0x32000001;
constexpr ErrorCode kChannelOperation = 0x32000002;
}  // namespace tnst

namespace tune_role {
constexpr int kUndefined = 0;
constexpr int kBass = 1;
constexpr int kHarmony = 2;
constexpr int kMelody = 3;
constexpr int kDrums = 4;
constexpr int kObbligato = 5;
}  // namespace tune_role

// The General MIDI program lists that steer the roles.
bool IsChordalProgram(int program);
bool IsMelodicProgram(int program);
bool IsBassProgram(int program);

class TuneStructure {
public:
    static constexpr int kRowSize = 256;
    static constexpr int kChannels = 16;
    static constexpr int kDrumChannel = 9;
    static constexpr int kMaxMelodies = 3;
    // The ringtone model's ticks per quarter note unless told otherwise.
    static constexpr int kModelDivision = 96;
    using Row = std::array<std::int32_t, kRowSize>;

    TuneStructure();

    // Statistics of the song's track (notes with length, division ticks per
    // quarter note), then the role passes.
    void AnalyzeMidiData(const MidiF0Data& song, int division);
    // The same over events in time order; the bar count comes from the
    // latest event or note end.
    void AnalyzeMidiEvents(std::span<const TimedEvent> events, int division);
    // The same over the slots of a ringtone model; a slot's number is its
    // channel.
    void AnalyzeMobileData(const MobileDataView& model, int division = kModelDivision);

    // The lowest channel 0..15 with the role; 16 when none has it.
    int FindChannelByRole(int role) const;
    // Exchanges two channels in the song and in every row of the structure.
    // The drum channel cannot be swapped (0x32000001); a channel outside
    // 0..15 gives 0x32000002; either way nothing changes.
    void SwapChannels(MidiF0Data& song, int a, int b);
    // Deletes the channel's events from the song and clears its rows; a
    // channel outside 0..15 gives 0x32000002 and changes nothing.
    void ClearChannel(MidiF0Data& song, int channel);

    static void ErrorMsg(ErrorCode code);

    // One note of a channel as the statistics read it.
    struct ChannelNote {
        long long start;
        int pitch;
        int length;
    };

    std::int32_t barCount = 0;
    std::int32_t melodyCount = 0;
    std::int32_t bassCount = 0;
    std::int32_t harmonyCount = 0;
    Row program{};
    Row chordNotes{};
    Row singleNotes{};
    Row reserved{};
    Row lowNotes{};
    Row highNotes{};
    Row veryShortNotes{};
    Row longNotes{};
    Row shortNotes{};
    Row leaps{};
    Row steps{};
    Row used{};
    Row role{};
    std::array<std::int32_t, kMaxMelodies> melodyList{};
    std::int32_t usedChannelCount = 0;

private:
    void ClearStatistics();
    // The statistics of one channel's notes, in their order.
    void GatherChannel(int channel, std::span<const ChannelNote> notes, int division);
    void CountUsedChannels();
    // Every row a channel operation moves or clears, role and used flag
    // included.
    std::array<Row*, 13> ChannelRows();

    void RunRolePasses();
    void AssignFirstRoles();
    void OfferMelodyCandidate(int i);
    bool QualifiesAsHarmony(int i) const;
    void SearchBass();
    void FindMelodyFromTotals();
    void AssignHarmonyByChordRatio();
    void ChooseOneMelody();
    void FillHarmony();
    void MakeEverythingHarmony();
    void FallBackMelody();
};
