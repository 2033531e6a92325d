#include "platform/ui/window.h"

#include <cstdio>
#include <cstdlib>

#include "platform/message_sink.h"
#include "platform/ui/backend.h"
#include "platform/ui/ui.h"

namespace platform::ui {

namespace detail {
void RegisterWindow(Window* window);
void UnregisterWindow(Window* window);
}  // namespace detail

void CheckUiThread(const char* what) {
#ifndef NDEBUG
    if (!IsUiThread()) {
        std::fprintf(stderr, "zaw ui: %s called off the UI thread\n", what);
        std::abort();
    }
#else
    (void)what;
#endif
}

void WindowHandler::OnOk(Window& window) {
    if (window.IsModal()) window.EndModal(kIdOk);
}

void WindowHandler::OnCancel(Window& window) {
    if (window.IsModal()) window.EndModal(kIdCancel);
}

Window::Window(WindowHandler* handler) : handler_(handler) {
    CheckUiThread("Window::Window");
    peer_ = CurrentBackend().CreateWindowPeer(*this);
    detail::RegisterWindow(this);
}

Window::~Window() {
    detail::UnregisterWindow(this);
    // Controls go before the peer that holds their widgets.
    controls_.clear();
    peer_.reset();
}

void Window::SetHandler(WindowHandler* handler) {
    CheckUiThread("Window::SetHandler");
    handler_ = handler;
}

void Window::SetTitle(const std::string& utf8) {
    CheckUiThread("Window::SetTitle");
    title_ = utf8;
    peer_->SetTitle(utf8);
}

void Window::SetIcon(const Image& icon) {
    CheckUiThread("Window::SetIcon");
    peer_->SetIcon(icon);
}

void Window::SetClientSize(Size size) {
    CheckUiThread("Window::SetClientSize");
    size_ = size;
    peer_->SetClientSize(size);
}

void Window::Move(Point position) {
    CheckUiThread("Window::Move");
    position_ = position;
    peer_->Move(position);
}

void Window::Show() {
    CheckUiThread("Window::Show");
    visible_ = true;
    iconified_ = false;
    peer_->Show();
}

void Window::Hide() {
    CheckUiThread("Window::Hide");
    visible_ = false;
    peer_->Hide();
}

void Window::Iconify() {
    CheckUiThread("Window::Iconify");
    iconified_ = true;
    peer_->Iconify();
}

void Window::Raise() {
    CheckUiThread("Window::Raise");
    peer_->Raise();
}

void Window::Invalidate(bool erase) {
    InvalidateRect(Rect{0, 0, size_.width, size_.height}, erase);
}

void Window::InvalidateRect(const Rect& area, bool erase) {
    CheckUiThread("Window::Invalidate");
    peer_->Invalidate(area, erase);
}

void Window::CaptureMouse() {
    CheckUiThread("Window::CaptureMouse");
    capture_ = true;
    peer_->SetCapture(true);
}

void Window::ReleaseMouse() {
    CheckUiThread("Window::ReleaseMouse");
    capture_ = false;
    peer_->SetCapture(false);
}

Point Window::ClientToScreen(Point client) {
    CheckUiThread("Window::ClientToScreen");
    return peer_->ClientToScreen(client);
}

int Window::RunModal(Window* owner) {
    CheckUiThread("Window::RunModal");
    // On the way out no new modal loop starts: nobody is there to end it.
    if (ShuttingDown()) return kIdCancel;
    owner_ = owner;
    modal_ = true;
    endRequested_ = false;
    endCode_ = 0;
    peer_->SetModal(true);
    Show();
    Backend& backend = CurrentBackend();
    while (!endRequested_) {
        PumpOnce(20);
        if (!endRequested_ && !backend.ModalMayContinue()) {
            endCode_ = kModalStarved;
            break;
        }
    }
    peer_->SetModal(false);
    Hide();
    modal_ = false;
    owner_ = nullptr;
    if (capture_) ReleaseMouse();
    return endCode_;
}

void Window::EndModal(int code) {
    CheckUiThread("Window::EndModal");
    if (!modal_) return;
    endRequested_ = true;
    endCode_ = code;
    CurrentBackend().Wake();
}

Control& Window::AddControl(ControlKind kind, const Rect& bounds, int id) {
    CheckUiThread("Window::AddControl");
    controls_.push_back(std::make_unique<Control>(*this, kind, bounds, id));
    Control& control = *controls_.back();
    control.AttachPeer(peer_->CreateControlPeer(control));
    return control;
}

Control* Window::FindControl(int id) const {
    for (const auto& control : controls_) {
        if (control->Id() == id) return control.get();
    }
    return nullptr;
}

Control* Window::ControlAt(Point client) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        Control& control = **it;
        if (control.Kind() == ControlKind::ImageHolder) continue;
        if (control.IsVisible() && control.Bounds().Contains(client)) {
            return control.IsEnabled() ? &control : nullptr;
        }
    }
    return nullptr;
}

void Window::DispatchPaint(Canvas& canvas) {
    // Image holders are the window's face: drawn first, in order, so that
    // the handler can write its captions over them.
    for (const auto& control : controls_) {
        if (control->Kind() == ControlKind::ImageHolder && control->IsVisible() &&
            control->ShownImage()) {
            canvas.Blit(*control->ShownImage(), control->Bounds());
        }
    }
    if (handler_) handler_->OnPaint(*this, canvas);
}

void Window::DispatchLeftDown(Point p) {
    if (handler_) handler_->OnLeftDown(*this, p);
}

void Window::DispatchLeftUp(Point p) {
    if (handler_) handler_->OnLeftUp(*this, p);
}

void Window::DispatchRightDown(Point p) {
    if (handler_) handler_->OnRightDown(*this, p);
}

void Window::DispatchMouseMove(Point p) {
    if (handler_) handler_->OnMouseMove(*this, p);
}

void Window::DispatchKey(Key key) {
    if (!handler_) return;
    if (key == Key::Enter) {
        handler_->OnOk(*this);
    } else {
        handler_->OnCancel(*this);
    }
}

void Window::DispatchClose() {
    if (handler_) handler_->OnClose(*this);
}

void Window::DispatchDrop(const std::vector<std::string>& paths) {
    if (handler_ && !paths.empty()) handler_->OnDropFiles(*this, paths);
}

void Window::DispatchControl(Control& control, ControlEvent event) {
    if (handler_) handler_->OnControl(*this, control, event);
}

bool Window::DispatchStep(Control& control, int delta) {
    return handler_ ? handler_->OnStep(*this, control, delta) : true;
}

}  // namespace platform::ui
