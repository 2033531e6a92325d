#include "compose/compose_tune.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "compose/chord_progression.h"
#include "compose/chord_record.h"
#include "compose/clash_removal.h"
#include "compose/compose_control.h"
#include "compose/compose_info.h"
#include "compose/compose_track.h"
#include "compose/composer_state.h"
#include "compose/knowledge_base.h"
#include "compose/length_fitting.h"
#include "compose/melody_stages.h"
#include "compose/note_list.h"
#include "compose/part_writer.h"
#include "compose/tune_header.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/f1_data.h"
#include "platform/quit_signals.h"
#include "style/style_table.h"

int LengthTolerance = 4;
int CompositionRetryLimit = 3;

namespace {

BackingGenerators Generators;

constexpr int kDivision = 96;
constexpr int kMergeMelodySetting = 10;  // melody "dissonance" that merges channels
constexpr int kSubHarmonyClashPattern = 13;
constexpr int kSoftVolume = 80;
constexpr int kConductorLead = 384;
constexpr int kConductorMethod = 8;
constexpr int kCustomChords = 8;

// A quit asked for (a signal) stops the tune as a stop does.
bool StopRequested() {
    return ComposeStopRequest.load() == 1 || platform::QuitRequested();
}

void Progress(ProgressCallback progress) {
    if (progress) progress();
}

// Clash removal or softening needs the tune as one song; the tracks are
// rebuilt from it by channel afterwards.
template <typename Pass>
void ThroughSong(std::unique_ptr<MidiF1Data>& tune, Pass pass) {
    MidiF0Data song(static_cast<int>(WorkBufferSize));
    tune->MergeTracksInto(song);
    pass(song);
    tune = std::make_unique<MidiF1Data>(std::move(song), static_cast<int>(WorkBufferSize));
}

// Replaces the text of every meta event of the type in the track.
void ReplaceMetaTexts(MidiTrackData& track, int type, const char* text) {
    int found = 0;
    for (int i = 0; i < track.EventCount(); ++i)
        found += track.Event(i) && track.Event(i)->IsMeta(type);
    if (found == 0) return;
    track.DeleteMetaEvents(type);
    track.InsertMetaTextFirst(type, text);
}

bool SoftensAgainst(int channel, int kind) {
    if (channel < 0 || channel >= kStylePartSlots) return false;
    if (WorkingStyle.voice[channel] == 256) return false;
    if (WorkingStyle.density[channel] > kSoftVolume) return false;
    return kind == 4 || kind == 10 || kind == 31;
}

bool Fits(int bars, int lower, int upper) {
    return bars + 2 >= lower && bars + 2 <= upper;
}

// Stops a composition: the run ends after this tune.
int Stopped() {
    ClearComposingFlag();
    return 0;
}

// Copies or converts "temp.mid" to where the tune is wanted. 1 when the
// result was written.
int DeliverTune(const std::string& temp) {
    if (PanelMode.load() == kPanelModeConvert)
        return CopyFileBytes(temp, ConversionOutputPath.Get());
    const std::string folder = FolderSetting(FolderKind::Output);
    const int type = TheComposerState.outputType;
    const OutputFormat& format = FormatOf(type);
    if (format.family == FormatFamily::Smf)
        return CopyFileBytes(temp, folder + OutputFileName.Get());
    std::string target = folder + OutputFileName.Get();
    StripExtension(target);
    target += std::string(".") + (format.extension ? format.extension : "");
    LastOutputPath.Set(target);
    std::string source = temp;
    return ConvertToOutputFormat(source, AppSettings.AdjustVoice, type) == 1 ? 1 : 0;
}

}  // namespace

void SetBackingGenerators(const BackingGenerators& generators) {
    Generators = generators;
}
const BackingGenerators& GetBackingGenerators() {
    return Generators;
}

int RenderComposedTune(std::uint8_t* buffer, std::size_t* length, const std::string& path,
                       SongCallback song, const char* trackName, const char* copyright,
                       ProgressCallback progress) {
    TrackList tracks;
    int count = 0;
    NoteList conductor;
    if (WorkingStyle.subMelodyMethod == kConductorMethod) {
        conductor.AppendNote(kConductorLead, 0);
        for (int i = 0; i < std::min<int>(ComposeInfo.chordCount, kMaxChords); ++i)
            if (ComposeInfo.chords[i]) conductor.AppendChord(ComposeInfo.chords[i]);
    }
    BuildHeaderTrack(tracks, count);
    Progress(progress);
    NoteList melodyCopy;
    melodyCopy.CopyFrom(ComposeInfo.melody);
    BuildMelodyTrack(ComposeInfo.melody, tracks, count);
    Progress(progress);
    if (Generators.secondMelody) Generators.secondMelody(count, tracks);
    Progress(progress);
    if (Generators.harmony) Generators.harmony(count, tracks, melodyCopy);
    Progress(progress);
    if (Generators.subHarmony) Generators.subHarmony(count, tracks, melodyCopy);
    Progress(progress);
    melodyCopy.Clear();
    BuildObbligatoTrack(conductor, tracks, count);
    Progress(progress);
    conductor.Clear();
    BuildSubMelodyTrack(tracks, count);
    Progress(progress);
    if (Generators.bass) Generators.bass(tracks, count);
    Progress(progress);
    if (Generators.drums) Generators.drums(tracks, count);
    Progress(progress);
    if (Generators.environment) Generators.environment(count, tracks);
    Progress(progress);

    std::vector<const MidiF1TrackData*> sources(tracks.begin(), tracks.end());
    auto tune = std::make_unique<MidiF1Data>(sources.data(), static_cast<int>(sources.size()),
                                             kDivision, static_cast<int>(WorkBufferSize));
    for (ComposeTrackData* t : tracks)
        delete t;
    tracks.clear();

    if (WorkingStyle.melody[kPartMelody].dissonance == kMergeMelodySetting) {
        const bool withSub = WorkingStyle.subHarmonyPattern == kSubHarmonyClashPattern;
        ThroughSong(tune, [withSub](MidiF0Data& s) {
            RemoveClashes(s, 1, 6);
            RemoveClashes(s, 1, 4);
            RemoveClashes(s, 6, 4);
            if (withSub) {
                RemoveClashes(s, 1, 7);
                RemoveClashes(s, 6, 7);
                RemoveClashes(s, 4, 7);
            }
        });
    }
    const int softChannels[2] = {3, 7};
    const int softKinds[2] = {WorkingStyle.harmonyPattern, WorkingStyle.subHarmonyPattern};
    for (int k = 0; k < 2; ++k) {
        const int channel = softChannels[k];
        if (!SoftensAgainst(channel, softKinds[k])) continue;
        ThroughSong(tune, [channel](MidiF0Data& s) {
            SoftenClashes(s, channel, 1);
            SoftenClashes(s, channel, 15);
        });
    }
    if (tune->FixInvalidNotes() == 1) ShowErrorMessage(kDataCheckError);
    if (song) song(*tune);
    if (MidiF1TrackData* first = tune->Track(0)) {
        if (trackName) ReplaceMetaTexts(*first, 3, trackName);
        if (copyright) ReplaceMetaTexts(*first, 2, copyright);
    }
    // A stop asked for while the parts were written leaves nothing behind.
    if (StopRequested()) return 0;

    for (int i = 0; i < tune->TrackCount(); ++i)
        tune->Track(i)->MoveSysExFirst();
    tune->MoveGmSystemOnFirst();
    tune->ConvertToNoteOnOff();
    if (!tune->WriteSmf()) return 0;
    if (tune->SaveFile(path) != 1) return 0;
    if (!buffer) return 1;
    const int size = tune->Length();
    if (size <= 0 || static_cast<std::size_t>(size) > WorkBufferSize) {
        MidiF1Data::ShowError(m1dt::kDataTooLarge);
        return 0;
    }
    std::memcpy(buffer, tune->Data(), static_cast<std::size_t>(size));
    std::size_t image = static_cast<std::size_t>(size);
    if (ConvertSmfBufferToFormat0(buffer, WorkBufferSize, &image) != 1 || image == 0 ||
        image > WorkBufferSize)
        return 0;
    if (length) *length = image;
    return 1;
}

int ComposeOneTune(std::uint8_t* buffer, std::size_t* length) {
    if (length) *length = 0;
    ShowComposingStatus();
    if (LoadKnowledgeBase() != 1) return 0;
    ComposeProgressText.Clear();

    MusicStyle& style = WorkingStyle;
    const int target = style.tuneLength;
    int upper = target + LengthTolerance / 2;
    int lower = std::max(target - LengthTolerance / 2, 5);
    const bool custom = style.chordGenerationMethod == kCustomChords;
    int retries = 0;
    for (int attempt = 0;; ++attempt) {
        if (StopRequested()) return Stopped();
        // Past the bound the composition in hand is taken whatever its length.
        const bool last = attempt + 1 >= kMaxCompositionAttempts;
        ComposeInfo.Reset();
        if (custom)
            LoadChordBufferFromStyle();
        else
            GenerateChordProgression();
        KeyChangeMark[0] = KeyChangeMark[1] = 0;
        const int bars = FitToTuneLength([](bool common) {
            if (StopRequested()) return false;
            if (common)
                AddProgressDotSlow();
            else
                AddProgressDot();
            return true;
        });
        if (bars < 0) return Stopped();
        if (style.timeSignature != kMetre44 && style.timeSignature != kMetre34) {
            upper += 10;
            lower = 5;
        }
        ComposeInfo.barCount = bars;
        const bool accepted = Fits(bars, lower, upper) || custom || style.chordsInBlock == 1 ||
                              style.blockLength == 4;
        if (!accepted && !last) continue;

        if (!ComposeMelodyBlocks(kPartMelody, ComposeInfo.blockMelodies))
            return StopRequested() ? Stopped() : 0;
        const bool second = style.melody[kPartMelody].voicing != 0;
        if (second && !ComposeSecondMelodyBlocks(kPartMelody)) return Stopped();
        const int lastPitch = JoinBlockNoteLists(1, ComposeInfo.blockMelodies, ComposeInfo.melody);
        NoteList ending;
        ComposeMelodyEnding(kPartMelody, ending, lastPitch);
        ComposeInfo.melody.AppendList(ending);
        if (second) {
            const int lastSecond =
                JoinBlockNoteLists(6, ComposeInfo.blockSecondMelodies, ComposeInfo.secondMelody);
            NoteList secondEnding;
            DeriveSecondMelodyEnding(ending, secondEnding, lastSecond, kPartMelody);
            ComposeInfo.secondMelody.AppendList(secondEnding);
        }
        if (Generators.blockLabels) Generators.blockLabels(ComposeInfo);
        ApplyKeyChanges(ComposeInfo.melody, true);

        if (last) break;
        if (retries++ <= CompositionRetryLimit && !custom) {
            if (StopRequested()) return Stopped();
            if (style.chordsInBlock == 0 && !Fits(bars, lower, upper)) continue;
        }
        break;
    }

    if (style.fixedBass == kFixedBassSetting) FixedBassPitch = kDefaultFixedBassPitch;
    const std::string temp = FolderSetting(FolderKind::Work) + "temp.mid";
    const int rendered =
        RenderComposedTune(buffer, length, temp, nullptr, nullptr, nullptr, nullptr);
    // A stop that came while "temp.mid" was being written takes the file back:
    // a stopped tune leaves no file of its own. Read once, so the file is
    // either delivered or removed.
    const bool stopped = StopRequested();
    if (stopped && rendered == 1) std::remove(temp.c_str());
    // A tune that was not delivered is not passed on as if it had been.
    if (stopped || rendered != 1 || DeliverTune(temp) != 1) {
        if (length) *length = 0;
        return stopped || StopRequested() ? Stopped() : 0;
    }
    ShowResultStatus();
    ShowSavedStyleStatus();
    return 1;
}
