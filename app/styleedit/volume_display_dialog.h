// "Display Track" and "Display Item": which tracks the mixer's columns and
// which parameters its rows show, as check boxes. OK stores the ticked
// boxes; more than the grid holds is refused and the dialog stays open.
#pragma once

#include <array>

#include "app/value_dialog.h"
#include "styleedit/part_mixer.h"

constexpr int kDisplayDialogHeight = 288;
constexpr int kDisplayOkTop = 230;
constexpr int kTrackBoxIds[kMixerTrackCodes] = {2089, 1144, 1145, 1345, 1346, 1347, 1348, 1349};
constexpr int kItemBoxIds[kMixerItemCodes] = {1153, 1154, 1155, 1156, 1157, 1158,
                                              1159, 1160, 1161, 1162, 1163};

class VolumeSelection : public ValueDialog {
public:
    explicit VolumeSelection(platform::ui::Window* parent = nullptr);

protected:
    std::string Title() const override { return "Display Track"; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    std::array<platform::ui::Control*, kMixerTrackCodes> boxes_{};
};

class VolumeItem : public ValueDialog {
public:
    explicit VolumeItem(platform::ui::Window* parent = nullptr);

protected:
    std::string Title() const override { return "Display Item"; }
    void BuildControls(platform::ui::Window& window) override;
    bool Accept() override;

private:
    std::array<platform::ui::Control*, kMixerItemCodes> boxes_{};
};
