#include "app/styleedit/inst_selection_dialog.h"

#include "styleedit/instrument_choice.h"

using namespace platform::ui;

namespace {

constexpr Rect kGroupComboBounds = Rect::FromSize(45, 90, 250, 30);
constexpr Rect kInstrumentComboBounds = Rect::FromSize(45, 203, 250, 30);

void SetLabelButton(SkinButton& b, const char* caption, int top, int bottom) {
    b.x1 = 22;
    b.x2 = 320;
    b.y1 = top;
    b.y2 = bottom;
    b.caption = caption;
}

void FillCombo(Control& combo, const std::vector<ChooserEntry>& entries, int selection) {
    combo.ClearItems();
    for (const ChooserEntry& e : entries)
        combo.AddItem(e.name, e.value);
    combo.SetSelection(selection >= 0 && selection < static_cast<int>(entries.size()) ? selection
                                                                                      : -1);
}

}  // namespace

InstSelection::InstSelection(Window* parent) : ValueDialog(parent, kInstDialogHeight) {}

void InstSelection::BuildControls(Window& window) {
    mode_ = InstrumentChoiceMode;
    SetColumnSkinButton(Button(0), "OK", kInstOkTop, Button(0).control);
    SetLabelButton(Button(1), "Group", 45, 83);
    SetLabelButton(Button(2), "Instrument", 155, 193);
    InitSkin(3);
    const int captions[] = {0, 1, 2};
    SetCaptionButtons(3, captions);
    PlaceSkinButtons(1, &Button(0));

    const ChooserSelection open = ChooserOpenSelection(mode_, InstrumentChoice);
    group_ = &window.AddControl(ControlKind::ComboBox, kGroupComboBounds, kInstGroupCombo);
    instrument_ =
        &window.AddControl(ControlKind::ComboBox, kInstrumentComboBounds, kInstInstrumentCombo);
    if (mode_ == kChooseMelodic) {
        FillCombo(*group_, ChooserGroups(mode_), open.group);
    } else {
        FillCombo(*group_, ChooserGroups(mode_), 0);
        group_->Enable(false);
    }
    FillInstruments(open.group, open.instrument);
}

void InstSelection::FillInstruments(int group, int selection) {
    FillCombo(*instrument_, ChooserInstruments(mode_, group), selection);
}

void InstSelection::OnControl(Window&, Control& control, ControlEvent event) {
    if (&control != group_ || event != ControlEvent::SelectionChanged) return;
    if (mode_ != kChooseMelodic) return;
    const int group = group_->Selection();
    if (group < 0) return;
    FillInstruments(group, 0);
    InstrumentChoice = kGroupSize * group;
}

bool InstSelection::Accept() {
    ChooserSelection chosen;
    chosen.group = mode_ == kChooseMelodic ? group_->Selection() : 0;
    chosen.instrument = instrument_->Selection();
    InstrumentChoice = ChooserResult(mode_, chosen, InstrumentChoice);
    return true;
}
