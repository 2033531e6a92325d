// Works the long drop-down lists (the 59 harmony patterns, the 52 handsets)
// in real FLTK windows with real pointer clicks made through XTest: one
// click on the box opens the list beside it, inside the screen, with no
// blank under its last row, and one click on the 40th entry picks it. Each
// open list is read back into <out>/<name>_list_xvfb.png.
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

void PressEsc(Display* display) {
    const KeyCode esc = XKeysymToKeycode(display, XK_Escape);
    XTestFakeKeyEvent(display, esc, True, CurrentTime);
    XTestFakeKeyEvent(display, esc, False, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
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
        int text = 0, below = 0;  // text in the last row; the row under the marked one
        for (int r = 1, marked = 0; r < shot.Height(); ++r) {
            const bool mostlyDark = Dark(shot, r) * 2 > shot.Width() - 24;
            if (marked && !mostlyDark) below = r + 4;
            marked = mostlyDark;
            text += r >= shot.Height() - 16 ? Dark(shot, r) : 0;
        }
        Check(text > 0, title + ": no blank under the last row");
        if (below > 4) ClickAt(display, list.left + 30, list.top + below);
        Check(OthersShown(display, window).empty(), title + ": the click on an entry closed it");
    }
    if (window && !OthersShown(display, window).empty())  // left open: a click outside closes it
        ClickAt(display, DisplayWidth(display, 0) - 1, DisplayHeight(display, 0) - 1);
    const int picked =
        OnUi<int>([&] { return dialog.GetWindow().FindControl(comboId)->Selection(); });
    Check(picked == kPicked,
          title + ": the field shows the 40th entry (" + std::to_string(picked) + ")");
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
