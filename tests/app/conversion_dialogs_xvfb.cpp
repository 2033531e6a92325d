// Opens the channel selection dialog (20 slots, drum rows), the copyright
// dialog (a Japanese title), the melody-mail text box and the ring-voice
// format choice in real FLTK windows on the X display the test gives it,
// reads each back from the screen into channel_dialog_xvfb.png,
// copyright_dialog_xvfb.png, text_input_xvfb.png and ring_voice_xvfb.png,
// and checks that the rows and texts were drawn.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/channel_select_dialog.h"
#include "app/copyright_dialog.h"
#include "app/ring_voice_selection_dialog.h"
#include "app/text_input_dialog.h"
#include "convert/mobile_data.h"
#include "core/settings.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"
#include "tests/app/window_shots.h"

using namespace platform::ui;
using window_shots::Check;
using window_shots::g_failures;
using window_shots::Shoot;

namespace {

std::unique_ptr<MobileData> TwentySlots() {
    auto model = std::make_unique<MobileData>(0x60000);
    for (int s = 0; s < 20; ++s) {
        const bool drum = s % 7 == 3;
        auto slot = std::make_unique<MobileChanelData>(
            s, drum ? MobileChanelData::kKindDrum : MobileChanelData::kKindMelodic, 0);
        slot->AppendControl(0, mobile_code::kProgram, drum ? 38 + s : (s * 9) % 128);
        slot->AppendControl(0, mobile_code::kVolume, 60 + s);
        for (int q = 0; q < 16; ++q)
            slot->AppendNote(q ? 96 : 0, 50 + s, 90, 100);
        slot->enabled = s < 12 ? 1 : 0;
        model->AddSlot(std::move(slot));
    }
    return model;
}

// Shows the dialog's window, waits for it to be drawn, and saves it.
// Pixels of the area that differ from its first pixel.
int Varied(const Image& image, const Rect& area) {
    const Rgb first = image.Pixel(area.left, area.top);
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += image.Pixel(x, y) != first;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    if (const int status = window_shots::Start(argc, argv, "conversion_dialogs_xvfb", folder)) return status;
    FillInstrumentNames();
    InitDefaultSettings();
    {
        auto model = TwentySlots();
        MobileDialogSelectChanel dialog;
        dialog.model = model.get();
        dialog.DrumRowsLocked = 1;
        dialog.OnInitDialog();
        const Image shot = Shoot(dialog.GetWindow(), folder + "/channel_dialog_xvfb.png");
        Check(shot.Extent() == (Size{644, 464}), "the client area is 644 x 464");
        Check(Varied(shot, Rect{450, 59, 615, 59 + 27 * 8}) > 100, "the third column holds rows");
        Check(Varied(shot, Rect{27, 392, 173, 432}) > 100, "the Listen button is drawn");
    }
    {
        MobileData model(16);
        model.title = Utf8ToCp932("春の着メロ");
        CopyrightSelection dialog;
        dialog.model = &model;
        dialog.OnInitDialog();
        const Image shot = Shoot(dialog.GetWindow(), folder + "/copyright_dialog_xvfb.png");
        Check(shot.Extent() == (Size{346, 288}), "the client area is 346 x 288");
        Check(Varied(shot, Rect{20, 150, 320, 176}) > 50, "the title box shows text");
    }
    {
        TextInputText = "--B:M\r\nbWVsbwAAAKAAAgIAAHNvcmMBAABub3RlAgAAZXhzdAAAAHZlcnMABDA0MDAA";
        TextInputCaption = kMelodyMailCaption;
        TextInput dialog;
        dialog.OnInitDialog();
        const Image shot = Shoot(dialog.GetWindow(), folder + "/text_input_xvfb.png");
        Check(shot.Extent() == (Size{346, 144}), "the client area is 346 x 144");
        Check(Varied(shot, Rect{40, 90, 290, 140}) > 50, "the mail text is shown");
        Check(Varied(shot, Rect{22, 45, 320, 83}) > 50, "the caption plate is drawn");
    }
    {
        CRingVoiceSelectionDlg dialog;
        dialog.OnInitDialog();
        // As a user would leave it: a family with a long handset list.
        dialog.GetWindow().FindControl(kRingVoiceCombo)->SetSelection(12);
        const Image shot = Shoot(dialog.GetWindow(), folder + "/ring_voice_xvfb.png");
        Check(Varied(shot, Rect{12, 14, 408, 38}) > 50, "the drop-down shows the chosen family");
        Check(Varied(shot, Rect{170, 54, 250, 82}) > 20, "the OK button is drawn");
    }
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
