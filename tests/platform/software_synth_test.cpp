#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/midi_out.h"
#include "platform/software_synth.h"
#include "tests/support/test_support.h"

using platform::MidiOut;
using platform::MidiOutHeader;
using platform::MidiOutResult;
using platform::PackShortMessage;
using platform::SoftwareSynth;
using testing_support::Sink;

namespace {

// Root mean square of both channels over the next `seconds` of sound.
double RenderRms(SoftwareSynth& synth, double seconds) {
    int frames = static_cast<int>(seconds * synth.SampleRate());
    std::vector<float> left(frames), right(frames);
    EXPECT_TRUE(synth.Render(left.data(), right.data(), frames));
    double sum = 0;
    for (int i = 0; i < frames; ++i)
        sum += left[i] * left[i] + right[i] * right[i];
    return std::sqrt(sum / (2.0 * frames));
}

}  // namespace

TEST(SoftwareSynth, NotesSoundAndAllSoundOffSilences) {
    if (!std::filesystem::exists(platform::kDefaultSoundFont))
        GTEST_SKIP() << "no soundfont at " << platform::kDefaultSoundFont;
    // No audio output: the test renders the sound itself.
    std::unique_ptr<SoftwareSynth> owned = SoftwareSynth::Create(platform::kDefaultSoundFont, {});
    ASSERT_TRUE(owned);
    EXPECT_TRUE(owned->HasSoundFont());
    EXPECT_FALSE(owned->HasAudioOutput());
    ASSERT_GT(owned->SampleRate(), 8000);
    SoftwareSynth& synth = *owned;
    MidiOut device(std::move(owned), platform::kSoftwareSynthName);

    EXPECT_LT(RenderRms(synth, 0.1), 1e-5);
    const std::uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    MidiOutHeader header{gmOn, sizeof gmOn};
    ASSERT_EQ(device.PrepareHeader(header), MidiOutResult::Ok);
    EXPECT_EQ(device.LongMessage(header), MidiOutResult::Ok);
    EXPECT_EQ(device.UnprepareHeader(header), MidiOutResult::Ok);
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0xC0, 0, 0)), MidiOutResult::Ok);
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0xB0, 7, 127)), MidiOutResult::Ok);
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0x90, 60, 110)), MidiOutResult::Ok);
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0x90, 64, 110)), MidiOutResult::Ok);
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0xE0, 0x00, 0x40)), MidiOutResult::Ok);
    // The drum channel sounds too.
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0x99, 38, 120)), MidiOutResult::Ok);
    EXPECT_GT(RenderRms(synth, 0.3), 0.003);
    // Held notes go on sounding.
    RenderRms(synth, 0.5);
    EXPECT_GT(RenderRms(synth, 0.2), 0.003);

    // All Sound Off ends them at once; only the reverberation's tail, which
    // is gone within half a second, is left of them.
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0xB0, 120, 0)), MidiOutResult::Ok);
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0xB9, 120, 0)), MidiOutResult::Ok);
    RenderRms(synth, 0.5);
    EXPECT_LT(RenderRms(synth, 0.2), 1e-4);

    // A note again, then a reset (all notes off): the note's release dies away.
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0x90, 67, 100)), MidiOutResult::Ok);
    EXPECT_GT(RenderRms(synth, 0.2), 0.003);
    EXPECT_EQ(device.Reset(), MidiOutResult::Ok);
    RenderRms(synth, 3.0);
    EXPECT_LT(RenderRms(synth, 0.2), 1e-4);
}

TEST(SoftwareSynth, SilentWithoutSoundFontOrAudioOutputButStillAccepts) {
    std::unique_ptr<SoftwareSynth> synth =
        SoftwareSynth::Create("/nonexistent/none.sf2", {"no-such-driver"});
    ASSERT_TRUE(synth);
    EXPECT_FALSE(synth->HasSoundFont());
    EXPECT_FALSE(synth->HasAudioOutput());
    SoftwareSynth& raw = *synth;
    MidiOut device(std::move(synth), platform::kSoftwareSynthName);
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0xC0, 0, 0)), MidiOutResult::Ok);
    EXPECT_EQ(device.ShortMessage(PackShortMessage(0x90, 60, 100)), MidiOutResult::Ok);
    EXPECT_LT(RenderRms(raw, 0.1), 1e-6);
    EXPECT_EQ(device.Close(), MidiOutResult::Ok);

    // The built-in device says once per run when it cannot sound; opening
    // it again says nothing more. (A machine with audio says nothing.)
    platform::ResetSilentSynthNotice();
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<platform::MidiOutBackend> opened = platform::OpenSoftwareSynth();
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->SendShort(reinterpret_cast<const std::uint8_t*>("\x90\x3C\x40"), 3),
                  MidiOutResult::Ok);
    }
    auto boxes = Sink().Boxes();
    ASSERT_LE(boxes.size(), 1u);
    if (!boxes.empty()) {
        EXPECT_EQ(boxes[0].kind, platform::BoxKind::Info);
        EXPECT_NE(boxes[0].text.find("the software synthesizer plays silently."),
                  std::string::npos);
    }
}
