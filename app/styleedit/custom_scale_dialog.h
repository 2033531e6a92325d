// The notes of WorkingStyle's custom scale ("Scale Notes"), chosen by
// twelve toggles.
#pragma once

namespace platform::ui {
class Window;
}

void RunCustomScale(platform::ui::Window* parent);
