// The start-up mixer check on a fake mixer: every silent line alone, all of
// them together in their order, unreadable lines; and the ALSA mixer on this
// machine, which must answer at once.
#include "app/mixer_check.h"

#include <gtest/gtest.h>

#include <chrono>

#include "app/shell_seams.h"
#include "tests/support/test_support.h"

using platform::FakeMixer;

namespace {

const char* const kMaster = "Master Volume of Windows Mixer is set to zero.";
const char* const kWave = "Wave Volume of Windows Mixer is set to zero.";
const char* const kMidi = "Midi Volume of Windows Mixer is set to zero.";

// A mixer with every line loud and on.
FakeMixer Loud() {
    FakeMixer mixer;
    for (auto& line : mixer.lines)
        line = {40, false};
    return mixer;
}

std::vector<std::string> Check(FakeMixer& mixer) {
    testing_support::Sink().Clear();
    CheckMixer(mixer);
    std::vector<std::string> texts;
    for (const auto& box : testing_support::Sink().Boxes()) {
        EXPECT_EQ(box.kind, platform::BoxKind::Error);
        texts.push_back(box.text);
    }
    return texts;
}

}  // namespace

TEST(MixerCheck, EachSilentLineAloneGivesItsOneBox) {
    struct Case {
        int line;
        bool mute;  // else the volume is zero
        const char* text;
    };
    const Case cases[] = {{0, false, kMaster}, {1, false, kWave}, {2, false, kMidi},
                          {0, true, kMaster},  {2, true, kMidi},  {1, true, kWave}};
    FakeMixer loud = Loud();
    EXPECT_TRUE(Check(loud).empty());
    for (const Case& c : cases) {
        FakeMixer mixer = Loud();
        if (c.mute) {
            mixer.lines[c.line].muted = true;
        } else {
            mixer.lines[c.line].volume = 0;
        }
        const std::vector<std::string> texts = Check(mixer);
        ASSERT_EQ(texts.size(), 1u) << c.line << c.mute;
        EXPECT_NE(texts[0].find(c.text), std::string::npos) << texts[0];
    }
}

TEST(MixerCheck, AllSilentInTheirOrderAndUnreadableLinesGiveNothing) {
    FakeMixer mixer;
    for (auto& line : mixer.lines)
        line = {0, true};
    const std::vector<std::string> texts = Check(mixer);
    const char* order[] = {kMaster, kWave, kMidi, kMaster, kMidi, kWave};
    ASSERT_EQ(texts.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_NE(texts[i].find(order[i]), std::string::npos) << i;

    // No synthesizer line (as on most cards): no MIDI box; nothing readable
    // at all: no box.
    FakeMixer noSynth = Loud();
    noSynth.lines[2] = {};
    noSynth.lines[0].volume = 0;
    const std::vector<std::string> one = Check(noSynth);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_NE(one[0].find(kMaster), std::string::npos);
    FakeMixer empty;
    EXPECT_TRUE(Check(empty).empty());
}

TEST(MixerCheck, SystemCheckUsesTheFactoryAndAlsaAnswersAtOnce) {
    SetMixerFactory([] {
        auto mixer = std::make_unique<FakeMixer>();
        mixer->lines[1].muted = true;
        return mixer;
    });
    testing_support::Sink().Clear();
    CheckSystemMixer();
    EXPECT_EQ(testing_support::Sink().Count(), 1u);
    SetMixerFactory(nullptr);

    // The real mixer: whatever this machine has, opening and reading it
    // never waits.
    const auto start = std::chrono::steady_clock::now();
    auto alsa = platform::MakeAlsaMixer();
    for (auto line : {platform::MixerLine::Master, platform::MixerLine::Wave,
                      platform::MixerLine::Synthesizer}) {
        alsa->Volume(line);
        alsa->Muted(line);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
