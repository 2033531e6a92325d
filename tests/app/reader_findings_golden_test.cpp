// Every seed file of the readers' fuzz corpora read the way the program reads
// such a file, and the boxes that reading shows, compared with a recorded
// list: what a reader finds and how it is told must not change unnoticed.
// ZAW_WRITE_GOLDEN=1 writes the list anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>

#include "app/convert_actions.h"
#include "convert/audio/aiff.h"
#include "convert/audio/wav_to_mld.h"
#include "convert/audio/wave_file.h"
#include "convert/mobile_data.h"
#include "convert/mobile_track_data.h"
#include "convert/ringtone/ma1_data.h"
#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/mfm_data.h"
#include "convert/ringtone/multi_mfi_data.h"
#include "convert/ringtone/smaf_chunk.h"
#include "convert/ringtone/smaf_data.h"
#include "core/settings.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Sink;

const std::string kCorpus = std::string(ZAW_RES_DIR) + "/../fuzz/corpus/";
const std::string kGolden = std::string(ZAW_TEST_DATA_DIR) + "/reader_findings.txt";

std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A box as one field: its kind, and its text with the scratch folder taken
// out; a long text by its length and hash.
std::string Field(const platform::RecordingMessageSink::Box& box, const std::string& folder) {
    std::string text = box.text;
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
        text.replace(at, folder.size(), "<dir>/");
    if (text.size() > 120) {
        std::uint32_t hash = 2166136261u;
        for (unsigned char c : text)
            hash = (hash ^ c) * 16777619u;
        char head[40];
        std::snprintf(head, sizeof head, "#%zu:%08X ", text.size(), hash);
        text = head + text.substr(0, 60);
    }
    const char kind = box.kind == platform::BoxKind::Error  ? 'E'
                      : box.kind == platform::BoxKind::Info ? 'I'
                                                            : 'Q';
    return std::string(1, kind) + ":" + text;
}

class ReaderFindingsGolden : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        InitDefaultSettings();
        folder_ = testing_support::ScratchDir() + "/";
        std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder_.c_str());
    }
    void TearDown() override { AppSettings = saved_; }

    // A copy of the seed under the name the program would see, with the
    // extension of its kind when it has none.
    std::string Copy(const fs::path& seed, const char* extension) {
        fs::path name = seed.filename();
        if (!name.has_extension()) name += extension;
        const std::string path = folder_ + name.string();
        fs::copy_file(seed, path, fs::copy_options::overwrite_existing);
        return path;
    }

    // How the program reads a file of the corpus.
    void Read(const std::string& corpus, const fs::path& seed) {
        const std::vector<std::uint8_t> bytes = Bytes(seed.string());
        const std::span<const std::uint8_t> image(bytes);
        if (corpus == "mfi" || corpus == "multi_mfi" || corpus == "mfm" || corpus == "smaf") {
            const char* extension = corpus == "mfm" ? ".mfm" : corpus == "smaf" ? ".mmf" : ".mld";
            std::string path = Copy(seed, extension);
            const std::string listened = path;
            ReadRingtoneBack(path);
            ReadLog log;
            if (corpus == "mfi") {
                const MFiData mfi(listened, 4, log);
                log.ShowAll();
            } else if (corpus == "multi_mfi") {
                const MultiMFiData mfi(listened, 6, log);
                log.ShowAll();
            } else if (corpus == "mfm") {
                MFMData::ReadFile(listened, log);
                log.ShowAll();
            } else {
                SmafFileLoader loader(listened);
                loader.Log().ShowAll();
            }
        } else if (corpus == "ma1") {
            ReadMa1Track(image);
        } else if (corpus == "wave_file") {
            WaveFile wave(image);
            wave.Log().ShowAll();
        } else if (corpus == "aiff") {
            CAiffData aiff(image);
            aiff.Log().ShowAll();
        } else if (corpus == "ring_voice") {
            const WavToMldConverter converter(image, "in.wav");
        }
    }

    AppSettingsRecord saved_{};
    std::string folder_;
};

}  // namespace

TEST_F(ReaderFindingsGolden, EverySeedShowsTheRecordedBoxes) {
    std::string lines;
    for (const char* corpus :
         {"mfi", "multi_mfi", "mfm", "smaf", "ma1", "wave_file", "aiff", "ring_voice"}) {
        std::vector<fs::path> seeds;
        for (const fs::directory_entry& e : fs::directory_iterator(kCorpus + corpus))
            seeds.push_back(e.path());
        std::sort(seeds.begin(), seeds.end());
        ASSERT_FALSE(seeds.empty()) << corpus;
        for (const fs::path& seed : seeds) {
            // Each file as the first of a run: the once-per-run warnings are
            // told anew.
            MFiTrack::ResetWarnings();
            ResetSmafScoreTrackWarnings();
            ResetMa1RangeWarning();
            MobileTrackData::ResetVoiceWarning();
            MobileData::ResetDrumRangeWarning();
            Sink().Clear();
            Read(corpus, seed);
            lines += std::string(corpus) + "/" + seed.filename().string();
            for (const auto& box : Sink().Boxes())
                lines += " | " + Field(box, folder_);
            lines += '\n';
        }
    }
    if (std::getenv("ZAW_WRITE_GOLDEN")) testing_support::WriteFileText(kGolden, lines);
    EXPECT_EQ(lines, testing_support::ReadFileText(kGolden));
}

// What the model pass of a read finds is told with what reading found: a
// SMAF file without notes, whose tempo cannot be told, is refused in the one
// message that names it.
TEST_F(ReaderFindingsGolden, AModelPassFindingJoinsTheRefusal) {
    const auto chunk = [](const std::string& id, std::vector<std::uint8_t> body) {
        std::vector<std::uint8_t> out(id.begin(), id.end());
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<std::uint8_t>(body.size() >> shift));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    };
    std::vector<std::uint8_t> track = {0, 0, 2, 2, 0, 0};
    const std::vector<std::uint8_t> sequence = chunk("Mtsq", {});
    track.insert(track.end(), sequence.begin(), sequence.end());
    std::vector<std::uint8_t> contents = chunk("CNTI", {0, 0, 0, 0, 0});
    const std::vector<std::uint8_t> score = chunk(std::string("MTR\x01", 4), track);
    contents.insert(contents.end(), score.begin(), score.end());
    contents.push_back(0);
    contents.push_back(0);
    std::string path = folder_ + "untimed.mmf";
    const std::vector<std::uint8_t> file = chunk("MMMD", contents);
    testing_support::WriteFileText(path, std::string(file.begin(), file.end()));
    Sink().Clear();
    EXPECT_FALSE(ReadRingtoneBack(path));
    EXPECT_EQ(
        Sink().Texts(),
        std::vector<std::string>{
            "\"untimed.mmf\" can not be read: SMDT19000002 There are no tempo in SMAF file!"});
}
