// "Voice Selection": before a ringtone is written the user checks which
// slots of the ringtone model take part, with which instrument and volume,
// and which measures are converted. Listen plays the choice; Auto Adjust
// balances velocities and volumes and doubles the melody, bass and chords.
#pragma once

#include <atomic>
#include <string>

#include "app/zaw_dialog.h"

class MobileData;
class MultiMobileTrackData;

constexpr int kChannelRows = 36;
constexpr int kChannelRowsPerColumn = 12;
// Control ids: one of each per row (id + row).
constexpr int kChannelCheckId = 1000;
constexpr int kChannelProgramId = 1100;
constexpr int kChannelVolumeEditId = 1200;
constexpr int kChannelVolumeSpinId = 1300;
constexpr int kChannelStartEdit = 1401;
constexpr int kChannelStartSpin = 1402;
constexpr int kChannelEndEdit = 1403;
constexpr int kChannelEndSpin = 1404;
// Buttons: 0 OK, 1 Listen, 2 Auto Adjust.
constexpr int kChannelOkButton = 0;
constexpr int kChannelListenButton = 1;
constexpr int kChannelAutoButton = 2;
constexpr int kChannelButtonCount = 3;
constexpr int kMaxMeasureEnd = 32;  // End without "Use loop marker"

constexpr int kDrumNameLow = 35;
constexpr int kDrumNameCount = 47;  // drum notes 35..81
extern const char* const kDrumNoteNames[kDrumNameCount];

// 1 while the dialog plays.
extern std::atomic<int> ListenActive;

// The End a dialog opens with: the length, but 32 past 32 measures unless
// the loop markers are used.
int InitialEndMeasure(int lengthMeasures, int useLoopMarker);
// A typed measure held to 1..length.
int ClampMeasure(int measure, int lengthMeasures);
// Ticks of measures start..end (1-based, end included); false when end
// comes before start.
bool MeasureRangeTicks(int start, int end, int measureTicks, long long* startTick,
                       long long* endTick);
// The drum list entry of a drum slot's program (the first for any note
// outside 35..81).
int DrumSelection(int program);
// The program of a doubled slot: p + 1 on a multiple of 8, else p rounded
// down to one.
int DoubledProgram(int program);
// Auto Adjust on the model: velocities and volumes balanced slot by slot
// and over all slots, then the chord, melody, sub-melody and bass slots
// doubled. Slots or passes with a largest value of 0 are left unchanged.
void AutoAdjustModel(MobileData& model);

class MobileDialogSelectChanel : public ZAWDialog {
public:
    explicit MobileDialogSelectChanel(platform::ui::Window* parent = nullptr);
    ~MobileDialogSelectChanel() override;

    int DoModal();
    void OnInitDialog();
    void FillRows();
    bool ReadChecks();
    void ReadInstruments();
    void ReadVolumes();
    void OnOK();
    void OnListen();
    void OnAutoAdjust();
    // The playback thread's end of a Listen: the caption and the flag are
    // changed on the UI thread.
    static int ListenEnded();

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnOk(platform::ui::Window& window) override;

    // Set by the caller.
    MobileData* model = nullptr;
    MultiMobileTrackData* multiTrack = nullptr;
    int DrumRowsLocked = 0;
    int DrumAsOneRow = 0;
    int VoiceLimit = 16;
    // Results.
    long long StartTick = 0;
    long long EndTick = 0;

private:
    void BuildRows();
    // Start and End as typed, held to 1..L; false (after the message) when
    // End is before Start.
    bool ReadRange();
    int CheckedRows() const;

    platform::ui::Window* parent_;
    platform::ui::Control* checks_[kChannelRows] = {};
    platform::ui::Control* programs_[kChannelRows] = {};
    platform::ui::Control* volumes_[kChannelRows] = {};
    platform::ui::Control* startSpin_ = nullptr;
    platform::ui::Control* endSpin_ = nullptr;
    int lengthMeasures_ = 1;
    bool built_ = false;
};
