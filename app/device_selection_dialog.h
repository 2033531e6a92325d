// A small picker of one or two lists. Its inputs and outputs are the
// Picker... globals: the title, the first list's texts and selected index,
// and the second list's texts, the value of each entry and the selected
// index in (the chosen entry's value out). A preset index outside a list
// selects its first entry; OK with nothing selected keeps the value.
#pragma once

#include <string>
#include <vector>

#include "app/zaw_dialog.h"

constexpr int kDeviceFirstCombo = 2064;
constexpr int kDeviceSecondCombo = 2065;

extern std::string PickerTitle;
extern std::vector<std::string> PickerFirstTexts;
extern int PickerFirstCount;
extern int PickerFirstIndex;
extern std::vector<std::string> PickerSecondTexts;
extern std::vector<int> PickerSecondValues;
extern int PickerSecondCount;
extern int PickerSecondValue;

class DeviceSelection : public ZAWDialog {
public:
    explicit DeviceSelection(platform::ui::Window* parent = nullptr);

    int mode = 1;  // 1 one list, 2 two lists

    int DoModal();
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnOk(platform::ui::Window& window) override;
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;

private:
    void OnInitDialog();
    void StoreAndClose(platform::ui::Window& window);

    platform::ui::Window* parent_;
    platform::ui::Control* first_ = nullptr;
    platform::ui::Control* second_ = nullptr;
};

// The index a list opens on: the preset when it is inside the list, else 0
// (or -1 for an empty list).
int PresetIndex(int preset, int count);
