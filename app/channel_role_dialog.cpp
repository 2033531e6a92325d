#include "app/channel_role_dialog.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "app/number_box.h"
#include "compose/compose_control.h"
#include "compose/tune_structure.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/shell_services.h"
#include "midi/f0_data.h"
#include "platform/message_sink.h"
#include "platform/ui/ui.h"

using namespace platform::ui;

namespace {

constexpr int kOkHolder = 3400;
constexpr int kListenPauseMs = 600;
constexpr int kOpenPauseMs = 1000;

// The dialog open now; the play thread's end callbacks post to it, and a
// post that arrives after it closed finds none.
ZaChanelRole* g_openDialog = nullptr;

int OnRangePlayEnd() {
    PostToUi([] {
        if (g_openDialog) g_openDialog->OnPlayEnded();
    });
    return 0;
}

// What the range box adds: the bars of the tune.
std::string RoleRangeDetail(int bars) {
    return "[Start and End must lie within bars 1 to " + std::to_string(bars) +
           ", and End may not come before Start]";
}

}  // namespace

Rect RoleLabelRect(int c) {
    return Rect::FromSize(c / 8 * 300 + 25, c % 8 * 35 + 105, 100, 30);
}
// A combo is laid out 130 x 90 with its list dropped; closed it is as high
// as its row's other controls, so the rows below stay visible.
Rect RoleComboRect(int c) {
    return Rect::FromSize(c / 8 * 300 + 135, c % 8 * 35 + 105, 130, 30);
}
Rect RoleListenRect(int c) {
    return Rect::FromSize(c / 8 * 300 + 270, c % 8 * 35 + 105, 50, 30);
}

ZaChanelRole::ZaChanelRole(MidiF0Data& song, TuneStructure& structure, Window* parent)
    : song_(song), structure_(structure), parent_(parent) {
    g_openDialog = this;
}

ZaChanelRole::~ZaChanelRole() {
    // Closing stops what plays: the range copy is released by its song, once.
    SetChannelListenEndHandler(nullptr);
    if (listening_ >= 0) StopChannelListen();
    StopRange();
    g_openDialog = nullptr;
}

int ZaChanelRole::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

Control& ZaChanelRole::Find(int id) {
    return *GetWindow().FindControl(id);
}

void ZaChanelRole::Pause(int milliseconds) {
    PumpWhile([] { return true; }, std::chrono::milliseconds(milliseconds));
}

void ZaChanelRole::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(1);
    Window& w = GetWindow();
    w.SetTitle("Chanel Roles");
    const int captions[1] = {kRoleOkButton};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::LargeBackground), kLargeDialogWidth, kLargeDialogHeight);
    SetOkSkinButton(Button(kRoleOkButton), "OK", AddButtonHolder(kOkHolder));
    PlaceSkinButtons(1, &Button(0));

    w.AddControl(ControlKind::TextView, Rect::FromSize(250, 30, 100, 25), kRoleStartLabel)
        .SetText("Start");
    Control& start = w.AddControl(ControlKind::Edit, Rect::FromSize(350, 30, 50, 25), kRoleStartEdit);
    w.AddControl(ControlKind::UpDown, Rect::FromSize(400, 30, 20, 25), kRoleStartUpDown)
        .BindBuddy(&start);
    w.AddControl(ControlKind::TextView, Rect::FromSize(440, 30, 100, 25), kRoleEndLabel)
        .SetText("End");
    Control& end = w.AddControl(ControlKind::Edit, Rect::FromSize(540, 30, 50, 25), kRoleEndEdit);
    w.AddControl(ControlKind::UpDown, Rect::FromSize(590, 30, 20, 25), kRoleEndUpDown)
        .BindBuddy(&end);
    w.AddControl(ControlKind::TextView, Rect::FromSize(25, 70, 600, 30), kRolePrompt)
        .SetText("Please, specify the role of chanel!");
    w.AddControl(ControlKind::PushButton, kRolePlayRect, kRolePlayButton).SetText("Play");
    listening_ = -1;
    Pause(kOpenPauseMs);

    usedChannels_ = 0;
    for (int c = 0; c < kRoleChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        w.AddControl(ControlKind::TextView, RoleLabelRect(c), kRoleChannelLabel + c)
            .SetText("Channel " + std::to_string(c + 1));
        Control& combo = w.AddControl(ControlKind::ComboBox, RoleComboRect(c), kRoleCombo + c);
        Control& listen =
            w.AddControl(ControlKind::PushButton, RoleListenRect(c), kRoleListenButton + c);
        listen.SetText("Listen");
        for (int e = 0; e < kRoleComboEntries; ++e)
            combo.AddItem(kRoleComboTexts[e], e);
        if (structure_.used[i] != 0) {
            ++usedChannels_;
            combo.SetSelection(c == TuneStructure::kDrumChannel ? 5
                                                                : RoleToComboEntry(structure_.role[i]));
        } else {
            combo.SetSelection(0);
            combo.Enable(false);
            listen.Enable(false);
        }
    }
    const int bars = std::max(structure_.barCount, 1);
    Find(kRoleStartUpDown).SetRange(1, bars);
    Find(kRoleEndUpDown).SetRange(1, bars);
    const std::array<int, 2> window =
        InitialBarWindow(FormatOf(OutputType.load()).family == FormatFamily::Ringtone,
                         song_.GetTicksBeforeFirstNote(), song_.division, bars);
    start.SetText(std::to_string(window[0]));
    end.SetText(std::to_string(window[1]));
    Find(kRoleStartUpDown).SetValue(window[0]);
    Find(kRoleEndUpDown).SetValue(window[1]);
    ResizeToClient(w, kLargeDialogWidth, kLargeDialogHeight);
    SetChannelListenEndHandler([] {
        PostToUi([] {
            if (g_openDialog) g_openDialog->OnListenEnded();
        });
    });
    PaintSkin();
}

void ZaChanelRole::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    OnSkinButtonUp();
    if (PressedIndex() == kRoleOkButton) OnOk(window);
}

void ZaChanelRole::OnControl(Window&, Control& control, ControlEvent event) {
    if (event != ControlEvent::Clicked) return;
    const int id = control.Id();
    if (id == kRolePlayButton) OnPlay();
    if (id >= kRoleListenButton && id < kRoleListenButton + kRoleChannels)
        OnListen(id - kRoleListenButton);
}

void ZaChanelRole::StopListen() {
    if (listening_ < 0) return;
    Find(kRoleListenButton + listening_).SetText("Listen");
    StopChannelListen();
    listening_ = -1;
}

void ZaChanelRole::OnListen(int channel) {
    std::shared_ptr<ShellServices> shell = GetShellServices();
    shell->SetWaitCursor(true);
    const int previous = listening_;
    if (previous >= 0) {
        StopListen();
        Pause(kListenPauseMs);
    }
    if (previous != channel && StartChannelListen(channel, song_) == 1) {
        listening_ = channel;
        Find(kRoleListenButton + channel).SetText("STOP");
    }
    shell->SetWaitCursor(false);
}

void ZaChanelRole::OnListenEnded() {
    if (listening_ < 0) return;
    Find(kRoleListenButton + listening_).SetText("Listen");
    listening_ = -1;
}

void ZaChanelRole::StopRange() {
    if (!playing_) return;
    playing_ = false;
    if (song_.PlayCopyData()) song_.StopPlay();
}

void ZaChanelRole::OnPlay() {
    Control& play = Find(kRolePlayButton);
    if (playing_) {
        play.SetText("Play");
        StopRange();
        return;
    }
    play.SetText("Stop");
    if (listening_ >= 0) {
        StopListen();
        Pause(kListenPauseMs);
    }
    const MaterialRange r = RangeFromFields(Find(kRoleStartEdit).NumberOr(1),
                                            Find(kRoleEndEdit).NumberOr(1), structure_.barCount);
    const long long from = song_.MeasureToTicks(r.startBar);
    const long long to = song_.MeasureToTicks(r.startBar + r.barCount);
    playing_ = song_.PlayRange(OnRangePlayEnd, static_cast<int>(from), static_cast<int>(to)) == 1;
    if (!playing_) play.SetText("Play");
}

void ZaChanelRole::OnPlayEnded() {
    // The copy stays with the song until the next play or the close.
    playing_ = false;
    Find(kRolePlayButton).SetText("Play");
}

void ZaChanelRole::OnOk(Window& window) {
    std::array<int, kRoleChannels> roles{};
    for (int c = 0; c < kRoleChannels; ++c) {
        roles[static_cast<std::size_t>(c)] = ComboEntryToRole(Find(kRoleCombo + c).Selection());
        structure_.role[static_cast<std::size_t>(c)] = roles[static_cast<std::size_t>(c)];
    }
    if (const ErrorCode code = CheckChannelRoleChoice(roles, usedChannels_)) {
        ShowErrorMessage(code);
        return;
    }
    // A field that holds no number reads as 0, which no range holds.
    const int start = Find(kRoleStartEdit).NumberOr(0);
    const int end = Find(kRoleEndEdit).NumberOr(0);
    const int bars = std::max(structure_.barCount, 1);
    if (start < 1 || end < start || end > bars) {
        ShowErrorMessage(kRoleRangeError, RoleRangeDetail(bars));
        return;
    }
    StopListen();
    range_ = RangeFromFields(start, end, structure_.barCount);
    window.EndModal(platform::kIdOk);
}

int AppChannelRoleDialog::Run(MidiF0Data& song, TuneStructure& structure, MaterialRange& range) {
    return RunOver(nullptr, song, structure, range);
}

int AppChannelRoleDialog::RunOver(platform::ui::Window* owner, MidiF0Data& song,
                                  TuneStructure& structure, MaterialRange& range) {
    ZaChanelRole dialog(song, structure, owner);
    if (dialog.DoModal() != platform::kIdOk) return 0;
    range = dialog.Range();
    return 1;
}
