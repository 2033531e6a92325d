// The two small dialogs that build one new knowledge-base entry each.
#pragma once

#include <string>
#include <vector>

namespace platform::ui {
class Window;
}

// "Chord Addition": a transition from one chord to another with a rate.
// Returns true with pair set to its 11 characters (root A, quality A, root B,
// quality B, the rate as three digits); false when nothing was set.
bool RunChordAddition(platform::ui::Window* parent, std::string& pair);

// "Resolution Pattern": up to eight chords, each a 4-character chord code
// (root letter and quality), in the order chosen; empty when none was added.
std::vector<std::string> RunResolutionPattern(platform::ui::Window* parent);
