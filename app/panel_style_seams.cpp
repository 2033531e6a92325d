#include "app/panel_style_seams.h"

// Not built yet: the style stays as it is.
void EditMelodyAlgorithm(platform::ui::Window*) {}
