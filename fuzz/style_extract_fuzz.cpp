// Arbitrary bytes as the MIDI file a style is extracted from, with a scripted
// channel-role dialog that takes the analysed roles (or roles and a bar range
// from the last bytes). A refused file leaves the working style as it was;
// an extracted style holds every field it receives within its range.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "compose/conversion_material.h"
#include "fuzz/quiet_platform.h"
#include "style/style_table.h"
#include "styleedit/style_extract.h"

namespace {

struct ScriptedDialog : ChannelRoleDialogService {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    int Run(MidiF0Data&, TuneStructure& s, MaterialRange& range) override {
        int start = 1, end = 1000;
        if (size > 40) {
            const std::uint8_t* tail = data + size - 20;
            if (tail[0] & 1) {
                for (std::size_t c = 0; c < 16; ++c)
                    s.role[c] = tail[1 + c] % 6;
            }
            start = tail[17] % 40 - 3;
            end = tail[18] % 60 - 3;
        }
        range = RangeFromFields(start, end, s.barCount);
        return 1;
    }
};

void Check(bool ok) {
    if (!ok) std::abort();
}

bool InRange(int v, int low, int high) {
    return v >= low && v <= high;
}

bool IsVoice(int v) {
    return InRange(v, 0, 127) || v == kVoiceNotUsed;
}

void CheckStyle(const MusicStyle& s) {
    for (int part : {kPartHarmony, kPartSubHarmony, kPartBass, kPartObbligato, kPartMelody})
        Check(IsVoice(s.voice[part]));
    Check(s.voice[kPartDrum] == kAcousticSet || s.voice[kPartDrum] == kVoiceNotUsed);
    Check(s.voice[kPartSubDrum] == kVoiceNotUsed);
    for (const MixBlock& m : s.mix)
        for (int v : {m.volume, m.chorus, m.reverb, m.brightness, m.attack, m.decay, m.release,
                      m.resonance})
            Check(InRange(v, 0, 127));
    Check(s.basicBeat == 0 || s.basicBeat == 3);
    Check(s.key == 1 || s.key == 2);
    Check(InRange(s.chordProgression, 1, 7) && s.chordProgression != 5);
    Check(InRange(s.scale, 1, 3));
    Check(InRange(s.tempo, 1, 0xFFFFFF));
    Check(InRange(s.octave[kPartHarmony], -1, 0));
    for (int k = 0; k < 8; ++k) {
        Check(InRange(s.melodyTableInterval[k], 0, 100));
        Check(InRange(s.melodyTableDirection[k], -50, 50));
    }
    const CustomHarmonyBlock& b = s.customHarmony;
    for (const auto& set : b.grid)
        for (const GridPart& g : set)
            for (int cell : g.noteTable)
                Check(cell == 0 || cell == 1);
    for (int code : b.grid[0][kGridDrum].pnInterval)
        Check(InRange(code, 0, 81 - 35));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    static const std::string path = "/tmp/zaw_style_extract_fuzz_" + std::to_string(getpid()) + ".mid";
    static const bool ready = [] {
        auto style = std::make_unique<MusicStyle>();
        InitMusicStyle(*style);
        SetWorkingStyle(*style);
        return true;
    }();
    (void)ready;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
    auto dialog = std::make_shared<ScriptedDialog>();
    dialog->data = data;
    dialog->size = size;
    SetChannelRoleDialog(dialog);
    auto before = std::make_unique<MusicStyle>();
    GetWorkingStyle(*before);
    const int result = ExtractStyleFromMidi(path);
    Check(!CurrentTuneStructure);
    auto after = std::make_unique<MusicStyle>();
    GetWorkingStyle(*after);
    if (result == 1) {
        CheckStyle(*after);
    } else {
        Check(std::memcmp(before.get(), after.get(), sizeof(MusicStyle)) == 0);
    }
    SetChannelRoleDialog(nullptr);
    std::remove(path.c_str());
    return 0;
}
