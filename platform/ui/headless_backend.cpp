#include "platform/ui/headless_backend.h"

#include <algorithm>

#include "platform/ui/ui.h"

namespace platform::ui {

namespace {

// How long a modal loop may sit with nothing to do before it ends itself.
constexpr Nanoseconds kStarvedAfter = std::chrono::seconds(2);

class NullControlPeer : public ControlPeer {
public:
    void Sync() override {}
};

class HeadlessOffscreen : public OffscreenCanvas {
public:
    explicit HeadlessOffscreen(Size size) : canvas_(size.width, size.height) {}
    Canvas& Draw() override { return canvas_; }
    Image Read() override { return canvas_.Raster(); }

private:
    RasterCanvas canvas_;
};

class HeadlessTray : public TrayPeer {
public:
    explicit HeadlessTray(bool docked) : docked_(docked) {}
    bool Docked() const override { return docked_; }

private:
    bool docked_;
};

}  // namespace

class HeadlessBackend::Peer : public WindowPeer {
public:
    Peer(HeadlessBackend& backend, Window& window)
        : backend_(backend), window_(window), canvas_(0, 0) {}
    ~Peer() override { backend_.PeerGone(this); }

    void SetTitle(const std::string&) override {}
    void SetIcon(const Image&) override {}
    void SetClientSize(Size) override { dirty_ = true; }
    void Move(Point position) override { position_ = position; }
    void Show() override {
        dirty_ = true;
        backend_.PeerShown(this);
    }
    void Hide() override {}
    void Iconify() override {}
    void Raise() override { backend_.PeerShown(this); }
    void Invalidate(const Rect& area, bool erase) override {
        invalidations_.push_back(Invalidation{area, erase});
        dirty_ = true;
    }
    void SetModal(bool modal) override {
        if (modal) {
            backend_.modals_.push_back(&window_);
            backend_.deepestModal_ =
                std::max(backend_.deepestModal_, static_cast<int>(backend_.modals_.size()));
        } else {
            auto& modals = backend_.modals_;
            modals.erase(std::remove(modals.begin(), modals.end(), &window_), modals.end());
        }
    }
    void SetCapture(bool) override {}
    Point ClientToScreen(Point client) override {
        return Point{position_.x + client.x, position_.y + client.y};
    }
    std::unique_ptr<ControlPeer> CreateControlPeer(Control&) override {
        return std::make_unique<NullControlPeer>();
    }

    void Paint() {
        Size size = window_.ClientSize();
        canvas_.Reset(size.width, size.height);
        canvas_.FillRect(Rect{0, 0, size.width, size.height}, kWindowFaceColour);
        window_.DispatchPaint(canvas_);
        dirty_ = false;
        ++paints_;
    }
    bool NeedsPaint() const { return window_.IsVisible() && dirty_; }

    HeadlessBackend& backend_;
    Window& window_;
    RasterCanvas canvas_;
    Point position_;
    bool dirty_ = true;
    int paints_ = 0;
    std::vector<Invalidation> invalidations_;
};

HeadlessBackend::HeadlessBackend() : HeadlessBackend(GetMessageSink(), GetFileChooser()) {}

HeadlessBackend::HeadlessBackend(std::shared_ptr<MessageSink> boxes,
                                 std::shared_ptr<FileChooser> choosers)
    : boxSink_(std::move(boxes)), chooser_(std::move(choosers)) {}

HeadlessBackend::~HeadlessBackend() = default;

std::unique_ptr<WindowPeer> HeadlessBackend::CreateWindowPeer(Window& window) {
    return std::make_unique<Peer>(*this, window);
}

std::unique_ptr<OffscreenCanvas> HeadlessBackend::CreateOffscreen(Size size) {
    return std::make_unique<HeadlessOffscreen>(size);
}

void HeadlessBackend::PaintDirty() {
    // Copied: a paint handler may open or close windows.
    std::vector<Peer*> peers = peers_;
    for (Peer* peer : peers) {
        if (std::find(peers_.begin(), peers_.end(), peer) != peers_.end() && peer->NeedsPaint()) {
            peer->Paint();
        }
    }
}

bool HeadlessBackend::WaitEvents(int milliseconds) {
    PaintDirty();
    std::function<void(HeadlessBackend&)> step;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (woken_) {
            woken_ = false;
            idleWaits_ = 0;
            return true;
        }
        // The user acts only when the program has nothing else to do.
        if (!modals_.empty() && !steps_.empty()) {
            step = std::move(steps_.front());
            steps_.pop_front();
        }
    }
    if (step) {
        idleWaits_ = 0;
        step(*this);
        return true;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    std::shared_ptr<Clock> clock = GetClock();
    clock->WaitUntil(lock, wake_, clock->Now() + std::chrono::milliseconds(milliseconds));
    bool served = woken_;
    woken_ = false;
    if (served) {
        idleWaits_ = 0;
    } else if (idleWaits_++ == 0) {
        idleSince_ = starvationClock_.Now();
    }
    return served;
}

void HeadlessBackend::Wake() {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
    wake_.notify_all();
}

bool HeadlessBackend::ModalMayContinue() {
    if (idleWaits_ == 0) return true;
    if (starvationClock_.Now() - idleSince_ < kStarvedAfter) return true;
    ++starvations_;
    idleWaits_ = 0;
    return false;
}

int HeadlessBackend::ShowBox(BoxKind kind, const std::string& utf8) {
    ++boxes_;
    return boxSink_ ? boxSink_->Show(kind, utf8) : kIdOk;
}

void HeadlessBackend::ShowNotice(const std::string& utf8) {
    ++notices_;
    if (boxSink_) boxSink_->Show(BoxKind::Info, utf8);
}

FileChooserAnswer HeadlessBackend::ChooseFile(const FileChooserRequest& request) {
    return chooser_ ? chooser_->ChooseFile(request) : FileChooserAnswer{};
}

FileChooserAnswer HeadlessBackend::ChooseFolder(const FolderChooserRequest& request) {
    return chooser_ ? chooser_->ChooseFolder(request) : FileChooserAnswer{};
}

int HeadlessBackend::PopupMenu(Window*, Point, const std::vector<MenuItem>& items) {
    menus_.push_back(items);
    if (menuAnswers_.empty()) return 0;
    int id = menuAnswers_.front();
    menuAnswers_.pop_front();
    // Only an id the menu holds can come back.
    for (const MenuItem& item : items) {
        if (item.id != 0 && item.id == id) return id;
    }
    return 0;
}

void HeadlessBackend::SetWaitCursor(bool waiting) {
    waitCursor_ = waiting;
}

std::unique_ptr<TrayPeer> HeadlessBackend::CreateTray(const Image&, const std::string&,
                                                      std::function<void(bool right)> onClick) {
    trayClick_ = std::move(onClick);
    return std::make_unique<HeadlessTray>(trayAvailable_);
}

void HeadlessBackend::ClickTray(bool right) {
    if (trayClick_) trayClick_(right);
}

void HeadlessBackend::PeerShown(WindowPeer* peer) {
    Peer* p = static_cast<Peer*>(peer);
    peers_.erase(std::remove(peers_.begin(), peers_.end(), p), peers_.end());
    peers_.push_back(p);
}

void HeadlessBackend::PeerGone(WindowPeer* peer) {
    Peer* p = static_cast<Peer*>(peer);
    peers_.erase(std::remove(peers_.begin(), peers_.end(), p), peers_.end());
    modals_.erase(std::remove(modals_.begin(), modals_.end(), &p->window_), modals_.end());
}

HeadlessBackend::Peer* HeadlessBackend::PeerOf(Window& window) const {
    return static_cast<Peer*>(&window.Peer());
}

Window* HeadlessBackend::TopWindow() const {
    if (!modals_.empty()) return modals_.back();
    for (auto it = peers_.rbegin(); it != peers_.rend(); ++it) {
        if ((*it)->window_.IsVisible()) return &(*it)->window_;
    }
    return nullptr;
}

void HeadlessBackend::Click(int x, int y) {
    Window* window = TopWindow();
    if (!window) return;
    Point p{x, y};
    if (Control* control = window->ControlAt(p)) {
        if (control->Kind() == ControlKind::PushButton ||
            control->Kind() == ControlKind::CheckBox) {
            control->UserClick();
        }
        return;
    }
    window->DispatchLeftDown(p);
    // The down handler may have run a whole modal dialog meanwhile; the up
    // goes to the window pressed, as the mouse grab would send it.
    window->DispatchLeftUp(p);
}

void HeadlessBackend::RightClick(int x, int y) {
    if (Window* window = TopWindow()) window->DispatchRightDown(Point{x, y});
}

void HeadlessBackend::Key(platform::ui::Key key) {
    if (Window* window = TopWindow()) window->DispatchKey(key);
}

void HeadlessBackend::Close() {
    if (Window* window = TopWindow()) window->DispatchClose();
}

void HeadlessBackend::Drop(const std::vector<std::string>& paths) {
    if (Window* window = TopWindow()) window->DispatchDrop(paths);
}

void HeadlessBackend::Select(int controlId, int index) {
    Window* window = TopWindow();
    if (Control* control = window ? window->FindControl(controlId) : nullptr) {
        control->UserSelect(index);
    }
}

void HeadlessBackend::Type(int controlId, const std::string& utf8) {
    Window* window = TopWindow();
    if (Control* control = window ? window->FindControl(controlId) : nullptr) {
        control->UserSetText(utf8);
    }
}

void HeadlessBackend::Scroll(int controlId, int value) {
    Window* window = TopWindow();
    if (Control* control = window ? window->FindControl(controlId) : nullptr) {
        control->UserSetValue(value);
    }
}

void HeadlessBackend::DragThumb(int controlId, int value) {
    Window* window = TopWindow();
    if (Control* control = window ? window->FindControl(controlId) : nullptr) {
        control->UserScroll(ScrollCause::Thumb, value);
        control->UserReleaseThumb(value);
    }
}

namespace {

// Each repeat moves from where the handler left the bar.
void ScrollRepeats(Window* window, int controlId, ScrollCause cause, int count) {
    Control* control = window ? window->FindControl(controlId) : nullptr;
    if (!control) return;
    const int sign = count < 0 ? -1 : 1;
    for (int i = 0; i < count * sign; ++i) {
        const int step = cause == ScrollCause::Page ? control->Page() : 1;
        control->UserScroll(cause, control->Value() + sign * step);
    }
}

}  // namespace

void HeadlessBackend::PressArrow(int controlId, int lines) {
    ScrollRepeats(TopWindow(), controlId, ScrollCause::Arrow, lines);
}

void HeadlessBackend::PressPage(int controlId, int pages) {
    ScrollRepeats(TopWindow(), controlId, ScrollCause::Page, pages);
}

void HeadlessBackend::Step(int controlId, int delta) {
    Window* window = TopWindow();
    if (Control* control = window ? window->FindControl(controlId) : nullptr) {
        control->UserStep(delta);
    }
}

void HeadlessBackend::Then(std::function<void(HeadlessBackend&)> step) {
    std::lock_guard<std::mutex> lock(mutex_);
    steps_.push_back(std::move(step));
}

std::size_t HeadlessBackend::PendingSteps() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return steps_.size();
}

void HeadlessBackend::QueueMenuAnswer(int id) {
    menuAnswers_.push_back(id);
}

void HeadlessBackend::Pump() {
    RunPosted();
    PaintDirty();
}

const Image& HeadlessBackend::Snapshot(Window& window) {
    Peer* peer = PeerOf(window);
    if (peer->dirty_ || peer->paints_ == 0) peer->Paint();
    return peer->canvas_.Raster();
}

const std::vector<CanvasOp>& HeadlessBackend::Ops(Window& window) {
    Snapshot(window);
    return PeerOf(window)->canvas_.Ops();
}

std::vector<Invalidation> HeadlessBackend::Invalidations(Window& window) const {
    return PeerOf(window)->invalidations_;
}

int HeadlessBackend::Paints(Window& window) const {
    return PeerOf(window)->paints_;
}

}  // namespace platform::ui
