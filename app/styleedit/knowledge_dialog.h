// The editor of WorkingStyle's two knowledge-base files: the chord
// transitions and the resolution patterns, written back on OK.
#pragma once

namespace platform::ui {
class Window;
}

void RunKnowledgeEditor(platform::ui::Window* parent);
