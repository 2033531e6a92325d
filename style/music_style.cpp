#include "style/music_style.h"

#include <algorithm>
#include <cstring>

#include "core/cp932_text.h"
#include "style/random_riff.h"

void ChordCode::Set(std::string_view code) {
    for (std::size_t i = 0; i < 4; ++i)
        text[i] = i < code.size() ? code[i] : 'x';
}

int TicksPerBar(int timeSignature) {
    if (timeSignature == kMetre44) return 384;
    if (timeSignature == kMetre34) return 288;
    return 336;
}

std::string FieldText(const char* field, std::size_t size) {
    const void* end = std::memchr(field, 0, size);
    std::size_t length = end ? static_cast<const char*>(end) - field : size;
    return std::string(field, length);
}

void SetFieldText(char* field, std::size_t size, std::string_view text) {
    std::size_t length = std::min(size, text.size());
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, size - length);
}

std::string DisplayTitle(const MusicStyle& style) {
    return FieldText(style.displayTitle);
}

void SetStyleTitle(MusicStyle& style, std::string_view title) {
    // The stored title keeps its terminating zero; the display title may fill
    // all its 20 bytes, and every reader stops at the end of the field. The
    // cut falls between whole code page 932 characters.
    const std::string cut = CutCp932(title, kTitleSize - 1);
    SetFieldText(style.title, cut);
    SetFieldText(style.displayTitle, cut);
}

void FillHarmonyStructure(int bars, std::span<std::uint8_t> list, int timeSignature) {
    if (list.size() < 2) return;
    int fit = static_cast<int>((list.size() - 2) / sizeof(HarmonyStructureEntry));
    int count = std::clamp(bars, 0, fit);
    int ticks = TicksPerBar(timeSignature);
    std::uint8_t* out = list.data();
    for (int bar = 0; bar < count; ++bar) {
        out[0] = static_cast<std::uint8_t>(ticks / 256);
        out[1] = static_cast<std::uint8_t>(ticks % 256);
        std::memcpy(out + 2, (bar & 4) ? "GMPs" : "CMPS", 4);
        out += sizeof(HarmonyStructureEntry);
    }
    out[0] = 0;
    out[1] = 0;
}

void ResetCustomHarmony(CustomHarmonyBlock& block) {
    std::memset(&block, 0, sizeof(block));
    static constexpr std::int32_t kDrumCodes[kGridRows] = {0,  1,  3,  4,  5,  7,  9,
                                                           10, 11, 14, 15, 16, 19, 24};
    GridPart* set0 = block.grid[0];
    for (int row = 0; row < kGridRows; ++row) {
        set0[kGridHarmony].pnInterval[row] = 5 + row;
        set0[kGridSubHarmony].pnInterval[row] = 5 + row;
        set0[kGridBass].pnInterval[row] = 5 + row;
        set0[kGridDrum].pnInterval[row] = kDrumCodes[row];
    }
}

void SetFixedRiff(std::uint8_t (&riff)[kRiffBytes]) {
    static constexpr std::uint8_t kTriples[13][3] = {
        {2, 4, 1},     {2, 8, 5},     {2, 255, 255}, {2, 8, 255}, {2, 6, 255},
        {2, 4, 1},     {8, 255, 255}, {2, 4, 1},     {2, 4, 255}, {2, 8, 255},
        {2, 255, 255}, {2, 8, 5},     {2, 6, 255},
    };
    std::memset(riff, 0, sizeof(riff));
    std::memcpy(riff, kTriples, sizeof(kTriples));
}

namespace {

void SetDefaultMix(MixBlock& mix, int volume) {
    mix.volume = static_cast<std::uint8_t>(volume);
    mix.chorus = mix.reverb = mix.brightness = mix.attack = 64;
    mix.decay = mix.release = mix.resonance = mix.panpot = 64;
    mix.delay = 0;
}

}  // namespace

void ResetMelodyTable(MusicStyle& style) {
    std::copy(std::begin(kDefaultMelodyTableInterval), std::end(kDefaultMelodyTableInterval),
              style.melodyTableInterval);
    std::copy(std::begin(kDefaultMelodyTableDirection), std::end(kDefaultMelodyTableDirection),
              style.melodyTableDirection);
}

void InitMusicStyle(MusicStyle& style) {
    // A fresh style owes nothing to what the record held before.
    std::memset(&style, 0, sizeof(style));

    style.displayTitle[0] = 0;
    SetFieldText(style.description, "No music style is defined.");

    style.mtAdjustF = style.mtAdjustL = style.mtAdjustE = style.mtNoCnt = 1;
    style.melodyTableStrictness = 0;
    ResetMelodyTable(style);

    static constexpr std::int32_t kTable17544[11] = {0, 0, 90, 0, 0, 90, 0, 0, 0, 0, 0};
    std::copy(std::begin(kTable17544), std::end(kTable17544), style.table17544);

    ResetCustomHarmony(style.customHarmony);

    style.chordsInBlock = 0;
    style.blockLength = 0;
    style.imitationOfPhrase = 0;
    style.flag372 = 0;

    style.scale = 1;
    SetFieldText(style.scaleNotes, kMajorScaleNotes);
    style.fixedBass = 0;
    style.chordGenerationMethod = 0;
    style.transpose = 0;
    style.onChord = 0;
    style.adjustToChordTone = 0;

    style.voice[kPartMelody] = 0;
    for (int part : {kPartBass, kPartHarmony, kPartObbligato, kPartSubDrum, kPartSubHarmony,
                     kPartEnvironment, kPartDrum}) {
        style.voice[part] = kVoiceNotUsed;
    }
    style.setting60 = 90;

    style.chordProgression = 7;
    style.bassPattern = 10;
    style.tempo = 750000;
    style.tuneLength = 40;
    SetFieldText(style.knowledgeBase, "PATTERN.DB");
    SetFieldText(style.resolutionKnowledgeBase, "RESOLUT.DB");
    style.harmonyPattern = 17;
    style.key = 1;
    style.basicBeat = 0;
    style.rhythmPattern = 14;
    style.subDrumPattern = 0;
    style.subMelodyMethod = 6;
    style.subHarmonyPattern = 15;
    style.timeSignature = kMetre44;
    for (int part :
         {kPartMelody, kPartBass, kPartHarmony, kPartObbligato, kPartSubDrum, kPartSubHarmony}) {
        style.octave[part] = 0;
    }
    style.randomGeneratorCode = 0;
    style.reserved17624 = 0;

    SetDefaultMix(style.mix[kPartMelody], 100);
    SetDefaultMix(style.mix[kPartObbligato], 100);
    SetDefaultMix(style.mix[kPartHarmony], 115);
    SetDefaultMix(style.mix[kPartSubHarmony], 115);
    SetDefaultMix(style.mix[kPartBass], 100);
    SetDefaultMix(style.mix[kPartDrum], 100);
    SetDefaultMix(style.mix[kPartSubDrum], 60);
    SetDefaultMix(style.mix[kPartEnvironment], 100);

    style.setting716 = 1;
    style.setting718 = 51205;
    style.setting720 = 1;
    style.keyOffset = 0;
    style.settings728[0] = style.settings728[1] = style.settings728[2] = 0;
    style.settings740[0] = style.settings740[1] = style.settings740[2] = 100;

    MelodySettings& melody = style.melody[kPartMelody];
    melody = MelodySettings{};
    melody.noteLength = 2;
    melody.upperLimit = 80;
    melody.lowerLimit = 50;
    melody.algorithm = 1;
    style.melody[kPartObbligato] = melody;
    style.melody[kPartSubDrum] = melody;

    int riff[kRiffTableSize];
    GenerateRandomRiff(riff, style);
    for (std::size_t i = 0; i < kRiffBytes; ++i) {
        style.riff[i] = static_cast<std::uint8_t>(riff[i] & 0xFF);
    }

    for (int part : {kPartMelody, kPartBass, kPartHarmony, kPartObbligato, kPartSubDrum,
                     kPartSubHarmony, kPartEnvironment, kPartDrum}) {
        style.density[part] = 100;
    }
}

void FinishMusicStyle(MusicStyle& style) {
    FillHarmonyStructure(style.tuneLength, style.harmonyStructure, style.timeSignature);
    if (style.subMelodyMethod == 6) style.melody[kPartObbligato] = style.melody[kPartMelody];
}
