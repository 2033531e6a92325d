// Analyses the chords of a Standard MIDI File as the Edit mode does: prints
// the channels' roles ("roles: r0 .. r15"), then the raw name of every cell
// on a line of its own, and saves the tune with its chord markers.
//   chord_corpus_driver in.mid out.mid
#include <cstdio>
#include <string>
#include <vector>

#include "compose/chord_analyzer.h"
#include "compose/tune_structure.h"
#include "midi/f1_data.h"
#include "midi/file_loader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s in.mid out.mid\n", argv[0]);
        return 2;
    }
    MidiFileLoader loader(argv[1]);
    MidiF1Data* song = loader.Tune1();
    if (!song || song->TrackCount() == 0) {
        std::fprintf(stderr, "%s: not loaded\n", argv[1]);
        return 1;
    }
    // The roles the analysis gives the channels, on the first line.
    TuneStructure structure;
    AnalyzeSongStructure(*song, structure);
    std::printf("roles:");
    for (int c = 0; c < TuneStructure::kChannels; ++c)
        std::printf(" %d", structure.role[static_cast<std::size_t>(c)]);
    std::printf("\n");
    int cellLength = 0;
    std::vector<ChordNameEntry> names;
    AnalyzeChordsForEdit(*song, nullptr, nullptr, cellLength, &names);
    for (const ChordNameEntry& name : names)
        std::printf("%s\n", ChordNameText(name).c_str());
    return song->SaveFile(argv[2]) == 1 ? 0 : 1;
}
