#include "app/styleedit/melody_definition_dialog.h"

#include "app/algo_strength_dialog.h"
#include "app/device_selection_dialog.h"
#include "app/list_box_dialog.h"
#include "app/note_range_dialog.h"
#include "app/number_box.h"
#include "app/panel_style_seams.h"
#include "app/structure_editor_seams.h"
#include "app/styleedit/hub_region_face.h"
#include "app/styleedit/inst_selection_dialog.h"
#include "app/styleedit/melody_table_dialog.h"
#include "app/voicing_selection_dialog.h"
#include "core/settings.h"
#include "style/style_table.h"

using namespace platform::ui;

namespace {

constexpr int kFirstStatic = 2049;
constexpr int kRowTop = 40;
constexpr int kRowPitch = 34;
constexpr int kRowHeight = 28;
constexpr int kMinusLeft = 30;
constexpr int kCaptionLeft = 70;
constexpr int kCaptionRight = 574;
constexpr int kPlusLeft = 582;
constexpr int kStepperWidth = 32;
constexpr int kTextInset = 12;

// The inclusive rectangle of region 1..30.
Rect RegionRect(int region) {
    const int row =
        region <= kMelodyRowCount ? region : (region - kMelodyFirstMinus) % kMelodyRowCount + 1;
    const int top = kRowTop + kRowPitch * (row - 1);
    int left = kCaptionLeft;
    int right = kCaptionRight;
    if (region >= kMelodyFirstPlus) {
        left = kPlusLeft;
        right = kPlusLeft + kStepperWidth;
    } else if (region >= kMelodyFirstMinus) {
        left = kMinusLeft;
        right = kMinusLeft + kStepperWidth;
    }
    return Rect{left, top, right, top + kRowHeight};
}

// The choosers of the rows as the style editor's dialogs.
class DialogMelodyHost : public MelodyStructureHost {
public:
    explicit DialogMelodyHost(Window* parent) : parent_(parent) {}

    int ChooseInstrument(int voice) override {
        InstrumentChoice = voice;
        InstrumentChoiceMode = kChooseMelodic;
        InstSelection chooser(parent_);
        chooser.DoModal();
        return InstrumentChoice;
    }

    void ChooseVoicing(ListChoice& voicing, int& octave) override {
        VoicingSelection chooser(parent_);
        std::vector<int> positions = Positions(voicing.texts.size());
        chooser.title = voicing.caption;
        chooser.checkCaption = "Octave";
        chooser.texts = voicing.texts;
        chooser.table = positions.data();
        chooser.count = static_cast<int>(positions.size());
        chooser.value = &voicing.selection;
        chooser.checkState = &octave;
        chooser.DoModal();
    }

    void ChooseFromPicker(const std::string& caption, std::span<ListChoice> lists) override {
        if (lists.empty()) return;
        const bool two = lists.size() > 1;
        PickerTitle = caption;
        PickerFirstTexts = lists[0].texts;
        PickerFirstCount = static_cast<int>(lists[0].texts.size());
        PickerFirstIndex = lists[0].selection;
        if (two) {
            PickerSecondTexts = lists[1].texts;
            PickerSecondValues = Positions(lists[1].texts.size());
            PickerSecondCount = static_cast<int>(lists[1].texts.size());
            PickerSecondValue = lists[1].selection;
        }
        DeviceSelection picker(parent_);
        picker.mode = two ? 2 : 1;
        picker.DoModal();
        lists[0].selection = PickerFirstIndex;
        if (two) lists[1].selection = PickerSecondValue;
    }

    void ChooseFromListBoxes(const std::string& title, std::span<ListChoice> lists) override {
        const int count = static_cast<int>(std::min<std::size_t>(lists.size(), 3));
        if (count < 2) return;
        ListBoxDialog chooser(parent_, count);
        chooser.title = title;
        for (int i = 0; i < count; ++i) {
            chooser.captions[i] = lists[i].caption;
            chooser.texts[i] = lists[i].texts;
            chooser.selections[i] = lists[i].selection;
        }
        chooser.DoModal();
        for (int i = 0; i < count; ++i)
            lists[i].selection = chooser.selections[i];
    }

    void ChooseNoteRange(int part, int& highest, int& lowest) override {
        NoteRangeSelection chooser(parent_);
        chooser.partIndex = part;
        chooser.highestNote = highest;
        chooser.lowestNote = lowest;
        chooser.DoModal();
        highest = chooser.highestNote;
        lowest = chooser.lowestNote;
    }

    int ChooseStrength(int strength) override {
        AlgoStrengthDlg chooser(parent_);
        chooser.value = strength;
        chooser.DoModal();
        return chooser.value;
    }

    void EditMelodyTable() override { RunMelodyTable(parent_); }

private:
    static std::vector<int> Positions(std::size_t count) {
        std::vector<int> positions(count);
        for (std::size_t i = 0; i < count; ++i)
            positions[i] = static_cast<int>(i);
        return positions;
    }

    Window* parent_;
};

}  // namespace

void RunMelodyStructureEditor(Window* parent, int part) {
    MelodyDifinition editor(parent);
    editor.part = part;
    editor.DoModal();
}

void EditMelodyAlgorithm(Window* parent) {
    DialogMelodyHost host(parent);
    ChooseMelodyAlgorithm(WorkingStyle, kPartMelody, host);
}

MelodyDifinition::MelodyDifinition(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

MelodyDifinition::~MelodyDifinition() = default;

int MelodyDifinition::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

const std::string& MelodyDifinition::ValueText(int row) const {
    static const std::string kNone;
    return model_ ? model_->ValueText(row) : kNone;
}

const Image& MelodyDifinition::Face(int region, bool pressed) const {
    const auto i = static_cast<std::size_t>(region);
    return pressed ? pressedFaces_[i] : faces_[i];
}

void MelodyDifinition::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle("Melody Structure");
    InitSkin(kMelodyRegionCount);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    host_ = std::make_unique<DialogMelodyHost>(&window);
    model_ = std::make_unique<MelodyStructure>(WorkingStyle, part, *host_);
    BuildRegions();
    model_->RefreshAll();
    PlaceSkinButtons(kMelodyRegionCount, &Button(0));
    PaintSkin();
}

void MelodyDifinition::BuildRegions() {
    const int okCaption[] = {kMelodyOk};
    SetCaptionButtons(1, okCaption);
    for (int i = 0; i < kMelodyRegionCount; ++i) {
        SkinButton& b = Button(i);
        b.control = AddButtonHolder(kFirstStatic + i);
        if (i == kMelodyOk) {
            SetOkSkinButton(b, "OK", b.control);
            continue;
        }
        const Rect r = RegionRect(i);
        b.x1 = r.left;
        b.x2 = r.right;
        b.y1 = r.top;
        b.y2 = r.bottom;
        b.caption = i <= kMelodyRowCount ? MelodyStructure::Caption(i) : "";
        const auto at = static_cast<std::size_t>(i);
        faces_[at] = HubRegionFace(r.right - r.left, r.bottom - r.top, false);
        pressedFaces_[at] = HubRegionFace(r.right - r.left, r.bottom - r.top, true);
        b.normal = &faces_[at];
        b.pressed = &pressedFaces_[at];
    }
}

void MelodyDifinition::DrawRow(Canvas& canvas, int row) {
    const SkinButton& b = Button(row);
    const std::string text =
        MelodyStructure::Caption(row) +
        std::string(static_cast<std::size_t>(MelodyStructure::Spacer(row)), ' ') + ValueText(row);
    const Rect face{b.x1 + kTextInset, b.y1, b.x2, b.y2};
    canvas.SetTextColour(kNormalCaption.shadow);
    canvas.DrawText(text, face.Offset(2, 2), TextLayout::LeftCentred);
    canvas.SetTextColour(kNormalCaption.face);
    canvas.DrawText(text, face, TextLayout::LeftCentred);
}

void MelodyDifinition::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    DrawCaptions(canvas);
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    for (int row = 1; row <= kMelodyRowCount; ++row) {
        DrawRow(canvas, row);
        for (int region : {kMelodyFirstMinus + row - 1, kMelodyFirstPlus + row - 1}) {
            const SkinButton& b = Button(region);
            canvas.SetTextColour(kNormalCaption.face);
            canvas.DrawText(region < kMelodyFirstPlus ? "-" : "+", Rect{b.x1, b.y1, b.x2, b.y2},
                            TextLayout::CentredLine);
        }
    }
}

void MelodyDifinition::ShowPressedAlong(int region, bool pressed) {
    for (int along : RegionsPressedWith(region)) {
        if (along == region) continue;
        SkinBlit(Face(along, pressed), Button(along).control);
        GetWindow().InvalidateRect(Button(along).control->Bounds(), false);
    }
}

void MelodyDifinition::OnLeftDown(Window&, Point p) {
    OnSkinButtonDown(p.x, p.y);
    if (PressedControl()) ShowPressedAlong(PressedIndex(), true);
}

void MelodyDifinition::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    const int region = PressedIndex();
    OnSkinButtonUp();
    ShowPressedAlong(region, false);
    if (region == kMelodyOk) {
        window.EndModal(platform::kIdOk);
        return;
    }
    model_->Press(region);
    window.Invalidate();
}
