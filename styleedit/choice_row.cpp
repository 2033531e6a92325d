#include "styleedit/choice_row.h"

#include "core/utilities.h"

int ChoicePosition(const ChoiceRow& row, int value) {
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        if (row.values[i] == value) return static_cast<int>(i);
    }
    return static_cast<int>(row.values.size());
}

int StepChoice(const ChoiceRow& row, int value, int step) {
    if (row.values.empty()) return value;
    int position = ChoicePosition(row, value) + step;
    ClampOrWrap(&position, 0, static_cast<int>(row.values.size()) - 1, true);
    return row.values[static_cast<std::size_t>(position)];
}

const char* ChoiceName(const ChoiceRow& row, int value, const char* missing) {
    for (const StyleChoiceName& entry : StyleChoiceNames(row.names)) {
        if (entry.value == value) return entry.name;
    }
    return missing;
}

std::vector<std::string> ChoiceNames(const ChoiceRow& row) {
    std::vector<std::string> names;
    names.reserve(row.values.size());
    for (int value : row.values) names.emplace_back(ChoiceName(row, value));
    return names;
}
