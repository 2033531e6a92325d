// MultiMobileTrackData: a ringtone model whose slots are whole MIDI channels
// (one slot per channel, slot number = channel), used by the multi-track
// ringtone formats; it plays through a multi-track ringtone track and counts
// the voices it needs.
#pragma once

#include <cstdint>

#include "convert/mobile_data.h"
#include "core/utilities.h"

// Failures of MultiMobileTrackData, tag "MMDT".
namespace mmdt {
constexpr std::uint32_t kDrumProgram = 0x23000001;
constexpr std::uint32_t kSilent = 0x23000002;  // shows nothing
constexpr std::uint32_t kRpnNotZero = 0x23000003;
constexpr std::uint32_t kRpnOne = 0x23000004;
}  // namespace mmdt

class MultiMobileTrackData : public MobileData {
public:
    static constexpr int kMaxMasterVolumes = 256;

    MultiMobileTrackData();
    // Built from a tune in notes-with-length form (else nothing is built).
    // warnDrumProgram: a program other than 0 on channel 10 is reported;
    // keepExpression: controller 11 is kept as expression.
    explicit MultiMobileTrackData(const MidiF1Data& song, bool warnDrumProgram = true,
                                  bool keepExpression = false);
    // Copy of the span [begin, end).
    MultiMobileTrackData(const MultiMobileTrackData& source, long long begin, long long end);
    ~MultiMobileTrackData() override;

    // Largest number of notes the enabled slots sound at once (0 when more
    // than 16 are enabled, after the message).
    int GetVoiceCount() const;
    int Play(PlayEndCallback callback) override;
    int PlayRange(PlayEndCallback callback, long long begin, long long end) override;

    static void ShowError(std::uint32_t code);

private:
    struct MasterVolume {
        long long time;
        int value;
    };
    // The findings shown once per song.
    struct ReadNotices {
        bool drumProgram = false;
        bool rpnOne = false;
    };
    void ReadTrack(const MidiF1TrackData& track, MobileChanelData& slot,
                   const std::vector<MasterVolume>& masters, bool warnDrumProgram,
                   bool keepExpression, ReadNotices& shown);
    // The enabled slots, or false after the message when there are too many.
    bool EnabledSlots(std::vector<const MobileChanelData*>& out) const;
};
