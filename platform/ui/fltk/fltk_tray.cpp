// The tray icon: a small window handed to the system tray through the
// XEmbed system-tray protocol (a dock request to the owner of the screen's
// _NET_SYSTEM_TRAY_S<n> selection).
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include "platform/ui/fltk/fltk_backend.h"

namespace platform::ui {

namespace {

constexpr int kTrayIconSize = 22;
constexpr long kSystemTrayRequestDock = 0;
constexpr long kXembedMapped = 1;

class TrayWindow : public Fl_Window {
public:
    TrayWindow(const Image& icon, std::function<void(bool right)> onClick)
        : Fl_Window(kTrayIconSize, kTrayIconSize), icon_(icon), onClick_(std::move(onClick)) {
        border(0);
        end();
    }

    void draw() override {
        fl_rectf(0, 0, w(), h(), FL_BACKGROUND_COLOR);
        if (!icon_.Empty()) {
            fl_draw_image(icon_.Bytes().data(), (w() - icon_.Width()) / 2,
                          (h() - icon_.Height()) / 2, icon_.Width(), icon_.Height(), 4);
        }
    }

    int handle(int event) override {
        if (event == FL_PUSH) {
            if (onClick_) onClick_(Fl::event_button() == FL_RIGHT_MOUSE);
            return 1;
        }
        return Fl_Window::handle(event);
    }

private:
    Image icon_;
    std::function<void(bool)> onClick_;
};

class FltkTray : public TrayPeer {
public:
    FltkTray(const Image& icon, const std::string& tip, std::function<void(bool right)> onClick) {
        if (!fl_display) return;
        std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(fl_screen);
        Atom selection = XInternAtom(fl_display, name.c_str(), False);
        ::Window manager = XGetSelectionOwner(fl_display, selection);
        if (manager == None) return;  // no tray: the caller iconifies instead
        window_ = std::make_unique<TrayWindow>(icon, std::move(onClick));
        window_->copy_tooltip(tip.c_str());
        window_->copy_label(tip.c_str());
        // Made and mapped once; the tray reparents it into its dock.
        window_->show();
        ::Window xid = fl_xid(window_.get());
        Atom info = XInternAtom(fl_display, "_XEMBED_INFO", False);
        long infoData[2] = {0, kXembedMapped};
        XChangeProperty(fl_display, xid, info, info, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(infoData), 2);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = manager;
        event.xclient.message_type = XInternAtom(fl_display, "_NET_SYSTEM_TRAY_OPCODE", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = CurrentTime;
        event.xclient.data.l[1] = kSystemTrayRequestDock;
        event.xclient.data.l[2] = static_cast<long>(xid);
        XSendEvent(fl_display, manager, False, NoEventMask, &event);
        XSync(fl_display, False);
        docked_ = true;
    }

    bool Docked() const override { return docked_; }

private:
    std::unique_ptr<TrayWindow> window_;
    bool docked_ = false;
};

}  // namespace

std::unique_ptr<TrayPeer> MakeFltkTray(const Image& icon, const std::string& tip,
                                       std::function<void(bool right)> onClick) {
    return std::make_unique<FltkTray>(icon, tip, std::move(onClick));
}

}  // namespace platform::ui
