#include "platform/ui/ui.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/clock.h"
#include "platform/quit_signals.h"

namespace platform::ui {

namespace {

struct UiState {
    std::mutex mutex;
    std::condition_variable answered;  // boxes and choosers waited for by workers
    std::shared_ptr<Backend> backend;
    std::thread::id uiThread;
    std::deque<std::function<void()>> posts;
    std::vector<Window*> windows;
    int waitCursors = 0;
    std::function<void()> quitHandler;  // answers a quit signal
};

UiState& State() {
    static UiState state;
    return state;
}

std::atomic<bool> g_shuttingDown{false};
std::atomic<bool> g_repaintPending{false};

std::shared_ptr<Backend> BackendOrNull() {
    UiState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.backend;
}

// Runs fn on the UI thread and hands its result back to the calling worker,
// which waits until it is there. Once shut-down begins, or when no backend
// is installed, the worker gets the fallback at once.
template <typename T>
T CallOnUi(std::function<T()> fn, T fallback) {
    if (IsUiThread()) return fn();
    if (ShuttingDown() || !HasBackend()) return fallback;
    struct Call {
        bool done = false;
        bool abandoned = false;
        std::optional<T> result;
    };
    auto call = std::make_shared<Call>();
    UiState& s = State();
    PostToUi([call, fn] {
        {
            std::lock_guard<std::mutex> lock(State().mutex);
            if (call->abandoned) return;
        }
        T result = fn();
        std::lock_guard<std::mutex> lock(State().mutex);
        call->result = std::move(result);
        call->done = true;
        State().answered.notify_all();
    });
    std::unique_lock<std::mutex> lock(s.mutex);
    s.answered.wait(lock, [&] { return call->done || g_shuttingDown.load(); });
    if (call->done) return std::move(*call->result);
    call->abandoned = true;
    return fallback;
}

}  // namespace

namespace detail {

void RegisterWindow(Window* window) {
    State().windows.push_back(window);
}

void UnregisterWindow(Window* window) {
    auto& windows = State().windows;
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

}  // namespace detail

void InstallBackend(std::shared_ptr<Backend> backend) {
    UiState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.backend = std::move(backend);
    s.uiThread = s.backend ? std::this_thread::get_id() : std::thread::id();
    s.posts.clear();
    s.waitCursors = 0;
    g_shuttingDown.store(false);
    g_repaintPending.store(false);
}

Backend& CurrentBackend() {
    Backend* backend = BackendOrNull().get();
    if (!backend) {
        std::fprintf(stderr, "zaw ui: no backend installed\n");
        std::abort();
    }
    return *backend;
}

bool HasBackend() {
    return BackendOrNull() != nullptr;
}

bool IsUiThread() {
    UiState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.backend && s.uiThread == std::this_thread::get_id();
}

void PostToUi(std::function<void()> fn) {
    std::shared_ptr<Backend> backend;
    {
        UiState& s = State();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.posts.push_back(std::move(fn));
        backend = s.backend;
    }
    if (backend) backend->Wake();
}

int PendingPostCount() {
    UiState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<int>(s.posts.size());
}

int RunPosted() {
    CheckUiThread("RunPosted");
    UiState& s = State();
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        batch.swap(s.posts);
    }
    int count = 0;
    for (auto& fn : batch) {
        fn();
        ++count;
    }
    return count;
}

void RequestRepaintAll() {
    // Only the first request after a repaint posts; the rest ride along.
    if (g_repaintPending.exchange(true)) return;
    PostToUi([] {
        g_repaintPending.store(false);
        for (Window* window : AllWindows())
            window->Invalidate(false);
    });
}

void PumpOnce(int milliseconds) {
    CheckUiThread("PumpOnce");
    bool hadPosts = false;
    {
        UiState& s = State();
        std::lock_guard<std::mutex> lock(s.mutex);
        hadPosts = !s.posts.empty();
    }
    CurrentBackend().WaitEvents(hadPosts ? 0 : milliseconds);
    RunPosted();
    ServeQuitRequest();
}

void ServeQuitRequest() {
    CheckUiThread("ServeQuitRequest");
    std::function<void()> quit;
    {
        UiState& s = State();
        std::lock_guard<std::mutex> lock(s.mutex);
        quit = s.quitHandler;
    }
    // Before the handler is set the request waits, but what the backend has
    // open in its own loops is closed already: nobody answers it any more.
    if (QuitRequested()) CloseBackendDialogs();
    if (quit && TakeQuitRequest()) quit();
}

void CloseBackendDialogs() {
    if (std::shared_ptr<Backend> backend = BackendOrNull()) backend->CloseOwnDialogs();
}

void SetQuitRequestHandler(std::function<void()> handler) {
    UiState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.quitHandler = std::move(handler);
}

namespace {

// True once shut-down has begun while a modal window's loop runs: only that
// loop makes a window modal, and it runs on this thread, so the wait sits
// inside it, and the loop is ending. The wait belongs to an action the user
// started in the loop, which nobody waits for any more; the waits once the
// loops are over (the joins of the program's threads) go on.
bool ModalWaitAbandoned() {
    if (!g_shuttingDown.load()) return false;
    for (Window* window : State().windows)
        if (window->IsModal()) return true;
    return false;
}

}  // namespace

bool PumpWhile(const std::function<bool()>& keepWaiting, std::chrono::milliseconds limit) {
    CheckUiThread("PumpWhile");
    std::shared_ptr<Clock> clock = GetClock();
    const Nanoseconds deadline = clock->Now() + limit;
    while (keepWaiting()) {
        if (clock->Now() >= deadline || ModalWaitAbandoned()) return false;
        PumpOnce(10);
    }
    return true;
}

void BeginShutdown() {
    g_shuttingDown.store(true);
    UiState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.answered.notify_all();
}

bool ShuttingDown() {
    return g_shuttingDown.load() || QuitRequested();
}

std::vector<Window*> AllWindows() {
    CheckUiThread("AllWindows");
    return State().windows;
}

// ---- Boxes and choosers ----

int CallOnUiAndWait(std::function<int()> fn, int fallback) {
    return CallOnUi<int>(std::move(fn), fallback);
}

int UiMessageSink::Show(BoxKind kind, const std::string& text) {
    stderr_.Show(kind, text);
    if (ShuttingDown()) return kIdOk;
    return CallOnUi<int>([kind, text] { return CurrentBackend().ShowBox(kind, text); }, kIdOk);
}

void UiMessageSink::Notice(const std::string& text) {
    stderr_.Show(BoxKind::Info, text);
    if (ShuttingDown()) return;
    PostToUi([text] {
        if (HasBackend()) CurrentBackend().ShowNotice(text);
    });
}

FileChooserAnswer UiFileChooser::ChooseFile(const FileChooserRequest& request) {
    if (ShuttingDown()) return FileChooserAnswer{};
    return CallOnUi<FileChooserAnswer>([request] { return CurrentBackend().ChooseFile(request); },
                                       FileChooserAnswer{});
}

FileChooserAnswer UiFileChooser::ChooseFolder(const FolderChooserRequest& request) {
    if (ShuttingDown()) return FileChooserAnswer{};
    return CallOnUi<FileChooserAnswer>([request] { return CurrentBackend().ChooseFolder(request); },
                                       FileChooserAnswer{});
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = HexValue(text[i + 1]);
            int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace

std::vector<std::string> ParseDroppedUris(const std::string& text) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0'))
            line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("file://", 0) == 0) {
            // file://host/path: the path starts at the first slash after the host.
            std::size_t slash = line.find('/', 7);
            if (slash == std::string::npos) continue;
            paths.push_back(PercentDecode(line.substr(slash)));
        } else if (line[0] == '/') {
            paths.push_back(line);
        }
    }
    return paths;
}

int PopupMenu(Window* owner, Point screen, const std::vector<MenuItem>& items) {
    CheckUiThread("PopupMenu");
    return CurrentBackend().PopupMenu(owner, screen, items);
}

WaitCursor::WaitCursor() {
    CheckUiThread("WaitCursor");
    if (State().waitCursors++ == 0) CurrentBackend().SetWaitCursor(true);
}

WaitCursor::~WaitCursor() {
    if (--State().waitCursors == 0 && HasBackend()) CurrentBackend().SetWaitCursor(false);
}

void Beep() {
    CheckUiThread("Beep");
    CurrentBackend().Beep();
}

void SetClipboardText(const std::string& utf8) {
    CheckUiThread("SetClipboardText");
    CurrentBackend().SetClipboardText(utf8);
}

void OpenDocument(const std::string& path) {
    // Two forks: the middle child ends at once and is reaped here, so the
    // viewer belongs to init and never lingers as our zombie; the caller
    // waits only for that short-lived child.
    pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        setsid();
        pid_t viewer = fork();
        if (viewer == 0) {
            int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, 0);
                dup2(null, 1);
                dup2(null, 2);
            }
            execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(viewer < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

TrayIcon::TrayIcon(const Image& icon, const std::string& tip,
                   std::function<void(bool right)> onClick) {
    CheckUiThread("TrayIcon");
    peer_ = CurrentBackend().CreateTray(icon, tip, std::move(onClick));
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::Docked() const {
    return peer_ && peer_->Docked();
}

void HideToTray(Window& window, const TrayIcon* tray) {
    if (tray && tray->Docked()) {
        window.Hide();
    } else {
        window.Iconify();
    }
}

}  // namespace platform::ui
