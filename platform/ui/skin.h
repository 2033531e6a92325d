// The skin: every image the dialogs paint, keyed by our own ids, each at the
// size of the rectangle it fills. A procedural factory draws them all
// (bevelled faces, normal and pressed); a PNG of our own art in the skin
// folder may replace any of them when its size is right.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/ui/image.h"

namespace platform::ui {

enum class SkinId {
    // The main panel and the faces of its controls.
    PanelBackground,
    PanelComposeIdle,
    PanelComposeRunning,
    PanelPlay,
    PanelPlaying,
    PanelNext,
    PanelNextPressed,
    PanelPrevious,
    PanelPreviousPressed,
    PanelHelp,
    PanelHelpPressed,
    PanelTimer,
    PanelTimerPressed,
    PanelStyle,
    PanelStylePressed,
    PanelMode,
    PanelModePressed,
    PanelSetting,
    PanelSettingPressed,
    PanelPower,
    PanelPowerPressed,
    PanelConvert,
    PanelConvertPressed,
    PanelEdit,
    PanelEditPressed,
    // Dialog backgrounds.
    SmallBackground,
    MediumBackground,
    LargeBackground,
    // Buttons of the skinned dialogs.
    Ok,
    OkPressed,
    Column,
    ColumnPressed,
    Toggle1,
    Toggle1Pressed,
    Toggle2,
    Toggle2Pressed,
    Toggle3,
    Toggle3Pressed,
    Toggle4,
    Toggle4Pressed,
    // The channel dialog's Listen and Auto Adjust buttons.
    Listen,
    ListenPressed,
    AutoAdjust,
    AutoAdjustPressed,
    // The ten buttons under the chord input grid.
    GridButton,
    GridButtonPressed,
    Count,
};

constexpr int kSkinCount = static_cast<int>(SkinId::Count);

struct SkinInfo {
    SkinId id;
    const char* name;  // the PNG file is name + ".png"
    int width;
    int height;
};

const SkinInfo& SkinInfoOf(SkinId id);
const std::array<SkinInfo, kSkinCount>& AllSkins();

// Draws one image of the skin at its size.
class SkinFactory {
public:
    static Image Make(SkinId id);
};

class SkinStore {
public:
    // Every image from the factory.
    SkinStore();
    // Replaces images by the PNGs of the folder that have the right size.
    // Returns the names of PNGs refused (wrong size or unreadable).
    std::vector<std::string> LoadArt(const std::string& folder);
    const Image& Get(SkinId id) const { return images_[static_cast<int>(id)]; }

private:
    std::array<Image, kSkinCount> images_;
};

// Where the build puts our own art: the "skin" folder beside the program
// (copied there from res/skin).
std::string SkinArtFolder();

// Writes every image of the store as name.png into the folder (made when
// missing). Returns the number of files written.
int DumpSkins(const SkinStore& store, const std::string& folder);

}  // namespace platform::ui
