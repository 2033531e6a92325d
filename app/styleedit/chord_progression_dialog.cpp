#include "app/styleedit/chord_progression_dialog.h"

// Not built yet: opens nothing and changes nothing.
void RunChordProgressionSelection(platform::ui::Window*) {}
