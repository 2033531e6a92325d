// Composes one tune for each melody algorithm and each melody effect chosen
// through the melody structure rows (a heavy effect cutting the tune to 30
// bars), into the folder given, as "tune_<n>.mid" beside a text of its seed
// and the channels of its unused parts, for the mido reader of composed
// tunes.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "core/utilities.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "styleedit/melody_structure.h"
#include "tests/support/compose_folder.h"

namespace {

// Picks the named entry of the first list of each chooser; the rest are
// left as they opened.
class NamedAnswer : public MelodyStructureHost {
public:
    explicit NamedAnswer(std::string name) : name_(std::move(name)) {}
    int ChooseInstrument(int voice) override { return voice; }
    void ChooseVoicing(ListChoice&, int&) override {}
    void ChooseFromPicker(const std::string&, std::span<ListChoice> lists) override { Pick(lists); }
    void ChooseFromListBoxes(const std::string&, std::span<ListChoice> lists) override {
        Pick(lists);
    }
    void ChooseNoteRange(int, int&, int&) override {}
    int ChooseStrength(int) override { return 1; }
    void EditMelodyTable() override {}

private:
    void Pick(std::span<ListChoice> lists) {
        for (std::size_t i = 0; i < lists[0].texts.size(); ++i)
            if (lists[0].texts[i] == name_) lists[0].selection = static_cast<int>(i);
    }
    std::string name_;
};

bool ComposeInto(const std::string& folder, int n, const MusicStyle& style) {
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    SetWorkingStyle(style);
    SeedRandomWith(n + 1);
    ResetComposerState();
    std::size_t length = 0;
    if (ComposeOneTune(buffer.data(), &length) != 1) return false;
    const std::string name = folder + "tune_" + std::to_string(n) + ".mid";
    if (std::rename((folder + "temp.mid").c_str(), name.c_str()) != 0) return false;
    std::FILE* facts = std::fopen((folder + "tune_" + std::to_string(n) + ".txt").c_str(), "w");
    if (!facts) return false;
    std::fprintf(facts, "%d\n", n + 1);
    for (int channel = 1; channel <= 8; ++channel)
        if (style.voice[channel] == kVoiceNotUsed) std::fprintf(facts, "%d ", channel);
    std::fprintf(facts, "\n");
    return std::fclose(facts) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = testing_support::ComposeFolderFromArguments(argc, argv, kPanelModeCompose);
    if (folder.empty()) return 2;
    std::vector<std::pair<int, std::string>> choices;  // row, name
    for (const std::string& name : ChoiceNames(melody_rows::kAlgorithm))
        choices.emplace_back(kRowAlgorithm, name);
    for (const std::string& name : ChoiceNames(melody_rows::kEffect))
        choices.emplace_back(kRowEffect, name);
    int n = 0;
    for (const auto& [row, name] : choices) {
        auto style = std::make_unique<MusicStyle>();
        if (!BuildPresetStyle(1, 1 + n % 8, *style)) return 1;
        style->tuneLength = 40;
        NamedAnswer host(name);
        MelodyStructure editor(*style, kPartMelody, host);
        editor.RefreshAll();
        editor.Press(row);
        const MelodySettings& m = style->melody[kPartMelody];
        const bool chosen = row == kRowAlgorithm
                                ? name == ChoiceName(melody_rows::kAlgorithm, m.algorithm)
                                : name == ChoiceName(melody_rows::kEffect, m.effect);
        if (!chosen) {
            std::fprintf(stderr, "\"%s\" was not stored\n", name.c_str());
            return 1;
        }
        if (!ComposeInto(folder, n, *style)) {
            std::fprintf(stderr, "\"%s\" did not compose\n", name.c_str());
            return 1;
        }
        std::printf("tune_%d: %s, %d bars\n", n, name.c_str(), style->tuneLength);
        ++n;
    }
    return n == static_cast<int>(choices.size()) ? 0 : 1;
}
