// The random style generator: a fresh style for each tune of a "Random"
// catalogue entry, drawn from the presets of its kind.
#pragma once

// Runs the generator of the random-generator code of StyleTable entry
// (category, slot) into WorkingStyle, saving it when generated styles are
// recorded.
void GenerateRandomStyle(int category, int slot);
