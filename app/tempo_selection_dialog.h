// "Tempo & Bars": the working style's tempo (a preset or beats per minute on
// arrows) and its tune length in bars, with the length in seconds. Values go
// into the style as they change; OK only closes.
#pragma once

#include <cstdint>
#include <string>

#include "app/zaw_dialog.h"

constexpr int kTempoPresetCombo = 3001;
constexpr int kTempoBpmEdit = 3002;
constexpr int kTempoBpmSpin = 3003;
constexpr int kTempoBarsEdit = 3004;
constexpr int kTempoBarsSpin = 3005;
constexpr int kTempoLengthEdit = 3006;

constexpr int kBpmMinimum = 30;
constexpr int kBpmMaximum = 240;
constexpr int kBarsMinimum = 16;
constexpr int kBarsMaximum = 96;
constexpr int kCustomTempoPreset = 5;

// A stored tempo the dialog can compute with: below 1000 microseconds per
// quarter (0 included) it stands for 500000, as the tempo writer takes 0.
std::int32_t UsableTempo(std::int32_t tempo);
int ShownBpm(std::int32_t tempo);
std::int32_t TempoOfBpm(int bpm);
// The preset a tempo matches; kCustomTempoPreset for any other.
int TempoPreset(std::int32_t tempo);
// The length in seconds at four beats a bar.
int TuneSeconds(int bars, std::int32_t tempo);

class TempoSelection : public ZAWDialog {
public:
    explicit TempoSelection(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;
    bool OnStep(platform::ui::Window& window, platform::ui::Control& control, int delta) override;

private:
    void OnInitDialog();
    void ShowLength();

    platform::ui::Window* parent_;
    platform::ui::Control* preset_ = nullptr;
    platform::ui::Control* bpm_ = nullptr;
    platform::ui::Control* bars_ = nullptr;
    platform::ui::Control* length_ = nullptr;
};
