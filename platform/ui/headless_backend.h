// The UI layer without a display, for tests and runs without X: windows and
// controls keep their state in memory, each window paints into a recording
// raster canvas, and a test driver plays the user: clicks, keys, the close
// box, drops, scripted answers for boxes, choosers and menus, pumping, and
// snapshots of what a window drew.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ui/backend.h"
#include "platform/ui/raster_canvas.h"

namespace platform::ui {

// The face colour of every window, under what its handler paints.
constexpr Rgb kWindowFaceColour{212, 208, 200};

struct Invalidation {
    Rect area;
    bool erase = true;
};

class HeadlessBackend : public Backend {
public:
    // Boxes go to the sink and choosers to the chooser installed when the
    // backend is made (in tests the recording sink and the scripted chooser,
    // which hold the answers).
    HeadlessBackend();
    HeadlessBackend(std::shared_ptr<MessageSink> boxes, std::shared_ptr<FileChooser> choosers);
    ~HeadlessBackend() override;

    // ---- Backend ----
    std::unique_ptr<WindowPeer> CreateWindowPeer(Window& window) override;
    std::unique_ptr<OffscreenCanvas> CreateOffscreen(Size size) override;
    bool WaitEvents(int milliseconds) override;
    void Wake() override;
    bool ModalMayContinue() override;
    int ShowBox(BoxKind kind, const std::string& utf8) override;
    // Recorded in the box sink as an information box; nothing waits on it.
    void ShowNotice(const std::string& utf8) override;
    FileChooserAnswer ChooseFile(const FileChooserRequest& request) override;
    FileChooserAnswer ChooseFolder(const FolderChooserRequest& request) override;
    int PopupMenu(Window* owner, Point screen, const std::vector<MenuItem>& items) override;
    void SetWaitCursor(bool waiting) override;
    void Beep() override { ++beeps_; }
    void SetClipboardText(const std::string& utf8) override { clipboard_ = utf8; }
    std::unique_ptr<TrayPeer> CreateTray(const Image& icon, const std::string& tip,
                                         std::function<void(bool right)> onClick) override;

    // ---- The test driver ----
    // The window the user would act on: the innermost running modal, else
    // the last shown visible window; null when none.
    Window* TopWindow() const;
    // A left click in client coordinates of the top window: a control there
    // takes it (a check box toggles), else the window hears down and up.
    void Click(int x, int y);
    void RightClick(int x, int y);
    void Key(Key key);
    void Close();
    void Drop(const std::vector<std::string>& paths);
    // Acts on a control of the top window by id, as the user would.
    void Select(int controlId, int index);
    void Type(int controlId, const std::string& utf8);
    void Scroll(int controlId, int value);
    // Scroll bars worked by their parts: the thumb dragged to a value and
    // dropped there; an arrow pressed (held for |lines| repeats, negative
    // towards the minimum); the track clicked beside the thumb |pages| times.
    void DragThumb(int controlId, int value);
    void PressArrow(int controlId, int lines);
    void PressPage(int controlId, int pages);
    void Step(int controlId, int delta);
    // A step run when a modal loop waits for the user; steps run in order,
    // one per wait. A modal loop with no step, post or worker left to end it
    // ends itself with kModalStarved after a while instead of hanging.
    void Then(std::function<void(HeadlessBackend&)> step);
    std::size_t PendingSteps() const;
    // The next popup menu answers this id (0 = dismissed); without answers
    // menus are dismissed.
    void QueueMenuAnswer(int id);
    const std::vector<std::vector<MenuItem>>& Menus() const { return menus_; }
    // Runs the posts and the pending paints.
    void Pump();
    // What a window shows: painted now if it asked for a repaint.
    const Image& Snapshot(Window& window);
    const std::vector<CanvasOp>& Ops(Window& window);
    std::vector<Invalidation> Invalidations(Window& window) const;
    int Paints(Window& window) const;
    int ModalStarvations() const { return starvations_; }
    int Beeps() const { return beeps_; }
    const std::string& Clipboard() const { return clipboard_; }
    bool WaitCursorShown() const { return waitCursor_; }
    int BoxesShown() const { return boxes_; }
    int NoticesShown() const { return notices_; }
    int DeepestModal() const { return deepestModal_; }
    void SetTrayAvailable(bool available) { trayAvailable_ = available; }
    void ClickTray(bool right);

    // Used by the window peers.
    void PeerShown(WindowPeer* peer);
    void PeerGone(WindowPeer* peer);

private:
    class Peer;
    Peer* PeerOf(Window& window) const;
    void PaintDirty();

    std::shared_ptr<MessageSink> boxSink_;
    std::shared_ptr<FileChooser> chooser_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    std::deque<std::function<void(HeadlessBackend&)>> steps_;
    std::vector<Peer*> peers_;  // in order of showing
    std::vector<Window*> modals_;
    std::deque<int> menuAnswers_;
    std::vector<std::vector<MenuItem>> menus_;
    std::function<void(bool)> trayClick_;
    bool trayAvailable_ = false;
    int idleWaits_ = 0;
    Nanoseconds idleSince_{0};
    RealClock starvationClock_;
    int starvations_ = 0;
    int beeps_ = 0;
    int boxes_ = 0;
    int notices_ = 0;
    int deepestModal_ = 0;
    std::string clipboard_;
    bool waitCursor_ = false;
};

}  // namespace platform::ui
