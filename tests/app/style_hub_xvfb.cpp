// The style definition hub in both modes, "Instrument" in modes 0 and 3,
// "Mixer" with a knob at 127 and the two display dialogs in real FLTK
// windows on the X display the test gives it; each is read back into
// <out>/<name>_xvfb.png and checked for its size and what it must show.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/styleedit/inst_selection_dialog.h"
#include "app/styleedit/option_selection_dialog.h"
#include "app/styleedit/volume_display_dialog.h"
#include "app/styleedit/volume_mixer_dialog.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "styleedit/instrument_choice.h"

using namespace platform::ui;

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++g_failures;
}

Image Grab(Window& window, const std::string& path) {
    Check(PumpWhile([&] { return !FltkWindowDrawn(window); }, std::chrono::seconds(20)),
          path + ": the window was shown and drawn");
    for (int i = 0; i < 10; ++i)
        PumpOnce(20);
    Image shot = ReadWindowPixels(window);
    Check(WritePng(shot, path), "screenshot written to " + path);
    return shot;
}

// A dialog built and shown without its modal run.
Image Shoot(Window& window, const std::string& path) {
    window.Show();
    Image shot = Grab(window, path);
    window.Hide();
    return shot;
}

// A dialog that is built by its modal run: read back from inside the run,
// then ended through OK's path.
template <typename Dialog>
Image ShootModal(Dialog& dialog, const std::string& path) {
    Image shot;
    PostToUi([&] {
        shot = Grab(dialog.GetWindow(), path);
        dialog.GetWindow().EndModal(platform::kIdOk);
    });
    dialog.DoModal();
    return shot;
}

int CountColour(const Image& image, Rgb colour) {
    int n = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            n += image.Pixel(x, y) == colour;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: style_hub_xvfb <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    std::shared_ptr<Backend> fltk = MakeFltkBackend();
    if (!fltk) {
        std::fprintf(stderr, "style_hub_xvfb: no X display\n");
        return 1;
    }
    InstallBackend(fltk);
    LoadSkinBitmaps();
    InitMusicStyle(WorkingStyle);
    WorkingStyle.voice[kPartBass] = 27;
    WorkingStyle.voice[kPartDrum] = kVoiceNotUsed;
    for (int mode : {kHubStyleDefinition, kHubToneDefinition}) {
        OptionSelection hub;
        hub.openingMode = mode;
        hub.OnInitDialog();
        const std::string name = mode == kHubToneDefinition ? "hub_tone" : "hub_style";
        const Image shot = Shoot(hub.GetWindow(), folder + "/" + name + "_xvfb.png");
        Check(shot.Extent() == (Size{644, 464}), name + ": 644 x 464");
        Check(CountColour(shot, Rgb{0, 0, 0}) > 500, name + ": names on black");
    }
    for (int mode : {kChooseMelodic, kChooseSubDrum}) {
        InstrumentChoice = mode == kChooseMelodic ? 27 : 116;
        InstrumentChoiceMode = mode;
        InstSelection chooser;
        const std::string name = "instrument_mode" + std::to_string(mode);
        const Image shot = ShootModal(chooser, folder + "/" + name + "_xvfb.png");
        Check(shot.Extent() == (Size{346, 288}), name + ": 346 x 288");
    }
    {
        WorkingStyle.mix[kPartMelody].volume = 127;
        VolumeMixer mixer;
        mixer.OnInitDialog();
        const Image shot = Shoot(mixer.GetWindow(), folder + "/mixer_xvfb.png");
        Check(shot.Extent() == (Size{644, 464}), "mixer: 644 x 464");
        Check(CountColour(shot, Rgb{0, 255, 0}) > 200, "mixer: green labels, values and dots");
        Check(mixer.Knobs()[0].angle == 119, "mixer: the melody volume knob at its right end");
    }
    {
        VolumeSelection tracks;
        const Image shot = ShootModal(tracks, folder + "/display_track_xvfb.png");
        Check(shot.Extent() == (Size{346, 288}), "display track: 346 x 288");
        VolumeItem items;
        const Image itemShot = ShootModal(items, folder + "/display_item_xvfb.png");
        Check(itemShot.Extent() == (Size{346, 288}), "display item: 346 x 288");
    }
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
