#include "app/shell_seams.h"

#include <memory>
#include <mutex>

#include "app/styleedit/style_selection_dialog.h"
#include "app/timer_dialog.h"
#include "compose/compose_control.h"
#include "core/style_edit_guard.h"
#include "platform/ui/ui.h"
#include "platform/software_synth.h"

std::atomic<int> QuickTimeAvailable{0};

namespace {

constexpr std::chrono::milliseconds kStyleEditorWorkerWait{5000};

// The synth that stands for the media layer: the export renders tunes with
// the same soundfont, so the export types are offered when it loads.
std::mutex g_mediaMutex;
std::unique_ptr<platform::SoftwareSynth> g_mediaSynth;

}  // namespace

int StartQuickTime() {
    return StartQuickTimeWith(platform::kDefaultSoundFont);
}

int StartQuickTimeWith(const std::string& soundFont) {
    std::lock_guard<std::mutex> lock(g_mediaMutex);
    if (!g_mediaSynth) g_mediaSynth = platform::SoftwareSynth::Create(soundFont, {});
    if (g_mediaSynth && !g_mediaSynth->HasSoundFont()) g_mediaSynth.reset();
    return g_mediaSynth ? 1 : 0;
}

void StopQuickTime() {
    std::lock_guard<std::mutex> lock(g_mediaMutex);
    g_mediaSynth.reset();
}

// The export draws its progress through the shell services, not a window.
void AttachQuickTimeWindow(platform::ui::Window&) {}
void OpenStyleSelection(platform::ui::Window* owner) {
    // The guard goes first, so no timer start slips in; a worker still on
    // its way out of a stopped run is waited for (bounded), since it may
    // set WorkingStyle once more.
    StyleEditGuard guard;
    if (platform::ui::IsUiThread() && platform::ui::HasBackend())
        platform::ui::PumpWhile([] { return ComposeWorkerBusy(); }, kStyleEditorWorkerWait);
    StyleSelection dialog;
    dialog.owner = owner;
    dialog.DoModal();
}
void OpenTimerDialog(platform::ui::Window* owner) {
    ZaTime dialog(owner);
    dialog.DoModal();
}

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
