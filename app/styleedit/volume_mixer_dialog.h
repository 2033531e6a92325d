// "Mixer": the sound settings of WorkingStyle's parts as a grid of knobs,
// six tracks by eight parameters. A knob turns with a drag, its value field
// takes a typed value; "Track" and "Item" choose what the grid shows. Every
// change goes into the style at once.
#pragma once

#include <memory>

#include "app/zaw_dialog.h"
#include "styleedit/part_mixer.h"

constexpr ErrorCode kMixerCanvasError = 0xFF010136;  // "Error occuered in Display Device!"
constexpr int kMixerOk = 0;
constexpr int kMixerTrackButton = 1;
constexpr int kMixerItemButton = 2;
constexpr int kMixerButtonCount = 3;
constexpr platform::ui::Rgb kMixerGreen{0, 255, 0};
constexpr platform::ui::Rgb kMixerRowLabel{127, 0, 0};
constexpr platform::ui::Rgb kMixerDotBrush{24, 24, 24};
constexpr platform::ui::Rgb kMixerKnobFace{88, 96, 88};
constexpr platform::ui::Rgb kMixerKnobRim{32, 40, 32};

class VolumeMixer : public ZAWDialog {
public:
    explicit VolumeMixer(platform::ui::Window* parent = nullptr);
    ~VolumeMixer() override;

    int DoModal();
    void OnInitDialog();

    const MixerKnobs& Knobs() const { return knobs_; }
    int GrabbedKnob() const { return grabbed_; }
    // Labels, values and pointer dots over the background, as the face
    // shows them.
    void DrawMixerFace(platform::ui::Canvas& canvas);

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnMouseMove(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

private:
    void AnglesFromValues();
    void EnterValue(int knob);
    void Redraw();

    platform::ui::Window* parent_;
    bool built_ = false;
    MixerKnobs knobs_{};
    MixerValueTable values_{};
    int grabbed_ = -1;
    std::unique_ptr<platform::ui::OffscreenCanvas> offscreen_;
    platform::ui::Image face_;
    platform::ui::Image buttonFaces_[kMixerButtonCount][2];
};

// Runs the mixer over WorkingStyle.
void RunVolumeMixer(platform::ui::Window* parent);
