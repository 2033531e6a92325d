// Opens the sample skinned dialog in a real FLTK window (on the X display
// the test gives it, a private Xvfb), reads the window back from the screen
// into sample_dialog_xvfb.png and checks chosen pixels against the headless
// raster of the same dialog (sample_dialog_headless.png beside it). Also runs
// the window modally until a worker's post ends it, and draws off-screen.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/ui/sample_dialog.h"

using namespace platform::ui;

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++g_failures;
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Describe(Rgb c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

void SamePixel(const Image& shot, const Image& headless, int x, int y, const std::string& what) {
    Rgb a = shot.Pixel(x, y);
    Rgb b = headless.Pixel(x, y);
    Check(Near(a, b, 2), what + " at " + std::to_string(x) + "," + std::to_string(y) + ": screen " +
                             Describe(a) + ", headless " + Describe(b));
}

// Pixels of a rectangle close to a caption colour: the glyphs were drawn.
int CountNear(const Image& image, const Rect& area, Rgb colour, int tolerance) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x)
            n += Near(image.Pixel(x, y), colour, tolerance);
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ui_screenshot <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    SkinStore skin;

    Image headless;
    {
        auto backend =
            std::make_shared<HeadlessBackend>(std::make_shared<platform::StderrMessageSink>(),
                                              std::make_shared<platform::ScriptedFileChooser>());
        InstallBackend(backend);
        sample::SampleDialog dialog(skin);
        Window& window = dialog.Create();
        window.Show();
        headless = backend->Snapshot(window);
    }
    InstallBackend(nullptr);

    // FLTK's preferences with the options group not named from the root,
    // which FLTK's own reader crashes on when it first reads its options.
    const std::filesystem::path home = std::filesystem::path(folder) / "home";
    std::filesystem::create_directories(home / ".fltk/fltk.org");
    std::ofstream(home / ".fltk/fltk.org/fltk.prefs")
        << "; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n"
           "[options]\nFNFCUsesGTK:0\n";
    setenv("HOME", home.c_str(), 1);
    std::shared_ptr<Backend> fltk = MakeFltkBackend();
    if (!fltk) {
        std::fprintf(stderr, "ui_screenshot: no X display (DISPLAY=%s)\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 1;
    }
    InstallBackend(fltk);
    Check(!FltkChooserUsesGtk(), "a damaged FLTK preferences file is read, its options kept");
    sample::SampleDialog dialog(skin);
    Window& window = dialog.Create();
    window.Show();
    Check(PumpWhile([&] { return !FltkWindowDrawn(window); }, std::chrono::seconds(20)),
          "the window was shown and drawn");
    for (int i = 0; i < 10; ++i)
        PumpOnce(20);
    Image shot = ReadWindowPixels(window);
    const std::string shotPath = folder + "/sample_dialog_xvfb.png";
    Check(WritePng(shot, shotPath), "screenshot written to " + shotPath);
    Check(WritePng(headless, folder + "/sample_dialog_headless.png"), "headless raster written");
    Check(shot.Extent() == (Size{346, 144}), "the client area is 346 x 144");

    SamePixel(shot, headless, 30, 20, "background");
    SamePixel(shot, headless, 340, 70, "background near the frame");
    SamePixel(shot, headless, 165, 10, "black strip");
    Check(shot.Pixel(165, 10) == (Rgb{0, 0, 0}), "the strip is black");
    SamePixel(shot, headless, 17, 40, "caption plate of the Japanese toggle");
    SamePixel(shot, headless, 166, 41, "caption plate of the selected toggle");
    SamePixel(shot, headless, 320, 130, "OK column button");
    // The captions themselves, which the headless canvas only records.
    int japanese = CountNear(shot, Rect{12, 35, 157, 76}, sample::kFaceNormal, 40);
    int selected = CountNear(shot, Rect{161, 36, 306, 77}, sample::kFaceSelected, 40);
    int strip = CountNear(shot, sample::kStrip, Rgb{255, 255, 200}, 40);
    Check(japanese >= 10,
          "\"停止中\" drawn in the normal face colour (" + std::to_string(japanese) + " pixels)");
    Check(selected >= 10, "the selected caption drawn in its face colour (" +
                              std::to_string(selected) + " pixels)");
    Check(strip >= 10, "the strip's text drawn (" + std::to_string(strip) + " pixels)");

    // Clicks, keys and drops through FLTK's event path: the Japanese toggle
    // is pressed, Esc only beeps, and a long dropped path arrives whole.
    {
        Point toggle = dialog.Centre(1);
        SimulateClick(window, toggle);
        Check(dialog.Button(1).state == 1, "a click through FLTK selected the toggle");
        SimulateKey(window, Key::Esc);
        Check(window.IsVisible(), "Esc did not close the skinned dialog");
        struct DropCatcher : WindowHandler {
            std::vector<std::string> paths;
            void OnDropFiles(Window&, const std::vector<std::string>& p) override { paths = p; }
        } catcher;
        Window target(&catcher);
        target.SetClientSize(Size{100, 100});
        target.Show();
        std::string longName(300, 'x');
        SimulateDrop(target, "file:///tmp/" + longName + "%20%E5%81%9C.mid\r\n");
        Check(catcher.paths.size() == 1 && catcher.paths[0] == "/tmp/" + longName + " 停.mid",
              "a dropped 320-character path arrived whole and decoded");
        target.Hide();
        for (int i = 0; i < 5; ++i)
            PumpOnce(20);
        Image after = ReadWindowPixels(window);
        Check(after.Pixel(17, 40) == skin.Get(SkinId::Toggle1Pressed).Pixel(5, 5),
              "the toggle shows its pressed face");
    }

    // No tray manager runs on this display: hiding to the tray iconifies.
    {
        TrayIcon tray(Image(16, 16), "ZAW", [](bool) {});
        Check(!tray.Docked(), "no tray manager: the icon is not docked");
        HideToTray(window, &tray);
        Check(window.IsVisible() && window.IsIconified(), "hiding iconified the window");
        window.Show();
        PumpOnce(20);
    }

    // A modal run ended by a worker's post: Fl::awake reaches the loop.
    window.Hide();
    std::thread worker([&] { PostToUi([&] { window.EndModal(platform::kIdOk); }); });
    int code = window.RunModal();
    worker.join();
    Check(code == platform::kIdOk, "a post from a worker ended the modal run");

    // Return, Esc and the space bar each close a notice and go no further,
    // though the focus lies in the window under it. The notice keeps its
    // own copy of a text that dies before it is drawn.
    for (const auto& [key, name] :
         {std::pair{NoticePress::Enter, "Return"}, std::pair{NoticePress::Esc, "Esc"},
          std::pair{NoticePress::Space, "The space bar"}}) {
        struct OkCounter : WindowHandler {
            int oks = 0;
            void OnOk(Window&) override { ++oks; }
        } counter;
        Window under(&counter);
        under.SetClientSize(Size{200, 100});
        under.AddControl(ControlKind::PushButton, Rect{20, 20, 120, 44}, 1).SetText("Play");
        under.Show();
        SimulateClick(under, Point{50, 30});
        CurrentBackend().ShowNotice(std::string("No audio output could be opened: ") +
                                    "the software synthesizer plays silently.");
        for (int i = 0; i < 5; ++i)
            PumpOnce(20);
        const std::vector<ForeignWindowView> open = ForeignWindows();
        Check(open.size() == 1 && open[0].texts.find("No audio output") != std::string::npos,
              std::string(name) + ": the notice shows its own copy of the text");
        Check(SimulateNoticeKey(key) && ForeignWindows().empty() && counter.oks == 0,
              std::string(name) + " closed the notice and did not reach the window under it");
        CloseBackendDialogs();
        under.Hide();
    }
    // A box keeps its own text when its caller's goes while it is open, and
    // a long text wraps inside the 1024-pixel screen, raw bytes too.
    {
        std::string text = "The style file could not be used: " + std::string(300, 'W') +
                           " and a long explanation of why, " + std::string(200, '\xb1');
        std::vector<ForeignWindowView> open;
        PostToUi([&] {
            text.assign(5000, 'x');  // the text the box was handed is freed
            open = ForeignWindows();
            CloseBackendDialogs();
        });
        CurrentBackend().ShowBox(platform::BoxKind::Error, text);
        const bool one = open.size() == 1;
        Check(one && open[0].texts.find("The style file could not be used:") != std::string::npos,
              "the box shows its own copy of the text");
        Check(one && open[0].frame.left >= 0 && open[0].frame.right <= 1024 &&
                  open[0].texts.find("WWW\nWWW") != std::string::npos,
              "the box fits the screen, the long word wrapped: " +
                  (one ? std::to_string(open[0].frame.Width()) : std::string("none")) + " px");
    }

    // Off-screen drawing at the large dialog's size.
    auto offscreen = CurrentBackend().CreateOffscreen(Size{644, 464});
    Canvas& canvas = offscreen->Draw();
    canvas.FillRect(Rect{0, 0, 644, 464}, Rgb{255, 255, 255});
    canvas.FillRect(Rect{100, 74, 370, 145}, Rgb{0, 0, 0});
    canvas.Blit(skin.Get(SkinId::Ok), Rect{475, 393, 620, 430});
    Image drawn = offscreen->Read();
    Check(drawn.Pixel(100, 74) == (Rgb{0, 0, 0}) && drawn.Pixel(370, 145) == (Rgb{255, 255, 255}),
          "off-screen fill");
    Check(Near(drawn.Pixel(500, 410), skin.Get(SkinId::Ok).Pixel(25, 17), 2), "off-screen blit");

    // Every control kind on a large dialog face, with its state mirrored by
    // FLTK's widgets, moved, hidden and disabled.
    {
        Window large;
        large.SetTitle("controls");
        large.SetClientSize(Size{644, 464});
        large.AddControl(ControlKind::ImageHolder, Rect{0, 0, 644, 464})
            .SetImage(&skin.Get(SkinId::LargeBackground));
        Control& button = large.AddControl(ControlKind::PushButton, Rect{20, 20, 120, 44}, 1);
        button.SetText("Listen");
        button.SetTooltip(
            "Plays the pattern with the instrument chosen, and stops when pressed again. "
            "The tooltip wraps before it grows wider than the dialogs allow.");
        Control& combo = large.AddControl(ControlKind::ComboBox, Rect{140, 20, 300, 44}, 2);
        combo.AddItem("MIDI GM (.mid)", 2);
        combo.AddItem("a/b & c_d", 1);
        combo.SetSelection(1);
        Control& edit = large.AddControl(ControlKind::Edit, Rect{320, 20, 380, 44}, 3);
        Control& spin = large.AddControl(ControlKind::UpDown, Rect{380, 20, 396, 44}, 4);
        edit.SetNumeric(true);
        edit.SetMaxLength(3);
        spin.SetRange(-12, 12);
        spin.BindBuddy(&edit);
        spin.SetValue(-5);
        Control& check = large.AddControl(ControlKind::CheckBox, Rect{420, 20, 560, 44}, 5);
        check.SetText("停止中");
        check.SetValue(1);
        Control& hbar = large.AddControl(ControlKind::HScrollBar, Rect{20, 60, 300, 76}, 6);
        hbar.SetRange(-24, 24);
        hbar.SetValue(-3);
        Control& vbar = large.AddControl(ControlKind::VScrollBar, Rect{600, 60, 616, 300}, 7);
        vbar.SetRange(0, 127);
        Control& list = large.AddControl(ControlKind::ListBox, Rect{20, 90, 300, 200}, 8);
        list.AddItem("Melody", 1, Rgb{200, 0, 0});
        list.AddItem("Bass", 2, Rgb{0, 0, 200});
        list.SetSelection(0);
        Control& track = large.AddControl(ControlKind::Trackbar, Rect{320, 90, 560, 120}, 9);
        track.SetRange(0, 20);
        track.SetTickFrequency(5);
        track.SetValue(10);
        Control& text = large.AddControl(ControlKind::TextView, Rect{320, 140, 560, 300}, 10);
        text.SetText("--B:M\nメロディ\n");
        Control& patterns = large.AddControl(ControlKind::ComboBox, Rect{320, 400, 560, 424}, 11);
        for (int i = 0; i < 60; ++i)
            patterns.AddItem("Pattern " + std::to_string(i + 1), i);
        large.Show();
        PumpWhile([&] { return !FltkWindowDrawn(large); }, std::chrono::seconds(20));
        // A long list opens inside the 768-pixel screen, where it scrolls.
        std::vector<ForeignWindowView> open;
        PostToUi([&] {
            open = ForeignWindows();
            CloseBackendDialogs();
        });
        SimulateClick(large, Point{400, 410});
        Check(open.size() == 1 && open[0].frame.top >= 0 && open[0].frame.bottom <= 768 &&
                  open[0].frame.Height() < 60 * 18,
              "the 60 items open as a list inside the screen");
        button.SetText("STOP");
        button.Move(Rect{20, 320, 120, 344});
        combo.ClearItems();
        list.Enable(false);
        vbar.Show(false);
        large.Invalidate(true);
        for (int i = 0; i < 5; ++i)
            PumpOnce(20);
        Image controls = ReadWindowPixels(large);
        Check(WritePng(controls, folder + "/controls_xvfb.png"), "controls screenshot written");
        const Image& face = skin.Get(SkinId::LargeBackground);
        Check(controls.Pixel(30, 30) == face.Pixel(30, 30), "the moved button left its old place");
        Check(controls.Pixel(30, 330) != face.Pixel(30, 330), "the button shows at its new place");
        Check(controls.Pixel(608, 200) == face.Pixel(608, 200), "the hidden scroll bar is gone");
    }

    InstallBackend(nullptr);
    std::printf("%s\n", g_failures ? "FAILED" : "all checks passed");
    return g_failures ? 1 : 0;
}
