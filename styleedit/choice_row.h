// A setting row of the structure editors: the values its chooser lists, in the
// chooser's order, named by the style text form's names, so each value and
// name pair is written once. Stepping moves through the chooser's order and
// wraps at both ends.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "style/style_text.h"

struct ChoiceRow {
    std::span<const int> values;  // in the chooser's order
    StyleChoiceList names;        // the text form's list naming them
};

// Position of the first entry holding the value; a value the row does not
// hold counts as the position after the last.
int ChoicePosition(const ChoiceRow& row, int value);

// The value at the row's position of value moved by step, wrapped into the
// row (a missing value is first moved from the position after the last, so
// a step of 0 gives the first entry).
int StepChoice(const ChoiceRow& row, int value, int step);

// The text form's name of the value; missing (default "") when it has none.
const char* ChoiceName(const ChoiceRow& row, int value, const char* missing = "");

// The names of the row's values in its order, for a chooser's list.
std::vector<std::string> ChoiceNames(const ChoiceRow& row);
