#include "app/styleedit/volume_display_dialog.h"

#include <algorithm>

using namespace platform::ui;

namespace {

struct BoxPlace {
    int x;
    int y;
    const char* caption;
};
// By track code.
constexpr BoxPlace kTrackBoxes[kMixerTrackCodes] = {
    {10, 30, "Melody"}, {10, 70, "Obligato"}, {10, 110, "Harmony"},   {10, 150, "Sub Harmony"},
    {160, 30, "Bass"},  {160, 70, "Drum"},    {160, 110, "Sub Drum"}, {160, 150, "Environment"},
};
// By parameter code.
constexpr BoxPlace kItemBoxes[kMixerItemCodes] = {
    {10, 30, "Volume"},     {10, 70, "Reverb"},   {10, 110, "Chorus"},      {10, 150, "Brightness"},
    {10, 190, "Resonance"}, {160, 30, "Attack"},  {160, 70, "Decay"},       {160, 110, "Release"},
    {160, 150, "Delay"},    {160, 190, "Panpot"}, {160, 240, "Hold Pedal"},
};
constexpr int kBoxWidth = 150;
constexpr int kBoxHeight = 30;

// The OK place of the 288-high form, then one box per code, ticked when the
// code is in the list.
template <std::size_t N, std::size_t Slots>
void BuildBoxes(ZAWDialog& dialog, Window& window, const BoxPlace (&places)[N], const int (&ids)[N],
                const std::array<int, Slots>& shown, std::array<Control*, N>& boxes) {
    SetColumnSkinButton(dialog.Button(0), "OK", kDisplayOkTop, dialog.Button(0).control);
    PlaceSkinButtons(1, &dialog.Button(0));
    for (std::size_t code = 0; code < N; ++code) {
        Control& box = window.AddControl(
            ControlKind::CheckBox,
            Rect::FromSize(places[code].x, places[code].y, kBoxWidth, kBoxHeight), ids[code]);
        box.SetText(places[code].caption);
        const bool ticked =
            std::find(shown.begin(), shown.end(), static_cast<int>(code)) != shown.end();
        box.SetValue(ticked ? 1 : 0);
        boxes[code] = &box;
    }
}

template <std::size_t N>
std::array<bool, N> Ticked(const std::array<Control*, N>& boxes) {
    std::array<bool, N> ticked{};
    for (std::size_t i = 0; i < N; ++i)
        ticked[i] = boxes[i]->Value() != 0;
    return ticked;
}

}  // namespace

VolumeSelection::VolumeSelection(Window* parent) : ValueDialog(parent, kDisplayDialogHeight) {}

void VolumeSelection::BuildControls(Window& window) {
    BuildBoxes(*this, window, kTrackBoxes, kTrackBoxIds, MixerDisplayTracks, boxes_);
}

bool VolumeSelection::Accept() {
    const std::array<bool, kMixerTrackCodes> ticked = Ticked(boxes_);
    return StoreDisplayTracks(ticked);
}

VolumeItem::VolumeItem(Window* parent) : ValueDialog(parent, kDisplayDialogHeight) {}

void VolumeItem::BuildControls(Window& window) {
    BuildBoxes(*this, window, kItemBoxes, kItemBoxIds, MixerDisplayItems, boxes_);
}

bool VolumeItem::Accept() {
    const std::array<bool, kMixerItemCodes> ticked = Ticked(boxes_);
    return StoreDisplayItems(ticked);
}
