#include "app/styleedit/knowledge_dialog.h"

// Not built yet: opens nothing and changes nothing.
void RunKnowledgeEditor(platform::ui::Window*) {}
