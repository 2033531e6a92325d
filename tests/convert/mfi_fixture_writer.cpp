// Writes fixture tunes as MFi and PMD files of every voice type, the
// multi-track ones for several terminal ids, each beside a JSON dump of the
// model it was made from. mfi_read.py decodes the files on its own and
// compares them with the dumps.
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/multi_mfi_data.h"
#include "tests/convert/mfi_test_util.h"

using namespace mfi_test;

namespace {

// Parts dumped with the channel each takes in the file.
void Dump(const std::string& path, int type, int terminal, int tempo, const std::vector<Part>& parts,
          const std::vector<int>& channels, int longs) {
    // The drivers give these terminals tunes of 48 ticks per quarter.
    const bool half = terminal == 2 || terminal == 13 || (terminal >= 21 && terminal <= 24);
    std::ofstream out(path);
    out << "{\"type\": " << type << ", \"terminal\": " << terminal << ", \"tempo\": " << tempo
        << ", \"division\": " << (half ? 48 : 96) << ", \"longs\": " << longs << ", \"parts\": [";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& p = parts[i];
        out << (i ? ", " : "") << "{\"channel\": " << channels[i] << ", \"drum\": " << (p.drum ? 1 : 0)
            << ", \"program\": " << p.program << ", \"volume\": " << p.volume << ", \"notes\": [";
        for (std::size_t k = 0; k < p.notes.size(); ++k) {
            const Note& n = p.notes[k];
            out << (k ? ", " : "") << "[" << n.time << ", " << n.pitch << ", " << n.length << ", "
                << n.velocity << "]";
        }
        out << "]}";
    }
    out << "]}\n";
}

void Save(const std::string& path, const MusicData& image) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.Data()), image.Length());
}

int CountLongs(const MFiData& mfi) {
    return mfi.TrackCount() ? mfi.Track(0)->Track().CountControls(mfi_code::kLongExtension) : 0;
}

void WriteSingle(const std::string& dir, int type, int round, std::mt19937& rng) {
    const bool two = mfi_voice::IsTwoByteNote(type);
    int count = two ? 4 : 1 + static_cast<int>(rng() % 16);
    int drumAt = two ? -1 : static_cast<int>(rng() % static_cast<unsigned>(count));
    if (type == mfi_voice::kPmd) drumAt = count > 9 ? 9 : -1;
    auto parts = RandomParts(rng, count, drumAt, 10, 127);
    const int tempo = 240000 + static_cast<int>(rng() % 760000);
    auto model = MakeModel(parts, tempo);
    MFiData mfi(*model, type);
    mfi.EnsureMasterVolume();
    mfi.SplitLongDeltas();
    mfi.Serialise(0);
    const std::string name = dir + "/single_" + std::to_string(type) + "_" + std::to_string(round);
    Save(name + (type == mfi_voice::kPmd ? ".pmd" : ".mld"), mfi);
    std::vector<int> channels;
    for (int i = 0; i < count; ++i)
        channels.push_back(i);
    Dump(name + ".json", type, 0, tempo, parts, channels, CountLongs(mfi));
}

void WriteMulti(const std::string& dir, int type, int terminal, std::mt19937& rng) {
    auto model = std::make_unique<MultiMobileTrackData>();
    std::vector<Part> parts;
    std::vector<int> channels;
    const int tempo = 300000 + static_cast<int>(rng() % 600000);
    for (int c = 0; c < 16; ++c) {
        if (rng() % 3 == 0 && c != 9) continue;
        auto one = RandomParts(rng, 1, c == 9 ? 0 : -1, 21, 119);
        auto built = MakeModel(one, tempo);
        auto slot = std::make_unique<MobileChanelData>(*built->Slot(0), kCapacity);
        slot->number = c;
        model->AddSlot(std::move(slot));
        parts.push_back(one[0]);
        channels.push_back(c);
    }
    MultiMFiData mfi(*model, type);
    mfi.ArrangeForTerminal(terminal);
    mfi.SplitLongDeltas();
    mfi.Serialise(terminal);
    const std::string name = dir + "/multi_" + std::to_string(type) + "_t" + std::to_string(terminal);
    Save(name + ".mld", mfi);
    Dump(name + ".json", type, terminal, tempo, parts, channels, CountLongs(mfi));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::mt19937 rng(2026);
    for (int type : {1, 4, 5, 252, 254, 255})
        for (int round = 0; round < 4; ++round)
            WriteSingle(dir, type, round, rng);
    for (int type : {6, 7, 8, 9, 32})
        for (int terminal : {0, 1, 2, 3, 5, 6, 7, 8, 15, 25})
            WriteMulti(dir, type, terminal, rng);
    return 0;
}
