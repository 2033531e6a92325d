#include "styleedit/pattern_preview.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "accomp/bass_track.h"
#include "accomp/chord_walk.h"
#include "accomp/drum_track.h"
#include "accomp/harmony_track.h"
#include "compose/compose_track.h"
#include "compose/knowledge_base.h"
#include "compose/note_list.h"
#include "core/shell_services.h"
#include "core/style_edit_guard.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kCreateRhythmPattern = 27;

std::unique_ptr<MidiF0Data> g_song;
std::atomic<int> g_playing{0};
std::mutex g_handlerMutex;
std::function<void()> g_endHandler;

// Four chords of the code, each of the preview's length, owned by the list.
class PreviewChords {
public:
    explicit PreviewChords(const char* code) {
        HarmonyStructureEntry entry{};
        entry.lengthHigh = static_cast<std::uint8_t>(kPreviewChordTicks >> 8);
        entry.lengthLow = static_cast<std::uint8_t>(kPreviewChordTicks & 0xFF);
        entry.chord.Set(code);
        for (int i = 0; i < kPreviewChordCount; ++i) {
            owned_.push_back(std::make_unique<ChordRecord>(entry, "00"));
            list_.push_back(owned_.back().get());
        }
    }
    ChordList List() const { return list_; }

private:
    std::vector<std::unique_ptr<ChordRecord>> owned_;
    std::vector<ChordRecord*> list_;
};

std::unique_ptr<ComposeTrackData> NewTrack(int channel, int program, int tempo) {
    auto track = std::make_unique<ComposeTrackData>(note_mode::kLength, kPreviewTrackCapacity);
    // The drum kit program 0 means the channel keeps its kit.
    if (channel != kDrumChannel || program != 0) track->AddProgramChange(channel, program);
    track->AppendTempo(tempo);
    return track;
}

PreviewOutcome Play(const MidiTrackData& track) {
    return StartPreviewSong(track) ? PreviewOutcome::kPlaying : PreviewOutcome::kNotStarted;
}

}  // namespace

const MidiF0Data* PreviewSong() {
    return g_song.get();
}

bool PreviewPlaying() {
    return g_playing.load() != 0;
}

void SetPreviewEndHandler(std::function<void()> handler) {
    std::lock_guard lock(g_handlerMutex);
    g_endHandler = std::move(handler);
}

int StartPreviewSong(const MidiTrackData& track) {
    StopPreview();
    g_song = std::make_unique<MidiF0Data>(track, kPreviewDivision);
    g_song->RemoveLeadingEmptyMeasures();
    g_playing = 1;
    if (g_song->PlayCopy(OnPreviewEnd)) return 1;
    StopPreview();
    return 0;
}

void StopPreview() {
    g_playing = 0;
    // Deleting the song stops its copy's play and waits for the player.
    g_song.reset();
}

int OnPreviewEnd() {
    if (g_playing.exchange(0) == 0) return 0;
    std::function<void()> handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_endHandler;
    }
    if (handler) handler();
    return 0;
}

PreviewOutcome StartPatternPreview(int part) {
    if (g_song) return PreviewOutcome::kAlreadyOn;
    if (part != kPartBass && part != kPartHarmony && part != kPartSubHarmony && part != kPartDrum)
        return PreviewOutcome::kNoPreview;
    StyleEditGuard guard;
    MusicStyle style;
    GetWorkingStyle(style);
    const bool harmony = part == kPartHarmony || part == kPartSubHarmony;
    if (harmony && !LoadKnowledgeBase()) return PreviewOutcome::kNoPreview;
    const PreviewChords chords("CMPS");
    NoteList labels;
    std::unique_ptr<ComposeTrackData> track;
    if (part == kPartDrum) {
        labels.AppendLabel(kPreviewBarTicks, "xxxx");
        track = NewTrack(kDrumChannel, ChooseDrumKitProgram(), style.tempo);
        GenerateDrumPattern(kDrumChannel, labels, *track, style.density[kPartDrum]);
        return Play(*track);
    }
    track = NewTrack(part, ProgramForPart(style.voice[part], part), style.tempo);
    if (harmony) {
        const int type = part == kPartHarmony ? style.harmonyPattern : style.subHarmonyPattern;
        const NoteList melody;
        GenerateHarmonyPattern(part, *track, type, GetLeadInTicks(), style.density[part], melody,
                               chords.List(), labels);
    } else {
        GenerateBassPattern(part, *track, style.bassPattern, style.density[kPartBass], chords.List());
    }
    if (style.octave[part] != 0) track->Transpose(part, style.octave[part] * 12);
    if (part == kPartHarmony) {
        track->AppendEndOfTrackAt(0);
        if (track->CountNotesOfChannel(part) == 0) {
            ShowErrorMessage(kFewNotesError);
            return PreviewOutcome::kFewNotes;
        }
    }
    return Play(*track);
}

PreviewOutcome StartDrumSetPreview(int set) {
    StyleEditGuard guard;
    NoteList labels;
    const char label[4] = {'x', static_cast<char>(set), 'x', 'x'};
    labels.AppendLabel(kPreviewBarTicks, label);
    std::unique_ptr<ComposeTrackData> track;
    {
        // The bar plays the created values whatever "Rhythm Pattern" holds:
        // the generator reads the pattern from WorkingStyle, so it is set to
        // "Create" while the bar is made and given back after.
        std::lock_guard lock(StyleRecordMutex());
        const int pattern = WorkingStyle.rhythmPattern;
        WorkingStyle.rhythmPattern = kCreateRhythmPattern;
        track = NewTrack(kDrumChannel, ChooseDrumKitProgram(), WorkingStyle.tempo);
        GenerateDrumPattern(kDrumChannel, labels, *track, WorkingStyle.density[kPartDrum]);
        WorkingStyle.rhythmPattern = pattern;
    }
    return Play(*track);
}

void RollCreatedDrumSet(int set) {
    if (set < 0 || set >= kCreatedDrumRows) return;
    std::lock_guard lock(CreatedDrumPatternsMutex());
    for (int& value : CreatedDrumPatterns[set]) value = RandomInRange(1, 50);
}

int DrumBarWaitMilliseconds(int tempoMicroseconds) {
    const long long quarter = std::max(tempoMicroseconds, 1);
    return static_cast<int>(std::min<long long>(4 * quarter / 1000, 60000)) + 2000;
}
