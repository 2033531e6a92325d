#include "app/midi_device_selection.h"

#include <algorithm>
#include "app/device_selection_dialog.h"

#include "app/main_dlg.h"
#include "app/shell_seams.h"
#include "compose/compose_control.h"
#include "core/output_formats.h"
#include "core/reporters.h"
#include "core/settings.h"

using platform::MidiOutResult;

namespace {

struct DeviceResultText {
    MidiOutResult result;
    const char* text;
};

constexpr DeviceResultText kDeviceResultTexts[] = {
    {MidiOutResult::BadDeviceId, "指定されたデバイス識別子は範囲外です。"},
    {MidiOutResult::NoDriver, "ドライバがインストールされていません。"},
    {MidiOutResult::NoMemory, "システムはマッパー文字列記述をロードできません。"},
    {MidiOutResult::InvalidParam, "指定されたポインタまたは構造体は無効です。"},
};

// Devices listed at most (a system that reports more is cut).
constexpr int kMaxListedDevices = 256;

void FillDeviceList() {
    PickerSecondTexts = {platform::kMidiMapperName};
    PickerSecondValues = {platform::kMidiMapper};
    const int count = std::min(platform::MidiOutGetNumDevs(), kMaxListedDevices);
    for (int id = 0; id < count; ++id) {
        std::string name;
        const MidiOutResult result = platform::MidiOutGetDevName(id, &name);
        if (result != MidiOutResult::Ok && id != 0) {
            ShowErrorBox(MidiDeviceErrorText(result));
            break;
        }
        PickerSecondTexts.push_back(name);
        PickerSecondValues.push_back(id);
    }
    PickerSecondCount = static_cast<int>(PickerSecondTexts.size());
}

}  // namespace

const char* MidiDeviceErrorText(MidiOutResult result) {
    for (const DeviceResultText& row : kDeviceResultTexts)
        if (row.result == result) return row.text;
    return "";
}

void SelectMidiDevice(platform::ui::Window* owner) {
    PickerTitle = "Device Selection";
    PickerFirstTexts = {"MIDI GM (.mid)", "MIDI GS (.mid)", "MIDI XG (.mid)"};
    PickerFirstCount = kChoosableTypeListRows;
    // A type the picker cannot show starts on "MIDI GM (.mid)".
    const int listIndex = FormatOf(AppSettings.ComposeOutputType).typeListRow;
    PickerFirstIndex = listIndex >= 0 && listIndex < kChoosableTypeListRows ? listIndex : 0;
    FillDeviceList();
    PickerSecondValue = MidiOutDeviceId.load() + 1;

    DeviceSelection picker(owner);
    picker.mode = 2;
    picker.DoModal();

    MidiOutDeviceId = PickerSecondValue;
    const int outputType = TypeOfTypeListRow(PickerFirstIndex);
    if (outputType >= 0) {
        AppSettings.ComposeOutputType = outputType;
        ComposeOutputType = outputType;
    }
}
