// Opens the chord input dialog on an edited tune in a real FLTK window on
// the X display the test gives it, opens each of the five edit panels over
// it in turn, reads the screen back into <out>/<panel>_xvfb.png (the panel
// over the dialog), checks each panel's size and that it shows more than
// one colour, and closes everything through its OK.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "app/adjustment_dialog.h"
#include "app/chord_input_dialog.h"
#include "app/edit_chord_dialog.h"
#include "app/edit_copy_paste_dialog.h"
#include "app/edit_melody_dialog.h"
#include "app/edit_richness_dialog.h"
#include "core/settings.h"
#include "midi/f1_data.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/image.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tuneedit/edit_object.h"

#include "tests/app/window_shots.h"
#include "tests/app/x11_grab.h"

using platform::ui::Image;
using platform::ui::Rgb;

using x11_grab::FindTitled;
using x11_grab::Grab;

namespace {

using window_shots::Check;
using window_shots::g_failures;

::Window WaitFor(Display* display, const std::string& title) {
    ::Window window = 0;
    for (int i = 0; i < 100 && !window; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window = FindTitled(display, DefaultRootWindow(display), title);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // painted
    return window;
}

// Opens the panel over the dialog (on the UI thread), shoots the screen,
// and closes the panel.
void ShootPanel(Display* display, EdCdCust& dialog, const std::string& title,
                const std::string& name, const std::string& out,
                const std::function<EditPanel*(platform::ui::Window*)>& make) {
    EditPanel* panel = nullptr;
    platform::ui::PostToUi([&] {
        panel = make(&dialog.GetWindow());
        panel->DoModal();
        delete panel;
    });
    const ::Window window = WaitFor(display, title);
    const Image alone = window ? Grab(display, window) : Image{};
    Check(window != 0, name + ": window \"" + title + "\" found");
    Check(alone.Width() == 346 && alone.Height() == 144,
          name + ": " + std::to_string(alone.Width()) + " x " + std::to_string(alone.Height()));
    std::set<std::uint32_t> colours;
    for (int y = 0; y < alone.Height(); y += 3)
        for (int x = 0; x < alone.Width(); x += 3) {
            const Rgb c = alone.Pixel(x, y);
            colours.insert(c.r << 16 | c.g << 8 | c.b);
        }
    Check(colours.size() > 8, name + ": " + std::to_string(colours.size()) + " colours");
    const Image screen = Grab(display, DefaultRootWindow(display));
    Check(WritePng(screen, out + "/" + name + "_xvfb.png"), name + ": screenshot written");
    platform::ui::PostToUi([&] { panel->GetWindow().EndModal(platform::kIdOk); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

void SaveTune(const std::string& path) {
    MidiF1Data song(96);
    MidiF1TrackData* head = song.AddEmptyTrack();
    head->SetNoteMode(note_mode::kLength);
    const char* chords[] = {"C", "Am", "F", "G 7"};
    for (int i = 0; i < 8; ++i)
        head->AppendMarker(i ? 384 : 0, chords[i % 4]);
    head->AppendEndOfTrack();
    for (int channel : {1, 3, 10}) {
        MidiF1TrackData* t = song.AddEmptyTrack();
        t->SetNoteMode(note_mode::kLength);
        t->AddProgramChange(channel, channel == 3 ? 48 : 0);
        for (int i = 0; i < 32; ++i)
            t->AddNote(channel, i ? 96 : channel == 10 ? 12 : 0, 60 + (i * 5) % 12, 100, 90);
        t->AppendEndOfTrack();
    }
    song.SaveFile(path);
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    if (const int status = window_shots::Start(argc, argv, "edit_panels_xvfb", out)) return status;
    InitDefaultSettings();
    LoadSkinBitmaps();
    InitMusicStyle(WorkingStyle);
    const std::string path = out + "/edit_temp.mid";
    SaveTune(path);
    OpenCurrentEditObject(path);
    EdCdCust dialog(nullptr, 2);
    std::thread helper([&] {
        Display* display = XOpenDisplay(nullptr);
        Check(display && WaitFor(display, "Chord Input") != 0, "the chord input dialog is shown");
        if (display) {
            ShootPanel(display, dialog, "Edit Melody", "edit_melody", out,
                       [](platform::ui::Window* w) { return new EditMelody(w, 0, 7); });
            ShootPanel(display, dialog, "Edit Chord", "edit_chord", out,
                       [](platform::ui::Window* w) { return new EditChord(w, 4, 7); });
            ShootPanel(display, dialog, "Adjustment", "adjustment", out,
                       [](platform::ui::Window* w) { return new Adjustment(w, 0, 15); });
            ShootPanel(display, dialog, "Copy Paste", "edit_copy_paste", out,
                       [](platform::ui::Window* w) { return new EditCopyPaste(w, 0, 3); });
            ShootPanel(display, dialog, "Edit Richness", "edit_richness", out,
                       [](platform::ui::Window* w) { return new EditRichness(w, 0, 3); });
            XCloseDisplay(display);
        }
        platform::ui::PostToUi([&] { dialog.GetWindow().EndModal(platform::kIdOk); });
    });
    dialog.DoModal();
    helper.join();
    SetCurrentEditObject(nullptr);
    platform::ui::BeginShutdown();
    platform::ui::InstallBackend(nullptr);
    std::printf("%d failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
