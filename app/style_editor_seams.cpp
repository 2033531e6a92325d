#include "app/style_editor_seams.h"

#include "app/styleedit/style_operation_dialog.h"

// The hub and the wizard are not built yet: the style stays as it is.
int RunStyleDefinitionHub(platform::ui::Window*, int, int, int) {
    return 0;
}

void RunStyleWizard(platform::ui::Window*) {}

void RunStyleOperation(platform::ui::Window* parent) {
    StyleOperation dialog(parent);
    dialog.DoModal();
}
