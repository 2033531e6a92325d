// The watermark on hand-made songs (the edges of the bit table) and on
// composed tunes with random texts, read back by mido; the files it must
// leave alone.
#include "convert/watermark.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/settings.h"
#include "midi/f1_data.h"
#include "platform/paths.h"
#include "tests/convert/composed_tunes.h"
#include "tests/convert/smf_builder.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Sink;

class WatermarkFile : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        AppSettings.WatermarkEnabled = 1;
        folder_ = testing_support::ScratchDir() + "/";
        Sink().Clear();
    }
    void TearDown() override {
        AppSettings = saved_;
        platform::SetBeforeReplaceHook(nullptr);
    }
    void SetText(const std::string& text) {
        std::memset(AppSettings.WatermarkText, 0, sizeof AppSettings.WatermarkText);
        std::memcpy(AppSettings.WatermarkText, text.data(), std::min(text.size(), sizeof AppSettings.WatermarkText));
    }
    std::string Write(const std::vector<std::uint8_t>& bytes, const std::string& name) {
        const std::string path = folder_ + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    // The velocities of each track's notes after marking the song.
    std::vector<std::vector<int>> MarkedVelocities(const smf_builder::Bytes& song, const std::string& text) {
        SetText(text);
        const std::string path = Write(song, "song.mid");
        WatermarkSmfFile(path);
        MidiF1Data marked(path, 0xF0000);
        std::vector<std::vector<int>> out;
        for (int t = 0; t < marked.TrackCount(); ++t) {
            std::vector<int> v;
            for (int i = 0; i < marked.Track(t)->EventCount(); ++i)
                if (marked.Track(t)->Event(i)->IsNoteWithLength()) v.push_back(marked.Track(t)->Event(i)->velocity);
            if (!v.empty()) out.push_back(v);
        }
        return out;
    }

    AppSettingsRecord saved_{};
    std::string folder_;
};

std::vector<int> Bit0(const std::vector<int>& velocities) {
    std::vector<int> bits;
    for (int v : velocities) bits.push_back(v & 1);
    return bits;
}

}  // namespace

TEST_F(WatermarkFile, TheBitTableEdges) {
    using smf_builder::TrackSpec;
    const auto two = smf_builder::Song({TrackSpec{0, 60, 20, {100, 51}, "", false},
                                        TrackSpec{3, 50, 9, {64}, "", false}});
    // The empty text: every note is odd.
    for (const auto& track : MarkedVelocities(two, ""))
        EXPECT_EQ(Bit0(track), std::vector<int>(track.size(), 1));
    // "A" in each track on its own: eight 1s, then 0100 0001, again and again.
    const auto a = MarkedVelocities(two, "A");
    ASSERT_EQ(a.size(), 2u);
    const std::vector<int> table = {1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 1};
    for (const auto& track : a)
        for (std::size_t i = 0; i < track.size(); ++i) EXPECT_EQ(track[i] & 1, table[i % 16]) << i;
    EXPECT_EQ(a[0][8], 100);
    EXPECT_EQ(a[0][9], 51);
    EXPECT_EQ(a[0][10], 100);
    EXPECT_EQ(a[1][0], 65);
    // Velocity 1 keeps 1 and carries no bit: the next note takes it.
    const auto ones = MarkedVelocities(smf_builder::Song({TrackSpec{0, 60, 18, {1, 100}, "", false}}), "A");
    ASSERT_EQ(ones.size(), 1u);
    for (std::size_t i = 0; i < ones[0].size(); i += 2) EXPECT_EQ(ones[0][i], 1);
    for (std::size_t i = 1; i < ones[0].size(); i += 2) EXPECT_EQ(ones[0][i] & 1, table[i / 2]) << i;
}

TEST_F(WatermarkFile, ComposedTunesWithRandomTextsReadBackByMido) {
    const auto tunes = composed_tunes::Compose(folder_, 10, 12);
    ASSERT_GE(tunes.size(), 20u);
    std::mt19937 random(2024);
    std::ofstream listing(folder_ + "marks.txt");
    for (std::size_t t = 0; t < tunes.size(); ++t) {
        const std::size_t length = t == 0 ? 0 : t == 1 ? 255 : random() % 256;
        std::string text;
        std::string hex;
        for (std::size_t i = 0; i < length; ++i) {
            const auto c = static_cast<unsigned char>(1 + random() % 255);
            text.push_back(static_cast<char>(c));
            char two[3];
            std::snprintf(two, sizeof two, "%02x", c);
            hex += two;
        }
        SetText(text);
        const std::string source = Write(tunes[t].bytes, "in" + std::to_string(t) + ".mid");
        const std::string marked = Write(tunes[t].bytes, "marked" + std::to_string(t) + ".mid");
        WatermarkSmfFile(marked);
        // A format-0 input comes back as format 1, one track per channel.
        const auto bytes = composed_tunes::ReadBytes(marked);
        ASSERT_GT(bytes.size(), 14u);
        EXPECT_EQ(bytes[9], 1) << tunes[t].name;
        MidiF1Data song(marked, 0xF0000);
        for (int i = 0; i < song.TrackCount(); ++i) {
            std::set<int> channels;
            for (int k = 0; k < song.Track(i)->EventCount(); ++k)
                if (song.Track(i)->Event(k)->IsNoteWithLength()) channels.insert(song.Track(i)->Event(k)->channel);
            EXPECT_LE(channels.size(), 1u) << tunes[t].name;
        }
        listing << source << " " << marked << " " << (hex.empty() ? "-" : hex) << "\n";
    }
    EXPECT_EQ(Sink().Count(), 0u);
    listing.close();
    const std::string script = std::string(ZAW_RES_DIR) + "/../tests/convert/watermark_mido.py";
    EXPECT_EQ(std::system(("/usr/bin/python3 " + script + " " + folder_ + "marks.txt").c_str()), 0);
}

TEST_F(WatermarkFile, FilesThatCannotBeMarkedStayAsTheyWere) {
    const auto song = smf_builder::TwoTrackSong();
    const std::string path = Write(song, "keep.mid");
    // Off, a text that does not fit, a write that fails.
    AppSettings.WatermarkEnabled = 0;
    WatermarkSmfFile(path);
    EXPECT_EQ(composed_tunes::ReadBytes(path), song);
    AppSettings.WatermarkEnabled = 1;
    std::memset(AppSettings.WatermarkText, 'x', sizeof AppSettings.WatermarkText);
    WatermarkSmfFile(path);
    EXPECT_EQ(composed_tunes::ReadBytes(path), song);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts()[0], "WTMK0E000002 Texts are too long for water mark!");
    SetText("ZAW");
    platform::SetBeforeReplaceHook([](const std::string&) { return false; });
    WatermarkSmfFile(path);
    platform::SetBeforeReplaceHook(nullptr);
    EXPECT_EQ(composed_tunes::ReadBytes(path), song);
    EXPECT_EQ(testing_support::FolderNames(folder_), std::vector<std::string>{"keep.mid"});
    // A file that fills the read buffer, and one that is no SMF.
    Sink().Clear();
    auto big = song;
    big.resize(kWatermarkReadBuffer, 0);
    const std::string bigPath = Write(big, "big.mid");
    WatermarkSmfFile(bigPath);
    EXPECT_EQ(composed_tunes::ReadBytes(bigPath), big);
    EXPECT_EQ(Sink().Count(), 1u);
    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    const std::string textPath = Write(text, "text.mid");
    WatermarkSmfFile(textPath);
    EXPECT_EQ(composed_tunes::ReadBytes(textPath), text);
    // The song without notes with length is refused by the mark itself.
    MidiF1Data raw(96);
    raw.noteMode = note_mode::kNoteOnOff;
    Sink().Clear();
    Watermark mark(&raw, "A");
    EXPECT_EQ(mark.Apply(), 0);
    EXPECT_EQ(Sink().Texts().at(0), "WTMK0E000001 Internal error occured in Watermark!");
}
