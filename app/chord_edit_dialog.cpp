#include "app/chord_edit_dialog.h"

#include "app/number_box.h"
#include "platform/message_sink.h"
#include "tuneedit/chord_input.h"

using namespace platform::ui;

namespace {

constexpr int kChordEditOkStatic = 2071;
constexpr const char* kRootItems[kChordRootChoices] = {"   C",  "   Db", "   D",  "   Eb",
                                                       "   E",  "   F",  "   Gb", "   G",
                                                       "   Ab", "   A",  "   Bb", "   B"};
constexpr const char* kKindItems[kChordKindChoices] = {
    "   7    ", "   M7    ", "   m7    ", "   m M7   ",
    "   dim 7  ", "   dim M7 ", "   m      ", "   ---    "};

}  // namespace

EdChordEdit::EdChordEdit(Window* parent, const std::string& code)
    : parent_(parent), oldCode_(code), newCode_(code) {}

int EdChordEdit::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void EdChordEdit::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(1);
    Window& window = GetWindow();
    window.SetTitle("Chord Edit");
    const int captions[1] = {kChordEditOkButton};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(kChordEditOkButton), "OK", kSmallOkTop,
                        AddButtonHolder(kChordEditOkStatic));
    PlaceSkinButtons(1, &Button(0));
    Control& root = window.AddControl(ControlKind::ComboBox, Rect{130, 60, 230, 80},
                                      kChordEditRootCombo);
    for (int i = 0; i < kChordRootChoices; ++i)
        root.AddItem(kRootItems[i], i);
    root.SetSelection(ChordRootIndex(oldCode_));
    Control& kind = window.AddControl(ControlKind::ComboBox, Rect{240, 60, 340, 80},
                                      kChordEditKindCombo);
    for (int i = 0; i < kChordKindChoices; ++i)
        kind.AddItem(kKindItems[i], i);
    kind.SetSelection(ChordKindIndex(oldCode_));
    PaintSkin();
}

void EdChordEdit::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    DrawCaptions(canvas);
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetTextColour(Rgb{32, 64, 0});
    canvas.DrawText("Root Note", kChordEditRootLabel, TextLayout::LeftCentred);
    canvas.DrawText("Chord", kChordEditKindLabel, TextLayout::LeftCentred);
}

void EdChordEdit::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    OnSkinButtonUp();
    if (PressedIndex() != kChordEditOkButton) return;
    const Control* root = window.FindControl(kChordEditRootCombo);
    const Control* kind = window.FindControl(kChordEditKindCombo);
    const ChordChoice choice =
        MakeChordChoice(root ? root->Selection() : -1, kind ? kind->Selection() : 0);
    newCode_ = choice.code;
    newText_ = choice.text;
    window.EndModal(platform::kIdOk);
}
