#include "app/styleedit/tune_definition_dialog.h"

#include "app/chord_input_dialog.h"
#include "app/device_selection_dialog.h"
#include "app/number_box.h"
#include "app/structure_editor_seams.h"
#include "app/styleedit/chord_progression_dialog.h"
#include "app/styleedit/custom_scale_dialog.h"
#include "app/styleedit/hub_region_face.h"
#include "app/styleedit/knowledge_dialog.h"
#include "app/tempo_selection_dialog.h"
#include "app/tune_name_dialog.h"
#include "app/voicing_selection_dialog.h"
#include "compose/chord_buffer.h"
#include "core/cp932_text.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "style/style_table.h"

using namespace platform::ui;

namespace {

constexpr int kFirstStatic = 2049;
// Blanks drawn before a value text, clearing a longer one drawn before it.
constexpr int kSpacerBlanks = 28;
constexpr int kChordInputStyleMode = 1;

Rect RowBand(int row, int left, int right) {
    const int top = kTuneRowTop + (row - 1) * kTuneRowPitch;
    return Rect{left, top, right, top + kTuneRowHeight};
}

}  // namespace

void RunTuneStructureEditor(Window* parent, int handOn) {
    TuneDifinition editor(parent);
    editor.handOn = handOn;
    editor.DoModal();
}

int PickTuneChoice(Window& window, const std::string& title, const ChoiceRow& row, int value) {
    PickerTitle = title;
    PickerFirstTexts = ChoiceNames(row);
    PickerFirstCount = static_cast<int>(PickerFirstTexts.size());
    PickerFirstIndex = ChoicePosition(row, value);
    DeviceSelection chooser(&window);
    chooser.mode = 1;
    chooser.DoModal();
    if (PickerFirstIndex < 0 || PickerFirstIndex >= PickerFirstCount) return value;
    return row.values[static_cast<std::size_t>(PickerFirstIndex)];
}

TuneDifinition::TuneDifinition(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int TuneDifinition::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void TuneDifinition::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle("Tune Structure");
    InitSkin(kTuneRegionCount);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    captionFace_ = HubRegionFace(kTuneCaptionRight - kTuneCaptionLeft, kTuneRowHeight, false);
    captionPressed_ = HubRegionFace(kTuneCaptionRight - kTuneCaptionLeft, kTuneRowHeight, true);
    stepperFace_ = HubRegionFace(kTuneStepperWidth, kTuneRowHeight, false);
    stepperPressed_ = HubRegionFace(kTuneStepperWidth, kTuneRowHeight, true);
    for (int i = 0; i < kTuneRegionCount; ++i) Button(i).control = AddButtonHolder(kFirstStatic + i);
    BuildRegions();
    RefreshTuneRows(WorkingStyle);
    RefreshTexts();
    PaintSkin();
}

void TuneDifinition::BuildRegions() {
    std::array<int, kTuneRegionCount> captions{};
    for (int i = 0; i < kTuneRegionCount; ++i) captions[static_cast<std::size_t>(i)] = i;
    SetOkSkinButton(Button(kTuneOk), "OK", Button(kTuneOk).control);
    for (int row = 1; row <= kTuneRowCount; ++row) {
        struct Place {
            int region, left, right;
            const char* caption;
            const Image* normal;
            const Image* pressed;
        };
        const Place places[] = {
            {TuneCaptionRegion(row), kTuneCaptionLeft, kTuneCaptionRight, TuneRowCaption(row),
             &captionFace_, &captionPressed_},
            {TuneMinusRegion(row), kTuneMinusLeft, kTuneMinusLeft + kTuneStepperWidth, "-",
             &stepperFace_, &stepperPressed_},
            {TunePlusRegion(row), kTunePlusLeft, kTunePlusLeft + kTuneStepperWidth, "+",
             &stepperFace_, &stepperPressed_},
        };
        for (const Place& p : places) {
            SkinButton& b = Button(p.region);
            const Rect band = RowBand(row, p.left, p.right);
            b.x1 = band.left;
            b.x2 = band.right;
            b.y1 = band.top;
            b.y2 = band.bottom;
            b.caption = p.caption;
            b.normal = p.normal;
            b.pressed = p.pressed;
            b.state = 0;
        }
    }
    SetCaptionButtons(kTuneRegionCount, captions.data());
    PlaceSkinButtons(kTuneRegionCount, &Button(0));
}

void TuneDifinition::RefreshTexts() {
    for (int row = 1; row <= kTuneRowCount; ++row)
        texts_[static_cast<std::size_t>(row)] = TuneRowText(WorkingStyle, row);
}

void TuneDifinition::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    DrawCaptions(canvas);
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(true, Rgb{0, 0, 0});
    for (int row = 1; row <= kTuneRowCount; ++row) {
        const Rect box = RowBand(row, kTuneTextLeft, kTuneTextRight);
        canvas.SetTextColour(kNormalCaption.shadow);
        canvas.DrawText(std::string(kSpacerBlanks, ' '), box, TextLayout::CentredLine);
        canvas.DrawText(texts_[static_cast<std::size_t>(row)], box, TextLayout::CentredLine);
    }
}

void TuneDifinition::OnLeftDown(Window&, Point p) {
    OnSkinButtonDown(p.x, p.y);
}

void TuneDifinition::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    const int region = PressedIndex();
    OnSkinButtonUp();
    Act(window, region);
}

void TuneDifinition::Act(Window& window, int region) {
    if (region == kTuneOk) {
        window.EndModal(platform::kIdOk);
        return;
    }
    if (region >= kTuneFirstPlus) {
        StepTuneRow(WorkingStyle, region - kTuneFirstPlus + 1, 1);
    } else if (region >= kTuneFirstMinus) {
        StepTuneRow(WorkingStyle, region - kTuneFirstMinus + 1, -1);
    } else if (region >= 1) {
        RunRowChooser(window, region);
    }
    RefreshTexts();
    window.Invalidate();
}

void TuneDifinition::RunRowChooser(Window& window, int row) {
    switch (row) {
        case kTuneRowName:
            ChooseName(window);
            break;
        case kTuneRowTempo:
        case kTuneRowBars: {
            TempoSelection tempo(&window);
            tempo.DoModal();
            StepTuneRow(WorkingStyle, kTuneRowTempo, 0);
            StepTuneRow(WorkingStyle, kTuneRowBars, 0);
            break;
        }
        case kTuneRowKey:
            ChooseKey(window);
            break;
        case kTuneRowTimeSignature:
            ChooseTimeSignature(window);
            break;
        case kTuneRowScale:
            ChooseScale(window);
            break;
        case kTuneRowChordProgression:
            ChooseChordProgression(window);
            break;
        case kTuneRowBasicBeat:
            ChooseBasicBeat(window);
            break;
        default:
            break;
    }
}

void TuneDifinition::ChooseName(Window& window) {
    // The title is stored in code page 932 and typed in UTF-8.
    TuneName name(&window);
    name.text = Cp932ToUtf8(DisplayTitle(WorkingStyle));
    name.codePage932 = true;
    name.DoModal();
    SetStyleTitle(WorkingStyle, Utf8ToCp932(name.text));
}

void TuneDifinition::ChooseKey(Window& window) {
    VoicingSelection key(&window);
    key.title = "Key";
    key.checkCaption = "Enable Transpose";
    int value = WorkingStyle.key;
    int transpose = WorkingStyle.transpose;
    key.value = &value;
    key.texts = ChoiceNames(kTuneKeyChoices);
    key.table = kTuneKeyChoices.values.data();
    key.checkState = &transpose;
    key.count = static_cast<int>(kTuneKeyChoices.values.size());
    key.DoModal();
    WorkingStyle.key = value;
    WorkingStyle.transpose = transpose;
}

void TuneDifinition::ChooseTimeSignature(Window& window) {
    WorkingStyle.timeSignature = PickTuneChoice(window, "Time Sign", TimeSignatureChoices(WorkingStyle),
                                                WorkingStyle.timeSignature);
}

void TuneDifinition::ChooseScale(Window& window) {
    WorkingStyle.scale = PickTuneChoice(window, "Scale", kTuneScaleChoices, WorkingStyle.scale);
    if (WorkingStyle.scale == kScaleCustom) RunCustomScale(&window);
}

void TuneDifinition::ChooseChordProgression(Window& window) {
    RunChordProgressionSelection(&window);
    switch (WorkingStyle.chordGenerationMethod) {
        case kMethodCustom:
            OpenChordInput(window);
            break;
        case kMethodKnowledgeBase:
            RunKnowledgeEditor(&window);
            break;
        default:
            break;
    }
}

void TuneDifinition::ChooseBasicBeat(Window& window) {
    if (WorkingStyle.timeSignature == kTimeSignature78) {
        // 7/8 takes no triplet feel: the one entry stands for the plain beat.
        PickerTitle = "Basic beat";
        PickerFirstTexts = {"Prohibit"};
        PickerFirstCount = 1;
        PickerFirstIndex = 0;
        DeviceSelection chooser(&window);
        chooser.mode = 1;
        chooser.DoModal();
        WorkingStyle.basicBeat = kBasicBeatPlain;
        return;
    }
    WorkingStyle.basicBeat =
        PickTuneChoice(window, "Basic beat", kTuneBasicBeatChoices, WorkingStyle.basicBeat);
}

void TuneDifinition::OpenChordInput(Window& window) {
    if (WorkingStyle.timeSignature == kTimeSignature78) {
        ShowErrorMessage(kChordInputSevenEightError);
        return;
    }
    // The dialog starts from an empty count; the lists are built after it
    // is made, over the style's chords.
    EdCdCust chords(&window, kChordInputStyleMode);
    ChordStepCount = BeatsPerBar() * WorkingStyle.tuneLength;
    BuildChordListsFromStyle();
    chords.DoModal();
}
