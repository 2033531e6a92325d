// Driving "Chord Input" as a user would: the centre of a grid cell or a
// button, a drag over the grid, a style's harmony structure of whole bars,
// and a fixture with the headless backend that gives the working style,
// the chord lists and the edited tune back as they were.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "app/chord_input_dialog.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"
#include "tuneedit/edit_object.h"

namespace chord_grid {

inline platform::ui::Point CellCentre(int step) {
    return platform::ui::Point{kChordCellLeft + (step % kChordGridColumns) * kChordCellWidth + 10,
                               kChordCellTop + (step / kChordGridColumns) * kChordCellHeight + 20};
}

// Clear of the overlap of the two rows of buttons.
inline platform::ui::Point ButtonCentre(const EdCdCust& d, int i) {
    const SkinButton& b = d.Button(i);
    return platform::ui::Point{(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2 + (i >= 1 && i <= 5 ? -8 : 8)};
}

inline void Drag(EdCdCust& dialog, platform::ui::Window& window, int from, int to) {
    dialog.OnLeftDown(window, CellCentre(from));
    dialog.OnMouseMove(window, CellCentre((from + to) / 2));
    dialog.OnLeftUp(window, CellCentre(to));
}

// bars entries of the given length, alternating two chords.
inline void FillStyleBars(int bars, int ticks = 384) {
    std::memset(WorkingStyle.harmonyStructure, 0, kHarmonyStructureBytes);
    for (int i = 0; i < bars; ++i) {
        std::uint8_t* e = WorkingStyle.harmonyStructure + 6 * i;
        e[0] = static_cast<std::uint8_t>(ticks / 256);
        e[1] = static_cast<std::uint8_t>(ticks % 256);
        std::memcpy(e + 2, i % 2 ? "GMPs" : "CMPd", 4);
    }
}

class ChordGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        ResetComposerState();
        backend_ = std::make_shared<platform::ui::HeadlessBackend>();
        platform::ui::InstallBackend(backend_);
        ResetSkinBlitFailure();
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        platform::ui::InstallBackend(nullptr);
        SetCurrentEditObject(nullptr);
        ComposeInfo.ClearChords();
        WorkingStyle = saved_;
    }
    std::shared_ptr<platform::ui::HeadlessBackend> backend_;
    MusicStyle saved_{};
};

}  // namespace chord_grid
