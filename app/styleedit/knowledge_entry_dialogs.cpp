#include "app/styleedit/knowledge_entry_dialogs.h"

#include "app/number_box.h"
#include "app/value_dialog.h"
#include "compose/tune_header.h"
#include "core/settings.h"

using namespace platform::ui;

namespace {

constexpr int kListWidth = 120;
constexpr int kRowHeight = 30;

Control* AddList(Window& window, int id, int left, int top, const char* (*text)(int), int count,
                 int preset) {
    Control& list = window.AddControl(ControlKind::ComboBox,
                                      Rect::FromSize(left, top, kListWidth, kRowHeight), id);
    for (int i = 0; i < count; ++i)
        list.AddItem(text(i), i);
    list.SetSelection(preset);
    return &list;
}

}  // namespace

// ---- The shared form ----

KnowledgeEntryDialog::KnowledgeEntryDialog(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int KnowledgeEntryDialog::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void KnowledgeEntryDialog::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle(Title());
    InitSkin(1);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    SetOkSkinButton(Button(kEntryOk), "OK", AddButtonHolder());
    SetCaptionButtons(static_cast<int>(captions_.size()), captions_.data());
    SetCaptionStyle(CaptionStyle::Shadow2);
    PlaceSkinButtons(1, &Button(0));
    BuildControls(window);
    PaintSkin();
}

Control* KnowledgeEntryDialog::AddRootList(int id, int left, int top) {
    return AddList(GetWindow(), id, left, top, KnowledgeRootText, kKnowledgeRootCount, 0);
}

Control* KnowledgeEntryDialog::AddTypeList(int id, int left, int top) {
    return AddList(GetWindow(), id, left, top, KnowledgeTypeText, kKnowledgeTypeCount,
                   kKnowledgeTypeNone);
}

void KnowledgeEntryDialog::AddLabel(const char* text, int left, int top, int width) {
    // A caption drawn on the skin, by a record that is neither painted nor hit.
    captions_.push_back(static_cast<int>(captions_.size()));
    SkinButton& b = Button(captions_.back());
    b.x1 = left;
    b.x2 = left + width;
    b.y1 = top;
    b.y2 = top + kRowHeight;
    b.caption = text;
    SetCaptionButtons(static_cast<int>(captions_.size()), captions_.data());
}

void KnowledgeEntryDialog::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void KnowledgeEntryDialog::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    OnSkinButtonUp();
    if (PressedIndex() == kEntryOk) OnOk(window);
}

void KnowledgeEntryDialog::OnOk(Window& window) {
    if (Accept()) window.EndModal(platform::kIdOk);
}

// ---- "Chord Addition" ----

ZaKnoledgeChord::ZaKnoledgeChord(Window* parent) : KnowledgeEntryDialog(parent) {}

void ZaKnoledgeChord::BuildControls(Window& window) {
    constexpr int kCaptionTop = 110;
    constexpr int kListTop = 145;
    constexpr int kLefts[2] = {40, 350};
    for (int i = 0; i < 2; ++i) {
        AddLabel("Root", kLefts[i], kCaptionTop);
        AddLabel("Chord", kLefts[i] + 130, kCaptionTop);
        roots_[static_cast<std::size_t>(i)] =
            AddRootList(i ? kAdditionSecondRoot : kAdditionFirstRoot, kLefts[i], kListTop);
        types_[static_cast<std::size_t>(i)] =
            AddTypeList(i ? kAdditionSecondType : kAdditionFirstType, kLefts[i] + 130, kListTop);
    }
    AddLabel("->", 305, kListTop, 30);
    AddLabel("Rate", 40, 230, 60);
    rate_ = AddSpinRow(window, kAdditionRateEdit, kAdditionRateSpin, 110, 210, 230, kRateLowest,
                       kRateHighest, kRatePreset);
}

bool ZaKnoledgeChord::Accept() {
    const int rootA = roots_[0]->Selection();
    const int typeA = types_[0]->Selection();
    const int rootB = roots_[1]->Selection();
    const int typeB = types_[1]->Selection();
    if (rootA == rootB && typeA == typeB) {
        ShowErrorMessage(kSameChordError);
        return false;
    }
    pair_ = ChordPairText(KnowledgeChordCode(rootA, typeA), KnowledgeChordCode(rootB, typeB),
                          SpinPosition(rate_));
    return true;
}

bool RunChordAddition(Window* parent, std::string& pair) {
    ZaKnoledgeChord dialog(parent);
    if (dialog.DoModal() != platform::kIdOk || dialog.Pair().empty()) return false;
    pair = dialog.Pair();
    return true;
}

// ---- "Resolution Pattern" ----

ZaResolutionPattern::ZaResolutionPattern(Window* parent) : KnowledgeEntryDialog(parent) {}

void ZaResolutionPattern::BuildControls(Window& window) {
    AddLabel("Root", 40, 80);
    AddLabel("Chord", 170, 80);
    root_ = AddRootList(kPatternRoot, 40, 115);
    type_ = AddTypeList(kPatternType, 170, 115);
    Control& add = window.AddControl(ControlKind::PushButton,
                                     Rect::FromSize(310, 115, 90, kRowHeight), kPatternAdd);
    add.SetText("Add ->");
    // Two rows of four, in the order the chords are added.
    for (int i = 0; i < kPatternChordsMax; ++i) {
        fields_[static_cast<std::size_t>(i)] = &window.AddControl(
            ControlKind::TextView,
            Rect::FromSize(40 + 145 * (i % 4), 200 + 50 * (i / 4), 130, kRowHeight),
            kPatternFirstField + i);
    }
}

void ZaResolutionPattern::OnControl(Window&, Control& control, ControlEvent event) {
    if (control.Id() == kPatternAdd && event == ControlEvent::Clicked) AddChord();
}

void ZaResolutionPattern::AddChord() {
    const std::string code = KnowledgeChordCode(root_->Selection(), type_->Selection());
    if (!draft_.Add(code)) return;
    const std::size_t slot = draft_.Chords().size() - 1;
    fields_[slot]->SetText(ChordCodeToName(code.c_str()));
}

std::vector<std::string> RunResolutionPattern(Window* parent) {
    ZaResolutionPattern dialog(parent);
    dialog.DoModal();
    return dialog.Chords();
}
