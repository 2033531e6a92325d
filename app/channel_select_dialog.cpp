#include "app/channel_select_dialog.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>

#include "app/number_box.h"
#include "compose/tune_structure.h"
#include "convert/mobile_data.h"
#include "convert/multi_mobile_track_data.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "platform/ui/ui.h"

using namespace platform::ui;

std::atomic<int> ListenActive{0};

// The names of the drum notes 35..81, as the list shows them.
const char* const kDrumNoteNames[kDrumNameCount] = {
    "Acoustic kick drum", "Electric kick drum", "Side stick /stick across", "Acoustic snare drum",
    "Hand clap", "Electric snare drum", "Low floor tom", "Closed hi-hat", "High floor tom",
    "Pedal hi-hat", "Low tom", "Open hi-hat", "Low mid tom", "High mid tom", "Crash cymbal 1",
    "high tom", "Ride cymbal 1", "China cymbal", "Ride bell", "Tambourine", "Splash cymbal",
    "Cowbell", "Crash cymbal 2", "Vibraslap", "Ride cymbal 2", "Hi bongo", "Low bongo",
    "Mute hi conga", "Open hi conga", "Low conga", "High timbale", "Low timbale", "High agogo",
    "Low agogo", "Cabasa", "Maracas", "Short whistle", "Long whistle", "Short guiro",
    "Long guiro", "Claves", "High wood block", "Low wood block", "Mute cuica", "Open cuica",
    "Mute triangle", "Open triangle",
};

namespace {

constexpr ErrorCode kTooManyRows = 0xFF0101E3u;
constexpr ErrorCode kInvalidInstrument = 0xFF0101C5u;
constexpr ErrorCode kWrongChannel = 0xFF0101E1u;
constexpr ErrorCode kTooManyChecked = 0xFF0101E2u;
constexpr ErrorCode kStartPoint = 0xFF0101E4u;
constexpr ErrorCode kWhilePlaying = 0xFF010138u;
constexpr int kButtonStatics[kChannelButtonCount] = {2067, 2068, 2069};
constexpr int kPrograms = 128;
constexpr int kMaxVolume = 127;
constexpr int kDoubledSlotsMax = 16;
// Chords, melody, sub-melody and bass, in the order they are doubled.
constexpr int kDoubledRoles[] = {3, 1, 5, 2};

// The dialog open now, for the end of a Listen (UI thread only).
MobileDialogSelectChanel* g_openDialog = nullptr;

int Position(const Control* spin) {
    if (!spin) return 0;
    int value = spin->Value();
    if (const Control* edit = spin->Buddy()) value = edit->NumberOr(value);
    return std::clamp(value, spin->RangeLow(), spin->RangeHigh());
}

Control* AddSpin(Window& window, int editId, int spinId, const Rect& edit, const Rect& spin) {
    Control& e = window.AddControl(ControlKind::Edit, edit, editId);
    e.SetNumeric(true);
    Control& s = window.AddControl(ControlKind::UpDown, spin, spinId);
    s.BindBuddy(&e);
    return &s;
}

void SetSpin(Control* spin, int lo, int hi, int value) {
    spin->SetRange(lo, hi);
    spin->SetValue(value);
    if (Control* edit = spin->Buddy()) edit->SetText(std::to_string(value));
}

void SetButton(SkinButton& b, int x1, int x2, int y1, int y2, const char* caption, Control* c) {
    b.x1 = x1;
    b.x2 = x2;
    b.y1 = y1;
    b.y2 = y2;
    b.caption = caption;
    b.control = c;
    b.normal = &SkinImage(SkinId::Listen);
    b.pressed = &SkinImage(SkinId::ListenPressed);
}

std::string ProgramName(int program) {
    const char* name = InstrumentNameTable[static_cast<std::size_t>(program)];
    return name ? name : std::to_string(program);
}

// Velocities scaled to reach 127 and the volume lowered to match, slot by
// slot; then every volume, then every velocity, raised to reach 127.
void BalanceLevels(MobileData& model) {
    for (int i = 0; i < model.Count(); ++i) {
        MobileChanelData& slot = *model.Slot(i);
        const int most = slot.GetMaxVelocity();
        if (most <= 0) continue;
        const double factor = 127.0 / most;
        slot.ScaleVelocities(factor);
        const int volume = slot.GetControlValue(mobile_code::kVolume);
        if (volume >= 0) slot.SetControlValue(mobile_code::kVolume, static_cast<int>(volume / factor));
    }
    int loudest = 0;
    int fastest = 0;
    for (int i = 0; i < model.Count(); ++i) {
        loudest = std::max(loudest, model.Slot(i)->GetControlValue(mobile_code::kVolume));
        fastest = std::max(fastest, model.Slot(i)->GetMaxVelocity());
    }
    if (loudest > 0) {
        const double factor = 127.0 / loudest;
        for (int i = 0; i < model.Count(); ++i) {
            MobileChanelData& slot = *model.Slot(i);
            const int volume = slot.GetControlValue(mobile_code::kVolume);
            if (volume >= 0)
                slot.SetControlValue(mobile_code::kVolume,
                                     std::min(kMaxVolume, static_cast<int>(volume * factor)));
        }
    }
    if (fastest > 0)
        for (int i = 0; i < model.Count(); ++i)
            model.Slot(i)->ScaleVelocities(127.0 / fastest);
}

void DoubleSlot(MobileData& model, int index) {
    const MobileChanelData& source = *model.Slot(index);
    std::set<int> used;
    for (int i = 0; i < model.Count(); ++i)
        used.insert(model.Slot(i)->number);
    int number = 0;
    while (used.count(number))
        ++number;
    auto copy = std::make_unique<MobileChanelData>(source, source.Capacity());
    copy->number = number;
    const int program = copy->GetControlValue(mobile_code::kProgram);
    if (program >= 0) copy->SetControlValue(mobile_code::kProgram, DoubledProgram(program));
    const int volume = copy->GetControlValue(mobile_code::kVolume);
    if (volume >= 0) copy->SetControlValue(mobile_code::kVolume, volume * 90 / 100);
    model.AddSlot(std::move(copy));
}

}  // namespace

int InitialEndMeasure(int lengthMeasures, int useLoopMarker) {
    return lengthMeasures > kMaxMeasureEnd && useLoopMarker == 0 ? kMaxMeasureEnd : lengthMeasures;
}

int ClampMeasure(int measure, int lengthMeasures) {
    return std::clamp(measure, 1, std::max(1, lengthMeasures));
}

bool MeasureRangeTicks(int start, int end, int measureTicks, long long* startTick,
                       long long* endTick) {
    *startTick = static_cast<long long>(measureTicks) * (start - 1);
    *endTick = static_cast<long long>(measureTicks) * end;
    return *endTick >= *startTick;
}

int DrumSelection(int program) {
    return program >= kDrumNameLow && program < kDrumNameLow + kDrumNameCount ? program - kDrumNameLow
                                                                               : 0;
}

int DoubledProgram(int program) {
    return program % 8 == 0 ? program + 1 : program / 8 * 8;
}

void AutoAdjustModel(MobileData& model) {
    TuneStructure analysis;
    analysis.AnalyzeMobileData(model, model.division);
    BalanceLevels(model);
    for (int role : kDoubledRoles) {
        const int index = analysis.FindChannelByRole(role);
        if (index < 16 && index < model.Count() && model.Count() < kDoubledSlotsMax)
            DoubleSlot(model, index);
    }
}

MobileDialogSelectChanel::MobileDialogSelectChanel(Window* parent) : parent_(parent) {}

MobileDialogSelectChanel::~MobileDialogSelectChanel() {
    if (g_openDialog == this) g_openDialog = nullptr;
    if (ListenActive.exchange(0) && model) model->StopPlaying();
    if (multiTrack && multiTrack != model) multiTrack->StopPlaying();
}

int MobileDialogSelectChanel::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void MobileDialogSelectChanel::BuildRows() {
    Window& window = GetWindow();
    for (int i = 0; i < kChannelRows; ++i) {
        const int x = 200 * (i / kChannelRowsPerColumn);
        const int y = 59 + 27 * (i % kChannelRowsPerColumn);
        checks_[i] = &window.AddControl(ControlKind::CheckBox, Rect::FromSize(x + 20, y, 30, 22),
                                        kChannelCheckId + i);
        checks_[i]->SetText(std::to_string(i + 1));
        programs_[i] = &window.AddControl(ControlKind::ComboBox, Rect::FromSize(x + 50, y, 115, 22),
                                          kChannelProgramId + i);
        volumes_[i] = AddSpin(window, kChannelVolumeEditId + i, kChannelVolumeSpinId + i,
                              Rect::FromSize(x + 165, y, 30, 22), Rect::FromSize(x + 195, y, 20, 22));
    }
    startSpin_ = AddSpin(window, kChannelStartEdit, kChannelStartSpin, Rect::FromSize(350, 30, 50, 25),
                         Rect::FromSize(400, 30, 20, 25));
    endSpin_ = AddSpin(window, kChannelEndEdit, kChannelEndSpin, Rect::FromSize(540, 30, 50, 25),
                       Rect::FromSize(590, 30, 20, 25));
}

void MobileDialogSelectChanel::OnInitDialog() {
    if (built_ || !model) return;
    built_ = true;
    InitSkin(kChannelButtonCount);
    Window& window = GetWindow();
    window.SetTitle("Voice Selection");
    const int captions[kChannelButtonCount] = {0, 1, 2};
    SetCaptionButtons(kChannelButtonCount, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    SetOkSkinButton(Button(kChannelOkButton), "OK", AddButtonHolder(kButtonStatics[0]));
    SetButton(Button(kChannelListenButton), 27, 173, 392, 432, "Listen",
              AddButtonHolder(kButtonStatics[1]));
    SetButton(Button(kChannelAutoButton), 190, 332, 392, 431, "Auto Adjust",
              AddButtonHolder(kButtonStatics[2]));
    Button(kChannelAutoButton).normal = &SkinImage(SkinId::AutoAdjust);
    Button(kChannelAutoButton).pressed = &SkinImage(SkinId::AutoAdjustPressed);
    PlaceSkinButtons(kChannelButtonCount, &Button(0));
    BuildRows();

    lengthMeasures_ = std::max(1, model->GetLengthInMeasures());
    SetSpin(startSpin_, 1, lengthMeasures_, 1);
    SetSpin(endSpin_, 1, lengthMeasures_, InitialEndMeasure(lengthMeasures_, AppSettings.UseLoopMarker));
    const int answer = VoiceLimit < 32 ? mobile_answer::kNotAsked : mobile_answer::kKeep;
    model->ResolvePrograms(answer);
    model->ResolveVolumes(answer);
    model->ResolveTempos(answer);
    FillRows();
    ListenActive = 0;
    g_openDialog = this;
    PaintSkin();
}

void MobileDialogSelectChanel::FillRows() {
    for (int i = 0; i < kChannelRows; ++i)
        checks_[i]->Enable(i < model->Count());
    for (int i = 0; i < model->Count(); ++i) {
        if (i >= kChannelRows) {
            ShowErrorMessage(kTooManyRows);
            break;
        }
        const MobileChanelData& slot = *model->Slot(i);
        Control& combo = *programs_[i];
        combo.ClearItems();
        const int program = slot.GetControlValue(mobile_code::kProgram);
        if (slot.kind == MobileChanelData::kKindMelodic) {
            for (int p = 0; p < kPrograms; ++p)
                combo.AddItem(ProgramName(p), p);
            int selection = program < 0 ? 0 : program;
            if (selection >= kPrograms) {
                ShowErrorMessage(kInvalidInstrument);
                selection = 0;
            }
            combo.SetSelection(selection);
        } else if (slot.kind == MobileChanelData::kKindDrum) {
            if (DrumAsOneRow == 1) {
                combo.AddItem("Drums", 0);
            } else {
                for (int d = 0; d < kDrumNameCount; ++d)
                    combo.AddItem(kDrumNoteNames[d], kDrumNameLow + d);
                if (DrumRowsLocked == 1) checks_[i]->Enable(false);
            }
            combo.SetSelection(DrumAsOneRow == 1 ? 0 : DrumSelection(program));
        } else {
            ShowErrorMessage(kWrongChannel);
        }
        const int volume = slot.GetControlValue(mobile_code::kVolume);
        SetSpin(volumes_[i], 0, kMaxVolume, volume < 0 ? kMaxVolume : std::min(volume, kMaxVolume));
        checks_[i]->SetValue(slot.enabled ? 1 : 0);
    }
}

int MobileDialogSelectChanel::CheckedRows() const {
    int n = 0;
    for (int i = 0; i < std::min(model->Count(), kChannelRows); ++i)
        n += checks_[i]->Value() != 0 ? 1 : 0;
    return n;
}

bool MobileDialogSelectChanel::ReadChecks() {
    for (int i = 0; i < std::min(model->Count(), kChannelRows); ++i)
        model->Slot(i)->enabled = checks_[i]->Value() != 0 ? 1 : 0;
    if (CheckedRows() <= VoiceLimit) return true;
    ShowErrorMessage(kTooManyChecked);
    return false;
}

void MobileDialogSelectChanel::ReadInstruments() {
    for (int i = 0; i < std::min(model->Count(), kChannelRows); ++i) {
        MobileChanelData& slot = *model->Slot(i);
        const int selection = programs_[i]->Selection();
        if (selection < 0) continue;
        // The one "Drums" row names no drum note: the slot keeps its own.
        if (slot.kind == MobileChanelData::kKindDrum && DrumAsOneRow == 1) continue;
        const int program =
            slot.kind == MobileChanelData::kKindDrum ? selection + kDrumNameLow : selection;
        slot.SetControlValue(mobile_code::kProgram, program);
    }
}

void MobileDialogSelectChanel::ReadVolumes() {
    for (int i = 0; i < std::min(model->Count(), kChannelRows); ++i)
        model->Slot(i)->SetControlValue(mobile_code::kVolume, Position(volumes_[i]));
}

bool MobileDialogSelectChanel::ReadRange() {
    const int start = ClampMeasure(Position(startSpin_), lengthMeasures_);
    const int end = ClampMeasure(Position(endSpin_), lengthMeasures_);
    SetSpin(startSpin_, 1, lengthMeasures_, start);
    SetSpin(endSpin_, 1, lengthMeasures_, end);
    if (MeasureRangeTicks(start, end, model->GetMeasureTicks(), &StartTick, &EndTick)) return true;
    ShowErrorMessage(kStartPoint);
    return false;
}

void MobileDialogSelectChanel::OnOK() {
    if (ListenActive.exchange(0)) (DrumAsOneRow == 1 && multiTrack ? multiTrack : model)->StopPlaying();
    if (!ReadChecks()) return;
    ReadInstruments();
    ReadVolumes();
    if (ReadRange()) GetWindow().EndModal(platform::kIdOk);
}

void MobileDialogSelectChanel::OnListen() {
    MobileData* played = DrumAsOneRow == 1 && multiTrack ? multiTrack : model;
    if (ListenActive.load()) {
        Button(kChannelListenButton).caption = "Listen";
        played->StopPlaying();
        ListenActive = 0;
        GetWindow().Invalidate(false);
        return;
    }
    if (CheckedRows() == 0 || !ReadChecks()) return;
    if (!ReadRange()) return;
    ReadInstruments();
    ReadVolumes();
    Button(kChannelListenButton).caption = "Stop";
    ListenActive = 1;
    played->PlayRange(&MobileDialogSelectChanel::ListenEnded, StartTick, EndTick);
    GetWindow().Invalidate(false);
}

int MobileDialogSelectChanel::ListenEnded() {
    // The playback thread may not touch the window: the caption, the flag
    // and the repaint are posted to the UI thread.
    PostToUi([] {
        ListenActive = 0;
        if (!g_openDialog) return;
        g_openDialog->Button(kChannelListenButton).caption = "試聴";
        g_openDialog->GetWindow().Invalidate(false);
    });
    return 0;
}

void MobileDialogSelectChanel::OnAutoAdjust() {
    if (ListenActive.load()) {
        ShowErrorMessage(kWhilePlaying);
        return;
    }
    ReadInstruments();
    ReadVolumes();
    AutoAdjustModel(*model);
    FillRows();
    GetWindow().Invalidate(false);
}

void MobileDialogSelectChanel::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetTextColour(kNormalCaption.face);
    canvas.DrawText("Start", Rect::FromSize(250, 30, 100, 25), TextLayout::LeftCentred);
    canvas.DrawText("End", Rect::FromSize(440, 30, 100, 25), TextLayout::LeftCentred);
}

void MobileDialogSelectChanel::OnLeftUp(Window&, Point) {
    const bool wasPressed = PressedControl() != nullptr;
    OnSkinButtonUp();
    if (!wasPressed) return;
    switch (PressedIndex()) {
        case kChannelOkButton:
            OnOK();
            break;
        case kChannelListenButton:
            OnListen();
            break;
        case kChannelAutoButton:
            OnAutoAdjust();
            break;
        default:
            break;
    }
}

void MobileDialogSelectChanel::OnOk(Window&) {
    OnOK();
}
