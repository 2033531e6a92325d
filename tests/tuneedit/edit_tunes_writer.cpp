// Composes tunes from ten built-in styles, opens each as the edited tune (as
// composed, and with its markers replaced by the chord analysis), makes
// seeded random edits (beats split into sections, chord changes, harmony
// regenerated) and keeps each result as "edit_<n>.mid" in the folder given.
// Fails when a check of the tune reports a fault or a step keeps no chord.
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "accomp/backing_generators.h"
#include "compose/chord_analyzer.h"
#include "compose/chord_buffer.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/harmony_section.h"
#include "tests/support/compose_folder.h"

namespace {

std::vector<std::string> BeatCodes() {
    std::vector<std::string> codes;
    for (const NoteEvent& c : ChordProgression())
        for (int b = 0; b < c.length / kStepTicks; ++b)
            codes.emplace_back(c.chordCode, 4);
    return codes;
}

// Random edits on the current tune; false when a check failed.
bool EditAtRandom(std::mt19937& random, const std::string& path) {
    EditedTune* tune = &CurrentEditObject()->Tune();
    for (int round = 0; round < 6; ++round) {
        if (tune->SectionCount() == 0) return true;
        BuildChordListsFromEditTune(*tune);
        const std::vector<std::string> before = BeatCodes();
        const int step = static_cast<int>(random() % static_cast<unsigned>(before.size() + 1));
        const int section = LocateStep(step, 0);
        WriteMarkersFromChordLists(*tune);
        tune->BuildSectionTable();
        BuildChordListsFromEditTune(*tune);
        std::vector<std::string> after = BeatCodes();
        after.resize(before.size());
        if (after != before) {
            std::fprintf(stderr, "%s: a split changed the chords\n", path.c_str());
            return false;
        }
        if (section >= 0 && section < tune->SectionCount()) {
            ChordEditExchange change;
            change.section = section;
            const std::string_view old = tune->SectionCode(section);
            std::copy(old.begin(), old.end(), change.oldCode.begin());
            static const char* const kCodes[][2] = {
                {"DmPs", "Dm 7"}, {"bMPS", "Bb M7"}, {"gmdd", "Gbdim"}, {"AMPd", "A"}};
            const auto& pick = kCodes[random() % 4];
            std::copy_n(pick[0], 4, change.newCode.begin());
            std::copy_n(pick[1], std::char_traits<char>::length(pick[1]), change.markerText.begin());
            if (!ApplyChordChange(change)) return false;
            tune = &CurrentEditObject()->Tune();
            if (random() % 2) RegenerateHarmonySection(*tune, section);
        }
        if (tune->CheckNoteKeys() + tune->CheckTracks() != 0) {
            std::fprintf(stderr, "%s: the checks report faults\n", path.c_str());
            return false;
        }
        if (!tune->SaveAndReload(path)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = testing_support::ComposeFolderFromArguments(argc, argv, kPanelModeCompose);
    if (folder.empty()) return 2;
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    int written = 0;
    for (int category = 0; category < kStyleCategories && written < 20; ++category) {
        for (int slot = 0; slot < kStyleSlots && written < 20; slot += 3) {
            auto style = std::make_unique<MusicStyle>();
            if (!BuildPresetStyle(category, slot, *style)) continue;
            SetWorkingStyle(*style);
            const int seed = category * 100 + slot + 1;
            SeedRandomWith(seed);
            ResetComposerState();
            std::size_t length = 0;
            if (ComposeOneTune(buffer.data(), &length) != 1) return 1;
            for (int analysed = 0; analysed < 2; ++analysed) {
                const std::string path = folder + "edit_" + std::to_string(written) + ".mid";
                if (!analysed && std::rename((folder + "temp.mid").c_str(), path.c_str()) != 0)
                    return 1;
                EditObject* edit = OpenCurrentEditObject(analysed ? folder + "plain.mid" : path);
                if (analysed) {
                    EditedTune& tune = edit->Tune();
                    // The composed tune again, its markers from the analysis.
                    tune.DeleteMetaEvents(meta_type::kMarker, 1);
                    int cell = 0;
                    AnalyzeChords(tune, nullptr, nullptr, cell);
                    if (!tune.SaveAndReload(path)) return 1;
                    edit = OpenCurrentEditObject(path);
                } else {
                    edit->Tune().SaveAndReload(folder + "plain.mid");
                }
                std::mt19937 random(static_cast<unsigned>(seed * 2 + analysed));
                if (!EditAtRandom(random, path)) return 1;
                SetCurrentEditObject(nullptr);
                ++written;
            }
        }
    }
    std::printf("%d tunes edited\n", written);
    return written == 20 ? 0 : 1;
}
