// Writes fixture tunes as MFM files (the sixteen channels of the
// multi-track model at 48 ticks a quarter) and as MA-1 files (four channels
// at 12 ticks a quarter), each beside a JSON dump of the model it was made
// from. mfm_read.py and ma1_read.py decode the files on their own and
// compare them with the dumps.
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "convert/ringtone/ma1_data.h"
#include "convert/ringtone/mfm_data.h"
#include "tests/convert/mfm_test_util.h"

using namespace mfm_test;

namespace {

void DumpParts(std::ofstream& out, const std::vector<Part>& parts) {
    out << "\"parts\": [";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& p = parts[i];
        out << (i ? ", " : "") << "{\"channel\": " << p.channel << ", \"drum\": " << (p.drum ? 1 : 0)
            << ", \"program\": " << p.program << ", \"volume\": " << p.volume << ", \"pan\": " << p.pan
            << ", \"notes\": [";
        for (std::size_t k = 0; k < p.notes.size(); ++k) {
            const Note& n = p.notes[k];
            out << (k ? ", " : "") << "[" << n.time << ", " << n.pitch << ", " << n.length << ", " << n.velocity
                << "]";
        }
        out << "]}";
    }
    out << "]";
}

void Save(const std::string& path, const MusicData& image) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.Data()), image.Length());
}

void WriteMfm(const std::string& dir, int round, std::mt19937& rng) {
    auto parts = RandomParts(rng);
    const int tempo = BpmToTempo(Pick(rng, 10, 320));
    auto model = MakeModel(parts, tempo);
    MFMData mfm(*model);
    mfm.SplitLongWaits();
    mfm.Serialise();
    const std::string name = dir + "/mfm_" + std::to_string(round);
    Save(name + ".mfm", mfm);
    std::ofstream out(name + ".json");
    out << "{\"tempo\": " << tempo << ", ";
    DumpParts(out, parts);
    out << "}\n";
}

// Four channels at 12 ticks a quarter: programs of every transposition,
// notes of every range class, volumes of every code.
void WriteMa1(const std::string& dir, int round, std::mt19937& rng) {
    std::vector<Part> parts(static_cast<std::size_t>(Pick(rng, 1, 4)));
    for (std::size_t c = 0; c < parts.size(); ++c) {
        Part& p = parts[c];
        p.channel = static_cast<int>(c);
        p.program = Pick(rng, 0, 127);
        p.volume = Pick(rng, 0, 127);
        const int low = Pick(rng, 20, 80);
        long long t = Pick(rng, 0, 60);
        for (int k = Pick(rng, 1, 25); k > 0; --k) {
            p.notes.push_back({t, Pick(rng, low, low + 24), Pick(rng, 1, 70), 100});
            t += Pick(rng, 1, 140);
        }
    }
    auto model = std::make_unique<MobileData>(kCapacity);
    model->division = MA1::kDivision;
    for (const Part& p : parts) {
        auto slot = std::make_unique<MobileChanelData>(p.channel, MobileChanelData::kKindMelodic, kCapacity);
        slot->enabled = 1;
        slot->AppendControl(0, mobile_code::kProgram, p.program);
        slot->AppendControl(0, mobile_code::kVolume, p.volume);
        long long t = 0;
        for (const Note& n : p.notes) {
            slot->AppendNote(static_cast<int>(n.time - t), n.pitch, n.length, n.velocity);
            t = n.time;
        }
        model->AddSlot(std::move(slot));
    }
    MA1 ma1(*model);
    const std::string name = dir + "/ma1_" + std::to_string(round);
    Save(name + ".ma1", ma1);
    std::ofstream out(name + ".json");
    out << "{\"division\": 12, ";
    DumpParts(out, parts);
    out << "}\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> mfm|ma1\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string format = argv[2];
    std::mt19937 rng(2026);
    for (int round = 0; round < 40; ++round) {
        if (format == "mfm") WriteMfm(dir, round, rng);
        if (format == "ma1") WriteMa1(dir, round, rng);
    }
    return 0;
}
