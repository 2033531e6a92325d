#include "app/styleedit/melody_table_dialog.h"

// Not built yet: opens nothing and changes nothing.
void RunMelodyTable(platform::ui::Window*) {}
