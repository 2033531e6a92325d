// Writes fixture tunes as SMAF files of the 16- and 4-voice forms and the
// 32-voice variants 32 and 33, each beside a JSON dump of the model it was
// made from; smaf_read.py decodes the files on its own and compares them
// with the dumps. With --load it reads one file through the loader and
// prints the form it found (the boxes go to stderr).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "tests/convert/smaf_test_util.h"

using namespace smaf_test;

namespace {

void Dump(const std::string& path, const std::string& form, int tempo, const std::vector<Part>& parts,
          const std::vector<int>& channels) {
    std::ofstream out(path);
    out << "{\"form\": \"" << form << "\", \"tempo\": " << tempo << ", \"parts\": [";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& p = parts[i];
        out << (i ? ", " : "") << "{\"channel\": " << channels[i] << ", \"drum\": " << (p.drum ? 1 : 0)
            << ", \"program\": " << p.program << ", \"volume\": " << p.volume << ", \"notes\": [";
        for (std::size_t k = 0; k < p.notes.size(); ++k) {
            const Note& n = p.notes[k];
            out << (k ? ", " : "") << "[" << n.time << ", " << n.pitch << ", " << n.length << ", " << n.velocity
                << "]";
        }
        out << "]}";
    }
    out << "]}\n";
}

void Save(const std::string& path, const std::vector<std::uint8_t>& image) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                static_cast<std::streamsize>(image.size()));
}

void WriteCompactFixture(const std::string& dir, int voices, int round, std::mt19937& rng) {
    const int count = voices == 4 ? 1 + static_cast<int>(rng() % 4) : 1 + static_cast<int>(rng() % 16);
    const int drumAt = voices == 4 ? -1 : static_cast<int>(rng() % static_cast<unsigned>(count));
    auto parts = RandomParts(rng, count, drumAt, 0, 127);
    const int tempo = 250000 + static_cast<int>(rng() % 750000);
    const std::string name = dir + "/compact" + std::to_string(voices) + "_" + std::to_string(round);
    Save(name + ".mmf", WriteCompact(*mfi_test::MakeModel(parts, tempo), voices));
    std::vector<int> channels;
    for (int i = 0; i < count; ++i)
        channels.push_back(i);
    Dump(name + ".json", "compact" + std::to_string(voices), tempo, parts, channels);
}

void WriteMa3Fixture(const std::string& dir, int variant, int round, std::mt19937& rng) {
    std::vector<std::pair<int, Part>> placed;
    std::vector<Part> parts;
    std::vector<int> channels;
    for (int c = 0; c < 16; ++c) {
        if (rng() % 3 == 0 && c != 9) continue;
        Part p = RandomParts(rng, 1, c == 9 ? 0 : -1, 0, 127)[0];
        placed.emplace_back(c, p);
        parts.push_back(p);
        channels.push_back(c);
    }
    const int tempo = 300000 + static_cast<int>(rng() % 600000);
    const std::string name = dir + "/ma3_" + std::to_string(variant) + "_" + std::to_string(round);
    Save(name + ".mmf", WriteMa3(*MakeMultiModel(placed, tempo), variant));
    Dump(name + ".json", "ma3_" + std::to_string(variant), tempo, parts, channels);
}

int Load(const char* path) {
    SmafFileLoader loader{std::string(path)};
    loader.Log().ShowAll();
    if (loader.Data()) {
        std::printf("compact %d\n", loader.Data()->TrackCount());
    } else if (loader.Ma3Data()) {
        std::printf("ma3 %d\n", loader.Ma3Data()->Score() ? 1 : 0);
    } else {
        std::printf("none\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) return Load(argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder> | --load <file>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::mt19937 rng(2031);
    for (int round = 0; round < 6; ++round) {
        WriteCompactFixture(dir, 16, round, rng);
        WriteCompactFixture(dir, 4, round, rng);
        WriteMa3Fixture(dir, 32, round, rng);
        WriteMa3Fixture(dir, 33, round, rng);
    }
    return 0;
}
