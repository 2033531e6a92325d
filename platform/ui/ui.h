// The UI layer's services: the installed backend, the UI thread and posts to
// it, coalesced repaints, pumping while waiting, message boxes and file
// choosers that work from any thread, popup menus, the wait cursor, the
// clipboard, opening documents and the tray icon.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_chooser.h"
#include "platform/message_sink.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"

namespace platform::ui {

// Installs the backend and makes the calling thread the UI thread; nullptr
// uninstalls it. Clears the shut-down state and any posts left over.
void InstallBackend(std::shared_ptr<Backend> backend);
Backend& CurrentBackend();
bool HasBackend();
bool IsUiThread();

// Runs fn on the UI thread, in the order posted from each thread.
void PostToUi(std::function<void()> fn);
// Posts not yet run.
int PendingPostCount();
// Runs the posts waiting now (not those they post in turn); UI thread only.
// Returns how many ran.
int RunPosted();
// Asks every window to repaint; many requests before the repaint happens
// make one repaint.
void RequestRepaintAll();
// Waits for events once (up to milliseconds) and runs the posts.
void PumpOnce(int milliseconds = 10);
// After each pump a quit request that arrived (platform/quit_signals.h) is
// taken and this handler run; while none is set the request waits. So every
// loop that pumps (modal windows, waits) answers it within one pump; the
// backend's own loops (boxes, file choosers) answer it through
// ServeQuitRequest as soon as it arrives. nullptr removes the handler.
void SetQuitRequestHandler(std::function<void()> handler);
// Takes a waiting quit request and runs the handler; UI thread only. Called
// after each pump and by a backend's own loops when the request wakes them.
void ServeQuitRequest();
// Ends the boxes and file choosers the backend shows in its own loops, as
// cancelled; for a quit, with every loop of ours ending too.
void CloseBackendDialogs();
// Serves events and posts on the UI thread while the predicate holds, at most
// for the limit. True when the predicate turned false. Once shut-down has
// begun, a wait inside a modal loop ends at once (false): the loop is ending.
bool PumpWhile(const std::function<bool()>& keepWaiting,
               std::chrono::milliseconds limit = std::chrono::hours(24));

// Runs fn on the UI thread and waits for its answer (at once on the UI
// thread); the fallback when no backend is installed, or once shut-down
// began, without waiting further.
int CallOnUiAndWait(std::function<int()> fn, int fallback);

// From here on boxes answer OK at once, file choosers and modal windows end
// at once as cancelled, waits inside modal loops end (PumpWhile), and waiting
// workers are released. A quit request (platform/quit_signals.h) counts as
// shut-down begun.
void BeginShutdown();
bool ShuttingDown();

// Windows alive now, in order of creation; UI thread only.
std::vector<Window*> AllWindows();

// Message boxes through the backend. Each box writes its stderr line; on
// the UI thread it is modal; from another thread it is posted and the caller
// waits for the answer; once shut-down began it answers OK at once.
class UiMessageSink : public MessageSink {
public:
    int Show(BoxKind kind, const std::string& text) override;
    // Posted to the UI thread, where the backend shows it without a modal
    // loop; the caller does not wait.
    void Notice(const std::string& text) override;

private:
    StderrMessageSink stderr_;
};

// File and folder dialogs through the backend, asked for on the UI thread
// from whatever thread calls.
class UiFileChooser : public FileChooser {
public:
    FileChooserAnswer ChooseFile(const FileChooserRequest& request) override;
    FileChooserAnswer ChooseFolder(const FolderChooserRequest& request) override;
};

using platform::FileFilterEntry;
using platform::ParseFileFilter;
using platform::WithDefaultExtension;

// The paths of a dropped text/uri-list: one per line, "file://" addresses
// percent-decoded, other schemes and comment lines left out, bare paths kept.
// Paths are whole, however long.
std::vector<std::string> ParseDroppedUris(const std::string& text);

// A popup menu at a screen point; the chosen id, or 0.
int PopupMenu(Window* owner, Point screen, const std::vector<MenuItem>& items);

// Shows the wait cursor while alive (nested ones count); the cursor is shown
// at once, so it stays while the UI thread sleeps.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void Beep();
void SetClipboardText(const std::string& utf8);

// Opens a file or address with the desktop's viewer (xdg-open), detached:
// the caller never waits and no zombie is left; a failure is silent.
void OpenDocument(const std::string& path);

// The icon in the system tray, clicked left or right.
class TrayIcon {
public:
    TrayIcon(const Image& icon, const std::string& tip, std::function<void(bool right)> onClick);
    ~TrayIcon();
    bool Docked() const;

private:
    std::unique_ptr<TrayPeer> peer_;
};

// Hides a window when a tray icon can bring it back, else iconifies it, so the
// window is never lost.
void HideToTray(Window& window, const TrayIcon* tray);

}  // namespace platform::ui
