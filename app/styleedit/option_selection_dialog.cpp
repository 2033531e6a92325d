#include "app/styleedit/option_selection_dialog.h"

#include "app/number_box.h"
#include "app/structure_editor_seams.h"
#include "app/styleedit/hub_region_face.h"
#include "app/styleedit/inst_selection_dialog.h"
#include "app/styleedit/volume_mixer_dialog.h"
#include "core/settings.h"
#include "style/style_table.h"
#include "style/voice_names.h"
#include "styleedit/instrument_choice.h"

using namespace platform::ui;

namespace {

struct RegionPlace {
    int x1, x2, y1, y2;
    const char* caption;
};
// Regions 1..14; region 0 is OK at the large skin's OK place.
constexpr RegionPlace kRegions[kHubRegionCount] = {
    {475, 620, 393, 430, "OK"},           {26, 172, 75, 141, "Melody"},
    {177, 318, 75, 141, "Harmony(Main)"}, {327, 469, 75, 141, "Bass"},
    {478, 620, 75, 141, "Drums(Main)"},   {26, 172, 155, 230, "Obbligato"},
    {177, 318, 155, 230, "Harmony(Sub)"}, {327, 469, 155, 230, "Environment"},
    {478, 620, 155, 230, "Drums(Sub)"},   {39, 159, 256, 372, "Tune"},
    {190, 310, 256, 372, "Melody"},       {336, 460, 256, 372, "Harmony"},
    {487, 611, 256, 372, "Rhythm"},       {27, 173, 392, 432, "Volume"},
    {190, 332, 392, 431, "Operation"},
};
constexpr int kFirstStatic = 2049;

bool IsPartRegion(int region) {
    return region >= kHubFirstPart && region < kHubFirstPart + kPartKindCount;
}

}  // namespace

int RunStyleDefinitionHub(Window* parent, int mode, int checkFlag, int handOn) {
    OptionSelection hub(parent);
    hub.openingMode = mode;
    hub.checkFlag = checkFlag;
    hub.handOn = handOn;
    return hub.DoModal() == platform::kIdOk ? 1 : 0;
}

OptionSelection::OptionSelection(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int OptionSelection::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

bool OptionSelection::RegionActive(int region) const {
    if (openingMode != kHubToneDefinition) return true;
    return !((region >= kHubTune && region <= kHubRhythm) || region == kHubOperation);
}

void OptionSelection::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle(openingMode == kHubToneDefinition ? "Tone Definition"
                                                      : "Music Style Definition");
    InitSkin(kHubRegionCount);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    for (int i = 0; i < kHubRegionCount; ++i) {
        Button(i).control = AddButtonHolder(kFirstStatic + i);
        const RegionPlace& r = kRegions[i];
        faces_[static_cast<std::size_t>(i)] = HubRegionFace(r.x2 - r.x1, r.y2 - r.y1, false);
        pressedFaces_[static_cast<std::size_t>(i)] = HubRegionFace(r.x2 - r.x1, r.y2 - r.y1, true);
    }
    bar_ = AddButtonHolder(kFirstStatic + kHubRegionCount);
    PlaceBarStatic(*bar_, 1);
    barImage_ = HubRegionFace(bar_->Bounds().right - bar_->Bounds().left,
                              bar_->Bounds().bottom - bar_->Bounds().top, true);
    BuildRegions();
    PaintSkin();
    SkinBlit(barImage_, bar_);
}

void OptionSelection::BuildRegions() {
    std::vector<int> captions;
    for (int i = 0; i < kHubRegionCount; ++i) {
        SkinButton& b = Button(i);
        Control* holder = b.control;
        if (i == kHubOk) {
            SetOkSkinButton(b, "OK", holder);
        } else {
            const RegionPlace& r = kRegions[i];
            b.x1 = r.x1;
            b.x2 = r.x2;
            b.y1 = r.y1;
            b.y2 = r.y2;
            b.caption = r.caption;
            b.normal = &faces_[static_cast<std::size_t>(i)];
            b.pressed = &pressedFaces_[static_cast<std::size_t>(i)];
        }
        b.state = 0;
        const bool active = RegionActive(i);
        holder->Show(active);
        if (!active) b.normal = b.pressed = nullptr;
        if (active && !IsPartRegion(i)) captions.push_back(i);
        if (IsPartRegion(i)) RefreshName(i);
    }
    SetCaptionButtons(static_cast<int>(captions.size()), captions.data());
    PlaceSkinButtons(kHubRegionCount, &Button(0));
}

void OptionSelection::RefreshName(int kind) {
    std::string name;
    GetPartInstrumentName(kind, name);
    names_[static_cast<std::size_t>(kind)] = name.substr(0, 127);
}

void OptionSelection::DrawPartRegion(Canvas& canvas, int region) {
    const SkinButton& b = Button(region);
    const int middle = (b.y1 + b.y2) / 2;
    DrawCaptionAndName(canvas, b.caption, Rect{b.x1, b.y1, b.x2, middle},
                       names_[static_cast<std::size_t>(region)], Rect{b.x1, middle, b.x2, b.y2});
}

void OptionSelection::OnPaint(Window&, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    SkinBlit(barImage_, bar_);
    DrawCaptions(canvas);
    SelectSkinFont(canvas, largeFont_);
    for (int kind = 1; kind <= kPartKindCount; ++kind)
        DrawPartRegion(canvas, kHubFirstPart + kind - 1);
}

void OptionSelection::OnLeftDown(Window&, Point p) {
    int index = -1;
    HitTestSkinButtons(p.x, p.y, &index, &Button(0), kHubRegionCount);
    if (index < 0 || !RegionActive(index)) return;
    OnSkinButtonDown(p.x, p.y);
}

void OptionSelection::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    const int region = PressedIndex();
    OnSkinButtonUp();
    Act(window, region);
}

void OptionSelection::ChoosePartVoice(Window& window, int kind) {
    const PartKindInfo* info = FindPartKind(kind);
    if (!info) return;
    std::int32_t& voice = WorkingStyle.voice[info->stylePart];
    InstrumentChoice = voice;
    InstrumentChoiceMode = info->choiceMode;
    window.Invalidate();
    InstSelection chooser(&window);
    chooser.DoModal();
    if (kind == kKindMelody && InstrumentChoice == kVoiceNotUsed)
        ShowErrorMessage(kMelodyNoneError);
    else
        voice = InstrumentChoice;
    RefreshName(kind);
    window.Invalidate();
}

bool OptionSelection::MayClose() const {
    if (checkFlag != 1) return true;
    bool refused = false;
    for (const PartKindInfo& k : kPartKinds) {
        const int voice = WorkingStyle.voice[k.stylePart];
        if (voice >= kFirstExtendedInstrument && voice != kVoiceNotUsed) {
            ShowErrorMessage(kExtendedInstrumentError);
            refused = true;
        }
    }
    return !refused;
}

void OptionSelection::Act(Window& window, int region) {
    if (!RegionActive(region)) return;
    if (IsPartRegion(region)) {
        ChoosePartVoice(window, region - kHubFirstPart + 1);
        return;
    }
    switch (region) {
        case kHubOk:
            if (MayClose()) window.EndModal(platform::kIdOk);
            return;
        case kHubTune:
            RunTuneStructureEditor(&window, handOn);
            return;
        case kHubMelody:
            RunMelodyStructureEditor(&window, kPartMelody);
            RefreshName(kKindMelody);
            break;
        case kHubHarmony:
            RunHarmonyStructureEditor(&window);
            for (int kind : {kKindHarmony, kKindObbligato, kKindSubHarmony})
                RefreshName(kind);
            break;
        case kHubRhythm:
            RunRhythmStructureEditor(&window);
            for (int kind : {kKindBass, kKindDrum, kKindSubDrum})
                RefreshName(kind);
            break;
        case kHubVolume:
            RunVolumeMixer(&window);
            break;
        case kHubOperation:
            RunStyleOperation(&window);
            // A paste or a load may have changed every voice.
            BuildRegions();
            break;
        default:
            return;
    }
    window.Invalidate();
}
