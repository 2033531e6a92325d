// Arbitrary bytes as the edited tune: opened from a work file, its chord
// lists built, beats turned into sections, a chord change applied and the
// tune saved and read again; every note key stays in 0..127 and the lists
// never pass their tables.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "compose/chord_buffer.h"
#include "fuzz/quiet_platform.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"

namespace {

const std::string& WorkFolder() {
    static const std::string folder = [] {
        const auto dir = std::filesystem::temp_directory_path() /
                         ("zaw_edit_fuzz_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
}

void CheckKeys(const EditedTune& tune) {
    for (int t = 0; t < tune.TrackCount(); ++t)
        for (const MidiEvent* e : tune.Track(t)->Events())
            if (e->IsNoteWithLength() && (e->note < 0 || e->note > 127)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    const std::string path = WorkFolder() + "/edit_temp.mid";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    EditObject* edit = OpenCurrentEditObject(path);
    EditedTune& tune = edit->Tune();
    if (tune.SectionCount() > EditedTune::kMaxSections) std::abort();
    const int sections = BuildChordListsFromEditTune(tune);
    if (sections > EditedTune::kMaxSections) std::abort();
    const std::uint8_t pick = size > 0 ? data[size - 1] : 0;
    const int step = LocateStep(pick % 64, pick % 3);
    if (step > tune.SectionCount()) std::abort();
    if (static_cast<int>(ChordProgression().size()) > kMaxChordEntries) std::abort();
    if (tune.TrackCount() > 0) {
        WriteMarkersFromChordLists(tune);
        tune.BuildSectionTable();
    }
    if (tune.SectionCount() > 0) {
        ChordEditExchange change;
        change.section = pick % tune.SectionCount();
        const std::string_view old = tune.SectionCode(change.section);
        std::copy(old.begin(), old.end(), change.oldCode.begin());
        const char* codes[] = {"DmPs", "bMPS", "NoCd", "gmdd"};
        std::copy_n(codes[pick % 4], 4, change.newCode.begin());
        std::copy_n("Dm 7", 4, change.markerText.begin());
        ApplyChordChange(change);
        CheckKeys(CurrentEditObject()->Tune());
    }
    SetCurrentEditObject(nullptr);

    // The same bytes as the chord file.
    std::ofstream(WorkFolder() + "/chord.dat", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data),
               static_cast<std::streamsize>(std::min<std::size_t>(size, kHarmonyStructureBytes)));
    if (LoadChordFile(WorkFolder()) && ChordStepCount < 0) std::abort();
    return 0;
}
