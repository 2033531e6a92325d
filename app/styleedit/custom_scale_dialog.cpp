#include "app/styleedit/custom_scale_dialog.h"

// Not built yet: opens nothing and changes nothing.
void RunCustomScale(platform::ui::Window*) {}
