// Loads arbitrary bytes as a MIDI file, builds both ringtone models from it,
// runs every slot pass, takes the slots through flat tracks both ways and
// writes the model back as a MIDI image.
#include <cstdint>
#include <vector>

#include "convert/mobile_data.h"
#include "convert/mobile_track_data.h"
#include "convert/multi_mobile_track_data.h"
#include "fuzz/quiet_platform.h"
#include "midi/file_loader.h"

namespace {

void RunPasses(MobileData& model) {
    model.SortSlotsByEventCount();
    model.MoveRhythmSlotsFirst();
    model.MoveRepeatedProgramsLast();
    model.MoveDrumSlotsFirst();
    model.KeepFirstEnabledSlots(16, 0);
    model.ResolvePrograms(mobile_answer::kNotAsked);
    model.ResolveVolumes(mobile_answer::kNotAsked);
    model.ResolveTempos(mobile_answer::kNotAsked);
    model.RemovePitchBends();
    model.RemoveDataEntries();
    model.KeepTempoInFirstSlot();
    model.MakeSlotsMonophonic();
    (void)model.GetLengthInMeasures();
}

void ThroughTracks(const MobileData& model, bool multiTrack) {
    std::vector<const MobileChanelData*> slots;
    for (int i = 0; i < model.Count() && i < 16; ++i)
        slots.push_back(model.Slot(i));
    MobileTrackData track(slots.data(), static_cast<int>(slots.size()), 0, multiTrack);
    MobileData back(track, 0);
    MobileData four(0);
    four.AddFourChannelTrack(track);
    MidiF0Data song(note_mode::kLength, 96);
    track.ToMidiF0Data(song, 96, model.timeSignature, model.tempo);
    track.RescaleTimes(96, 48);
    MobileChanelData slot(0, MobileChanelData::kKindDrum, 0);
    track.ExtractChannel(9, slot, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    MidiFileLoader loader;
    loader.LoadImage(data, size);
    const MidiF1Data* tune = loader.Tune1();
    if (!tune || tune->noteMode != note_mode::kLength) return 0;
    MobileData model(*tune, 0x60000);
    RunPasses(model);
    MobileData range(model, 96, 2000, 0x60000);
    ThroughTracks(range, false);
    MultiMobileTrackData multi(*tune);
    RunPasses(multi);
    (void)multi.GetVoiceCount();
    ThroughTracks(multi, true);
    MidiF1Data out(model.division > 0 ? model.division : 96);
    model.ToMidiF1Data(out);
    out.ConvertToNoteOnOff();
    out.WriteSmf();
    return 0;
}
