// Modal runs, keys, the close box, drops, controls and the desktop services
// of the headless backend, played through its driver.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "platform/ui/instance_lock.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_fixture.h"

using namespace platform::ui;

namespace {

struct Recorder : WindowHandler {
    std::vector<std::string> events;
    std::vector<std::string> dropped;
    void OnLeftDown(Window&, Point p) override {
        events.push_back("down " + std::to_string(p.x) + "," + std::to_string(p.y));
    }
    void OnLeftUp(Window&, Point) override { events.push_back("up"); }
    void OnRightDown(Window&, Point) override { events.push_back("right"); }
    void OnDropFiles(Window&, const std::vector<std::string>& paths) override { dropped = paths; }
    void OnControl(Window&, Control& c, ControlEvent e) override {
        events.push_back("control " + std::to_string(c.Id()) + " " +
                         std::to_string(static_cast<int>(e)));
    }
    bool OnStep(Window&, Control&, int delta) override {
        events.push_back("step " + std::to_string(delta));
        return delta != 7;  // a step of 7 is refused
    }
};

using UiWindowsTest = UiTest;

TEST_F(UiWindowsTest, NestedModalsEndInnermostFirstWithTheirOwnCodes) {
    constexpr int kDepth = 8;
    WindowHandler handler;  // Enter ends with OK, Esc and the close box with Cancel
    HeadlessBackend& d = Driver();
    std::vector<std::pair<int, int>> ended;  // (level, code)
    std::vector<std::unique_ptr<Window>> windows;
    // Each level opens the next from inside its own modal loop; the deepest
    // queues the closings: Enter, Esc, the close box, Enter, ...
    std::function<void(int)> nest = [&](int level) {
        windows.push_back(std::make_unique<Window>(&handler));
        Window* self = windows.back().get();
        Window* owner = level > 1 ? windows[level - 2].get() : nullptr;
        if (level < kDepth) {
            d.Then([&nest, level](HeadlessBackend&) { nest(level + 1); });
        } else {
            for (int i = 0; i < kDepth; ++i) {
                d.Then([i](HeadlessBackend& drv) {
                    EXPECT_EQ(drv.TopWindow()->IsModal(), true);
                    if (i % 3 == 0) drv.Key(Key::Enter);
                    if (i % 3 == 1) drv.Key(Key::Esc);
                    if (i % 3 == 2) drv.Close();
                });
            }
        }
        ended.emplace_back(level, self->RunModal(owner));
        EXPECT_FALSE(self->IsVisible());
    };
    nest(1);
    EXPECT_EQ(d.DeepestModal(), kDepth);
    EXPECT_EQ(d.ModalStarvations(), 0);
    ASSERT_EQ(ended.size(), static_cast<size_t>(kDepth));
    for (int i = 0; i < kDepth; ++i) {
        EXPECT_EQ(ended[i].first, kDepth - i);
        EXPECT_EQ(ended[i].second, i % 3 == 0 ? platform::kIdOk : platform::kIdCancel);
    }
    EXPECT_EQ(d.TopWindow(), nullptr);
}

TEST_F(UiWindowsTest, AModalNothingCanEndEndsItselfInsteadOfHanging) {
    Window window;
    EXPECT_EQ(window.RunModal(), kModalStarved);
    EXPECT_EQ(Driver().ModalStarvations(), 1);
}

TEST_F(UiWindowsTest, ClicksGoToControlsThatTakeThemElseToTheWindow) {
    Recorder rec;
    Window window(&rec);
    window.SetClientSize(Size{300, 200});
    Control& face = window.AddControl(ControlKind::ImageHolder, Rect{0, 0, 300, 200}, 1);
    Control& button = window.AddControl(ControlKind::PushButton, Rect{10, 10, 60, 30}, 2);
    Control& check = window.AddControl(ControlKind::CheckBox, Rect{10, 40, 60, 60}, 3);
    button.SetText("Listen");
    window.Show();
    (void)face;
    HeadlessBackend& d = Driver();
    d.Click(20, 20);
    d.Click(20, 50);
    d.Click(100, 100);  // on the image holder only: the window hears it
    EXPECT_EQ(check.Value(), 1);
    check.Enable(false);
    d.Click(20, 50);  // a disabled control lets the click through to the window
    button.Show(false);
    d.Click(20, 20);  // a hidden one lets it through
    d.RightClick(5, 6);
    EXPECT_EQ(check.Value(), 1);
    std::vector<std::string> expected{"control 2 0", "control 3 0", "down 100,100",
                                      "up",          "down 20,50",  "up",
                                      "down 20,20",  "up",          "right"};
    EXPECT_EQ(rec.events, expected);
    button.SetText("STOP");
    EXPECT_EQ(button.Text(), "STOP");
}

TEST_F(UiWindowsTest, EditFieldsUpDownsListsAndBarsKeepTheirValuesInBounds) {
    Recorder rec;
    Window window(&rec);
    window.Show();
    Control& edit = window.AddControl(ControlKind::Edit, Rect{0, 0, 40, 20}, 1);
    Control& spin = window.AddControl(ControlKind::UpDown, Rect{40, 0, 56, 20}, 2);
    edit.SetNumeric(true);
    edit.SetMaxLength(3);
    spin.SetRange(-12, 120);
    spin.BindBuddy(&edit);
    spin.SetValue(118);
    EXPECT_EQ(edit.Text(), "118");
    HeadlessBackend& d = Driver();
    d.Step(2, 1);
    d.Step(2, 5);  // clamped at the top
    EXPECT_EQ(spin.Value(), 120);
    d.Step(2, 7);  // refused by the handler
    EXPECT_EQ(spin.Value(), 120);
    d.Type(1, "-5x12");  // letters dropped, cut to three characters
    EXPECT_EQ(edit.Text(), "-51");
    d.Step(2, -1);  // steps from what was typed, clamped below
    EXPECT_EQ(spin.Value(), -12);
    EXPECT_EQ(edit.Text(), "-12");

    Control& combo = window.AddControl(ControlKind::ComboBox, Rect{0, 30, 100, 50}, 3);
    combo.AddItem("MIDI GM (.mid)", 2);
    combo.AddItem("MIDI GS (.mid)", 1);
    combo.SetSelection(5);
    EXPECT_EQ(combo.SelectedValue(-9), -9);
    d.Select(3, 1);
    EXPECT_EQ(combo.SelectedValue(), 1);

    Control& bar = window.AddControl(ControlKind::HScrollBar, Rect{0, 60, 100, 76}, 4);
    bar.SetRange(24, -24);  // given the wrong way round
    d.Scroll(4, -100);
    EXPECT_EQ(bar.Value(), -24);
    Control& track = window.AddControl(ControlKind::Trackbar, Rect{0, 80, 100, 100}, 5);
    track.SetRange(0, 20);
    track.SetTickFrequency(5);
    d.Scroll(5, 13);
    EXPECT_EQ(track.Value(), 13);
    std::vector<std::string> expected{"step 1",      "control 2 3", "step 5",     "control 2 3",
                                      "step 7",      "control 1 2", "step -1",    "control 2 3",
                                      "control 3 1", "control 4 3", "control 5 3"};
    EXPECT_EQ(rec.events, expected);
}

TEST_F(UiWindowsTest, DroppedPathsArriveWholeAndDecoded) {
    std::string longName(300, 'n');
    std::string text = "# comment\r\nfile:///home/u/" + longName +
                       ".mid\r\nfile://host/tmp/a%20b%E5%81%9C.mid\r\nhttp://x/y.mid\r\n"
                       "/plain/path.mid\r\nfile:///bad%zzname%4\r\n";
    std::vector<std::string> paths = ParseDroppedUris(text);
    std::vector<std::string> expected{"/home/u/" + longName + ".mid", "/tmp/a b停.mid",
                                      "/plain/path.mid", "/bad%zzname%4"};
    EXPECT_EQ(paths, expected);
    Recorder rec;
    Window window(&rec);
    window.Show();
    Driver().Drop(paths);
    EXPECT_EQ(rec.dropped, expected);
    EXPECT_EQ(rec.dropped[0].size(), 312u);
}

TEST_F(UiWindowsTest, MenusAnswerOnlyTheirOwnIds) {
    Window window;
    window.Move(Point{320, 240});
    window.Show();
    std::vector<MenuItem> items{{32799, "Hide Panel"}, {32801, "Help"}, {0, ""}, {32800, "Quit"}};
    HeadlessBackend& d = Driver();
    d.QueueMenuAnswer(32800);
    d.QueueMenuAnswer(12345);
    EXPECT_EQ(PopupMenu(&window, window.ClientToScreen(Point{10, 10}), items), 32800);
    EXPECT_EQ(PopupMenu(&window, Point{0, 0}, items), 0);
    EXPECT_EQ(PopupMenu(&window, Point{0, 0}, items), 0);  // no answer left: dismissed
    ASSERT_EQ(d.Menus().size(), 3u);
    EXPECT_EQ(d.Menus()[0][3].text, "Quit");
    EXPECT_EQ(window.ClientToScreen(Point{10, 10}), (Point{330, 250}));
}

TEST_F(UiWindowsTest, FiltersAndDefaultExtensions) {
    auto entries = ParseFileFilter("midi files|*.mid|DOCOMO Ringtone|*.mld|");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].description, "DOCOMO Ringtone");
    EXPECT_EQ(entries[1].pattern, "*.mld");
    EXPECT_EQ(ParseFileFilter("wave files|*.wav").size(), 1u);  // closing bar missing
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_EQ(WithDefaultExtension("/a/tune", "mid"), "/a/tune.mid");
    EXPECT_EQ(WithDefaultExtension("/a/tune.MLD", "mid"), "/a/tune.MLD");
    EXPECT_EQ(WithDefaultExtension("/a.b/tune", ".mid"), "/a.b/tune.mid");
    EXPECT_EQ(WithDefaultExtension("/a/tune", ""), "/a/tune");
    // A failing chooser is told apart from a cancel.
    testing_support::Chooser().QueueError(0xFFFF);
    UiFileChooser chooser;
    platform::FileChooserAnswer failed = chooser.ChooseFolder({"/tmp", "Select a Folder!"});
    EXPECT_FALSE(failed.chosen);
    EXPECT_EQ(failed.errorCode, 0xFFFF);
}

TEST_F(UiWindowsTest, TrayHidesOnlyWhenDockedElseIconifies) {
    Window panel;
    panel.Show();
    std::vector<bool> clicks;
    {
        TrayIcon tray(Image(16, 16), "ZAW", [&](bool right) { clicks.push_back(right); });
        EXPECT_FALSE(tray.Docked());
        HideToTray(panel, &tray);
        EXPECT_TRUE(panel.IsVisible());
        EXPECT_TRUE(panel.IsIconified());
    }
    panel.Show();
    Driver().SetTrayAvailable(true);
    TrayIcon tray(Image(16, 16), "ZAW", [&](bool right) { clicks.push_back(right); });
    HideToTray(panel, &tray);
    EXPECT_FALSE(panel.IsVisible());
    Driver().ClickTray(false);
    Driver().ClickTray(true);
    EXPECT_EQ(clicks, (std::vector<bool>{false, true}));
}

TEST_F(UiWindowsTest, WaitCursorsNestAndServicesReachTheBackend) {
    {
        WaitCursor outer;
        { WaitCursor inner; }
        EXPECT_TRUE(Driver().WaitCursorShown());
    }
    EXPECT_FALSE(Driver().WaitCursorShown());
    Beep();
    SetClipboardText("--B:M\r\nmelody");
    EXPECT_EQ(Driver().Beeps(), 1);
    EXPECT_EQ(Driver().Clipboard(), "--B:M\r\nmelody");
}

TEST_F(UiWindowsTest, ASecondInstanceLockFailsWhileTheFirstIsHeld) {
    std::string dir = testing_support::ScratchDir();
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    {
        InstanceLock first("ZAWInstance");
        ASSERT_TRUE(first.Acquired());
        EXPECT_EQ(first.Path(), dir + "/ZAWInstance.lock");
        InstanceLock second("ZAWInstance");
        EXPECT_FALSE(second.Acquired());
        InstanceLock other("OtherName");
        EXPECT_TRUE(other.Acquired());
    }
    InstanceLock again("ZAWInstance");
    EXPECT_TRUE(again.Acquired());
    if (old) {
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
}

// Without a runtime folder the lock lives in the temporary folder every user
// shares; another user's lock there (a file of the old shared name that this
// process cannot open, as a folder of that name) must not refuse this copy.
TEST_F(UiWindowsTest, ALockInTheSharedTemporaryFolderIsPerUser) {
    const std::string dir = testing_support::ScratchDir();
    auto saved = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const std::optional<std::string> runtime = saved("XDG_RUNTIME_DIR");
    const std::optional<std::string> tmp = saved("TMPDIR");
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", dir.c_str(), 1);
    std::filesystem::create_directory(dir + "/ZAWInstance.lock");
    {
        InstanceLock first("ZAWInstance");
        EXPECT_TRUE(first.Acquired());
        EXPECT_EQ(first.Path(), dir + "/ZAWInstance-" + std::to_string(getuid()) + ".lock");
        InstanceLock second("ZAWInstance");
        EXPECT_FALSE(second.Acquired());
    }
    auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    };
    restore("XDG_RUNTIME_DIR", runtime);
    restore("TMPDIR", tmp);
}

TEST_F(UiWindowsTest, OpenDocumentReturnsAtOnceAndLeavesNoChild) {
    std::string dir = testing_support::ScratchDir();
    std::string out = dir + "/opened.txt";
    // A viewer that takes its time, then notes what it was asked to open.
    std::string viewer = dir + "/xdg-open";
    testing_support::WriteFileText(viewer, "#!/bin/sh\nsleep 1\nprintf '%s' \"$1\" > '" + out +
                                               ".part'\nmv '" + out + ".part' '" + out + "'\n");
    std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir + ":" + savedPath).c_str(), 1);
    std::string help = dir + "/" + std::string(280, 'h') + " zaw.chm";
    OpenDocument(help);
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_FALSE(std::filesystem::exists(out)) << "the caller waited for the viewer";
    // The middle child was reaped: nothing is left to wait for.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    for (int i = 0; i < 500 && !std::filesystem::exists(out); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(testing_support::ReadFileText(out), help);
    // A missing viewer is silent.
    setenv("PATH", dir.c_str(), 1);
    std::filesystem::remove(viewer);
    OpenDocument("/nowhere");
    setenv("PATH", savedPath.c_str(), 1);
}

}  // namespace

namespace {

// A scroll bar that, like a table of fixed positions, lets only a dropped
// thumb move it: every other move is put back where the bar stood.
struct DropOnlyBar : WindowHandler {
    int held = 0;
    std::vector<std::string> heard;
    void OnControl(Window&, Control& c, ControlEvent e) override {
        heard.push_back(std::to_string(static_cast<int>(e)) + ":" +
                        std::to_string(static_cast<int>(c.LastScrollCause())) + ":" +
                        std::to_string(c.Value()));
        if (e == ControlEvent::ThumbReleased) held = c.Value();
        if (e == ControlEvent::ValueChanged && c.LastScrollCause() != ScrollCause::Thumb)
            c.SetValue(held);
    }
};

std::string Heard(ControlEvent e, ScrollCause cause, int value) {
    return std::to_string(static_cast<int>(e)) + ":" + std::to_string(static_cast<int>(cause)) +
           ":" + std::to_string(value);
}

}  // namespace

// The driver works a bar by its parts: a drag is heard as a move by the
// thumb, then the drop, both clamped into the range; arrows and pages step
// from wherever the handler left the bar, one event per repeat; outside a
// handler the cause reads Direct again, and a disabled bar hears nothing.
TEST_F(UiWindowsTest, ScrollBarPartsAndTheThumbDrop) {
    DropOnlyBar rec;
    Window window(&rec);
    window.Show();
    HeadlessBackend& d = Driver();
    Control& bar = window.AddControl(ControlKind::VScrollBar, Rect{0, 0, 16, 150}, 9);
    bar.SetRange(-50, 50);
    bar.SetPage(10);
    d.DragThumb(9, -80);
    EXPECT_EQ(rec.held, -50);
    d.PressArrow(9, 3);
    d.PressPage(9, -2);
    EXPECT_EQ(bar.Value(), -50);
    EXPECT_EQ(bar.LastScrollCause(), ScrollCause::Direct);
    const std::vector<std::string> expected{
        Heard(ControlEvent::ValueChanged, ScrollCause::Thumb, -50),
        Heard(ControlEvent::ThumbReleased, ScrollCause::Thumb, -50),
        Heard(ControlEvent::ValueChanged, ScrollCause::Arrow, -49),
        Heard(ControlEvent::ValueChanged, ScrollCause::Arrow, -49),
        Heard(ControlEvent::ValueChanged, ScrollCause::Arrow, -49),
        Heard(ControlEvent::ValueChanged, ScrollCause::Page, -50),
        Heard(ControlEvent::ValueChanged, ScrollCause::Page, -50),
    };
    EXPECT_EQ(rec.heard, expected);

    // Left alone, the bar follows its arrows and pages.
    rec.heard.clear();
    window.SetHandler(nullptr);
    d.DragThumb(9, 20);
    d.PressArrow(9, -3);
    d.PressPage(9, 2);
    EXPECT_EQ(bar.Value(), 37);
    d.Scroll(9, 5);
    EXPECT_EQ(bar.Value(), 5);
    bar.Enable(false);
    window.SetHandler(&rec);
    d.DragThumb(9, 0);
    d.PressArrow(9, 1);
    EXPECT_TRUE(rec.heard.empty());
    EXPECT_EQ(bar.Value(), 5);
}
