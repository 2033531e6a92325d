// The tune analyzer: cuts a MIDI tune into cells of two quarter notes,
// recognises one chord per cell from the Melody, Bass and Harmony channels
// and writes the names back into the tune's first track as markers. It also
// reads the tune's tempo and key and finds its scale from the seven most
// frequent pitch classes.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compose/chord_structure.h"
#include "compose/tune_structure.h"
#include "core/reporters.h"
#include "style/music_style.h"

class MidiF0Data;
class MidiF1Data;

// Failures of the analyzer, tag "CDAL".
namespace cdal {
constexpr ErrorCode kMetaEvent = 0x30000001;
constexpr ErrorCode kChordEvent = 0x30000002;
}  // namespace cdal

void ChordAnalyzerError(ErrorCode code);

// Cells the analysis holds: 3600 quarter notes. A longer tune is analysed
// over its first cells.
constexpr int kMaxAnalysisCells = 1800;

// Called with the cells done, a multiple of 100; and at the two phases.
using AnalysisProgress = std::function<void(int cells)>;
using AnalysisPhase = std::function<void()>;

// What the analysis reads from the tune's first all-meta track.
struct TuneKeyInfo {
    int keyFlag = 0;  // 1 when the tune has a key signature
    int mode = 0;     // 1 major, 0 minor or no key
    int tempo = 0;    // quarter notes a minute; 0 when none was read
};

// The tempo and key signature of the first track whose events are all meta
// events. A tempo of 0 microseconds is passed over; a mode byte other than
// 0 or 1 is reported (0x30000001) and the mode stays as it was.
TuneKeyInfo ReadTuneKeyInfo(const MidiF1Data& song, TuneKeyInfo previous = {});

// The events of every track of the song in time order (at equal times an
// earlier track's first), still owned by the song: the merge the analysis
// walks, without copying the events.
std::vector<TimedEvent> MergeEventsForAnalysis(const MidiF1Data& song);
// The tune structure of the song's merged events.
void AnalyzeSongStructure(const MidiF1Data& song, TuneStructure& structure);
// The channel of the song's melody, -1 when it has none: the composer's
// melody part while the composer delivers its own tune, else the channel the
// channel-role analysis names the melody (the one the channel-role dialog
// marks).
int TuneMelodyChannel(const MidiF1Data& song);

// The analysis of the tune being edited; the same as AnalyzeChords.
int AnalyzeChordsForEdit(MidiF1Data& song, const AnalysisProgress& progress,
                         const AnalysisPhase& phase, int& cellLength,
                         std::vector<ChordNameEntry>* names = nullptr);
// Analyses the tune (notes with length) and writes one marker per cell into
// its first track. The number of cells; cellLength receives the cell length
// in ticks and names, when given, the raw names of the cells.
int AnalyzeChords(MidiF1Data& song, const AnalysisProgress& progress, const AnalysisPhase& phase,
                  int& cellLength, std::vector<ChordNameEntry>* names = nullptr);

// The cell analysis of a merged song: fills scale and tonic from the cell
// table and names each cell into names (at most kMaxAnalysisCells). The
// number of cells named; none for a tune without notes.
int AnalyzeMidiChords(const MidiF0Data& song, std::span<ChordNameEntry> names, int& tonic,
                      int mode, int keyFlag, ScaleString& scale, int division,
                      const TuneStructure& structure, const AnalysisProgress& progress,
                      const AnalysisPhase& phase, int& cellLength);
// The same over events in time order.
int AnalyzeMidiChords(std::span<const TimedEvent> events, std::span<ChordNameEntry> names,
                      int& tonic, int mode, int keyFlag, ScaleString& scale, int division,
                      const TuneStructure& structure, const AnalysisProgress& progress,
                      const AnalysisPhase& phase, int& cellLength);

// The scale and tonic of per-pitch-class note counts: '9' at the seven most
// frequent pitch classes (the lowest first on ties); the tonic the first.
void ScaleFromCounts(std::span<const long long, 12> counts, ScaleString& scale, int& tonic);

// Replaces every marker of the first track (but the loop points "START" and
// "STOP") by the n names, normalised, one every two quarter notes from 0.
void WriteChordMarkers(MidiF1Data& song, int n, std::span<const ChordNameEntry> names,
                       int division);

// The marker text of a name: "UnKnown" becomes "N/C"; otherwise the name
// without "sus4" and '6', up to its first '('.
std::string NormalizeChordMarkerText(std::string_view name);
void NormalizeChordMarkerText(ChordNameEntry& name);
