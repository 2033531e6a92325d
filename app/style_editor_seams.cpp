#include "app/style_editor_seams.h"

#include "app/styleedit/style_operation_dialog.h"

// The wizard's pages are not built yet: the style stays as it is.
void RunStyleWizard(platform::ui::Window*) {}

void RunStyleOperation(platform::ui::Window* parent) {
    StyleOperation dialog(parent);
    dialog.DoModal();
}
