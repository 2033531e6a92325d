// Opens the pattern chooser during a preview, the step editor on the harmony
// pattern with grid B and on the rhythm pattern, and the drum creator in real
// FLTK windows on the X display the test gives it, reads each back into
// <out>/<name>_xvfb.png and checks size and content.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "app/styleedit/create_drum_dialog.h"
#include "app/styleedit/harmony_pattern_dialog.h"
#include "app/styleedit/harmony_pattern_selection_dialog.h"
#include "styleedit/pattern_preview.h"
#include "styleedit/style_editor_services.h"
#include "core/settings.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/image.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"

// After the program's headers: X11 defines None, Bool and the like as macros.
#include "tests/app/x11_grab.h"

using platform::ui::Image;
using platform::ui::Rgb;

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++g_failures;
}

using x11_grab::FindTitled;
using x11_grab::GrabScreenOver;

int Colours(const Image& shot) {
    std::set<std::uint32_t> colours;
    for (int y = 0; y < shot.Height(); y += 3)
        for (int x = 0; x < shot.Width(); x += 3) {
            const Rgb c = shot.Pixel(x, y);
            colours.insert(c.r << 16 | c.g << 8 | c.b);
        }
    return static_cast<int>(colours.size());
}

// Runs the dialog; meanwhile a helper finds its window, optionally rests the
// pointer on a point of it, reads the screen back and ends the dialog.
Image Shoot(ZAWDialog& dialog, const std::string& title, const std::string& path, int pointX,
            int pointY, const std::function<void()>& run) {
    Image shot;
    std::thread helper([&] {
        Display* display = XOpenDisplay(nullptr);
        ::Window window = 0;
        for (int i = 0; i < 100 && !window; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (display) window = FindTitled(display, DefaultRootWindow(display), title);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(400));  // painted
        if (window && pointX >= 0) {
            // Two moves inside the window: the first enters, the second stays.
            XWarpPointer(display, 0, window, 0, 0, 0, 0, pointX - 30, pointY - 10);
            XFlush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            XWarpPointer(display, 0, window, 0, 0, 0, 0, pointX, pointY);
            XFlush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(2000));  // the tip's delay
        }
        shot = window ? GrabScreenOver(display, window) : Image{};
        Check(window != 0, "window \"" + title + "\" found");
        Check(shot.Width() > 0 && WritePng(shot, path), "screenshot written to " + path);
        if (display) XCloseDisplay(display);
        platform::ui::PostToUi([&dialog] { dialog.GetWindow().EndModal(platform::kIdOk); });
    });
    run();
    helper.join();
    return shot;
}



// Some cells, a repeat step and row tones in both grids of a slot.
void DrawSomeCells(int slot) {
    for (int g = 0; g < 2; ++g) {
        GridPart& grid = WorkingStyle.customHarmony.grid[g][slot];
        for (int c = 0; c < 16; ++c)
            for (int r = 0; r < 14; ++r) grid.Cell(r, c) = (r * 5 + c * 3 + g) % 7 == 0;
        grid.pnContinuem[5] = 1;
        for (int r = 0; r < 14; ++r) grid.pnInterval[r] = slot == 2 ? r * 3 : r;
    }
    ApplyPatternRepeatFlags(WorkingStyle, slot, 16);
}

void ShootEditor(int slot, const std::string& title, const std::string& path) {
    PatternSlot = slot;
    ZaHarmonyPattern dialog;
    const Image shot = Shoot(dialog, title, path, -1, -1, [&] { dialog.DoModal(); });
    Check(shot.Width() == 644 && shot.Height() == 464, path + ": 644 x 464");
    Check(Colours(shot) > 8, path + ": " + std::to_string(Colours(shot)) + " colours");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : ".";
    std::filesystem::create_directories(out);
    auto backend = platform::ui::MakeFltkBackend();
    if (!backend) {
        std::printf("FAIL: no display\n");
        return 1;
    }
    platform::ui::InstallBackend(backend);
    InitDefaultSettings();
    LoadSkinBitmaps();
    BuildStyleTable();
    InitMusicStyle(WorkingStyle);
    WorkingStyle.voice[kPartBass] = 33;
    WorkingStyle.bassPattern = 8;
    {
        PatternPart = kPartBass;
        HarmonyPatternSelection dialog;
        dialog.OnInitDialog();
        dialog.GetWindow().FindControl(kSelectionListenButton)->UserClick();
        const Image shot = Shoot(dialog, "Bass pattern", out + "/pattern_chooser_xvfb.png", -1, -1,
                                 [&] { dialog.DoModal(); });
        Check(shot.Width() == 346 && shot.Height() == 144, "chooser: 346 x 144");
        Check(Colours(shot) > 8, "chooser: " + std::to_string(Colours(shot)) + " colours");
    }
    DrawSomeCells(0);
    WorkingStyle.customHarmony.useX[0] = 1;
    ShootEditor(0, "Harmony Pattern Setting", out + "/step_editor_harmony_xvfb.png");
    DrawSomeCells(2);
    ShootEditor(2, "Rhythm Pattern Setting", out + "/step_editor_rhythm_xvfb.png");
    {
        ZACreateDrum dialog;
        const Image shot = Shoot(dialog, "Create Drum", out + "/create_drum_xvfb.png", -1, -1,
                                 [&] { dialog.DoModal(); });
        Check(shot.Width() > 0, "drum creator shot");
    }
    StopPreview();
    platform::ui::BeginShutdown();
    platform::ui::InstallBackend(nullptr);
    std::printf("%d failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
