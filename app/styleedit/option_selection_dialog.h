// The style definition hub: eight part regions, each with the part's name
// and its instrument, that open the instrument chooser, and (when defining
// a whole style) the tune, melody, harmony and rhythm editors and the style
// operations; the mixer in both modes. Everything it opens works on
// WorkingStyle at once; the hub holds no copy.
#pragma once

#include <array>
#include <string>

#include "app/style_editor_seams.h"
#include "app/zaw_dialog.h"
#include "core/reporters.h"
#include "styleedit/instrument_choice.h"

constexpr ErrorCode kExtendedInstrumentError = 0xFF010167;  // "Do not select extended instrument!"
constexpr int kHubRegionCount = 15;
constexpr int kHubOk = 0;
constexpr int kHubFirstPart = 1;  // regions 1..8 are PartKind 1..8
constexpr int kHubTune = 9;
constexpr int kHubMelody = 10;
constexpr int kHubHarmony = 11;
constexpr int kHubRhythm = 12;
constexpr int kHubVolume = 13;
constexpr int kHubOperation = 14;
constexpr int kFirstExtendedInstrument = 128;

// The name colours of a part region: drawn first in grey, then in pink, on
// black.
constexpr platform::ui::Rgb kPartNameFirst{200, 200, 200};
constexpr platform::ui::Rgb kPartNameSecond{255, 200, 200};

class OptionSelection : public ZAWDialog {
public:
    explicit OptionSelection(platform::ui::Window* parent = nullptr);

    int openingMode = kHubStyleDefinition;  // kHubToneDefinition: parts only
    int checkFlag = 0;                      // 1: OK refuses extended instruments
    int handOn = 0;                         // handed to the tune structure editor

    // Builds the dialog (once) and runs it; 1 when closed with OK.
    int DoModal();
    void OnInitDialog();

    // The instrument name a part region (1..8) shows.
    const std::string& PartName(int region) const {
        return names_[static_cast<std::size_t>(region)];
    }
    // Regions 9..12 and 14 are neither drawn nor pressed in tone mode.
    bool RegionActive(int region) const;

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

private:
    void BuildRegions();
    void RefreshName(int kind);
    void Act(platform::ui::Window& window, int region);
    void ChoosePartVoice(platform::ui::Window& window, int kind);
    // OK: false when an extended instrument keeps the hub open.
    bool MayClose() const;
    void DrawPartRegion(platform::ui::Canvas& canvas, int region);

    platform::ui::Window* parent_;
    bool built_ = false;
    std::array<std::string, kHubRegionCount> names_;
    std::array<platform::ui::Image, kHubRegionCount> faces_;
    std::array<platform::ui::Image, kHubRegionCount> pressedFaces_;
    platform::ui::Image barImage_;
    platform::ui::Control* bar_ = nullptr;
};
