#include "app/application.h"

#include <filesystem>

#include "accomp/backing_generators.h"
#include "app/channel_role_dialog.h"
#include "app/holder_selection_dialog.h"
#include "app/main_dlg.h"
#include "app/ringtone_listen.h"
#include "app/shell_seams.h"
#include "app/tune_export_shell.h"
#include "app/ui_conversion_dialogs.h"
#include "app/wave_listen.h"
#include "app/zaw_dialog.h"
#include "compose/chord_analyzer.h"
#include "compose/compose_control.h"
#include "convert/output_dispatcher.h"
#include "convert/ringtone_drivers.h"
#include "convert/terminal_table.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "platform/paths.h"
#include "platform/temp_files.h"
#include "style/style_table.h"

using namespace platform::ui;

namespace {

constexpr ErrorCode kCantExecuteTwice = 0xFF01012A;
constexpr ErrorCode kRootDirectory = 0xFF01013C;

// Longest folder the chooser hands back.
constexpr std::size_t kChosenFolderLimit = 4096;

// Follows the settings file's path in the notice on a damaged one.
constexpr const char* kSettingsResetNotice =
    "\nwas damaged: the settings that could not be used were reset to their defaults.";

// Records of the oldest style-file format carry a version below this one.
constexpr int kOldestStyleVersion = 640;

bool FolderExists(const std::string& folder) {
    std::error_code error;
    return std::filesystem::is_directory(folder, error);
}

// A damaged settings file: its bad fields are back at their defaults, and
// one notice naming the file says so.
void LoadSettingsTellingResets() {
    int reset = 0;
    const SettingsLoadResult result = LoadSettingsFile(&reset);
    if (result == SettingsLoadResult::Missing || reset == 0) return;
    std::string text = SettingsFilePath();
    text += kSettingsResetNotice;
    ShowInfoBox(text);
}

}  // namespace

std::vector<std::string> ArgumentWords(int argc, const char* const* argv) {
    std::vector<std::string> words;
    for (int i = 1; i < argc && static_cast<int>(words.size()) < kMaxArgumentWords; ++i) {
        words.emplace_back(std::string(argv[i]).substr(0, kMaxArgumentLength));
    }
    return words;
}

void CheckWorkFolder() {
    std::string folder = FolderSetting(FolderKind::Work);
    if (folder.size() > 1 && folder.back() == platform::kPathSeparator) folder.pop_back();
    if (folder.empty()) {
        // No folder named at all: the program folder, without asking.
        folder = ProgramFolder();
    } else if (FolderExists(folder)) {
        return;
    } else {
        std::string chosen;
        const int answer = BrowseForFolder(folder, chosen, kChosenFolderLimit, "Select a Folder!");
        if (answer == 1 && !chosen.empty()) {
            StoreFolderSetting(FolderKind::Work, chosen);
            return;
        }
        folder = ProgramFolder();
    }
    if (folder.empty()) folder = platform::ProgramDirectory();
    SetFolderSetting(FolderKind::Work, folder);
}

void InitTuneDefaults() {
    SeedRandom();
    InitSharedShellValues();
    BuildStyleTable();
    ComposeOutputType = AppSettings.ComposeOutputType;
}

int DeselectOldFormatStyles() {
    // The style-file reader brings every older record up to the current
    // version, so an entry still below the oldest upgraded version can only
    // come from a record nothing could read.
    int cleared = 0;
    for (int i = 0; i < kStyleSelectionCount; ++i) {
        MusicStyle entry;
        if (!GetStyleEntry(i / kStyleSlots, i % kStyleSlots, entry)) continue;
        if (entry.version != 0 && entry.version < kOldestStyleVersion) {
            ComposeStyleSelection[i] = 0;
            ConvertStyleSelection[i] = 0;
            ++cleared;
        }
    }
    return cleared;
}

std::string ProgramFolder() {
    return platform::ProgramDirectory();
}

ZawApplication::ZawApplication(std::vector<std::string> words) : words_(std::move(words)) {}

ZawApplication::~ZawApplication() {
    ExitInstance();
}

bool ZawApplication::InitInstance() {
    // 1. One copy at a time.
    lock_ = std::make_unique<InstanceLock>(kInstanceLockName);
    if (!lock_->Acquired()) {
        lock_.reset();
        ShowErrorMessage(kCantExecuteTwice);
        return false;
    }
    // 7. The skin, before anything is drawn (the tray takes its icon).
    LoadSkinBitmaps();
    // 4, 5. The tray icon; a desktop without a tray leaves the panel
    // iconified instead of hidden.
    tray_ = std::make_unique<TrayIcon>(SkinImage(platform::ui::SkinId::PanelPlay), "ZAW",
                                       [this](bool right) { OnTrayClick(right); });
    // 8. Instrument names; 10. power saving off.
    FillInstrumentNames();
    DisablePowerSaving();
    // 12. The program should not sit in the root folder.
    if (ProgramFolder() == "/") ShowErrorMessage(kRootDirectory);
    // 13, 14. Defaults, then the settings file over them.
    ResetStyleSelections();
    InitDefaultSettings();
    LoadSettingsTellingResets();
    // 15 - 17.
    CheckWorkFolder();
    OpenWorkTempFileLedger();
    InitTuneDefaults();
    InstallBackingGenerators();
    InstallConversionDialogs();
    // Ringtone types of composed and converted tunes go through the
    // dispatcher; the wave exports show their progress on the panel.
    InstallOutputDispatcher(ShowExportProgress);
    // The four-voice types keep the melody the channel-role analysis names.
    SetMelodyChannelFinder(TuneMelodyChannel);
    InstallTerminalTable();
    // The channel-role dialog of files loaded as conversion material.
    SetChannelRoleDialog(std::make_shared<AppChannelRoleDialog>());
    PanelMode = kPanelModeCompose;
    // 18, 19.
    QuickTimeAvailable = StartQuickTime();
    DeselectOldFormatStyles();
    // 20. The panel.
    {
        MainDlg panel(words_);
        panel.SetTray(tray_.get());
        panel_ = &panel;
        // A quit signal closes the panel as Power does.
        SetQuitRequestHandler([&panel] { panel.QuitOnSignal(); });
        panel.Run();
        SetQuitRequestHandler(nullptr);
        panel_ = nullptr;
    }
    // 21. In reverse.
    ExitInstance();
    StopQuickTime();
    tray_.reset();
    lock_.reset();
    return true;
}

void ZawApplication::ExitInstance() {
    StopTimerThreadSeam();
    StopWorkerServingTheUi();
    // A quit request leaves a preview or a result playing: its thread is
    // joined here, before the globals it uses go.
    StopChannelListen();
    StopRingtoneListen();
    ReleaseWavePlayer();
    // What the run kept for itself (the WAV road's intermediate) goes now.
    platform::CloseTempFileLedger();
}

void ZawApplication::OnTrayClick(bool right) {
    if (!panel_) return;
    if (!right) {
        panel_->OnCommand(kCommandShowPanel);
        return;
    }
    Window& window = panel_->GetWindow();
    const int id = PopupMenu(
        &window, window.ClientToScreen(Point{0, 0}),
        {{kCommandShowPanel, "Show Panel"}, {kCommandHelp, "Help"}, {kCommandQuit, "Quit"}});
    if (id != 0) panel_->OnCommand(id);
}
