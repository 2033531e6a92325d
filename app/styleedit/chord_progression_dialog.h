// How WorkingStyle's chord progression is built: its type, generation
// method, bass and scale options and block sizes, stored on OK.
#pragma once

namespace platform::ui {
class Window;
}

void RunChordProgressionSelection(platform::ui::Window* parent);
