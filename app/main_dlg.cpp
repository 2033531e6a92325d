#include "app/main_dlg.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/posting_shell_services.h"
#include "app/shell_seams.h"
#include "app/zaw_dialog.h"
#include "compose/compose_control.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "style/style_table.h"

using namespace platform::ui;

std::atomic<int> ComposeOutputType{kDefaultComposeOutputType};

namespace {

constexpr ErrorCode kCantStopWhilePlaying = 0xFF01011B;
constexpr ErrorCode kStopPlayingFirst = 0xFF010120;
constexpr ErrorCode kChangeToConvertMode = 0xFF010122;
constexpr ErrorCode kNotMidiFile = 0xFF010123;
constexpr ErrorCode kStopComposingFirst = 0xFF01014D;
constexpr ErrorCode kConversionOperationError = 0xFF0101BE;
constexpr ErrorCode kOnlyOneFile = 0xFF0101C1;

MainDlg* g_mainWindow = nullptr;

// A region's rectangle, exclusive on every edge.
struct Strict {
    int left, top, right, bottom;
    bool Holds(int x, int y) const { return left < x && x < right && top < y && y < bottom; }
};
constexpr Strict kNoRegion{0, 0, 0, 0};

// Indexed by region 1..10.
constexpr Strict kComposeRegions[11] = {
    kNoRegion,
    {168, 168, 301, 199},
    {301, 167, 387, 198},
    {83, 166, 167, 201},
    {319, 37, 377, 51},
    {264, 40, 314, 70},
    {12, 122, 72, 141},
    {12, 93, 72, 113},
    {12, 67, 73, 85},
    {23, 160, 64, 190},
    kNoRegion,
};
constexpr Strict kOtherRegions[11] = {
    kNoRegion,          {104, 172, 225, 195}, kNoRegion,
    kNoRegion,          {319, 37, 377, 51},   kNoRegion,
    {12, 122, 72, 141}, {12, 93, 72, 113},    {12, 67, 73, 85},
    {23, 160, 64, 190}, {245, 171, 368, 194},
};

// The top of the captions under the bottom buttons. The label face's line
// (11 px with its leading and descent, 13 px in all) ends two rows above the
// background's two-pixel frame at the panel's lower edge, so descenders
// ("Play", "Compose") are drawn whole and clear of the frame.
constexpr int kBottomCaptionTop = 195;
// The bottom buttons (Play, Next, Previous and Edit or Convert) all end on
// the row above the captions' capitals (the face's leading is 2 rows), so no
// caption is drawn over a button's dark lower edge, in any mode.
constexpr int kBottomButtonsEnd = kBottomCaptionTop + 2;

// Where LayoutPanel puts each holder (Play is moved by the mode layouts).
constexpr Rect kHolderPlaces[11] = {
    Rect{0, 0, kPanelWidth, kPanelHeight},
    Rect{168, kBottomButtonsEnd - 31, 301, kBottomButtonsEnd},
    Rect{301, kBottomButtonsEnd - 31, 387, kBottomButtonsEnd},
    Rect{83, kBottomButtonsEnd - 35, 167, kBottomButtonsEnd},
    Rect{315, 34, 385, 58},
    Rect{242, 34, 312, 59},
    Rect{10, 117, 78, 144},
    Rect{10, 90, 78, 118},
    Rect{10, 63, 77, 91},
    Rect{14, 147, 74, 203},
    Rect{241, kBottomButtonsEnd - 31, 373, kBottomButtonsEnd},
};
constexpr Rect kComposePlay = Rect::FromSize(168, kBottomButtonsEnd - 31, 133, 31);
constexpr Rect kOtherPlay = Rect::FromSize(99, kBottomButtonsEnd - 34, 132, 34);

struct Faces {
    SkinId normal;
    SkinId pressed;
};
constexpr Faces kFaces[11] = {
    {SkinId::PanelBackground, SkinId::PanelBackground},
    {SkinId::PanelComposeIdle, SkinId::PanelComposeRunning},
    {SkinId::PanelNext, SkinId::PanelNextPressed},
    {SkinId::PanelPrevious, SkinId::PanelPreviousPressed},
    {SkinId::PanelHelp, SkinId::PanelHelpPressed},
    {SkinId::PanelTimer, SkinId::PanelTimerPressed},
    {SkinId::PanelStyle, SkinId::PanelStylePressed},
    {SkinId::PanelMode, SkinId::PanelModePressed},
    {SkinId::PanelSetting, SkinId::PanelSettingPressed},
    {SkinId::PanelPower, SkinId::PanelPowerPressed},
    {SkinId::PanelConvert, SkinId::PanelConvertPressed},
};

std::string TwoDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", std::clamp(n, 0, 99));
    return text;
}

bool EndsWithMidiExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".mid";
}

// The file named on the command line gets a dropped file's name check, then
// must read as a MIDI file would ("File Open Error!", "File Size Error!"),
// since it changes the mode before it is converted. Each refusal shows its box.
bool CommandLineFileUsable(const std::string& path) {
    if (RefuseOtherThanRegularFile(path)) return false;
    if (!EndsWithMidiExtension(path)) {
        ShowErrorMessage(kNotMidiFile);
        return false;
    }
    std::string name = path;
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::size_t size = 0;
    return ReadMidiFile(name, buffer.data(), buffer.size(), &size) == 1;
}

// Serves the panel for the given time on the program's clock: the UI stays
// alive where the panel would otherwise sleep. Ends early when done() holds.
void PumpFor(int milliseconds, const std::function<bool()>& done = {}) {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    const platform::Nanoseconds deadline = clock->Now() + std::chrono::milliseconds(milliseconds);
    while (clock->Now() < deadline) {
        if (done && done()) return;
        PumpOnce(0);
        clock->SleepUntil(std::min(deadline, clock->Now() + std::chrono::milliseconds(10)));
    }
}

// The panel as the engine sees it; the posting wrapper brings every call to
// the UI thread.
class PanelServices : public ShellServices {
public:
    void SetMainWindowTitle(const std::string& title) override {
        if (MainDlg* panel = MainWindow()) panel->GetWindow().SetTitle(title);
    }
    void RedrawPanel() override {
        if (MainDlg* panel = MainWindow()) panel->RedrawPanel();
    }
    void DrawStatus() override {
        if (MainDlg* panel = MainWindow()) panel->DrawStatus(false);
    }
    void BroadcastPaint() override { RequestRepaintAll(); }
    void DisablePowerSaving() override {}
};

}  // namespace

MainDlg* MainWindow() {
    return g_mainWindow;
}

int HitTestPanel(int mode, int x, int y) {
    const Strict* regions = mode == kPanelModeCompose ? kComposeRegions : kOtherRegions;
    for (int region = kRegionPlay; region <= kRegionAction; ++region) {
        if (regions[region].Holds(x, y)) return region;
    }
    return kRegionNone;
}

std::string HelpTopicPath() {
    return platform::JoinPath(platform::JoinPath(platform::ProgramDirectory(), "help"), "top.htm");
}

void ShowOutputNameStatus() {
    if (FormatOf(OutputType.load()).family == FormatFamily::Smf) {
        ResultText.Set("Output file is mymidi" + TwoDigits(AppSettings.TuneNumber));
    }
    GetShellServices()->DrawStatus();
}

MainDlg::MainDlg(std::vector<std::string> words)
    : window_(std::make_unique<Window>(this)),
      words_(std::move(words)),
      playCompose_([](int seconds) { OnPlayCompose(seconds); }) {}

MainDlg::~MainDlg() {
    OnDestroy();
    if (g_mainWindow == this) g_mainWindow = nullptr;
}

int MainDlg::Run() {
    OnInitDialog();
    window_->Show();
    int code = window_->RunModal();
    if (platform::ui::ShuttingDown()) {
        // A quit request ended the panel: nothing may run on once it is
        // gone, the timer first, as Power does.
        StopTimerThreadSeam();
        StopWorkerServingTheUi();
    }
    window_->Hide();
    OnDestroy();
    return code;
}

void MainDlg::OnInitDialog() {
    g_mainWindow = this;
    destroyed_ = false;
    closing_ = false;
    AttachQuickTimeWindow(*window_);
    window_->SetIcon(SkinImage(SkinId::PanelPlay));
    if (!servicesInstalled_) {
        previousServices_ = SetShellServices(
            std::make_shared<PostingShellServices>(std::make_shared<PanelServices>()));
        servicesInstalled_ = true;
    }
    CheckSystemMixer();
    UpdateTitle();
    MusicStyle first;
    if (GetStyleEntry(0, 8, first)) SetWorkingStyle(first);
    StartTimerThreadSeam();
    LayoutPanel();
    pressedRegion_ = kRegionNone;
    PanelMode = kPanelModeCompose;
    ComposingActive = 0;
    UpdateFaces();
    window_->Move(Point{320, 240});
    window_->SetClientSize(Size{kPanelWidth, kPanelHeight});
    if (words_.size() == 1) {
        // A file that is refused or cannot be read leaves the panel as it is.
        if (CommandLineFileUsable(words_[0])) {
            CycleMode();
            CycleMode();
            ConvertInput(words_[0]);
        }
    } else if (words_.size() > 1) {
        ShowErrorMessage(kOnlyOneFile);
    }
}

void MainDlg::OnDestroy() {
    if (destroyed_ || !servicesInstalled_) return;
    destroyed_ = true;
    SaveSettingsFile();
    SetShellServices(previousServices_);
    previousServices_.reset();
    servicesInstalled_ = false;
}

void MainDlg::UpdateTitle() {
    const std::string digits = TwoDigits(AppSettings.TuneNumber);
    window_->SetTitle("ZAW [" + digits + "]");
    SetOutputFileNumber(AppSettings.TuneNumber);
}

void MainDlg::LayoutPanel() {
    window_->SetClientSize(Size{kPanelWidth, kPanelHeight});
    for (int region = 0; region <= kRegionAction; ++region) {
        if (!holders_[region]) {
            holders_[region] = &window_->AddControl(ControlKind::ImageHolder, kHolderPlaces[region],
                                                    region == 0 ? 1736 : 0);
        } else {
            holders_[region]->Move(kHolderPlaces[region]);
        }
    }
    SetComposeLayout();
    UpdateFaces();
}

void MainDlg::SetTrayHintText() {
    StatusText.Set("Click the icon on task bar");
    ResultText.Set("to hide/show the window.");
}

void MainDlg::SetConvertModeText() {
    ResultText.Set(ConvertStyleSelection[0] == 1 ? "Converts file format."
                                                 : "Converts music style.");
}

void MainDlg::SetComposeLayout() {
    ModeCaptionText.Set("Compose Mode");
    MovePlay(kPanelModeCompose);
    SetTrayHintText();
}

void MainDlg::SetEditLayout() {
    ModeCaptionText.Set("Edit Mode");
    MovePlay(kPanelModeEdit);
}

void MainDlg::SetConvertLayout() {
    ModeCaptionText.Set("Convert Mode");
    MovePlay(kPanelModeConvert);
}

void MainDlg::MovePlay(int mode) {
    if (!holders_[kRegionPlay]) return;
    const bool compose = mode == kPanelModeCompose;
    holders_[kRegionPlay]->Move(compose ? kComposePlay : kOtherPlay);
    // Controls of the other modes are hidden so their faces do not show.
    for (int region : {kRegionNext, kRegionPrevious, kRegionTimer})
        holders_[region]->Show(compose);
    holders_[kRegionAction]->Show(!compose);
    holders_[kRegionStyle]->Show(mode != kPanelModeEdit);
}

Control* MainDlg::Holder(int region) const {
    if (region < 0 || region > kRegionAction) return nullptr;
    return holders_[region];
}

std::int64_t MainDlg::Seconds() const {
    return platform::GetClock()->WallSeconds();
}

bool MainDlg::StopFirst() {
    if (TuneInProgress.load() == 1 || PlayingActive.load() == 1) {
        RequestStop();
        return false;
    }
    if (ComposingActive.load() == 1) {
        ClearComposingFlag();
        TuneCount = 0;
        WaitCursor wait;
        PumpFor(1000);
    }
    return true;
}

void MainDlg::NextTune() {
    if (!StopFirst()) return;
    AppSettings.TuneNumber = std::min(AppSettings.TuneNumber + 1, 99);
    SetOutputFileNumber(AppSettings.TuneNumber);
    ShowOutputNameStatus();
    UpdateTitle();
}

void MainDlg::PreviousTune() {
    if (!StopFirst()) return;
    AppSettings.TuneNumber = std::max(AppSettings.TuneNumber - 1, 0);
    SetOutputFileNumber(AppSettings.TuneNumber);
    ShowOutputNameStatus();
    UpdateTitle();
}

void MainDlg::UpdateStyleCountText() {
    StatusText.Clear();
    ResultText.Clear();
    if (StopFirst()) {
        const int mode = PanelMode.load();
        if (mode == kPanelModeCompose || mode == kPanelModeConvert)
            OpenStyleSelection(window_.get());
        window_->Invalidate(false);
    }
    if (PanelMode.load() == kPanelModeCompose) {
        StatusText.Set(std::to_string(CountSelectedStyles()) + " styles are selected.");
    } else if (PanelMode.load() == kPanelModeConvert) {
        SetConvertModeText();
    }
}

void MainDlg::OpenSettings() {
    if (!StopFirst()) return;
    OpenSystemSetting(window_.get());
    if (PanelMode.load() == kPanelModeConvert) {
        SetConvertModeText();
    } else {
        SetTrayHintText();
    }
    DrawStatus(false);
}

void MainDlg::OpenTimer() {
    if (!StopFirst()) return;
    OpenTimerDialog(window_.get());
}

void MainDlg::ShowHelp() {
    // Help opens even when the step asked for a stop instead.
    StopFirst();
    OpenDocument(HelpTopicPath());
}

void MainDlg::CycleMode() {
    if (PlayingActive.load() == 1) {
        ShowErrorMessage(kStopPlayingFirst);
        return;
    }
    ComposeOutputType = AppSettings.ComposeOutputType;
    SetOutputFileNumber(AppSettings.TuneNumber);
    StatusText.Clear();
    ResultText.Clear();
    UpdateTitle();
    if (!StopFirst()) return;
    switch (PanelMode.load()) {
        case kPanelModeEdit:
            PanelMode = kPanelModeConvert;
            StatusText.Set("Push Convert button to convert tune.");
            SetConvertModeText();
            SetConvertLayout();
            break;
        case kPanelModeCompose:
            PanelMode = kPanelModeEdit;
            StatusText.Set("Push edit button to edit saved tune.");
            SetEditLayout();
            break;
        default:
            PanelMode = kPanelModeCompose;
            SetComposeLayout();
            break;
    }
    UpdateFaces();
    window_->Invalidate(true);
}

void MainDlg::ShowFace(int region, bool pressed) {
    if (region < kRegionPlay || region > kRegionAction) return;
    SkinId id = pressed ? kFaces[region].pressed : kFaces[region].normal;
    if (region == kRegionAction && PanelMode.load() == kPanelModeEdit) {
        id = pressed ? SkinId::PanelEditPressed : SkinId::PanelEdit;
    }
    SkinBlit(SkinImage(id), holders_[region]);
}

void MainDlg::OnCommand(int id) {
    switch (id) {
        case kCommandHidePanel:
            if (!hideNoticeShown_) {
                platform::ShowBox(platform::BoxKind::Info,
                                  "Click task tray icon to display again.");
                hideNoticeShown_ = true;
            }
            HideToTray(*window_, tray_);
            break;
        case kCommandQuit:
            if (PlayingActive.load() == 1) {
                ShowErrorMessage(kCantStopWhilePlaying);
            } else {
                StopAndClose();
            }
            break;
        case kCommandHelp:
            ShowHelp();
            break;
        case kCommandShowPanel:
            window_->Show();
            window_->Raise();
            break;
        default:
            break;
    }
}

void MainDlg::DropFiles(const std::vector<std::string>& paths) {
    // Only the first file of a drop counts; its path arrives whole.
    if (paths.empty()) return;
    const std::string& file = paths[0];
    if (!EndsWithMidiExtension(file)) {
        ShowErrorMessage(kNotMidiFile);
    } else if (PanelMode.load() == kPanelModeConvert) {
        ConvertInput(file);
    } else {
        ShowErrorMessage(kChangeToConvertMode);
    }
}

void StopWorkerServingTheUi() {
    StopComposeRun(false);
    if (platform::ui::IsUiThread() && platform::ui::HasBackend())
        platform::ui::PumpWhile([] { return ComposeWorkerBusy(); });
    StopComposeRun(true);
}

void MainDlg::StopAndClose() {
    if (PlayingActive.load() == 1) {
        ShowErrorMessage(kCantStopWhilePlaying);
        return;
    }
    if (QuitProgram()) {
        closing_ = true;
        window_->EndModal(platform::kIdCancel);
    }
}

bool MainDlg::QuitProgram() {
    WaitCursor wait;
    ClearComposingFlag();
    ComposeStopRequest = 1;
    auto busy = [] { return TuneInProgress.load() == 1 || PlayingActive.load() == 1; };
    // Up to eleven tenths of a second for the tune in hand, serving the
    // panel meanwhile so the worker's posts and boxes are answered.
    for (int waits = 0; busy(); ++waits) {
        if (waits == 11) {
            ShowErrorMessage(kStopComposingFirst);
            return false;
        }
        PumpFor(100);
    }
    PumpFor(100);
    PumpFor(1500);
    if (busy() || ComposingActive.load() == 1) PumpFor(1000);
    // Nothing may run on once the panel is gone. The timer goes first: it
    // may start a run until it is stopped.
    StopTimerThreadSeam();
    StopWorkerServingTheUi();
    return true;
}

void MainDlg::QuitOnSignal() {
    if (signalQuit_) return;
    signalQuit_ = true;
    // Nobody may be there to answer a box: from here on boxes answer at once
    // and a worker waiting for one goes on.
    platform::ui::BeginShutdown();
    // A dialog open over the panel ends as cancelled, so the panel's own
    // loop ends once the dialog's has; so do a box or a file chooser.
    for (Window* other : AllWindows())
        if (other != window_.get() && other->IsModal()) other->EndModal(platform::kIdCancel);
    platform::ui::CloseBackendDialogs();
    // A tune being composed (a style conversion too) stops. This may run
    // inside a box shown while a lock is held, so the threads are joined and
    // what plays is stopped once the loops have ended (Run, ExitInstance).
    ComposeStopRequest = 1;
    ClearComposingFlag();
    // Clicks held during a guarded click are dropped, not acted on.
    closing_ = true;
    window_->EndModal(platform::kIdCancel);
}

std::string MainDlg::StatusLines() const {
    return ModeCaptionText.Get() + "\n" + StatusText.Get() + "\n" + ResultText.Get();
}

void MainDlg::DrawStatus(bool force) {
    // The dots are drawn on every call, the text only when it changed.
    const std::string text = StatusLines();
    const std::string dots = ProgressDotsText.Get();
    if (text != lastStatusDrawn_ || dots != lastDotsDrawn_ || force) {
        window_->InvalidateRect(kStatusBox, false);
    }
    lastStatusDrawn_ = text;
    lastDotsDrawn_ = dots;
}

void MainDlg::RedrawPanel() {
    UpdateFaces();
    window_->Invalidate(false);
}

void MainDlg::DrawStatusBox(Canvas& canvas) const {
    canvas.SetFont(StatusFont());
    canvas.SetTextBackground(true, Rgb{0, 0, 0});
    canvas.SetTextColour(PanelMode.load() == kPanelModeCompose ? kComposeStatusColour
                                                               : kOtherStatusColour);
    canvas.FillRect(kStatusBox, Rgb{0, 0, 0});
    canvas.DrawText(StatusLines(), kStatusBox, TextLayout::CentredLines);
    const std::size_t dots = std::min<std::size_t>(ProgressDotsText.Length(), 25);
    for (std::size_t i = 0; i < dots; ++i) {
        const int x = 110 + 10 * static_cast<int>(i);
        canvas.FillRect(Rect{x, 135, x + 5, 140}, kProgressDotColour);
    }
}

void MainDlg::DrawPanelTexts(Canvas& canvas) const {
    canvas.SetFont(LabelFont());
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetTextColour(Rgb{0, 0, 0});
    canvas.DrawTextAt("Setting", Point{44, 71});
    canvas.DrawTextAt("Mode", Point{44, 98});
    canvas.DrawTextAt("Power", Point{45, 170});
    canvas.DrawTextAt("Help", Point{347, 40});
    switch (PanelMode.load()) {
        case kPanelModeEdit:
            canvas.DrawTextAt("Play", Point{165, kBottomCaptionTop});
            canvas.DrawTextAt("Edit", Point{305, kBottomCaptionTop});
            break;
        case kPanelModeCompose:
            canvas.DrawTextAt("Next", Point{345, kBottomCaptionTop});
            canvas.DrawTextAt("Previous", Point{123, kBottomCaptionTop});
            canvas.DrawTextAt("Timer", Point{277, 40});
            canvas.DrawTextAt("Compose", Point{231, kBottomCaptionTop});
            canvas.DrawTextAt("Style", Point{44, 125});
            break;
        default:
            canvas.DrawTextAt("Play", Point{165, kBottomCaptionTop});
            canvas.DrawTextAt("Convert", Point{305, kBottomCaptionTop});
            canvas.DrawTextAt("Style", Point{44, 125});
            break;
    }
}

bool MainDlg::UpdateFaces() {
    if (!holders_[0]) return false;
    const Image* before[11];
    for (int region = 0; region <= kRegionAction; ++region)
        before[region] = holders_[region]->ShownImage();
    const int mode = PanelMode.load();
    SkinBlit(SkinImage(SkinId::PanelBackground), holders_[0]);
    if (mode == kPanelModeCompose) {
        SkinBlit(SkinImage(ComposingActive.load() == 1 ? SkinId::PanelComposeRunning
                                                       : SkinId::PanelComposeIdle),
                 holders_[kRegionPlay]);
    } else {
        SkinBlit(SkinImage(PlayingActive.load() == 1 ? SkinId::PanelPlaying : SkinId::PanelPlay),
                 holders_[kRegionPlay]);
        if (pressedRegion_ != kRegionAction) ShowFace(kRegionAction, false);
    }
    // A held button keeps its pressed face until its release.
    for (int region : {kRegionHelp, kRegionMode, kRegionSetting, kRegionPower})
        if (region != pressedRegion_) ShowFace(region, false);
    if (mode == kPanelModeCompose) {
        for (int region : {kRegionPrevious, kRegionNext, kRegionTimer, kRegionStyle})
            if (region != pressedRegion_) ShowFace(region, false);
    } else if (mode == kPanelModeConvert && pressedRegion_ != kRegionStyle) {
        ShowFace(kRegionStyle, false);
    }
    for (int region = 0; region <= kRegionAction; ++region)
        if (before[region] != holders_[region]->ShownImage()) return true;
    return false;
}

void MainDlg::OnPaint(Window&, Canvas& canvas) {
    // Faces are set before a paint; one that changed unnoticed (a flag a
    // worker flipped) gets a paint of its own, since a repaint asked for
    // during a paint may be lost.
    if (UpdateFaces()) {
        PostToUi([] {
            if (MainDlg* panel = MainWindow()) panel->GetWindow().Invalidate(false);
        });
    }
    DrawPanelTexts(canvas);
    DrawStatusBox(canvas);
    lastStatusDrawn_ = StatusLines();
    lastDotsDrawn_ = ProgressDotsText.Get();
}

void MainDlg::OnLeftDown(Window& window, Point p) {
    if (clickGuard_.exchange(1) == 1) {
        // A click while another one's action runs only beeps; but Play while
        // the run that action started still waits to begin stops the run,
        // and once a run has ended meanwhile, that action is only waiting on
        // its way out, and the click acts as soon as it returns.
        if (PanelMode.load() == kPanelModeCompose &&
            HitTestPanel(kPanelModeCompose, p.x, p.y) == kRegionPlay && StopRunWhileStarting())
            return;
        if (ComposeRunsEnded() != guardRunsEnded_) {
            deferredClicks_.push_back(p);
        } else {
            Beep();
        }
        return;
    }
    guardRunsEnded_ = ComposeRunsEnded();
    {
        // Cleared on every way out, so the panel never stays deaf to clicks.
        struct Release {
            std::atomic<int>& guard;
            ~Release() { guard = 0; }
        } release{clickGuard_};
        ActOnLeftDown(p);
    }
    std::vector<Point> deferred;
    deferred.swap(deferredClicks_);
    for (Point q : deferred) {
        // A panel on its way out hears no more clicks.
        if (closing_ || !window_->IsModal()) break;
        OnLeftDown(window, q);
        OnLeftUp(window, q);
    }
}

void MainDlg::ActOnLeftDown(Point p) {
    const std::int64_t now = Seconds();
    if (StopPending.load() == 1 && ComposingActive.load() == 1) {
        ComposeStopRequest = 1;
        return;
    }
    StopPending = 0;
    pressedRegion_ = HitTestPanel(PanelMode.load(), p.x, p.y);
    switch (pressedRegion_) {
        case kRegionPlay:
            if (PanelMode.load() == kPanelModeCompose) {
                playCompose_(static_cast<int>(now - lastClickTime_));
            } else {
                WaitCursor wait;
                PlayOrStopResult();
            }
            break;
        case kRegionNext:
            ShowFace(kRegionNext, true);
            NextTune();
            StatusText.Clear();
            break;
        case kRegionPrevious:
            ShowFace(kRegionPrevious, true);
            PreviousTune();
            StatusText.Clear();
            break;
        case kRegionHelp:
        case kRegionTimer:
        case kRegionStyle:
        case kRegionMode:
        case kRegionSetting:
            ShowFace(pressedRegion_, true);
            break;
        case kRegionPower:
            ShowFace(kRegionPower, true);
            if (PlayingActive.load() == 1) {
                ShowErrorMessage(kCantStopWhilePlaying);
                ShowFace(kRegionPower, false);
                window_->Invalidate(false);
            } else {
                StopAndClose();
            }
            break;
        case kRegionAction:
            if (PanelMode.load() == kPanelModeCompose) {
                ShowErrorMessage(kConversionOperationError);
            } else {
                ShowFace(kRegionAction, true);
            }
            break;
        default:
            break;
    }
    UpdateFaces();
    window_->InvalidateRect(Rect{0, 0, kPanelWidth, kPanelHeight}, false);
    lastClickTime_ = now;
}

void MainDlg::OnLeftUp(Window&, Point) {
    const int region = pressedRegion_;
    pressedRegion_ = kRegionNone;
    switch (region) {
        case kRegionHelp:
            ShowFace(region, false);
            ShowHelp();
            break;
        case kRegionTimer:
            ShowFace(region, false);
            OpenTimer();
            break;
        case kRegionStyle:
            ShowFace(region, false);
            UpdateStyleCountText();
            break;
        case kRegionMode:
            ShowFace(region, false);
            CycleMode();
            break;
        case kRegionSetting:
            ShowFace(region, false);
            OpenSettings();
            break;
        case kRegionAction:
            ShowFace(region, false);
            if (PanelMode.load() == kPanelModeConvert) {
                ConvertInput(std::string());
            } else if (PanelMode.load() == kPanelModeEdit) {
                EditTune();
            }
            break;
        default:
            break;
    }
    if (region != kRegionNone) {
        UpdateFaces();
        window_->Invalidate(false);
    }
}

void MainDlg::OnRightDown(Window&, Point p) {
    window_->Raise();
    const int id = PopupMenu(
        window_.get(), window_->ClientToScreen(p),
        {{kCommandHidePanel, "Hide Panel"}, {kCommandHelp, "Help"}, {kCommandQuit, "Quit"}});
    if (id != 0) OnCommand(id);
}

void MainDlg::OnDropFiles(Window&, const std::vector<std::string>& paths) {
    DropFiles(paths);
}

void MainDlg::OnOk(Window&) {
    const std::int64_t now = Seconds();
    playCompose_(static_cast<int>(now - lastOkTime_));
    lastOkTime_ = now;
}

void MainDlg::OnCancel(Window&) {
    if (platform::ShowBox(platform::BoxKind::OkCancel, "Quit program?") == platform::kIdOk) {
        StopAndClose();
    }
}
