// Styles to run the file round trips over: the defaults, hand-varied records
// that use every syntax of the text form, and every built-in preset.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/utilities.h"
#include "style/music_style.h"
#include "style/style_table.h"

namespace style_samples {

struct Sample {
    std::string name;
    std::unique_ptr<MusicStyle> style;
};

inline std::unique_ptr<MusicStyle> DefaultStyle() {
    auto style = std::make_unique<MusicStyle>();
    InitMusicStyle(*style);
    FinishMusicStyle(*style);
    return style;
}

inline void SetMelody(MelodySettings& m, int dissonance, int noteLength, int syncopation,
                      int ornament, int effect, int voicing, int upper, int lower, int algorithm,
                      int tension, int repeatRhythm, int repeatMelody, int parameter) {
    m.dissonance = dissonance;
    m.noteLength = noteLength;
    m.syncopation = syncopation;
    m.ornament = ornament;
    m.effect = effect;
    m.voicing = voicing;
    m.upperLimit = upper;
    m.lowerLimit = lower;
    m.algorithm = algorithm;
    m.tension = tension;
    m.repeatRhythm = repeatRhythm;
    m.repeatMelody = repeatMelody;
    m.algorithmParameter = parameter;
}

// A 3/4 minor style with every switch on and values away from the defaults.
inline std::unique_ptr<MusicStyle> VariedStyle() {
    auto style = DefaultStyle();
    MusicStyle& s = *style;
    SetStyleTitle(s, "Varied Waltz Style 1");
    s.key = 2;
    s.timeSignature = kMetre34;
    s.basicBeat = 3;
    s.tempo = 600000;
    s.scale = 24;
    SetFieldText(s.scaleNotes, "xxxx909909909090");
    s.transpose = 1;
    s.tuneLength = 24;
    int voice = 0;
    for (int part : {1, 2, 3, 4, 5, 7, 8})
        s.voice[part] = voice += 21;
    s.voice[kPartEnvironment] = 151;
    s.voice[kPartDrum] = kEthnicSet;
    s.density[kPartMelody] = 160;
    s.density[kPartObbligato] = 40;
    s.density[kPartSubDrum] = 20;
    s.density[kPartHarmony] = 120;
    s.density[kPartSubHarmony] = 80;
    SetMelody(s.melody[kPartMelody], 10, 9, 1, 20, 22, 2, 90, 40, 6, 2, 2, 1, 7);
    SetMelody(s.melody[kPartObbligato], 4, 10, 0, 14, 5, 1, 70, 30, 4, 1, 1, 2, -3);
    SetMelody(s.melody[kPartSubDrum], 9, 7, 1, 3, 13, 0, 60, 36, 2, 0, 0, 0, 12);
    s.imitationOfPhrase = 1;
    s.onChord = 1;
    s.adjustToChordTone = 1;
    s.chordGenerationMethod = 8;
    SetFieldText(s.knowledgeBase, "PATTERN.DB2");
    SetFieldText(s.resolutionKnowledgeBase, "RESOLUT.DBB");
    s.chordProgression = 10;
    s.blockLength = 4;
    s.chordsInBlock = 1;
    FillHarmonyStructure(s.tuneLength, s.harmonyStructure, s.timeSignature);
    std::memcpy(s.harmonyStructure + 6 * 3 + 2, "amPs", 4);
    s.harmonyStructure[6 * 5] = 0x12;  // 4640 ticks
    s.fixedBass = 36;
    s.subMelodyMethod = 8;
    s.harmonyPattern = 61;
    SetFixedRiff(s.riff);
    s.riff[94] = 200;
    const int interval[8] = {5, 15, 25, 35, 45, 55, 65, 75};
    const int direction[8] = {-50, -40, -30, -20, -10, 0, 10, 99};
    std::memcpy(s.melodyTableInterval, interval, sizeof interval);
    std::memcpy(s.melodyTableDirection, direction, sizeof direction);
    s.mtAdjustF = 0;
    s.mtAdjustE = 0;
    for (int set = 0; set < kGridSets; ++set) {
        for (int part = 0; part < kGridParts; ++part) {
            GridPart& grid = s.customHarmony.grid[set][part];
            for (int row = 0; row < kGridRows; ++row) {
                grid.pnInterval[row] = (set * 31 + part * 7 + row) % 47;
                for (int step = 0; step < kGridSteps; ++step)
                    grid.Cell(row, step) = (row + step + set + part) % 3 == 0 ? 1 : 0;
            }
            for (int step = 0; step < kGridSteps; ++step)
                grid.pnContinuem[step] = (step + part) % 4 == 1 ? 1 : 0;
        }
    }
    for (int part = 0; part < kGridParts; ++part) {
        s.customHarmony.useX[part] = 3 - part;
        s.customHarmony.continueMajor[part] = part % 2;
        s.customHarmony.stroke[part] = (part + 1) % 2;
    }
    s.rhythmPattern = 39;
    s.subHarmonyPattern = 47;
    s.bassPattern = 23;
    s.subDrumPattern = 1;
    s.octave[kPartMelody] = -1;
    s.octave[kPartObbligato] = 1;
    s.octave[kPartHarmony] = 2;
    s.octave[kPartSubHarmony] = -2;
    s.octave[kPartBass] = -1;
    s.octave[kPartSubDrum] = 1;
    int level = 0;
    for (int part : {1, 2, 3, 4, 5, 7, 8, 9}) {
        auto* mix = reinterpret_cast<std::uint8_t*>(&s.mix[part]);
        for (int byte = 0; byte < 9; ++byte)
            mix[byte] = static_cast<std::uint8_t>(level++ * 13 % 128);
    }
    return style;
}

// 7/8 with the C-major key, the other drum set and a short tune.
inline std::unique_ptr<MusicStyle> SecondVariedStyle() {
    auto style = DefaultStyle();
    MusicStyle& s = *style;
    SetStyleTitle(s, "Odd Metre");
    s.timeSignature = kMetre78;
    s.basicBeat = 1;
    s.tempo = 400000;
    s.scale = 11;
    s.tuneLength = 8;
    FillHarmonyStructure(s.tuneLength, s.harmonyStructure, s.timeSignature);
    s.voice[kPartDrum] = kTechnoSet;
    s.voice[kPartBass] = 33;
    s.chordGenerationMethod = 1;
    s.chordProgression = 4;
    s.harmonyPattern = 46;
    s.rhythmPattern = 28;
    s.bassPattern = 20;
    s.subMelodyMethod = 7;
    s.mix[kPartDrum].volume = 127;
    s.mix[kPartDrum].panpot = 0;
    SetMelody(s.melody[kPartMelody], 0, 5, 0, 7, 17, 0, 84, 48, 7, 0, 0, 0, 0);
    return style;
}

// What a style becomes when it is written as text and read back: both
// titles from the display title, the tempo in whole beats per minute and
// the chord list cleared behind its end mark. Every other value the text
// carries comes back as itself.
inline void ApplyTextFormLimits(MusicStyle& s) {
    SetStyleTitle(s, DisplayTitle(s));
    s.tempo = BpmToTempo(TempoToBpm(s.tempo));
    std::size_t end = 0;
    while (end < 4092 && (s.harmonyStructure[end] | s.harmonyStructure[end + 1]))
        end += 6;
    std::memset(s.harmonyStructure + end, 0, sizeof s.harmonyStructure - end);
}

// The defaults, the hand-varied records and every preset of the catalogue.
inline std::vector<Sample> SampleStyles() {
    InitDefaultSettings();
    std::vector<Sample> samples;
    samples.push_back({"defaults", DefaultStyle()});
    samples.push_back({"varied", VariedStyle()});
    samples.push_back({"second varied", SecondVariedStyle()});
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 1; slot < kStyleSlots; ++slot) {
            auto style = std::make_unique<MusicStyle>();
            if (BuildPresetStyle(category, slot, *style)) {
                samples.push_back(
                    {"preset " + std::to_string(category) + "/" + std::to_string(slot),
                     std::move(style)});
            }
        }
    }
    return samples;
}

}  // namespace style_samples
