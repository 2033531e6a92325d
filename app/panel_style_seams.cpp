#include "app/panel_style_seams.h"

// Not built yet: the style stays as it is.
int ChooseHarmonyPattern(platform::ui::Window*) {
    return 0;
}

void EditMelodyAlgorithm(platform::ui::Window*) {}
