#include "compose/chord_analyzer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "compose/compose_control.h"
#include "compose/part_effects.h"
#include "compose/tune_structure.h"
#include "midi/f0_data.h"
#include "midi/f1_data.h"
#include "midi/midi_event.h"
#include "midi/track_data.h"

namespace {

constexpr CodeText kErrorTable[] = {
    {cdal::kMetaEvent, "Error occured during analyzing meta event!"},
};
constexpr ClassReporter kReporter("CDAL", kErrorTable,
                                  "Error occured during analyzing chord event!");

constexpr int kScaleTones = 7;
constexpr int kProgressStep = 100;
constexpr long long kMicrosecondsPerMinute = 60000000;
constexpr int kDrumChannel = 9;

// The notes starting in each cell, by pitch class (the drum channel left
// out), for the scale of the tune.
struct CellTable {
    std::vector<std::array<std::int32_t, 12>> counts;
    bool anyNote = false;
};

void FillCellTable(std::span<const TimedEvent> events, int cellLength, CellTable& table) {
    table.counts.assign(kMaxAnalysisCells, {});
    for (const TimedEvent& timed : events) {
        const MidiEvent* e = timed.event;
        const long long time = timed.time;
        if (!e->IsNoteWithLength() || e->length <= 0) continue;
        table.anyNote = true;
        if (e->channel == kDrumChannel) continue;
        const long long cell = time / cellLength;
        // A note past the table (a late delta) counts nowhere.
        if (cell < 0 || cell >= kMaxAnalysisCells) continue;
        std::int32_t& slot = table.counts[static_cast<std::size_t>(cell)]
                                         [static_cast<std::size_t>(((e->note % 12) + 12) % 12)];
        if (slot < INT32_MAX) ++slot;
    }
}

}  // namespace

void ChordAnalyzerError(ErrorCode code) {
    kReporter.Show(code);
}

TuneKeyInfo ReadTuneKeyInfo(const MidiF1Data& song, TuneKeyInfo info) {
    for (int i = 0; i < song.TrackCount(); ++i) {
        const MidiF1TrackData* track = song.Track(i);
        if (!track || !track->IsMetaOnly()) continue;
        int microseconds = 0;
        if (track->GetTempo(&microseconds) && microseconds > 0)
            info.tempo = static_cast<int>(kMicrosecondsPerMinute / microseconds);
        std::uint8_t key[2] = {};
        if (track->FindKeySignature(key, 0)) {
            info.keyFlag = 1;
            if (key[1] == 0) {
                info.mode = 1;
            } else if (key[1] == 1) {
                info.mode = 0;
            } else {
                ChordAnalyzerError(cdal::kMetaEvent);
            }
        }
        break;
    }
    return info;
}

void ScaleFromCounts(std::span<const long long, 12> counts, ScaleString& scale, int& tonic) {
    std::memcpy(scale.text, "xxxx000000000000", 16);
    std::array<bool, 12> taken{};
    tonic = -1;
    for (int k = 0; k < kScaleTones; ++k) {
        int best = -1;
        for (int pc = 0; pc < 12; ++pc) {
            if (taken[static_cast<std::size_t>(pc)]) continue;
            if (best < 0 || counts[static_cast<std::size_t>(pc)] > counts[static_cast<std::size_t>(best)])
                best = pc;
        }
        taken[static_cast<std::size_t>(best)] = true;
        scale.text[4 + best] = '9';
        if (k == 0) tonic = best;
    }
}

int AnalyzeMidiChords(const MidiF0Data& song, std::span<ChordNameEntry> names, int& tonic,
                      int mode, int keyFlag, ScaleString& scale, int division,
                      const TuneStructure& structure, const AnalysisProgress& progress,
                      const AnalysisPhase& phase, int& cellLength) {
    std::vector<TimedEvent> events;
    if (const MidiTrackData* track = song.Track()) {
        long long time = 0;
        for (const MidiEvent* e : track->Events()) {
            time += e->delta;
            events.push_back({time, e});
        }
    }
    return AnalyzeMidiChords(events, names, tonic, mode, keyFlag, scale, division, structure,
                             progress, phase, cellLength);
}

int AnalyzeMidiChords(std::span<const TimedEvent> events, std::span<ChordNameEntry> names,
                      int& tonic, int mode, int keyFlag, ScaleString& scale, int division,
                      const TuneStructure& structure, const AnalysisProgress& progress,
                      const AnalysisPhase& phase, int& cellLength) {
    if (phase) phase();
    cellLength = division > 0 ? 2 * division : 0;
    if (cellLength <= 0) return 0;
    auto table = std::make_unique<CellTable>();
    FillCellTable(events, cellLength, *table);
    std::array<long long, 12> sums{};
    for (const auto& cell : table->counts)
        for (std::size_t pc = 0; pc < 12; ++pc)
            sums[pc] += cell[pc];
    ScaleFromCounts(sums, scale, tonic);
    const bool anyNote = table->anyNote;
    table.reset();
    if (phase) phase();
    if (!anyNote) return 0;

    const int limit = static_cast<int>(std::min<std::size_t>(names.size(), kMaxAnalysisCells));
    auto current = std::make_unique<ChordStructure>(mode, cellLength, keyFlag);
    auto next = std::make_unique<ChordStructure>(mode, cellLength, keyFlag);
    long long time = 0;
    long long cellStart = 0;
    int e = 0;
    for (const TimedEvent& timed : events) {
        time = timed.time;
        while (e < limit && time >= cellStart + cellLength) {
            current->RecogniseCell(e, names, scale);
            current->Shift(*next);
            ++e;
            cellStart += cellLength;
            if (progress && e % kProgressStep == 0) progress(e);
        }
        if (e >= limit) break;
        // Drum keys are no pitches: the drum channel names no chord, even
        // where the roles let it play harmony.
        if (timed.event->IsNoteWithLength() && timed.event->channel != kDrumChannel)
            current->AddNote(*timed.event, time, cellStart, *next, structure.role, cellLength);
    }
    // The last cell, partly filled.
    if (e < limit && time > cellStart) current->RecogniseCell(e++, names, scale);
    return e;
}

std::string NormalizeChordMarkerText(std::string_view name) {
    if (name == "UnKnown") return "N/C";
    std::string out;
    for (std::size_t i = 0; i < name.size() && name[i] != '(';) {
        if (name.substr(i, 4) == "sus4") {
            i += 4;
            continue;
        }
        if (name[i] != '6') out += name[i];
        ++i;
    }
    return out;
}

void NormalizeChordMarkerText(ChordNameEntry& name) {
    const std::string text = NormalizeChordMarkerText(ChordNameText(name));
    name.fill('\0');
    std::memcpy(name.data(), text.data(), std::min<std::size_t>(text.size(), kMaxChordNameLength));
}

void WriteChordMarkers(MidiF1Data& song, int n, std::span<const ChordNameEntry> names,
                       int division) {
    MidiF1TrackData* first = song.Track(0);
    if (!first) return;
    const int count = std::clamp(n, 0, static_cast<int>(names.size()));
    auto markers = std::make_unique<MidiTrackData>(note_mode::kLength, kMusicDataCapacity);
    for (int i = 0; i < count; ++i) {
        const std::string text = NormalizeChordMarkerText(ChordNameText(names[static_cast<std::size_t>(i)]));
        markers->AppendMarker(i == 0 ? 0 : 2 * division, text);
    }
    markers->AppendEndOfTrack();
    // The loop points the ringtone converters read stay.
    for (MidiEvent* e : first->Events()) {
        if (!e->IsMeta(meta_type::kMarker)) continue;
        const std::string_view text =
            e->DataText().substr(0, static_cast<std::size_t>(std::max(e->DataLength(), 0)));
        if (text != "START" && text != "STOP") e->Clear();
    }
    first->RemoveClearedEvents();
    first->MergeTrack(*markers);
}

std::vector<TimedEvent> MergeEventsForAnalysis(const MidiF1Data& song) {
    const int n = song.TrackCount();
    std::vector<std::span<MidiEvent* const>> lists;
    std::size_t total = 0;
    for (int k = 0; k < n; ++k) {
        const MidiF1TrackData* track = song.Track(k);
        lists.push_back(track ? track->Events() : std::span<MidiEvent* const>{});
        total += lists.back().size();
    }
    std::vector<std::size_t> next(lists.size(), 0);
    std::vector<long long> head(lists.size(), 0);
    for (std::size_t k = 0; k < lists.size(); ++k)
        if (!lists[k].empty()) head[k] = lists[k][0]->delta;
    std::vector<TimedEvent> merged;
    merged.reserve(total);
    while (merged.size() < total) {
        std::size_t best = lists.size();
        for (std::size_t k = 0; k < lists.size(); ++k)
            if (next[k] < lists[k].size() && (best == lists.size() || head[k] < head[best])) best = k;
        merged.push_back({head[best], lists[best][next[best]]});
        if (++next[best] < lists[best].size()) head[best] += lists[best][next[best]]->delta;
    }
    return merged;
}

void AnalyzeSongStructure(const MidiF1Data& song, TuneStructure& structure) {
    structure.AnalyzeMidiEvents(MergeEventsForAnalysis(song), song.division);
}

int TuneMelodyChannel(const MidiF1Data& song) {
    if (ComposingActive.load() == 1) return kPartKindMelody;
    TuneStructure structure;
    AnalyzeSongStructure(song, structure);
    const int channel = structure.FindChannelByRole(tune_role::kMelody);
    return channel < TuneStructure::kChannels ? channel : -1;
}

int AnalyzeChords(MidiF1Data& song, const AnalysisProgress& progress, const AnalysisPhase& phase,
                  int& cellLength, std::vector<ChordNameEntry>* names) {
    cellLength = song.division > 0 ? 2 * song.division : 0;
    if (song.noteMode != note_mode::kLength || song.TrackCount() == 0) {
        ChordAnalyzerError(cdal::kChordEvent);
        return 0;
    }
    const TuneKeyInfo key = ReadTuneKeyInfo(song);
    auto structure = std::make_unique<TuneStructure>();
    const std::vector<TimedEvent> merged = MergeEventsForAnalysis(song);
    structure->AnalyzeMidiEvents(merged, song.division);
    std::vector<ChordNameEntry> list(kMaxAnalysisCells);
    int tonic = 0;
    ScaleString scale{};
    const int n = AnalyzeMidiChords(merged, list, tonic, key.mode, key.keyFlag, scale,
                                    song.division, *structure, progress, phase, cellLength);
    WriteChordMarkers(song, n, list, song.division);
    if (names) names->assign(list.begin(), list.begin() + n);
    return n;
}

int AnalyzeChordsForEdit(MidiF1Data& song, const AnalysisProgress& progress,
                         const AnalysisPhase& phase, int& cellLength,
                         std::vector<ChordNameEntry>* names) {
    return AnalyzeChords(song, progress, phase, cellLength, names);
}
