#include "app/shell_seams.h"

#include <mutex>

#include "app/timer_dialog.h"

std::atomic<int> QuickTimeAvailable{0};

int StartQuickTime() {
    return 0;
}
void StopQuickTime() {}
void AttachQuickTimeWindow(platform::ui::Window&) {}
void OpenStyleSelection(platform::ui::Window*) {}
void OpenTimerDialog(platform::ui::Window* owner) {
    ZaTime dialog(owner);
    dialog.DoModal();
}
void ConvertInput(const std::string&) {}
void EditTune() {}
void PlayOrStopResult() {}

namespace {

std::mutex g_timerMutex;
std::function<void()> g_timerStart;
std::function<void()> g_timerStop;

}  // namespace

void SetTimerThreadHooks(std::function<void()> start, std::function<void()> stop) {
    std::lock_guard<std::mutex> lock(g_timerMutex);
    g_timerStart = std::move(start);
    g_timerStop = std::move(stop);
}

void StartTimerThreadSeam() {
    std::function<void()> start;
    {
        std::lock_guard<std::mutex> lock(g_timerMutex);
        start = g_timerStart;
    }
    if (start) start();
}

void StopTimerThreadSeam() {
    std::function<void()> stop;
    {
        std::lock_guard<std::mutex> lock(g_timerMutex);
        stop = g_timerStop;
    }
    if (stop) stop();
}
