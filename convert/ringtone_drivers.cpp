#include "convert/ringtone_drivers.h"

#include <memory>
#include <vector>

#include "convert/conversion_dialogs.h"
#include "convert/mobile_data.h"
#include "convert/multi_mobile_track_data.h"
#include "convert/ringtone/ma1_data.h"
#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/mfm_data.h"
#include "convert/ringtone/multi_mfi_data.h"
#include "convert/ringtone/smaf_data.h"
#include "core/app_utilities.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "midi/file_loader.h"
#include "midi/midi_event.h"

const char* const kRingtoneTooLarge = "File size is too large for cell phone!";

namespace {

// A song without a tempo of its own plays at the Standard MIDI File's
// default, 120 beats a minute.
constexpr int kInitialTempo = kDefaultTempo;
constexpr int kFirstSlotsEnabled = 16;
constexpr int kDefaultVolume = 100;
constexpr int kDrumSlotNumber = 9;

MelodyChannelFinder TheMelodyChannelFinder = nullptr;

// How one driver cleans the song before the model is built.
struct SongPreparation {
    bool foldFineTune;        // fine tune folded into pitch bends
    bool trimDrumOverlaps;    // drum overlaps trimmed, one track name kept
    bool simplifyDrums;       // drum notes simplified when "Pack Drum" is on
    bool removeLeadTempos;    // tempos before the first notes removed
    int division;             // ticks per quarter
    int lengthPercent;        // note lengths scaled
    bool foldExpression;      // expression folded into volume
};

enum class Driver { Mfi, MultiMfi, Ma1, Smaf, SmafMa3, Mfm, Count };

// One row per driver, in the order of Driver.
constexpr SongPreparation kPreparations[static_cast<int>(Driver::Count)] = {
    {false, true, true, true, 96, 80, false},     // MFi
    {false, true, false, true, 96, 80, false},    // multi-track MFi (see PrepareMultiTrackSong)
    {false, false, false, false, 96, 80, false},  // MA-1
    {false, false, true, false, 96, 80, false},   // SMAF
    {true, true, false, true, 96, 80, false},     // SMAF MA-3
    {false, true, false, true, 48, 80, true},     // MFM
};

const SongPreparation& PreparationOf(Driver driver) {
    return kPreparations[static_cast<int>(driver)];
}

// The warning of a large input waits for the result: a ringtone over the
// size limit says so itself, and one fact gets one box. It is shown when the
// driver ends without that message.
class InputSizeNotice {
public:
    InputSizeNotice() = default;
    InputSizeNotice(const InputSizeNotice&) = delete;
    InputSizeNotice& operator=(const InputSizeNotice&) = delete;
    ~InputSizeNotice() {
        if (due_) ShowErrorMessage(driver_code::kFileTooBig);
    }
    void Expect(bool due) { due_ = due; }
    // The result's own size message was shown.
    void Told() { due_ = false; }

private:
    bool due_ = false;
};

// Loads the song and notes a large input; false when nothing loaded.
bool LoadSong(MidiFileLoader& loader, const std::string& path, InputSizeNotice& notice) {
    loader.Load(path);
    if (!loader.Tune1() || loader.FileLength() <= 0) return false;
    notice.Expect(loader.FileLength() > kDriverInputWarnBytes);
    return true;
}

// The start and stop markers, the lead-in without them, and the tempo.
void ApplyMarkers(MidiF0Data& song) {
    const bool loop = AppSettings.UseLoopMarker == 1;
    if (!song.ApplyStartMarker()) {
        if (loop) ShowErrorMessage(driver_code::kNoLoopMarker);
        song.RemoveLeadingEmptyMeasures();
    }
    if (!song.ApplyStopMarker() && loop) ShowErrorMessage(driver_code::kNoLoopMarker);
    song.EnsureInitialTempo(kInitialTempo);
}

// Runs the preparation on the loaded song; the loader then holds it as a
// format-1 song. false when a step found no song.
bool PrepareSong(MidiFileLoader& loader, const SongPreparation& p) {
    MidiF1Data* tracks = loader.Tune1();
    if (!tracks) return false;
    if (p.foldFineTune) tracks->FoldFineTuneIntoPitchBend();
    if (p.trimDrumOverlaps) {
        tracks->TrimDrumNoteOverlaps();
        tracks->KeepSingleTrackName();
    }
    if (!loader.ToFormat0() || !loader.Tune0()) return false;
    MidiF0Data& song = *loader.Tune0();
    song.ApplySustainPedal();
    if (p.simplifyDrums && AppSettings.PackDrum == 1) song.SimplifyDrumNotes();
    if (p.removeLeadTempos) song.RemoveLeadingTempos();
    song.SetResolution(p.division);
    ApplyMarkers(song);
    if (!loader.ConvertToFormat1() || !loader.Tune1()) return false;
    MidiF1Data& result = *loader.Tune1();
    result.ScaleNoteLengths(p.lengthPercent);
    result.LimitDrumRange(1);
    if (p.foldExpression) result.FoldExpressionIntoVolume();
    return true;
}

void EnableFirstSlots(MobileData& model) {
    for (int i = 0; i < model.Count(); ++i) model.Slot(i)->enabled = i < kFirstSlotsEnabled ? 1 : 0;
}

// A control with delta 0 just before the slot's first note (at the start
// when it has none), unless the slot has one of the subtype.
void InsertMissingControl(MobileChanelData& slot, int subtype, int value) {
    if (slot.GetControlValue(subtype) >= 0) return;
    const int first = slot.FindFirstNote();
    slot.InsertControl(first < 0 ? 0 : first, 0, subtype, value);
}

void InsertDefaultControls(MobileData& model, bool programInDrumSlot) {
    for (int i = 0; i < model.Count(); ++i) {
        MobileChanelData& slot = *model.Slot(i);
        if (programInDrumSlot || slot.number != kDrumSlotNumber)
            InsertMissingControl(slot, mobile_code::kProgram, 0);
        InsertMissingControl(slot, mobile_code::kVolume, kDefaultVolume);
    }
}

long long WholeSongEnd(const MobileData& model) {
    return static_cast<long long>(model.GetLengthInMeasures()) * model.GetMeasureTicks();
}

// The answer of the installed channel dialog; the panel is redrawn after it.
ChannelRange AskChannels(const ChannelChoice& choice) {
    ChannelRange range = GetConversionDialogs()->ChooseChannels(choice);
    GetShellServices()->RedrawPanel();
    GetShellServices()->SetWaitCursor(true);
    return range;
}

// false when the copyright was asked for and refused.
bool AskCopyrightIfSet(MobileData& model) {
    if (AppSettings.ShowCopyright != 1) return true;
    return GetConversionDialogs()->AskCopyright(model);
}

// Saves the image, after the size check when asked; 1 when written.
int SaveImage(MusicData& image, bool checkSize, InputSizeNotice& notice) {
    if (image.Length() <= 0) return 0;
    if (checkSize && image.CheckSizeLimit(AppSettings.RingtoneSizeLimit, kRingtoneTooLarge) == 0)
        notice.Told();
    return image.SaveFile(LastOutputPath.Get()) ? 1 : 0;
}

// ---- Single-model drivers (MFi, MA-1, SMAF) ----

struct SingleJob {
    Driver driver;
    const OutputFormat& format;  // its argument is the MFi voice type or SMAF voices
    int adjustVoice;
    int Type() const { return format.converterArgument; }
};

// The channel dialog's settings of a single-model driver; the model may
// lose slots first (the four-voice kinds keep four melodic ones).
ChannelChoice SingleChoice(const SingleJob& job, MobileData& model) {
    ChannelChoice fourVoices{&model, nullptr, 1, 0, 4};
    ChannelChoice sixteen{&model, nullptr, 0, 0, 16};
    const bool four = job.format.channelRows == 4;
    const int type = job.Type();
    if (!four && job.driver == Driver::Mfi && type != mfi_voice::kMelo4 &&
        type != mfi_voice::kMelo5 && type != mfi_voice::kPmd)
        ShowErrorMessage(driver_code::kInvalidFile);
    if (!four) return sixteen;
    model.KeepFirstEnabledSlots(4, 1);
    return fourVoices;
}

int WriteSingle(const SingleJob& job, MobileData& part, InputSizeNotice& notice) {
    if (job.driver == Driver::Ma1) {
        if (part.CountEnabledSlots() > 4) {
            ShowErrorMessage(driver_code::kMa1Channels);
            return 0;
        }
        MA1 ma1(part);
        return SaveImage(ma1, false, notice);
    }
    if (job.driver == Driver::Smaf) {
        SmafData smaf(part, job.Type());
        smaf.Write(job.Type());
        return SaveImage(smaf, true, notice);
    }
    MFiData mfi(part, job.Type());
    mfi.EnsureMasterVolume();
    mfi.SplitLongDeltas();
    // The handset's own arrangement is the multi-track writer's.
    mfi.Serialise(0);
    return SaveImage(mfi, true, notice);
}

int RunSingle(const SingleJob& job, const std::string& path) {
    MidiFileLoader loader;
    InputSizeNotice notice;
    if (!LoadSong(loader, path, notice) || !PrepareSong(loader, PreparationOf(job.driver)))
        return 0;
    MobileData model(*loader.Tune1(), kMobileModelCapacity);
    const bool mfiFamily = job.driver != Driver::Ma1;  // MFi and SMAF
    if (job.driver != Driver::Smaf) model.RemovePitchBends();
    model.SortSlotsByEventCount();
    if (mfiFamily && AppSettings.EnhanceRhythm == 1) model.MoveRhythmSlotsFirst();
    if (mfiFamily && AppSettings.OmitSameTone == 1) model.MoveRepeatedProgramsLast();
    EnableFirstSlots(model);
    InsertDefaultControls(model, true);
    ChannelRange range{true, 0, WholeSongEnd(model)};
    if (job.adjustVoice == 1 && mfiFamily) {
        // The melody comes first, then the busiest of the rest. The drums
        // are left out first, as the channel dialog's road does: kept, they
        // would take a voice from the melodic parts and then be refused by
        // the writer.
        if (job.format.drumless) {
            if (TheMelodyChannelFinder)
                model.MoveChannelSlotFirst(TheMelodyChannelFinder(*loader.Tune1()));
            model.KeepFirstEnabledSlots(4, 1);
        }
        KeepFirstSlots(model, job.format);
    } else {
        range = AskChannels(SingleChoice(job, model));
        if (!range.accepted) return 0;
    }
    MobileData part(model, range.startTick, range.endTick, kMobileModelCapacity);
    part.MoveDrumSlotsFirst();
    part.KeepTempoInFirstSlot();
    part.MakeSlotsMonophonic();
    if (mfiFamily && !AskCopyrightIfSet(part)) return 0;
    return WriteSingle(job, part, notice);
}

// ---- Multi-track drivers (multi-track MFi, SMAF MA-3, MFM) ----

struct MultiJob {
    Driver driver;
    const OutputFormat& format;  // its argument is the multi-track MFi type or MA-3 variant
    int adjustVoice;
    int terminalId;
    int Type() const { return format.converterArgument; }
};

int WriteMulti(const MultiJob& job, MultiMobileTrackData& part, InputSizeNotice& notice) {
    if (job.driver == Driver::Mfm) {
        MFMData mfm(part);
        mfm.SplitLongWaits();
        mfm.Serialise();
        return SaveImage(mfm, false, notice);
    }
    if (job.driver == Driver::SmafMa3) {
        SmafMa3Data smaf(part, job.Type());
        smaf.Write(job.Type());
        return SaveImage(smaf, true, notice);
    }
    MultiMFiData mfi(part, job.Type());
    mfi.ArrangeForTerminal(job.terminalId);
    mfi.SplitLongDeltas();
    mfi.Serialise(job.terminalId);
    return SaveImage(mfi, true, notice);
}

int RunMulti(const MultiJob& job, const std::string& path) {
    MidiFileLoader loader;
    InputSizeNotice notice;
    if (!LoadSong(loader, path, notice)) return 0;
    const bool prepared = job.driver == Driver::MultiMfi
                              ? PrepareMultiTrackSong(loader, job.Type(), job.terminalId)
                              : PrepareSong(loader, PreparationOf(job.driver));
    if (!prepared) return 0;
    MultiMobileTrackData model(*loader.Tune1());
    EnableFirstSlots(model);
    InsertDefaultControls(model, job.driver == Driver::Mfm);
    ChannelRange range{true, 0, WholeSongEnd(model)};
    if (job.adjustVoice == 1) {
        if (job.driver == Driver::Mfm)
            KeepFirstSlots(model, job.format);
        else
            LimitSlotsByPolyphony(model, job.format);
    } else {
        range = AskChannels({&model, &model, 0, 1, job.format.channelRows});
        if (!range.accepted) return 0;
    }
    MultiMobileTrackData part(model, range.startTick, range.endTick);
    if (part.GetVoiceCount() > job.format.voiceCeiling) {
        ShowErrorMessage(driver_code::kVoiceOver);
        if (job.format.refuseOverCeiling) return 0;
    }
    part.KeepTempoInFirstSlot();
    if (!AskCopyrightIfSet(part)) return 0;
    return WriteMulti(job, part, notice);
}

// MFM files and melody mails carry no voice count: their writers take the
// slots as chosen (the melody mail's MFi type has its own four or sixteen),
// so they keep them quietly. Any other type without one is wrong.
void ReportMissingVoiceCount(const OutputFormat& format) {
    if (format.converter == Converter::Mfm || format.family == FormatFamily::MelodyMail) return;
    ShowErrorMessage(driver_code::kChannelCount);
}

}  // namespace

bool PrepareMultiTrackSong(MidiFileLoader& loader, int multiType, int terminalId) {
    SongPreparation p = PreparationOf(Driver::MultiMfi);
    using namespace mfi_voice;
    p.foldFineTune = multiType == kMulti6 || multiType == kMulti7 || multiType == kMulti32;
    const bool coarse = terminalId == 2 || terminalId == 13 || (terminalId >= 21 && terminalId <= 24);
    p.division = coarse ? 48 : 96;
    p.lengthPercent = multiType == kMulti6 || multiType == kMulti7 ? 95
                      : multiType == kMulti32                      ? 100
                                                                   : 80;
    if (!PrepareSong(loader, p)) return false;
    if (multiType == kMulti9) loader.Tune1()->ThinVoices(16);
    return true;
}

void SetMelodyChannelFinder(MelodyChannelFinder finder) {
    TheMelodyChannelFinder = finder;
}

void KeepFirstSlots(MobileData& model, const OutputFormat& format) {
    const int n = format.voices;
    if (n == 0) {
        // A type without a voice count keeps its slots: disabling all of
        // them would write an empty ringtone.
        ReportMissingVoiceCount(format);
        return;
    }
    if (n >= model.Count()) return;
    int kept = 0;
    for (int i = 0; i < model.Count(); ++i) {
        MobileChanelData& slot = *model.Slot(i);
        if (slot.enabled && kept < n)
            ++kept;
        else
            slot.enabled = 0;
    }
}

void LimitSlotsByPolyphony(MultiMobileTrackData& model, const OutputFormat& format) {
    const int n = format.voices;
    if (n == 0) {
        ReportMissingVoiceCount(format);
        return;
    }
    if (n >= model.GetVoiceCount()) return;
    int sum = 0;
    for (int i = 0; i < model.Count(); ++i) {
        MobileChanelData& slot = *model.Slot(i);
        if (!slot.enabled) continue;
        const int need =
            slot.number == kDrumSlotNumber ? slot.CountDistinctNotes() : slot.GetMaxPolyphony();
        if (sum + need > n)
            slot.enabled = 0;
        else
            sum += need;
    }
}

int ConvertToMfi(const OutputFormat& format, const std::string& path, int adjustVoice) {
    return RunSingle({Driver::Mfi, format, adjustVoice}, path);
}

int ConvertToMa1(const OutputFormat& format, const std::string& path) {
    // MA-1 never fits the channels by voice count: the user chooses them.
    return RunSingle({Driver::Ma1, format, 0}, path);
}

int ConvertToSmaf(const OutputFormat& format, const std::string& path, int adjustVoice) {
    return RunSingle({Driver::Smaf, format, adjustVoice}, path);
}

int ConvertToMultiMfi(const OutputFormat& format, const std::string& path, int adjustVoice,
                      int terminalId) {
    return RunMulti({Driver::MultiMfi, format, adjustVoice, terminalId}, path);
}

int ConvertToSmafMa3(const OutputFormat& format, const std::string& path, int adjustVoice) {
    return RunMulti({Driver::SmafMa3, format, adjustVoice, 0}, path);
}

int ConvertToMfm(const OutputFormat& format, const std::string& path, int adjustVoice) {
    return RunMulti({Driver::Mfm, format, adjustVoice, 0}, path);
}
