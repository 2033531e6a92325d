// Builds the ringtone model of every loadable song in a folder and of tunes
// composed at fixed seeds, writes each model back as a MIDI file through the
// tune form and lists, in "expected.txt", each slot's kind and notes as the
// model holds them, for an independent reader to compare.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/mobile_data.h"
#include "midi/file_loader.h"
#include "tests/convert/composed_tunes.h"

namespace {

bool WriteModel(const std::string& folder, const std::string& name,
                const std::vector<std::uint8_t>& bytes, std::FILE* expected) {
    MidiFileLoader loader;
    loader.LoadImage(bytes.data(), bytes.size());
    const MidiF1Data* tune = loader.Tune1();
    if (loader.FileLength() == 0 || !tune || tune->noteMode != note_mode::kLength) return true;
    MobileData model(*tune, 0x60000);
    if (model.Count() == 0 || model.Count() > MobileData::kMaxPlayedSlots) return true;
    MidiF1Data song(model.division > 0 ? model.division : 96);
    model.ToMidiF1Data(song);
    if (song.ConvertToNoteOnOff() == 0 || song.SaveFile(folder + "/" + name + ".mid") != 1) {
        std::fprintf(stderr, "%s: the model's tune was not written\n", name.c_str());
        return false;
    }
    std::fprintf(expected, "file %s.mid\n", name.c_str());
    for (int s = 0; s < model.Count(); ++s) {
        const MobileChanelData* slot = model.Slot(s);
        std::fprintf(expected, "slot %s", slot->kind == MobileChanelData::kKindDrum ? "drum" : "melodic");
        long long t = 0;
        for (int k = 0; k < slot->Count(); ++k) {
            const MusicEvent* e = slot->Event(k);
            t += e->delta;
            if (e->kind == mobile_kind::kNote)
                std::fprintf(expected, " %lld:%d:%d", t, e->note, e->length);
        }
        std::fprintf(expected, "\n");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s out-folder song-folder\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    InitDefaultSettings();
    InitSharedShellValues();
    std::FILE* expected = std::fopen((folder + "/expected.txt").c_str(), "w");
    if (!expected) return 1;
    bool ok = true;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2]))
        ok = WriteModel(folder, "seed_" + entry.path().filename().string(),
                        composed_tunes::ReadBytes(entry.path().string()), expected) && ok;
    int n = 0;
    for (const auto& tune : composed_tunes::Compose(folder))
        ok = WriteModel(folder, "composed_" + std::to_string(n++), tune.bytes, expected) && ok;
    std::fclose(expected);
    return ok && n > 0 ? 0 : 1;
}
