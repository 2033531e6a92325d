#include "app/style_editor_seams.h"

#include "app/styleedit/style_operation_dialog.h"

void RunStyleOperation(platform::ui::Window* parent) {
    StyleOperation dialog(parent);
    dialog.DoModal();
}
