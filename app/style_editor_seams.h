// The style editor's dialogs as the rest of the shell opens them. Each runs
// modally over WorkingStyle, which its opener sets before and takes back
// after. Until the style editor is built they change nothing.
#pragma once

namespace platform::ui {
class Window;
}

constexpr int kHubToneDefinition = 1;   // "Tone Definition": parts only
constexpr int kHubStyleDefinition = 2;  // "Music Style Definition": parts and editors

// The style definition hub: opening mode, instrument check flag (1 refuses
// extended instruments on OK) and the hand-on value for the tune structure
// editor. 1 when closed with OK.
int RunStyleDefinitionHub(platform::ui::Window* parent, int mode, int checkFlag, int handOn);
// The style wizard's three pages; its solver leaves the result in
// WorkingStyle.
void RunStyleWizard(platform::ui::Window* parent);
// The style operations (copy, paste, mix, compound, extract, wizard, save,
// load) over WorkingStyle.
void RunStyleOperation(platform::ui::Window* parent);
