// The main panel: a 400 x 210 skinned window with hit regions instead of
// buttons, three modes (compose, edit, convert), a three-line status display
// with a row of progress dots, two menus, drops and the command line, and the
// quit protocol that waits for the compose worker before the panel closes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/shell_services.h"
#include "platform/ui/skin.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"

enum PanelRegion : int {
    kRegionNone = -1,
    kRegionPlay = 1,
    kRegionNext = 2,
    kRegionPrevious = 3,
    kRegionHelp = 4,
    kRegionTimer = 5,
    kRegionStyle = 6,
    kRegionMode = 7,
    kRegionSetting = 8,
    kRegionPower = 9,
    kRegionAction = 10,
};

// Menu commands of the panel and the tray.
constexpr int kCommandHidePanel = 32799;
constexpr int kCommandQuit = 32800;
constexpr int kCommandHelp = 32801;
constexpr int kCommandShowPanel = 32802;

constexpr int kPanelWidth = 400;
constexpr int kPanelHeight = 210;
// The status display and its colours.
constexpr platform::ui::Rect kStatusBox{100, 74, 370, 145};
constexpr platform::ui::Rgb kComposeStatusColour{255, 255, 200};
constexpr platform::ui::Rgb kOtherStatusColour{200, 255, 200};
constexpr platform::ui::Rgb kProgressDotColour{0, 127, 0};
constexpr platform::ui::Rgb kPanelControlTextColour{117, 60, 90};

// The output type of composed tunes, taken from the settings when the mode
// changes and at start-up.
extern std::atomic<int> ComposeOutputType;

// "Output file is mymidi" + the tune number's two digits when the output
// type writes Standard MIDI Files; then the status is drawn.
void ShowOutputNameStatus();

// The region at a client point in the given mode, or -1. Every edge is
// outside: left < x < right and top < y < bottom.
int HitTestPanel(int mode, int x, int y);

// The help topic opened by Help: top.htm in the help folder beside the
// program.
std::string HelpTopicPath();

// Stops the compose run and joins its worker. On the UI thread it serves the
// UI until the worker has ended, since the worker may be waiting on a box
// posted there.
void StopWorkerServingTheUi();

class MainDlg : public platform::ui::WindowHandler {
public:
    // words: the command-line words handed on by the application.
    explicit MainDlg(std::vector<std::string> words = {});
    ~MainDlg() override;

    // Builds the window and runs the panel modally until it closes, then
    // does the destroy steps (the settings are saved).
    int Run();
    // The start steps of the panel, without the modal run (tests and Run).
    void OnInitDialog();
    // The destroy steps: the settings are saved.
    void OnDestroy();

    platform::ui::Window& GetWindow() { return *window_; }
    void SetTray(const platform::ui::TrayIcon* tray) { tray_ = tray; }
    // The Play action of compose mode (the compose control's by default).
    void SetPlayComposeAction(std::function<void(int)> action) { playCompose_ = std::move(action); }

    // ---- Actions, as the user and the menus reach them ----
    void UpdateTitle();
    void LayoutPanel();
    void SetComposeLayout();
    void SetEditLayout();
    void SetConvertLayout();
    void NextTune();
    void PreviousTune();
    void UpdateStyleCountText();
    void OpenSettings();
    void OpenTimer();
    void ShowHelp();
    void CycleMode();
    void OnCommand(int id);
    void DropFiles(const std::vector<std::string>& paths);
    // Shuts the panel after the quit protocol; refused while a result plays.
    void StopAndClose();
    // Waits for the worker, pumping the panel. False when it still runs: the
    // box was shown and the panel must stay.
    bool QuitProgram();
    // A quit request (a signal): the quit protocol without a box or a
    // refusal, from whatever loop is running. Dialogs, boxes and file
    // choosers over the panel are cancelled, a tune being composed stops
    // and the panel closes; then the timer and the worker are joined, the
    // settings saved, and what plays stops as the program ends.
    void QuitOnSignal();
    void DrawStatus(bool force);
    void RedrawPanel();

    // ---- What the panel shows ----
    std::string StatusLines() const;
    const std::string& LastStatusDrawn() const { return lastStatusDrawn_; }
    int PressedRegion() const { return pressedRegion_; }
    bool ClickGuardSet() const { return clickGuard_.load() != 0; }
    platform::ui::Control* Holder(int region) const;

    // ---- Window events ----
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnRightDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnDropFiles(platform::ui::Window& window, const std::vector<std::string>& paths) override;
    // Enter: the Play action with the seconds since the last Enter.
    void OnOk(platform::ui::Window& window) override;
    // Esc or the close box: "Quit program?".
    void OnCancel(platform::ui::Window& window) override;

private:
    // The stop-first step: false when the action is abandoned for a stop.
    bool StopFirst();
    void SetTrayHintText();
    void SetConvertModeText();
    void DrawPanelTexts(platform::ui::Canvas& canvas) const;
    void DrawStatusBox(platform::ui::Canvas& canvas) const;
    void ShowFace(int region, bool pressed);
    // Sets every face by the mode and the flags; true when one changed.
    bool UpdateFaces();
    void MovePlay(int mode);
    // The button-down action of a click, under the click guard.
    void ActOnLeftDown(platform::ui::Point p);
    std::int64_t Seconds() const;

    std::unique_ptr<platform::ui::Window> window_;
    std::vector<std::string> words_;
    const platform::ui::TrayIcon* tray_ = nullptr;
    std::function<void(int)> playCompose_;
    std::shared_ptr<ShellServices> previousServices_;
    bool servicesInstalled_ = false;
    platform::ui::Control* holders_[11] = {};  // by region; 0 is the background
    int pressedRegion_ = kRegionNone;
    std::atomic<int> clickGuard_{0};
    // Runs ended when the guard was taken, and the clicks held for after the
    // guarded click.
    unsigned guardRunsEnded_ = 0;
    std::vector<platform::ui::Point> deferredClicks_;
    bool hideNoticeShown_ = false;
    std::int64_t lastClickTime_ = 0;
    std::int64_t lastOkTime_ = 0;
    std::string lastStatusDrawn_;
    std::string lastDotsDrawn_;
    bool destroyed_ = false;
    bool closing_ = false;     // the quit protocol has ended the modal run
    bool signalQuit_ = false;  // a quit signal is being answered
};

// The panel running now, or null.
MainDlg* MainWindow();
