#include "app/styleedit/chord_progression_dialog.h"

#include "style/style_table.h"

using namespace platform::ui;

namespace {

constexpr int kComboHeight = 30;

struct ListPlace {
    ProgressionList list;
    int id;
    Rect bounds;
};
// The lists in the order they are filled, each at its place.
constexpr ListPlace kListPlaces[kProgressionListCount] = {
    {ProgressionList::kType, kProgressionTypeCombo, Rect::FromSize(10, 30, 200, kComboHeight)},
    {ProgressionList::kMethod, kProgressionMethodCombo, Rect::FromSize(10, 65, 200, kComboHeight)},
    {ProgressionList::kBlockLength, kProgressionBlockCombo,
     Rect::FromSize(190, 205, 100, kComboHeight)},
    {ProgressionList::kChordsInBlock, kProgressionChordsCombo,
     Rect::FromSize(190, 240, 100, kComboHeight)},
};

Control* AddBox(Window& window, int id, int top, const char* caption, bool checked) {
    Control& box = window.AddControl(ControlKind::CheckBox, Rect::FromSize(10, top, 320, 30), id);
    box.SetText(caption);
    box.SetValue(checked ? 1 : 0);
    return &box;
}

// A caption drawn on the skin, by a record that is neither painted nor hit.
void SetLabel(SkinButton& b, int top, const char* text) {
    b.x1 = 10;
    b.x2 = 190;
    b.y1 = top;
    b.y2 = top + 30;
    b.caption = text;
}

}  // namespace

ChordProgressionSelection::ChordProgressionSelection(Window* parent)
    : ValueDialog(parent, kProgressionHeight) {}

void ChordProgressionSelection::BuildControls(Window& window) {
    SetColumnSkinButton(Button(0), "OK", kProgressionOkTop, Button(0).control);
    PlaceSkinButtons(1, &Button(0));
    const ProgressionChoice shown = ReadProgressionChoice(WorkingStyle);
    if (shown.invalidBass) ShowErrorMessage(kInvalidBassError);
    fixBass_ = AddBox(window, kProgressionFixBassBox, 100, "Fix Bass", shown.fixBass);
    adjust_ =
        AddBox(window, kProgressionAdjustBox, 135, "Adjust To Scale", shown.adjustToChordTone);
    onChord_ = AddBox(window, kProgressionOnChordBox, 170, "On Chord", shown.onChord);
    SetLabel(Button(1), 205, "Pattern Length");
    SetLabel(Button(2), 240, "Chord Length");
    const int captions[] = {0, 1, 2};
    SetCaptionButtons(3, captions);
    for (const ListPlace& place : kListPlaces) {
        Control& combo = window.AddControl(ControlKind::ComboBox, place.bounds, place.id);
        const ChoiceRow& row = ProgressionRow(place.list);
        const std::vector<std::string> names = ChoiceNames(row);
        for (std::size_t i = 0; i < names.size(); ++i)
            combo.AddItem(names[i], row.values[i]);
        // A stored value the list lacks selects nothing.
        combo.SetSelection(shown.positions[static_cast<int>(place.list)]);
        lists_[static_cast<int>(place.list)] = &combo;
    }
}

bool ChordProgressionSelection::Accept() {
    ProgressionChoice chosen;
    for (int i = 0; i < kProgressionListCount; ++i)
        chosen.positions[i] = lists_[i]->Selection();
    chosen.fixBass = fixBass_->Value() == 1;
    chosen.adjustToChordTone = adjust_->Value() == 1;
    chosen.onChord = onChord_->Value() == 1;
    StoreProgressionChoice(chosen, WorkingStyle);
    return true;
}

void ChordProgressionSelection::OnOk(Window& window) {
    window.EndModal(platform::kIdOk);
}

void RunChordProgressionSelection(Window* parent) {
    ChordProgressionSelection dialog(parent);
    dialog.DoModal();
}
