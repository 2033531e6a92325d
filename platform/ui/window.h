// Top-level windows and modal dialogs. A Window keeps its state here and
// tells the backend's peer to show it; the peer feeds paints, mouse, keys,
// closes and drops back to the window's handler. Every call belongs to the
// UI thread: a window touched from another thread would break the X11
// connection, so test builds stop at once when that happens.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/canvas.h"
#include "platform/ui/control.h"
#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace platform::ui {

class Window;

// What a window does on events. The defaults end a modal run with kIdOk on
// Enter and kIdCancel on Esc or the close box, and ignore everything else.
class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    virtual void OnPaint(Window&, Canvas&) {}
    virtual void OnLeftDown(Window&, Point) {}
    virtual void OnLeftUp(Window&, Point) {}
    virtual void OnRightDown(Window&, Point) {}
    virtual void OnMouseMove(Window&, Point) {}
    virtual void OnDropFiles(Window&, const std::vector<std::string>&) {}
    virtual void OnControl(Window&, Control&, ControlEvent) {}
    // An up-down step; returning false refuses it.
    virtual bool OnStep(Window&, Control&, int /*delta*/) { return true; }
    virtual void OnOk(Window& window);
    virtual void OnCancel(Window& window);
    // The close box; by default the same as Esc.
    virtual void OnClose(Window& window) { OnCancel(window); }
};

class WindowPeer {
public:
    virtual ~WindowPeer() = default;
    virtual void SetTitle(const std::string& utf8) = 0;
    virtual void SetIcon(const Image& icon) = 0;
    virtual void SetClientSize(Size size) = 0;
    virtual void Move(Point position) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void Iconify() = 0;
    virtual void Raise() = 0;
    virtual void Invalidate(const Rect& area, bool erase) = 0;
    virtual void SetModal(bool modal) = 0;
    virtual void SetCapture(bool capture) = 0;
    virtual Point ClientToScreen(Point client) = 0;
    virtual std::unique_ptr<ControlPeer> CreateControlPeer(Control& control) = 0;
};

enum class Key { Enter, Esc };

class Window {
public:
    explicit Window(WindowHandler* handler = nullptr);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void SetHandler(WindowHandler* handler);
    WindowHandler* Handler() const { return handler_; }

    void SetTitle(const std::string& utf8);
    const std::string& Title() const { return title_; }
    void SetIcon(const Image& icon);
    void SetClientSize(Size size);
    Size ClientSize() const { return size_; }
    void Move(Point position);
    Point Position() const { return position_; }
    void Show();
    void Hide();
    void Iconify();
    void Raise();
    bool IsVisible() const { return visible_; }
    bool IsIconified() const { return iconified_; }

    // Asks for a repaint of everything or of one area, with or without
    // erasing the background first.
    void Invalidate(bool erase = true);
    void InvalidateRect(const Rect& area, bool erase = true);

    // Mouse moves outside the window keep coming, in client coordinates.
    void CaptureMouse();
    void ReleaseMouse();
    bool HasCapture() const { return capture_; }
    Point ClientToScreen(Point client);

    // Shows the window as a modal dialog over its owner (which takes no input
    // meanwhile) and serves events until EndModal; returns the code given to
    // it. Runs nest: a dialog may run another. Once shut-down began it
    // returns kIdCancel at once, showing nothing.
    int RunModal(Window* owner = nullptr);
    void EndModal(int code);
    bool IsModal() const { return modal_; }

    Control& AddControl(ControlKind kind, const Rect& bounds, int id = 0);
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    Control* FindControl(int id) const;
    // The topmost visible, enabled control at a point that takes clicks
    // itself (image holders let them through), or null.
    Control* ControlAt(Point client) const;

    // Called by the backend and the test driver.
    void DispatchPaint(Canvas& canvas);
    void DispatchLeftDown(Point p);
    void DispatchLeftUp(Point p);
    void DispatchRightDown(Point p);
    void DispatchMouseMove(Point p);
    void DispatchKey(Key key);
    void DispatchClose();
    void DispatchDrop(const std::vector<std::string>& paths);
    // Called by a control after the user changed it.
    void DispatchControl(Control& control, ControlEvent event);
    bool DispatchStep(Control& control, int delta);

    WindowPeer& Peer() { return *peer_; }

private:
    WindowHandler* handler_;
    std::unique_ptr<WindowPeer> peer_;
    std::string title_;
    Size size_{200, 100};
    Point position_{0, 0};
    bool visible_ = false;
    bool iconified_ = false;
    bool capture_ = false;
    bool modal_ = false;
    bool endRequested_ = false;
    int endCode_ = 0;
    Window* owner_ = nullptr;
    std::vector<std::unique_ptr<Control>> controls_;
};

// Stops the program (in builds with assertions) when called off the UI thread.
void CheckUiThread(const char* what);

}  // namespace platform::ui
