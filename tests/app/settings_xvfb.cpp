// Opens every settings and value dialog in a real FLTK window on the X
// display the test gives it, reads each back from the screen into
// <out>/<name>_xvfb.png, checks that it has its skin's size and shows more
// than one colour and that a settings page's captions stay inside their
// buttons, and closes it through its own OK. Then clicks into the one-line
// edit fields of skinned dialogs (<out>/<name>_fields_*_xvfb.png): each
// keeps its face when clicked and when another takes the focus.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/algo_strength_dialog.h"
#include "app/channel_role_dialog.h"
#include "app/compose_setting_dialog.h"
#include "app/convert_algo_dialog.h"
#include "app/convert_setting_dialog.h"
#include "app/copyright_dialog.h"
#include "app/device_selection_dialog.h"
#include "app/display_setting_dialog.h"
#include "app/edit_setting_dialog.h"
#include "app/function_setting_dialog.h"
#include "app/holder_selection_dialog.h"
#include "app/list_box_dialog.h"
#include "app/note_range_dialog.h"
#include "app/number_box.h"
#include "app/ringtone_setting_dialog.h"
#include "app/system_setting_dialog.h"
#include "app/tempo_selection_dialog.h"
#include "app/terminal_selection_dialog.h"
#include "app/tune_name_dialog.h"
#include "app/voicing_selection_dialog.h"
#include "compose/tune_structure.h"
#include "convert/mobile_data.h"
#include "convert/terminal_table.h"
#include "core/settings.h"
#include "midi/f0_data.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/image.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"

#include "tests/app/dialog_shots.h"

using platform::ui::Image;

namespace {

using window_shots::Check;
using window_shots::g_failures;

// Runs the dialog, reads it back while it is shown and checks that it has
// the skin's size and more than one colour.
Image Shoot(ZAWDialog& dialog, const std::string& title, const std::string& name, int height,
            const std::string& out, const std::function<void()>& run) {
    const Image shot =
        dialog_shots::Shoot(dialog, title, out + "/" + name + "_xvfb.png", -1, -1, run);
    Check(shot.Width() == 346 && shot.Height() == height,
          name + ": " + std::to_string(shot.Width()) + " x " + std::to_string(shot.Height()));
    const int colours = dialog_shots::Colours(shot);
    Check(colours > 8, name + ": " + std::to_string(colours) + " colours");
    return shot;
}

// A settings page, each of whose toggles' captions stays inside its button
// (OK's column lies partly under the grid's right-hand buttons).
template <typename Dialog>
void ShootPage(const std::string& title, const std::string& name, const std::string& out) {
    Dialog page;
    const Image shot = Shoot(page, title, name, 144, out, [&] { page.DoModal(); });
    for (int i = 1; i < page.PaintedCount(); ++i)
        Check(dialog_shots::CaptionInside(shot, page, i,
                                          SkinImage(platform::ui::SkinId::SmallBackground)),
              name + ": \"" + page.Button(i).caption + "\" inside its button");
}

void ShootValueDialogs(const std::string& out);
void ShootListDialogs(const std::string& out);
void ClickEditFields(const std::string& out);

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    if (const int status = window_shots::Start(argc, argv, "settings_xvfb", out)) return status;
    InitDefaultSettings();
    LoadSkinBitmaps();
    ShootPage<SystemSetting>("Common Setting", "system_setting", out);
    ShootPage<ComposeSetting>("Compose Mode Setting", "compose_setting", out);
    ShootPage<ConvertSetting>("Convert Setting", "convert_setting", out);
    ShootPage<DisplaySetting>("Display Setting", "display_setting", out);
    ShootPage<RingtoneSetting>("Ringtone Setting", "ringtone_setting", out);
    ShootPage<FunctionSetting>("Function Setting", "function_setting", out);
    ShootPage<EditSetting>("Random Style Setting", "edit_setting", out);
    ShootPage<HolderSelection>("Folder Setting", "holder_selection", out);
    ShootPage<ConvertAlgoSetting>("Algorithm", "convert_algo_setting", out);
    ShootValueDialogs(out);
    ShootListDialogs(out);
    ClickEditFields(out);
    platform::ui::BeginShutdown();
    platform::ui::InstallBackend(nullptr);
    std::printf("%d failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}

namespace {

void ShootValueDialogs(const std::string& out) {
    {
        WorkingStyle.tempo = 500000;
        WorkingStyle.tuneLength = 16;
        TempoSelection d;
        Shoot(d, "Tempo & Bars", "tempo_selection", 144, out, [&] { d.DoModal(); });
    }
    {
        TuneName d;
        d.text = "透かし文字";
        Shoot(d, "Tune Name", "tune_name", 144, out, [&] { d.DoModal(); });
    }
    {
        PickerTitle = "Device Selection";
        PickerFirstTexts = {"MIDI GM (.mid)", "MIDI GS (.mid)", "MIDI XG (.mid)"};
        PickerFirstCount = 3;
        PickerFirstIndex = 0;
        PickerSecondTexts = {"MIDI MAPPER", "Software synthesizer"};
        PickerSecondValues = {-1, 0};
        PickerSecondCount = 2;
        PickerSecondValue = 0;
        DeviceSelection d;
        d.mode = 2;
        Shoot(d, "Device Selection", "device_selection", 144, out, [&] { d.DoModal(); });
    }
    {
        // The handset with the longest list of models, which wraps in the
        // pane and runs past its height: a scroll bar, not the text's white
        // ground, fills the columns before the pane's right frame.
        CTerminalSelectionDlg d;
        const TerminalTable table;
        for (int row = 0; row < table.Count(); ++row)
            if (std::strlen(table.Row(row).models) >
                std::strlen(table.Row(d.terminalIndex).models))
                d.terminalIndex = row;
        d.title = "Terminal";
        d.numberMinimum = 1000;
        d.numberMaximum = 30000;
        d.numberValue = 18000;
        const Image shot =
            Shoot(d, "Terminal", "terminal_selection", 144, out, [&] { d.DoModal(); });
        int ground = 0;
        for (int y = 60; y < 116; ++y)
            for (int x = 283; x < 295; ++x)
                ground += shot.Pixel(x, y) == platform::ui::Rgb{255, 255, 255};
        Check(ground == 0, "terminal: the pane scrolls (" + std::to_string(ground) +
                               " white pixels where its scroll bar goes)");
    }
    {
        NoteRangeSelection d;
        d.highestNote = 84;
        d.lowestNote = 48;
        Shoot(d, "Note Range", "note_range", 144, out, [&] { d.DoModal(); });
    }
    {
        AlgoStrengthDlg d;
        Shoot(d, "Algorithm Strength", "algo_strength", 144, out, [&] { d.DoModal(); });
    }
    {
        const int table[] = {0, 1, 2};
        int value = 1;
        int check = 1;
        VoicingSelection d;
        d.title = "Voicing";
        d.checkCaption = "Close voicing";
        d.value = &value;
        d.texts = {"Root", "First inversion", "Second inversion"};
        d.table = table;
        d.checkState = &check;
        d.count = 3;
        Shoot(d, "Voicing", "voicing_selection", 144, out, [&] { d.DoModal(); });
    }
}

void ShootListDialogs(const std::string& out) {
    {
        ThreeListbox d;
        d.title = "Three Lists";
        d.captions = {"First", "Second", "Third"};
        d.texts = {std::vector<std::string>{"a", "b"}, {"c", "d"}, {"e", "f"}};
        Shoot(d, "Three Lists", "three_listbox", 288, out, [&] { d.DoModal(); });
    }
    {
        TwoListbox d;
        d.title = "Two Lists";
        d.captions = {"First", "Second"};
        d.texts = {std::vector<std::string>{"a", "b"}, {"c", "d"}, {}};
        Shoot(d, "Two Lists", "two_listbox", 288, out, [&] { d.DoModal(); });
    }
}

}  // namespace

namespace {

int White(const Image& shot, const platform::ui::Rect& area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += shot.Pixel(x, y) == platform::ui::Rgb{255, 255, 255};
    return n;
}

// Clicks into each of the running dialog's edit fields in turn, as FLTK
// delivers a click, and reads the window back after each: the field clicked
// and those clicked before (which lost the focus) still show nine tenths of
// the white they showed when the dialog opened (all but the text cursor).
template <typename Dialog>
void ClickFields(Dialog& dialog, const std::vector<int>& fields, const std::string& name,
                 const std::string& out) {
    using namespace platform::ui;
    // Asked again until the dialog runs: the roles dialog pauses while built.
    std::atomic<bool> done{false};
    std::function<void()> step = [&] {
        platform::ui::Window& w = dialog.GetWindow();
        if (done || !w.IsModal()) return;
        done = true;
        Image shot = window_shots::ReadBack(w, out + "/" + name + "_fields_opened_xvfb.png");
        std::vector<int> opened;
        for (int id : fields)
            opened.push_back(White(shot, w.FindControl(id)->Bounds()));
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const Rect b = w.FindControl(fields[i])->Bounds();
            SimulateClick(w, Point{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
            for (int k = 0; k < 5; ++k)
                PumpOnce(20);
            shot = ReadWindowPixels(w);
            for (std::size_t j = 0; j <= i; ++j) {
                const int now = White(shot, w.FindControl(fields[j])->Bounds());
                Check(opened[j] > 0 && now * 10 >= opened[j] * 9,
                      name + ": field " + std::to_string(j + 1) + (j == i ? " clicked" : " left") +
                          ", white " + std::to_string(opened[j]) + " -> " + std::to_string(now));
            }
        }
        Check(WritePng(shot, out + "/" + name + "_fields_clicked_xvfb.png"), name + ": written");
        w.EndModal(platform::kIdOk);
    };
    std::thread asker([&] {
        while (!done) {
            PostToUi(step);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    dialog.DoModal();
    done = true;
    asker.join();
    PumpOnce(0);  // the last asks, answered while step lives
}

void ClickEditFields(const std::string& out) {
    {
        NumberBox d;  // as the Random Style page asks for the tune length
        d.title = "Tune Length";
        d.mainMinimum = 16;
        d.mainMaximum = 96;
        d.mainValue = 24;
        ClickFields(d, {kNumberBoxMainEdit}, "tune_length", out);
    }
    {
        CTerminalSelectionDlg d;
        d.title = "Terminal";
        d.numberMinimum = 1000;
        d.numberMaximum = 30000;
        d.numberValue = 18000;
        ClickFields(d, {kTerminalLimitEdit}, "terminal", out);
    }
    {
        TuneName d;
        d.text = "Spring";
        ClickFields(d, {kTuneNameEdit}, "tune_name", out);
    }
    {
        MobileData model(16);
        model.title = "Spring";
        CopyrightSelection d;
        d.model = &model;
        ClickFields(d, {kCopyrightEdit, kCopyrightTitleEdit}, "copyright", out);
    }
    {
        MidiF0Data song(note_mode::kLength, 96);
        for (int bar = 0; bar < 4; ++bar)
            for (int c = 0; c < 4; ++c)
                song.Track()->AddNote(c, c == 0 && bar > 0 ? 384 : 0, 48 + 5 * c, 90, 380);
        song.Track()->AppendEndOfTrackAt(0);
        TuneStructure structure;
        structure.AnalyzeMidiData(song, 96);
        ZaChanelRole d(song, structure);
        ClickFields(d, {kRoleStartEdit, kRoleEndEdit}, "channel_role", out);
    }
}

}  // namespace
