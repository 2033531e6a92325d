// Works the long drop-down lists (the 59 harmony patterns, the 52 handsets)
// in real FLTK windows with real pointer clicks made through XTest: one
// click on the box opens the list beside it, inside the screen and no
// taller than its rows, and one click on the 40th entry picks it. Each open
// list is read back into <out>/<name>_list_xvfb.png.
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

constexpr int kPreset = 30;  // the entry the list opens on, marked
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

// The dark pixels of each row of the list, its scroll bar left out.
std::vector<int> DarkPerRow(const Image& shot) {
    std::vector<int> dark(static_cast<std::size_t>(shot.Height()));
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 4; x < shot.Width() - 20; ++x) {
            const Rgb c = shot.Pixel(x, y);
            dark[static_cast<std::size_t>(y)] += c.r + c.g + c.b < 384;
        }
    return dark;
}

// The middle of the longest run of rows mostly dark: the marked entry.
int MarkedMiddle(const std::vector<int>& dark, int full) {
    int best = 0, bestLength = 0, start = 0;
    for (int y = 0; y <= static_cast<int>(dark.size()); ++y) {
        if (y < static_cast<int>(dark.size()) && dark[static_cast<std::size_t>(y)] * 2 > full)
            continue;
        if (y - start > bestLength) best = (start + y) / 2, bestLength = y - start;
        start = y + 1;
    }
    return best;
}

// The row pitch of the text: the first shift of 8 to 40 pixels at which the
// rows' darkness (the marked rows left out) peaks against itself at 80 %
// of the best match or more.
int RowPitch(std::vector<int> dark, int full) {
    for (int& d : dark)
        d = d * 2 > full ? 0 : d;
    std::vector<double> match(42);
    for (std::size_t lag = 7; lag <= 41 && lag < dark.size(); ++lag) {
        for (std::size_t y = 0; y + lag < dark.size(); ++y)
            match[lag] += dark[y] * dark[y + lag];
        match[lag] /= static_cast<double>(dark.size() - lag);
    }
    const double top = *std::max_element(match.begin() + 8, match.begin() + 41);
    for (std::size_t lag = 8; lag <= 40; ++lag)
        if (match[lag] >= 0.8 * top && match[lag] >= match[lag - 1] && match[lag] >= match[lag + 1])
            return static_cast<int>(lag);
    return 0;
}

// Clicks the box of the dialog's long list, checks the list that opens, and
// clicks its 40th entry; then ends the dialog.
void WorkList(ZAWDialog& dialog, const std::string& title, int comboId,
              const std::string& shotPath) {
    Display* display = XOpenDisplay(nullptr);
    ::Window window = 0;
    for (int i = 0; i < 100 && display && !window; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window = FindTitled(display, DefaultRootWindow(display), title);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // painted
    const Rect box = OnUi<Rect>([&] { return dialog.GetWindow().FindControl(comboId)->Bounds(); });
    const int items = OnUi<int>(
        [&] { return static_cast<int>(dialog.GetWindow().FindControl(comboId)->Items().size()); });
    int rootX = 0, rootY = 0;
    ::Window child = 0;
    if (window)
        XTranslateCoordinates(display, window, DefaultRootWindow(display), box.left, box.top,
                              &rootX, &rootY, &child);
    const Rect onScreen = Rect::FromSize(rootX, rootY, box.Width(), box.Height());
    std::vector<std::pair<::Window, Rect>> open;
    if (window) {
        ClickAt(display, rootX + box.Width() / 2, rootY + box.Height() / 2);
        open = OthersShown(display, window);
    }
    Check(open.size() == 1, title + ": one click on the box opened a list that stays");
    if (open.size() == 1) {
        const Rect list = open[0].second;
        const Image shot = x11_grab::Grab(display, open[0].first);
        Check(WritePng(shot, shotPath), "screenshot written to " + shotPath);
        const std::vector<int> dark = DarkPerRow(shot);
        const int row = RowPitch(dark, shot.Width() - 24);
        const int picked = MarkedMiddle(dark, shot.Width() - 24) + (kPicked - kPreset) * row;
        Check(list.left >= 0 && list.top >= 0 &&
                  list.right <= DisplayWidth(display, DefaultScreen(display)) &&
                  list.bottom <= DisplayHeight(display, DefaultScreen(display)),
              title + ": the list lies inside the screen");
        Check(list.top >= onScreen.bottom || list.bottom <= onScreen.top,
              title + ": the list leaves its box uncovered");
        Check(row >= 8 && row <= 40 && list.Height() <= items * row + 8,
              title + ": the list is no taller than its " + std::to_string(items) + " rows of " +
                  std::to_string(row) + " px: " + std::to_string(list.Height()) + " px");
        if (row >= 8 && picked < list.Height()) ClickAt(display, list.left + 30, list.top + picked);
        Check(OthersShown(display, window).empty(),
              title + ": the click on an entry closed the list");
    }
    if (window && !OthersShown(display, window).empty()) {  // Esc closes a list left open
        const KeyCode esc = XKeysymToKeycode(display, XK_Escape);
        XTestFakeKeyEvent(display, esc, True, CurrentTime);
        XTestFakeKeyEvent(display, esc, False, CurrentTime);
        XFlush(display);
    }
    const int selected =
        OnUi<int>([&] { return dialog.GetWindow().FindControl(comboId)->Selection(); });
    Check(selected == kPicked,
          title + ": the field shows the 40th entry (" + std::to_string(selected) + ")");
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
        dialog.GetWindow().FindControl(kSelectionPatternCombo)->SetSelection(kPreset);
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
        dialog.terminalIndex = kPreset;
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
