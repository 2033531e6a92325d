// "Chanel Roles": the skinned dialog in which the user checks the role the
// analysis gave each of the 16 channels of a file loaded as conversion
// material, listens to single channels, plays a bar range and chooses it.
#pragma once

#include <array>

#include "app/zaw_dialog.h"
#include "compose/conversion_material.h"

class MidiF0Data;
class TuneStructure;

// Skin button 0 is OK.
constexpr int kRoleOkButton = 0;

// Control ids; channel c's label, combo and listen button add c.
constexpr int kRoleStartLabel = 3001;
constexpr int kRoleStartEdit = 3002;
constexpr int kRoleStartUpDown = 3003;
constexpr int kRoleEndLabel = 3004;
constexpr int kRoleEndEdit = 3005;
constexpr int kRoleEndUpDown = 3006;
constexpr int kRolePrompt = 3007;
constexpr int kRolePlayButton = 3008;
constexpr int kRoleChannelLabel = 3100;
constexpr int kRoleCombo = 3200;
constexpr int kRoleListenButton = 3300;
constexpr int kRoleChannels = 16;

// OK with a bar range that is empty or leaves the tune.
constexpr ErrorCode kRoleRangeError = 0xFF010072;  // "The number of measure is out of range!"

// The rectangles of channel c's label, combo and listen button: two columns
// of eight.
platform::ui::Rect RoleLabelRect(int c);
platform::ui::Rect RoleComboRect(int c);
platform::ui::Rect RoleListenRect(int c);
constexpr platform::ui::Rect kRolePlayRect{25, 400, 125, 430};

class ZaChanelRole : public ZAWDialog {
public:
    ZaChanelRole(MidiF0Data& song, TuneStructure& structure,
                 platform::ui::Window* parent = nullptr);
    ~ZaChanelRole() override;

    int DoModal();
    // Builds the controls and sets them from the structure (once).
    void OnInitDialog();
    // The range chosen by OK.
    const MaterialRange& Range() const { return range_; }

    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;
    // The OK button and Return: the role checks, then the range (one that is
    // empty or leaves the tune is refused, naming the tune's bars), then the
    // end.
    void OnOk(platform::ui::Window& window) override;

    // Told on the UI thread when the range or a preview has played to its end.
    void OnPlayEnded();
    void OnListenEnded();

private:
    void OnListen(int channel);
    void OnPlay();
    // Stops a running preview; its button shows "Listen" again.
    void StopListen();
    void StopRange();
    platform::ui::Control& Find(int id);
    void Pause(int milliseconds);

    MidiF0Data& song_;
    TuneStructure& structure_;
    platform::ui::Window* parent_;
    bool built_ = false;
    int usedChannels_ = 0;
    int listening_ = -1;  // the channel previewed, -1 none
    bool playing_ = false;
    MaterialRange range_;
};

// The dialog as the conversion's channel-role service.
class AppChannelRoleDialog : public ChannelRoleDialogService {
public:
    int Run(MidiF0Data& song, TuneStructure& structure, MaterialRange& range) override;
    int RunOver(platform::ui::Window* owner, MidiF0Data& song, TuneStructure& structure,
                MaterialRange& range) override;
};
