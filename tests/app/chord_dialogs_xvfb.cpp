// "Chord Input" in both modes and "Chord Edit" in real FLTK windows on the X
// display the test gives it: mode 1 on a style of 20 bars, mode 2 on a tune
// of four chord sections with beats 4..9 selected, and the chord dialog on
// "bmPS"; each is read back into <out>/<name>_xvfb.png and checked for the
// grid's colours.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/chord_edit_dialog.h"
#include "app/chord_input_dialog.h"
#include "compose/chord_buffer.h"
#include "midi/f1_data.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tuneedit/edit_object.h"
#include "tests/app/window_shots.h"

using namespace platform::ui;
using window_shots::Check;
using window_shots::CountColour;
using window_shots::g_failures;
using window_shots::Shoot;

namespace {

Point Cell(int step) {
    return Point{kChordCellLeft + step % kChordGridColumns * kChordCellWidth + 10,
                 kChordCellTop + step / kChordGridColumns * kChordCellHeight + 20};
}

void StyleOfTwentyBars() {
    InitMusicStyle(WorkingStyle);
    std::memset(WorkingStyle.harmonyStructure, 0, kHarmonyStructureBytes);
    static const char* const kCodes[4] = {"CMPS", "AmPs", "FMPS", "GMPs"};
    for (int i = 0; i < 20; ++i) {
        std::uint8_t* e = WorkingStyle.harmonyStructure + 6 * i;
        e[0] = 1;
        e[1] = 128;  // 384 ticks
        std::memcpy(e + 2, kCodes[i % 4], 4);
    }
}

// Sixteen bars: "C", "Am 7", "F M7" and "G 7" four bars each, a melody.
std::string WriteTune(const std::string& folder) {
    MidiF1Data song(96);
    MidiF1TrackData* head = song.AddEmptyTrack();
    head->SetNoteMode(note_mode::kLength);
    static const char* const kNames[4] = {"C", "Am 7", "F M7", "G 7"};
    for (int i = 0; i < 4; ++i)
        head->AppendMarker(i ? 1536 : 0, kNames[i]);
    head->AppendEndOfTrack();
    MidiF1TrackData* melody = song.AddEmptyTrack();
    melody->SetNoteMode(note_mode::kLength);
    for (int i = 0; i < 64; ++i)
        melody->AddNote(1, i ? 96 : 0, 60 + i % 12, 100, 90);
    melody->AppendEndOfTrack();
    const std::string path = folder + "/edit_temp.mid";
    song.SaveFile(path);
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    if (const int status = window_shots::Start(argc, argv, "chord_dialogs_xvfb", folder)) return status;
    LoadSkinBitmaps();
    {
        StyleOfTwentyBars();
        EdCdCust dialog(nullptr, 1);
        dialog.OnInitDialog();
        const Image shot = Shoot(dialog.GetWindow(), folder + "/chord_input_style_xvfb.png");
        Check(shot.Extent() == (Size{644, 464}), "the client area is 644 x 464");
        Check(CountColour(shot, Rgb{200, 200, 200}) > 1000, "grey cells are drawn");
        Check(CountColour(shot, kChordSelectionColour) == 0, "nothing is selected");
    }
    {
        OpenCurrentEditObject(WriteTune(folder));
        EdCdCust dialog(nullptr, 2);
        dialog.OnInitDialog();
        Window& w = dialog.GetWindow();
        dialog.OnLeftDown(w, Cell(9));
        dialog.OnMouseMove(w, Cell(6));
        dialog.OnLeftUp(w, Cell(4));
        const Image shot = Shoot(w, folder + "/chord_input_tune_xvfb.png");
        Check(CountColour(shot, kChordSelectionColour) > 6 * 30 * 40,
              "six selected cells in the selection colour");
        SetCurrentEditObject(nullptr);
    }
    {
        EdChordEdit dialog(nullptr, "bmPS");
        dialog.OnInitDialog();
        const Image shot = Shoot(dialog.GetWindow(), folder + "/chord_edit_xvfb.png");
        Check(shot.Extent() == (Size{346, 144}), "the chord dialog is 346 x 144");
    }
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
