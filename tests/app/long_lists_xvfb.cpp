// Works the long drop-down lists (the 59 harmony patterns, the 52 handsets)
// in real FLTK windows with real pointer clicks and keys made through XTest:
// one click on the box opens the list beside it, inside the screen, with no
// blank under its last row, and one click on the 40th entry picks it; a
// press on the box dragged to the 41st and released there picks that; the
// arrow, page and end keys move the mark, Return picks it and Esc leaves
// the box as it was. Each open list is read back into
// <out>/<name>_list_xvfb.png.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/styleedit/harmony_pattern_selection_dialog.h"
#include "app/terminal_selection_dialog.h"
#include "core/settings.h"
#include "style/style_table.h"
#include "styleedit/pattern_preview.h"
#include "tests/app/dialog_shots.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace platform::ui;
using namespace dialog_shots;

namespace {

constexpr int kPicked = 39;  // the 40th entry

// What the UI thread answers, or the default when it does not in time.
template <class T>
T OnUi(std::function<T()> ask) {
    auto answer = std::make_shared<std::promise<T>>();
    std::future<T> future = answer->get_future();
    PostToUi([answer, ask] { answer->set_value(ask()); });
    return future.wait_for(std::chrono::seconds(5)) == std::future_status::ready ? future.get()
                                                                                 : T{};
}

void ClickAt(Display* display, int x, int y) {
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
}

void PressKey(Display* display, KeySym key) {
    const KeyCode code = XKeysymToKeycode(display, key);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

void PressEsc(Display* display) {
    PressKey(display, XK_Escape);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
}

// The top-level windows shown other than the dialog, with their frames.
std::vector<std::pair<::Window, Rect>> OthersShown(Display* display, ::Window dialog) {
    std::vector<std::pair<::Window, Rect>> shown;
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return shown;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a{};
        if (children[i] == dialog || !XGetWindowAttributes(display, children[i], &a) ||
            a.map_state != IsViewable)
            continue;
        shown.emplace_back(children[i], Rect::FromSize(a.x, a.y, a.width, a.height));
    }
    if (children) XFree(children);
    return shown;
}

// The dark pixels of a row of the list, its scroll bar left out; a row
// mostly dark is a row of the marked entry.
int Dark(const Image& shot, int y) {
    int dark = 0;
    for (int x = 4; x < shot.Width() - 20; ++x) {
        const Rgb c = shot.Pixel(x, y);
        dark += c.r + c.g + c.b < 384;
    }
    return dark;
}

// The row under the marked entry of a shot of the list (0 when none is
// marked), and whether its last row holds text.
int RowBelowMarked(const Image& shot, bool* lastRowText = nullptr) {
    int text = 0, below = 0;
    for (int r = 1, marked = 0; r < shot.Height(); ++r) {
        const bool mostlyDark = Dark(shot, r) * 2 > shot.Width() - 24;
        if (marked && !mostlyDark) below = r + 4;
        marked = mostlyDark;
        text += r >= shot.Height() - 16 ? Dark(shot, r) : 0;
    }
    if (lastRowText) *lastRowText = text > 0;
    return below > 4 ? below : 0;
}

// Keys pressed in the open list, and the entry the box shows after them.
struct KeyRun {
    std::vector<KeySym> keys;
    int picked;  // kLast: the last entry
    const char* what;
};
constexpr int kLast = -2;
const KeyRun kKeyRuns[] = {
    {{XK_Home, XK_Down, XK_Down, XK_Down, XK_Return}, 3, "Home, Down x3, Return: the 4th"},
    {{XK_Down, XK_End, XK_Escape}, 3, "End, Esc: unchanged"},
    {{XK_Home, XK_Next, XK_Return}, kLast, "Home, Page Down, Return: the last"},
    {{XK_Up, XK_Prior, XK_Return}, 0, "Up, Page Up, Return: the first"},
};

// A press on the box held while the pointer moves onto the entry under the
// marked one, released there: it must pick that entry.
void DragToNext(Display* display, ::Window window, Point boxCentre) {
    XTestFakeMotionEvent(display, -1, boxCentre.x, boxCentre.y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const std::vector<std::pair<::Window, Rect>> open = OthersShown(display, window);
    const int below = open.size() == 1 ? RowBelowMarked(x11_grab::Grab(display, open[0].first)) : 0;
    Check(below > 0, "a held press opened the list with an entry marked");
    if (below > 0) {
        const Rect list = open[0].second;
        XTestFakeMotionEvent(display, -1, list.left + 20, list.top + below / 2, CurrentTime);
        XTestFakeMotionEvent(display, -1, list.left + 30, list.top + below, CurrentTime);
        XFlush(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
}

// Clicks the box of the dialog's long list (opened on the 39th entry) and
// closes the list by Esc, clicks it again, checks the list that opens,
// clicks the entry under the marked one (the 40th), checks the field shows
// it, and ends the dialog.
void WorkList(ZAWDialog& dialog, const std::string& title, int comboId, const std::string& path) {
    Display* display = XOpenDisplay(nullptr);
    ::Window window = 0;
    for (int i = 0; i < 100 && display && !window; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window = FindTitled(display, DefaultRootWindow(display), title);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // painted
    const Rect box = OnUi<Rect>([&] { return dialog.GetWindow().FindControl(comboId)->Bounds(); });
    int x = 0, y = 0;
    ::Window child = 0;
    std::vector<std::pair<::Window, Rect>> open;
    if (window) {
        XTranslateCoordinates(display, window, DefaultRootWindow(display), box.left, box.top, &x,
                              &y, &child);
        ClickAt(display, x + box.Width() / 2, y + box.Height() / 2);
        PressEsc(display);
        Check(OthersShown(display, window).empty(), title + ": Esc closed the list");
        ClickAt(display, x + box.Width() / 2, y + box.Height() / 2);
        open = OthersShown(display, window);
    }
    Check(open.size() == 1, title + ": one click on the box opened a list that stays");
    if (open.size() == 1) {
        const Rect list = open[0].second;
        const Image shot = x11_grab::Grab(display, open[0].first);
        Check(WritePng(shot, path), "screenshot written to " + path);
        Check(list.left >= 0 && list.top >= 0 &&
                  list.right <= DisplayWidth(display, DefaultScreen(display)) &&
                  list.bottom <= DisplayHeight(display, DefaultScreen(display)) &&
                  (list.top >= y + box.Height() || list.bottom <= y),
              title + ": the list lies inside the screen and leaves its box uncovered");
        bool text = false;
        const int below = RowBelowMarked(shot, &text);
        Check(text, title + ": no blank under the last row");
        if (below > 0) ClickAt(display, list.left + 30, list.top + below);
        Check(OthersShown(display, window).empty(), title + ": the click on an entry closed it");
    }
    if (window && !OthersShown(display, window).empty())  // left open: a click outside closes it
        ClickAt(display, DisplayWidth(display, 0) - 1, DisplayHeight(display, 0) - 1);
    // What the box shows, or -1 if the list was left open (closed first by
    // a click outside, so that the UI answers).
    auto shown = [&] {
        const bool closed = !window || OthersShown(display, window).empty();
        if (!closed) ClickAt(display, DisplayWidth(display, 0) - 1, DisplayHeight(display, 0) - 1);
        const int at =
            OnUi<int>([&] { return dialog.GetWindow().FindControl(comboId)->Selection(); });
        return closed ? at : -1;
    };
    const int picked = shown();
    Check(picked == kPicked,
          title + ": the field shows the 40th entry (" + std::to_string(picked) + ")");
    const Point boxCentre{x + box.Width() / 2, y + box.Height() / 2};
    if (window) DragToNext(display, window, boxCentre);
    Check(window && shown() == kPicked + 1,
          title + ": a release after a held press picked the 41st entry");
    const int last =
        OnUi<int>([&] {
            return static_cast<int>(dialog.GetWindow().FindControl(comboId)->Items().size());
        }) -
        1;
    for (const KeyRun& run : kKeyRuns) {
        if (!window) break;
        ClickAt(display, boxCentre.x, boxCentre.y);
        for (KeySym key : run.keys) {
            const std::vector<std::pair<::Window, Rect>> open = OthersShown(display, window);
            if (&run == kKeyRuns && key == XK_Return && open.size() == 1)  // the mark moved
                WritePng(x11_grab::Grab(display, open[0].first),
                         path.substr(0, path.size() - 4) + "_keys.png");
            PressKey(display, key);
        }
        const int now = shown();
        Check(now == (run.picked == kLast ? last : run.picked),
              title + ": " + run.what + " (" + std::to_string(now) + ")");
    }
    if (display) XCloseDisplay(display);
    PostToUi([&dialog] { dialog.GetWindow().EndModal(platform::kIdCancel); });
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    if (const int status = window_shots::Start(argc, argv, "long_lists_xvfb", out)) return status;
    InitDefaultSettings();
    LoadSkinBitmaps();
    BuildStyleTable();
    InitMusicStyle(WorkingStyle);
    {
        PatternPart = kPartHarmony;
        HarmonyPatternSelection dialog;
        dialog.OnInitDialog();
        dialog.GetWindow().FindControl(kSelectionPatternCombo)->SetSelection(kPicked - 1);
        std::thread helper([&] {
            WorkList(dialog, "Harmony pattern", kSelectionPatternCombo,
                     out + "/harmony_list_xvfb.png");
        });
        dialog.DoModal();
        helper.join();
    }
    {
        CTerminalSelectionDlg dialog;
        dialog.title = "Terminal";
        dialog.terminalIndex = kPicked - 1;
        std::thread helper(
            [&] { WorkList(dialog, "Terminal", kTerminalCombo, out + "/handset_list_xvfb.png"); });
        dialog.DoModal();
        helper.join();
    }
    StopPreview();
    BeginShutdown();
    InstallBackend(nullptr);
    std::printf("%d failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
