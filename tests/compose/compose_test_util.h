// A working style of known settings for the composer tests, restored after
// each test, and a chord record built from a code.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "style/style_table.h"

namespace compose_test {

class StyleFixture : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = WorkingStyle;
        savedFixedBass_ = FixedBassPitch;
        InitMusicStyle(WorkingStyle);
        WorkingStyle.scale = 1;
        WorkingStyle.key = 1;
        WorkingStyle.keyOffset = 0;
        WorkingStyle.fixedBass = 0;
        WorkingStyle.harmonyPattern = 1;
        WorkingStyle.adjustToChordTone = 0;
        WorkingStyle.transpose = 0;
    }
    void TearDown() override {
        WorkingStyle = saved_;
        FixedBassPitch = savedFixedBass_;
    }

private:
    MusicStyle saved_{};
    int savedFixedBass_ = 0;
};

inline HarmonyStructureEntry Entry(std::string_view code, int length = 384) {
    HarmonyStructureEntry e{};
    e.lengthHigh = static_cast<std::uint8_t>(length >> 8);
    e.lengthLow = static_cast<std::uint8_t>(length & 0xFF);
    for (int i = 0; i < 4; ++i)
        e.chord.text[i] = code[i];
    return e;
}

inline ChordRecord Chord(std::string_view code, const char* onChord = nullptr) {
    return ChordRecord(Entry(code), onChord);
}

inline std::string Text(const ScaleString& s) {
    return std::string(s.text, 16);
}

inline ScaleString Weights(std::string_view text) {
    ScaleString s;
    for (int i = 0; i < 16; ++i)
        s.text[i] = text[i];
    return s;
}

inline std::string Combined(std::string_view code) {
    ScaleString out;
    GetChordScaleWeights(code.data(), out);
    return Text(out);
}

}  // namespace compose_test
