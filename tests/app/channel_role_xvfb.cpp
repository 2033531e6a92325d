// "Chanel Roles" on the real desktop layer under Xvfb: opens the dialog on a
// tune that uses all 16 channels and grabs the screen with ffmpeg into
// <out>/channel_role_xvfb.png, then closes it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/channel_role_dialog.h"
#include "compose/tune_structure.h"
#include "midi/f0_data.h"
#include "platform/message_sink.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string out = std::string(argv[1]) + "/channel_role_xvfb.png";
    std::shared_ptr<platform::ui::Backend> backend = platform::ui::MakeFltkBackend();
    if (!backend) return 1;
    platform::ui::InstallBackend(backend);
    LoadSkinBitmaps();
    // Eight bars: a melody, chords, a bass, drums and twelve more voices.
    MidiF0Data song(note_mode::kLength, 96);
    for (int bar = 0; bar < 8; ++bar)
        for (int c = 0; c < 16; ++c)
            song.Track()->AddNote(c, c == 0 && bar > 0 ? 384 : 0, c == 9 ? 36 : 40 + 3 * c, 90,
                                  c == 0 ? 90 : 380);
    song.Track()->AppendEndOfTrackAt(0);
    TuneStructure structure;
    structure.AnalyzeMidiData(song, 96);
    ZaChanelRole dialog(song, structure);
    int grabbed = 1;
    std::thread grabber([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        const char* display = std::getenv("DISPLAY");
        const std::string command = std::string("ffmpeg -loglevel error -y -f x11grab -i ") +
                                    (display ? display : ":0") + " -frames:v 1 " + out;
        grabbed = std::system(command.c_str());
        platform::ui::PostToUi([&] { dialog.GetWindow().EndModal(platform::kIdOk); });
    });
    dialog.DoModal();
    grabber.join();
    platform::ui::BeginShutdown();
    platform::ui::InstallBackend(nullptr);
    std::printf("%s %s\n", out.c_str(), grabbed == 0 ? "written" : "NOT written");
    return grabbed == 0 ? 0 : 1;
}
