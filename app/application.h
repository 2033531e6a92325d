// The application object: one copy at a time, the tray icon, the skin, the
// settings, the work folder and the tune defaults, then the main panel run
// modally; afterwards everything is undone in reverse, and every thread has
// ended before the program's shared objects go away.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/instance_lock.h"
#include "platform/ui/ui.h"

class MainDlg;

constexpr const char* kInstanceLockName = "ZAWInstance";
constexpr int kMaxArgumentWords = 256;
constexpr std::size_t kMaxArgumentLength = 259;

// The command-line words as the shell split them (a quoted path with blanks
// is one word), at most 256 of at most 259 bytes each.
std::vector<std::string> ArgumentWords(int argc, const char* const* argv);

// Keeps the settings' work folder when it exists; otherwise asks for one
// ("Select a Folder!"), a cancel taking the program folder. Only a trailing
// "/" is stripped before the test, and the result ends in "/".
void CheckWorkFolder();

// The random seed, the output name "MYMIDI00.MID", the style catalogue, the
// drum creator's table and the output type of composed tunes.
void InitTuneDefaults();

// Takes every catalogue entry read from the oldest style-file format out of
// both selection tables. Returns how many entries it deselected.
int DeselectOldFormatStyles();

// The folder of the program, without a trailing "/".
std::string ProgramFolder();

class ZawApplication {
public:
    explicit ZawApplication(std::vector<std::string> words = {});
    ~ZawApplication();

    // The whole start-up, the panel's run and the shut-down. False only when
    // another copy is running.
    bool InitInstance();
    // Ends whatever still runs (the compose worker, the timer thread). Safe
    // to call more than once.
    void ExitInstance();

    // The tray's menu and clicks (reached from the tray icon).
    void OnTrayClick(bool right);

private:
    std::vector<std::string> words_;
    std::unique_ptr<platform::ui::InstanceLock> lock_;
    std::unique_ptr<platform::ui::TrayIcon> tray_;
    MainDlg* panel_ = nullptr;
};
