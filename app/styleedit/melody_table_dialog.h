// The melody table of WorkingStyle's melody-table algorithm: the interval
// classes' probabilities and directions, the chord adjustments and the
// look-back, stored on OK.
#pragma once

namespace platform::ui {
class Window;
}

void RunMelodyTable(platform::ui::Window* parent);
