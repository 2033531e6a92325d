// "Melody Structure": the ten setting rows of one melodic part of
// WorkingStyle (1 Melody, 4 Obbligato), each a caption region that opens
// its chooser with the row's value after it, and a minus and a plus region
// that step the value. Every change goes into WorkingStyle at once; the
// dialog closes with OK only.
#pragma once

#include <array>
#include <memory>

#include "app/zaw_dialog.h"
#include "styleedit/melody_structure.h"

class MelodyDifinition : public ZAWDialog {
public:
    explicit MelodyDifinition(platform::ui::Window* parent = nullptr);
    ~MelodyDifinition() override;

    int part = kPartMelody;  // set before DoModal

    int DoModal();
    void OnInitDialog();

    // What a row shows after its caption.
    const std::string& ValueText(int row) const;
    // The face of a region when up and when pressed.
    const platform::ui::Image& Face(int region, bool pressed) const;

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftDown(platform::ui::Window& window, platform::ui::Point p) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

private:
    void BuildRegions();
    // Shows the faces of the regions pressed along with the pressed one.
    void ShowPressedAlong(int region, bool pressed);
    void DrawRow(platform::ui::Canvas& canvas, int row);

    platform::ui::Window* parent_;
    std::unique_ptr<MelodyStructureHost> host_;
    std::unique_ptr<MelodyStructure> model_;
    bool built_ = false;
    std::array<platform::ui::Image, kMelodyRegionCount> faces_;
    std::array<platform::ui::Image, kMelodyRegionCount> pressedFaces_;
};
