// Building each tune of a style conversion from its material: the picked
// slot's file read again, its chords analysed, its melody and obbligato
// turned into note lists and its chords packed into the working style.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "compose/chord_name_ctl.h"
#include "compose/compose_control.h"
#include "compose/composer_state.h"
#include "compose/conversion_material.h"
#include "compose/melody_stages.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/f1_data.h"
#include "style/style_table.h"

namespace {

// Draws of a used slot after which the previous slot may come again.
constexpr int kRepeatAfterDraws = 10;
// Draws before the pick gives up on chance and takes the first used slot.
constexpr int kMaxDraws = 100000;

// Appends a stretch of one pitch, cut into bars: the first bar keeps the
// pitch, further whole bars are rests and the rest of the stretch keeps the
// pitch again.
void AppendStretch(NoteList& out, long long length, int pitch) {
    bool cut = false;
    while (length > kConvertedBarTicks) {
        out.AppendNote(kConvertedBarTicks, cut ? 0 : pitch);
        cut = true;
        length -= kConvertedBarTicks;
    }
    if (length > 0) out.AppendNote(static_cast<int>(length), pitch);
}

// Keeps the list's first ticks: later events go and the one across the end
// is shortened.
void CutNoteList(NoteList& list, long long ticks) {
    NoteList kept;
    long long at = 0;
    for (int i = 0; i < list.Count() && at < ticks; ++i) {
        const NoteEvent& e = *list.Event(i);
        NoteEvent* copy = kept.AppendCopy(e);
        if (!copy) break;
        if (at + e.length > ticks) copy->length = static_cast<int>(ticks - at);
        at += e.length;
    }
    list.CopyFrom(kept);
}

// The harmony structure's ticks up to its end mark.
long long PackedTicks(std::span<const std::uint8_t> packed, int bytes) {
    long long total = 0;
    for (int i = 0; i + 6 <= bytes; i += 6)
        total += packed[static_cast<std::size_t>(i)] * 256 + packed[static_cast<std::size_t>(i) + 1];
    return total;
}

// A notes-only copy of the track's notes that start inside [begin, end),
// moved to start at 0 and ending by end.
std::unique_ptr<MidiTrackData> NotesInRange(const MidiTrackData& track, long long begin,
                                            long long end) {
    auto out = std::make_unique<MidiTrackData>(note_mode::kLength, kMusicDataCapacity);
    long long time = 0, last = begin;
    for (const MidiEvent* e : track.Events()) {
        time += e->delta;
        if (!e->IsNoteWithLength() || e->length <= 0 || time < begin || time >= end) continue;
        const long long length = std::min<long long>(e->length, end - time);
        out->AddNote(e->channel, static_cast<int>(time - last), e->note, e->velocity,
                     static_cast<int>(length));
        last = time;
    }
    out->AppendEndOfTrackAt(static_cast<int>(std::max(0LL, end - last)));
    return out;
}

// The melody-like line of one channel: cut to the range, monophonic and
// quantised to sixteenths (and triplets in a triplet feel). The range is cut
// first: where a quarter does not split into whole sixteenths the grid points
// fall beside the bar lines, and a note on the range's first bar line would
// otherwise round to before it and be lost.
std::unique_ptr<MidiTrackData> ShapeLine(const MidiTrackData& track, int division,
                                         const MaterialRange& range, bool triplet) {
    const long long begin = range.startBar * 4LL * division;
    const long long length = range.barCount * 4LL * division;
    std::unique_ptr<MidiTrackData> line = NotesInRange(track, begin, begin + length);
    line->MakeMonophonic(kNoChannel);
    // Below four ticks a quarter there is no sixteenth to round to.
    if (division >= 4) {
        line->Quantize(4, division, 0, 0);
        if (triplet) {
            line->ConvertToNoteOnOff();
            line->QuantizeTriplet(division);
            line->ConvertToNoteLength();
        }
        line->MakeMonophonic(kNoChannel);
    }
    return NotesInRange(*line, 0, length);
}

// The chord names of the range, two cells a bar; cells past the analysed
// ones have no chord.
std::vector<ChordNameEntry> RangeNames(std::span<const ChordNameEntry> names, int nameCount,
                                       const MaterialRange& range) {
    const int count = std::clamp(2 * range.barCount, 0, ParsedChordList::kMaxChords);
    std::vector<ChordNameEntry> out(static_cast<std::size_t>(count), ChordNameEntry{});
    const int known = std::min<int>(nameCount, static_cast<int>(names.size()));
    for (int i = 0; i < count; ++i) {
        const long long at = 2LL * range.startBar + i;
        if (at >= 0 && at < known) out[static_cast<std::size_t>(i)] = names[static_cast<std::size_t>(at)];
    }
    return out;
}

}  // namespace

void TrackToNoteList(const MidiTrackData& track, int division, NoteList& out) {
    out.Clear();
    if (division <= 0) return;
    const auto scaled = [division](long long t) { return t * 96 / division; };
    bool lengthShown = false, octaveShown = false;
    long long time = 0, mark = 0, noteEnd = 0;
    int pitch = 0;
    for (const MidiEvent* e : track.Events()) {
        time += e->delta;
        if (!e->IsNoteWithLength()) continue;
        // The rest after a note that ends before this one starts.
        if (pitch != 0 && noteEnd < time && noteEnd > mark) {
            AppendStretch(out, scaled(noteEnd) - scaled(mark), pitch);
            mark = noteEnd;
            pitch = 0;
        }
        AppendStretch(out, scaled(time) - scaled(mark), pitch);
        mark = time;
        int next = e->note;
        if (next < 0 || next > 127) {
            if (!std::exchange(lengthShown, true)) ShowErrorMessage(kConversionNoteLength);
            next = 0;
        } else if (next > 0 && next < 12) {
            if (!std::exchange(octaveShown, true)) ShowErrorMessage(kConversionNoteOctave);
            next = 0;
        }
        pitch = next;
        noteEnd = time + std::max(0, e->length);
    }
    if (pitch != 0 && noteEnd > mark) {
        AppendStretch(out, scaled(noteEnd) - scaled(mark), pitch);
        mark = noteEnd;
    }
    if (time > mark) AppendStretch(out, scaled(time) - scaled(mark), 0);
}

void BuildConversionMaterial(const MidiF0Data& song, std::span<const ChordNameEntry> names,
                             int nameCount, int cellLength) {
    ConvertedMelodyNotes.Clear();
    ConvertedObbligatoNotes.Clear();
    UseConvertedObbligato = 0;
    if (!CurrentTuneStructure || !song.Track() || !IsPlayableDivision(song.division)) return;
    const int division = song.division;
    const MaterialRange range = ConversionMaterial.range;
    MidiF1Data split(song);
    split.MergeByChannel();
    std::array<int, 16> roles{};
    for (int c = 0; c < 16; ++c)
        roles[static_cast<std::size_t>(c)] = CurrentTuneStructure->role[static_cast<std::size_t>(c)];
    // Every obbligato channel joins the first one.
    int firstObbligato = -1;
    for (int c = 0; c < 16; ++c) {
        if (roles[static_cast<std::size_t>(c)] != tune_role::kObbligato || !split.Track(c)) continue;
        if (firstObbligato < 0) {
            firstObbligato = c;
            continue;
        }
        split.Track(firstObbligato)->MergeTrack(*split.Track(c));
        split.Track(c)->DeleteAllEvents();
        roles[static_cast<std::size_t>(c)] = tune_role::kUndefined;
    }
    bool triplet;
    {
        std::lock_guard lock(StyleRecordMutex());
        triplet = WorkingStyle.basicBeat == 3;
    }
    bool melodyDone = false, obbligatoDone = false;
    for (int c = 0; c < 16; ++c) {
        const int role = roles[static_cast<std::size_t>(c)];
        const MidiTrackData* track = split.Track(c);
        if (c == TuneStructure::kDrumChannel || !track || track->CountNotes() == 0) continue;
        const bool melody = role == tune_role::kMelody && !melodyDone;
        const bool obbligato = role == tune_role::kObbligato && !obbligatoDone;
        if (!melody && !obbligato) continue;
        std::unique_ptr<MidiTrackData> line = ShapeLine(*track, division, range, triplet);
        TrackToNoteList(*line, division, melody ? ConvertedMelodyNotes : ConvertedObbligatoNotes);
        (melody ? melodyDone : obbligatoDone) = true;
    }
    UseConvertedObbligato = obbligatoDone ? 1 : 0;

    const std::vector<ChordNameEntry> cells = RangeNames(names, nameCount, range);
    ParsedChordList list;
    BuildChordList(list, static_cast<int>(cells.size()), cellLength, cells);
    long long chordTicks = 0;
    {
        std::lock_guard lock(StyleRecordMutex());
        std::span<std::uint8_t> packed(WorkingStyle.harmonyStructure);
        const int bytes = PackChordList(list, 96, division, packed);
        chordTicks = PackedTicks(packed, bytes);
    }
    // The parts end together where the packed chords end.
    CutNoteList(ConvertedMelodyNotes, chordTicks);
    CutNoteList(ConvertedObbligatoNotes, chordTicks);
}

int PrepareConversionTune() {
    std::vector<std::uint8_t> buffer;
    try {
        buffer.resize(WorkBufferSize);
    } catch (const std::bad_alloc&) {
        ShowErrorMessage(kConversionMemoryError);
        return 0;
    }
    std::string path = ConversionMaterial.inputPath;
    std::size_t size = 0;
    if (path.empty() || !ReadMidiFile(path, buffer.data(), buffer.size(), &size)) return 0;
    std::unique_ptr<MidiF0Data> song;
    if (!ParseMidiMaterial(song, std::span<const std::uint8_t>(buffer.data(), size))) return 0;
    if (!CurrentTuneStructure) return 0;
    std::vector<ChordNameEntry> names(kMaxAnalysisCells, ChordNameEntry{});
    int tonic = 0, cellLength = 0;
    ScaleString scale{};
    const TuneKeyInfo key = ConversionMaterial.key;
    const int n = AnalyzeMidiChords(
        *song, names, tonic, key.mode, key.keyFlag, scale, song->division, *CurrentTuneStructure,
        [](int) { AdvanceProgressText(); }, [] { ResetProgressText(); }, cellLength);
    BuildConversionMaterial(*song, names, n, cellLength);
    return 1;
}

bool PickConversionInput() {
    if (!CurrentTuneStructure) return false;
    int firstUsed = -1;
    for (int i = 0; i < kConversionInputSlotCount && firstUsed < 0; ++i) {
        if (ConversionInputSlots[i].Path[0] != '\0') firstUsed = i;
    }
    if (firstUsed < 0) return false;
    int pick = firstUsed;
    int counted = 0;
    for (int draws = 0; draws < kMaxDraws; ++draws) {
        const int d = RandomInRange(0, kConversionInputSlotCount - 1);
        if (ConversionInputSlots[d].Path[0] == '\0') continue;
        ++counted;
        if (d == ConversionMaterial.lastSlot && counted < kRepeatAfterDraws) continue;
        pick = d;
        break;
    }
    ConversionMaterial.lastSlot = pick;
    const ConversionInputSlot& slot = ConversionInputSlots[pick];
    ConversionMaterial.inputPath.assign(slot.Path, strnlen(slot.Path, sizeof slot.Path));
    for (int c = 0; c < 18; ++c) {
        CurrentTuneStructure->role[static_cast<std::size_t>(c)] = slot.ChannelRoles[c];
        CurrentTuneStructure->used[static_cast<std::size_t>(c)] = slot.ChannelUsed[c];
    }
    ConversionMaterial.range = {slot.Extra[0], slot.Extra[1]};
    return PrepareConversionTune() == 1;
}

bool ComposeSteps::PickConversionInput() {
    return ::PickConversionInput();
}

int ComposeInMidiStyle(const std::string& path, int outputType) {
    if (ComposeWorkerRunning()) return 0;
    TheComposerState.outputType = outputType;
    if (CurrentTuneStructure) ShowErrorMessage(kTuneStructureHeld);
    // The structure still held is freed as the new one takes its place.
    CurrentTuneStructure = std::make_unique<TuneStructure>();
    ConversionMaterial.lastSlot = -1;
    int result = 0;
    if (PanelMode.load() == kPanelModeConvert) {
        ConversionRunning = 1;
        result = SelectConversionMaterial(path);
        std::shared_ptr<ShellServices> shell = GetShellServices();
        shell->RedrawPanel();
        if (result == 1) {
            TuneCount = 1;
            ComposingActive = 1;
            result = ComposeThread();
        }
        ConversionRunning = 0;
        shell->RedrawPanel();
    }
    CurrentTuneStructure.reset();
    return result;
}
