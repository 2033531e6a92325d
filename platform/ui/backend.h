// What a backend supplies to the UI layer: window peers, off-screen canvases,
// the event wait, and the desktop services. The FLTK backend shows them on X11;
// the headless one keeps them in memory for tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_chooser.h"
#include "platform/message_sink.h"
#include "platform/ui/canvas.h"
#include "platform/ui/window.h"

namespace platform::ui {

struct MenuItem {
    int id = 0;  // 0 draws a separator
    std::string text;
};

class TrayPeer {
public:
    virtual ~TrayPeer() = default;
    // True when a system tray took the icon.
    virtual bool Docked() const = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual std::unique_ptr<WindowPeer> CreateWindowPeer(Window& window) = 0;
    virtual std::unique_ptr<OffscreenCanvas> CreateOffscreen(Size size) = 0;

    // Serves the pending events, waiting up to the given milliseconds for
    // one (or until Wake). Returns true when anything was served.
    virtual bool WaitEvents(int milliseconds) = 0;
    // Ends a WaitEvents early; callable from any thread.
    virtual void Wake() = 0;
    // A modal loop calls this after each wait; false ends the loop with
    // kModalStarved because nothing can ever end it (headless only).
    virtual bool ModalMayContinue() { return true; }

    // A modal box on the UI thread; returns kIdOk or kIdCancel.
    virtual int ShowBox(BoxKind kind, const std::string& utf8) = 0;
    // An information window on the UI thread that returns at once: the
    // panel stays usable and closing the window is up to the user.
    virtual void ShowNotice(const std::string& utf8) = 0;
    virtual FileChooserAnswer ChooseFile(const FileChooserRequest& request) = 0;
    virtual FileChooserAnswer ChooseFolder(const FolderChooserRequest& request) = 0;
    // Ends the boxes and choosers open in the backend's own loops (those
    // above) as cancelled; a backend whose boxes never wait has none.
    virtual void CloseOwnDialogs() {}
    // A popup menu at a screen point; the chosen id, or 0 when dismissed.
    virtual int PopupMenu(Window* owner, Point screen, const std::vector<MenuItem>& items) = 0;
    virtual void SetWaitCursor(bool waiting) = 0;
    virtual void Beep() = 0;
    virtual void SetClipboardText(const std::string& utf8) = 0;
    virtual std::unique_ptr<TrayPeer> CreateTray(const Image& icon, const std::string& tip,
                                                 std::function<void(bool right)> onClick) = 0;
};

// The code a modal run returns when nothing could ever end it.
constexpr int kModalStarved = -1;

}  // namespace platform::ui
