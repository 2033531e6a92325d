// The ringtone drivers end to end: composed tunes through every driver and
// type read back by the format readers, scripted dialogs, and the messages
// and refusals of the drivers.
#include "convert/ringtone_drivers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <cstring>
#include <set>

#include "compose/compose_track.h"
#include "convert/conversion_dialogs.h"
#include "convert/multi_mobile_track_data.h"
#include "convert/output_dispatcher.h"
#include "convert/ringtone/ma1_data.h"
#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/mfm_data.h"
#include "convert/ringtone/multi_mfi_data.h"
#include "convert/ringtone/smaf_data.h"
#include "convert/terminal_table.h"
#include "core/app_utilities.h"
#include "core/settings.h"
#include "tests/convert/accepting_dialogs.h"
#include "tests/convert/composed_tunes.h"
#include "tests/convert/driver_rows.h"
#include "tests/convert/mfi_test_util.h"
#include "tests/convert/mobile_test_util.h"
#include "tests/convert/smf_builder.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Sink;
constexpr int kCapacity = static_cast<int>(WorkBufferSize);

bool In(int type, std::initializer_list<int> types) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

// A converter run: the driver and type, and the output type whose voice
// count the automatic choice uses.
struct DriverRun {
    const char* name;
    int outputType;
    std::function<int(const std::string&, int adjustVoice, int outputType)> convert;
};

const std::vector<DriverRun>& Runs() {
    static const std::vector<DriverRun> runs = {
        {"MFi 1", 7,
         [](const std::string& p, int a, int t) {
             return ConvertToMfi(driver_rows::Row(Converter::Mfi, 1, t), p, a);
         }},
        {"MFi 4", 3,
         [](const std::string& p, int a, int t) {
             return ConvertToMfi(driver_rows::Row(Converter::Mfi, 4, t), p, a);
         }},
        {"MFi 5", 3,
         [](const std::string& p, int a, int t) {
             return ConvertToMfi(driver_rows::Row(Converter::Mfi, 5, t), p, a);
         }},
        {"MFi 252", 7,
         [](const std::string& p, int a, int t) {
             return ConvertToMfi(driver_rows::Row(Converter::Mfi, 252, t), p, a);
         }},
        {"MFi 254", 3,
         [](const std::string& p, int a, int t) {
             return ConvertToMfi(driver_rows::Row(Converter::Mfi, 254, t), p, a);
         }},
        {"multi 6", 14,
         [](const std::string& p, int a, int t) {
             return ConvertToMultiMfi(driver_rows::Row(Converter::MultiMfi, 6, t), p, a, 0);
         }},
        {"multi 7", 14,
         [](const std::string& p, int a, int t) {
             return ConvertToMultiMfi(driver_rows::Row(Converter::MultiMfi, 7, t), p, a, 2);
         }},
        {"multi 8", 14,
         [](const std::string& p, int a, int t) {
             return ConvertToMultiMfi(driver_rows::Row(Converter::MultiMfi, 8, t), p, a, 0);
         }},
        {"multi 9", 3,
         [](const std::string& p, int a, int t) {
             return ConvertToMultiMfi(driver_rows::Row(Converter::MultiMfi, 9, t), p, a, 0);
         }},
        {"multi 32", 18,
         [](const std::string& p, int a, int t) {
             return ConvertToMultiMfi(driver_rows::Row(Converter::MultiMfi, 32, t), p, a, 0);
         }},
        {"SMAF 16", 3,
         [](const std::string& p, int a, int t) {
             return ConvertToSmaf(driver_rows::Row(Converter::Smaf, 16, t), p, a);
         }},
        {"SMAF 4", 7,
         [](const std::string& p, int a, int t) {
             return ConvertToSmaf(driver_rows::Row(Converter::Smaf, 4, t), p, a);
         }},
        {"MA-3 32", 17,
         [](const std::string& p, int a, int t) {
             return ConvertToSmafMa3(driver_rows::Row(Converter::SmafMa3, 32, t), p, a);
         }},
        {"MA-3 33", 17,
         [](const std::string& p, int a, int t) {
             return ConvertToSmafMa3(driver_rows::Row(Converter::SmafMa3, 33, t), p, a);
         }},
        {"MFM", 3,
         [](const std::string& p, int a, int t) {
             return ConvertToMfm(driver_rows::Row(Converter::Mfm, -1, t), p, a);
         }},
    };
    return runs;
}

// The model a ringtone of the kind ("MFi", "multi", "SMAF", "MA-3", "MFM",
// "MA-1") reads back into through its own reader.
std::unique_ptr<MobileData> ReadBackModel(const std::string& kind,
                                          const std::vector<std::uint8_t>& f) {
    const int n = static_cast<int>(f.size());
    auto model = std::make_unique<MobileData>(kCapacity);
    if (kind == "MFi") {
        MFiData(f.data(), n, mfi_test::ShownLog()).ToMobileData(*model);
    } else if (kind == "multi") {
        auto multi = std::make_unique<MultiMobileTrackData>();
        MultiMFiData(f.data(), n, mfi_test::ShownLog()).ToMultiMobileTrackData(*multi);
        return multi;
    } else if (kind == "SMAF" || kind == "MA-3") {
        SmafFileLoader loader(std::span<const std::uint8_t>(f.data(), f.size()));
        if (loader.Data()) return loader.Data()->ToMobileData();
        if (loader.Ma3Data()) return loader.Ma3Data()->ToMultiMobileTrackData();
    } else if (kind == "MFM") {
        MFMData(f.data(), f.size(), mfi_test::ShownLog()).ToMobileData(*model);
    } else if (kind == "MA-1") {
        auto track = ReadMa1Track(std::span<const std::uint8_t>(f.data(), f.size()));
        if (track) return std::make_unique<MobileData>(*track, kCapacity);
    }
    return model;
}

// Every note the file holds, read back through its own reader.
std::vector<mobile_test::TimedNote> ReadBackNotes(const std::string& name,
                                                  const std::vector<std::uint8_t>& f) {
    return mobile_test::ModelNotes(*ReadBackModel(name.substr(0, name.find(' ')), f));
}

// The pitches of a Standard MIDI File's notes, channel by channel.
std::set<int> SongPitches(const std::vector<std::uint8_t>& smf) {
    MidiFileLoader loader;
    loader.LoadImage(smf.data(), smf.size());
    std::set<int> pitches;
    MidiF1Data* song = loader.Tune1();
    if (!song) return pitches;
    MobileData model(*song, static_cast<int>(WorkBufferSize));
    for (const auto& n : mobile_test::ModelNotes(model))
        pitches.insert(n.pitch);
    return pitches;
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        out_ = testing_support::ScratchDir() + "/out.bin";
        LastOutputPath.Set(out_);
    }
    void TearDown() override {
        AppSettings = saved_;
        SetConversionDialogs(nullptr);
    }
    std::vector<std::uint8_t> Output() const { return composed_tunes::ReadBytes(out_); }
    std::string Input(const std::vector<std::uint8_t>& bytes, const std::string& name = "in.mid") {
        const std::string path = testing_support::ScratchDir() + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }

    AppSettingsRecord saved_{};
    std::string out_;
};

using RingtoneDrivers = Settings;

TEST_F(RingtoneDrivers, ComposedTunesReadBackThroughEveryFormat) {
    const auto tunes = composed_tunes::Compose(testing_support::ScratchDir(), 10);
    ASSERT_GE(tunes.size(), 12u);
    AppSettings.RingtoneSizeLimit = 1 << 30;
    for (const auto& tune : tunes) {
        const std::string in = Input(tune.bytes);
        const std::set<int> pitches = SongPitches(tune.bytes);
        for (const DriverRun& run : Runs()) {
            std::remove(out_.c_str());
            ASSERT_EQ(run.convert(in, 1, run.outputType), 1) << tune.name << " " << run.name;
            const auto notes = ReadBackNotes(run.name, Output());
            ASSERT_FALSE(notes.empty()) << tune.name << " " << run.name;
            // Formats may move a pitch by octaves to fit their range, and
            // MFM a drum to one it has.
            const bool mfm = std::string(run.name) == "MFM";
            for (const auto& n : notes) {
                bool found = false;
                for (int p : pitches)
                    found = found || (p - n.pitch) % 12 == 0 || (mfm && MfmDrumKey(p) == n.pitch);
                ASSERT_TRUE(found) << tune.name << " " << run.name << " pitch " << n.pitch;
            }
            ASSERT_TRUE(std::is_sorted(notes.begin(), notes.end()));
        }
    }
}

// ---- Hand-made songs ----

struct Note {
    int channel;
    long long time;
    int key;
    int length;
};

using smf_builder::PutVarLen;

// A format-0 file at 96 per quarter in 4/4: the notes, program 0 on each
// channel used, and an optional text of padding bytes.
std::vector<std::uint8_t> HandSong(const std::vector<Note>& notes, std::size_t padding = 0) {
    struct Ev {
        long long time;
        int order;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Ev> evs;
    std::set<int> channels;
    for (const Note& n : notes) {
        channels.insert(n.channel);
        const auto c = static_cast<std::uint8_t>(n.channel);
        evs.push_back({n.time, 1, {static_cast<std::uint8_t>(0x90 | c), static_cast<std::uint8_t>(n.key), 100}});
        evs.push_back({n.time + n.length, 0, {static_cast<std::uint8_t>(0x80 | c), static_cast<std::uint8_t>(n.key), 0}});
    }
    std::stable_sort(evs.begin(), evs.end(), [](const Ev& a, const Ev& b) {
        return a.time != b.time ? a.time < b.time : a.order < b.order;
    });
    std::vector<std::uint8_t> track = {0, 0xFF, 0x58, 4, 4, 2, 24, 8};
    if (padding) {
        track.push_back(0);
        track.push_back(0xFF);
        track.push_back(0x01);
        PutVarLen(track, static_cast<std::uint32_t>(padding));
        track.insert(track.end(), padding, 'x');
    }
    for (int c : channels) {
        track.push_back(0);
        track.push_back(static_cast<std::uint8_t>(0xC0 | c));
        track.push_back(0);
    }
    long long t = 0;
    for (const Ev& e : evs) {
        PutVarLen(track, static_cast<std::uint32_t>(e.time - t));
        t = e.time;
        for (std::uint8_t b : e.bytes)
            track.push_back(b);
    }
    for (std::uint8_t b : {0, 0xFF, 0x2F, 0})
        track.push_back(b);
    std::vector<std::uint8_t> f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    const auto len = static_cast<std::uint32_t>(track.size());
    for (int s = 24; s >= 0; s -= 8)
        f.push_back(static_cast<std::uint8_t>(len >> s));
    f.insert(f.end(), track.begin(), track.end());
    return f;
}

// A melody of quarter notes over the measures on the channel.
std::vector<Note> Melody(int channel, int measures, int key = 60) {
    std::vector<Note> notes;
    for (int q = 0; q < 4 * measures; ++q)
        notes.push_back({channel, q * 96LL, key + q % 5, 90});
    return notes;
}

int Count(const std::vector<std::string>& texts, const std::string& part) {
    return static_cast<int>(std::count_if(texts.begin(), texts.end(), [&](const std::string& t) {
        return t.find(part) != std::string::npos;
    }));
}

// Answers the dialogs from scripts.
class ScriptedDialogs : public ConversionDialogs {
public:
    std::function<ChannelRange(const ChannelChoice&)> channels;
    std::function<bool(MobileData&)> copyright;
    int channelRuns = 0;
    int copyrightRuns = 0;
    ChannelRange ChooseChannels(const ChannelChoice& choice) override {
        ++channelRuns;
        return channels ? channels(choice) : ChannelRange{};
    }
    bool AskCopyright(MobileData& model) override {
        ++copyrightRuns;
        return copyright ? copyright(model) : false;
    }
};

// A large input is told once: by the result's own message when the
// ringtone is over the size limit, else by the input's.
TEST_F(RingtoneDrivers, LargeInputsAndMissingLoopMarkersWarnAndConvert) {
    AppSettings.UseLoopMarker = 1;
    const auto song = HandSong(Melody(0, 4), 20001);
    ASSERT_GT(song.size(), 20001u);
    for (const int type : {4, 254}) {
        for (const int limit : {1 << 30, 20}) {
            AppSettings.RingtoneSizeLimit = limit;
            Sink().Clear();
            ASSERT_EQ(ConvertToMfi(driver_rows::Row(Converter::Mfi, type, 3), Input(song), 1), 1);
            const auto texts = Sink().Texts();
            EXPECT_EQ(Count(texts, "File size is too big!"), limit == 20 ? 0 : 1) << type;
            EXPECT_EQ(Count(texts, kRingtoneTooLarge), limit == 20 ? 1 : 0) << type;
            EXPECT_EQ(Count(texts, "There are no marker for loop."), 2);
            EXPECT_FALSE(Output().empty());
        }
    }
}

// A song without a tempo event means 500,000 µs a quarter: read back from
// the ringtone, each of its quarter notes starts half a second after the last.
TEST_F(RingtoneDrivers, ASongWithoutATempoKeepsItsDefaultBeat) {
    const std::string input = Input(HandSong(Melody(0, 4)));
    for (const int type : {4, 254}) {
        ASSERT_EQ(ConvertToMfi(driver_rows::Row(Converter::Mfi, type, 3), input, 1), 1);
        const auto f = Output();
        MobileData model(static_cast<int>(WorkBufferSize));
        MFiData(f.data(), static_cast<int>(f.size()), mfi_test::ShownLog()).ToMobileData(model);
        const long long tempo = mobile_test::SlotControls(*model.Slot(0), mobile_code::kTempo).at(0).second;
        const auto notes = mobile_test::ModelNotes(model);
        ASSERT_EQ(notes.size(), 16u);
        for (std::size_t q = 0; q < notes.size(); ++q)
            EXPECT_EQ(notes[q].time * tempo / model.division, static_cast<long long>(q) * 500000) << type;
    }
}

// Melody, bass and a counter line on channels 1-3, and kick, snare and hat
// on channel 10.
std::vector<Note> FourChannelTune() {
    std::vector<Note> notes = Melody(0, 4, 72);
    for (int channel : {1, 2})
        for (const Note& n : Melody(channel, 4, channel == 1 ? 48 : 60))
            notes.push_back(n);
    for (int q = 0; q < 16; ++q)
        notes.push_back({9, q * 96LL, q % 2 ? 42 : q % 4 ? 38 : 36, 40});
    return notes;
}

// The pitches of a model's melodic and drum notes.
std::pair<std::multiset<int>, std::multiset<int>> PitchesByKind(const MobileData& model) {
    std::pair<std::multiset<int>, std::multiset<int>> out;
    for (int i = 0; i < model.Count(); ++i)
        for (const auto& n : mobile_test::SlotNotes(*model.Slot(i)))
            (model.Slot(i)->kind == MobileChanelData::kKindDrum ? out.second : out.first).insert(n.pitch);
    return out;
}

// The four-channel tune through every single-track MFi type: each keeps
// every melodic note, the four-voice types leave the drums out, and the
// others read their drums back as drums.
TEST_F(RingtoneDrivers, AFourChannelTuneKeepsItsPartsInSingleTrackMfi) {
    AppSettings.RingtoneSizeLimit = 1 << 30;
    const auto tune = FourChannelTune();
    const std::string in = Input(HandSong(tune));
    std::pair<std::multiset<int>, std::multiset<int>> sent;
    for (const Note& n : tune)
        (n.channel == 9 ? sent.second : sent.first).insert(n.key);
    struct Row {
        int mfiType;
        int outputType;
        bool drums;
    };
    for (const Row r : {Row{1, 9, false}, Row{252, 11, false}, Row{4, 3, true}, Row{5, 13, true},
                        Row{254, 5, true}}) {
        Sink().Clear();
        ASSERT_EQ(ConvertToMfi(driver_rows::Row(Converter::Mfi, r.mfiType, r.outputType), in, 1), 1)
            << r.mfiType;
        const auto f = Output();
        MobileData model(static_cast<int>(WorkBufferSize));
        MFiData(f.data(), static_cast<int>(f.size()), mfi_test::ShownLog()).ToMobileData(model);
        // Back to tracks by channel, as the read-back road does: drums on
        // channel 10.
        MidiF1Data song(model.division, static_cast<int>(WorkBufferSize));
        model.ToMidiF1Data(song);
        EXPECT_EQ(Sink().Count(), 0u) << r.mfiType;
        const auto read = PitchesByKind(MobileData(song, static_cast<int>(WorkBufferSize)));
        EXPECT_EQ(read.first, sent.first) << r.mfiType;
        EXPECT_EQ(read.second, r.drums ? sent.second : std::multiset<int>{}) << r.mfiType;
    }
}

// A tune as the composer writes one: a melody, a bass the composer's own
// fine tuning detunes, and kick, snare and hat with drums spread over keys
// 63 to 79, one after another (fourteen drums: a single-track model holds
// sixteen parts).
std::vector<std::uint8_t> DetunedTuneWithDrums() {
    MidiF1Data song(96, kCapacity);
    std::vector<mobile_test::NoteSpec> melody, bass, drums;
    for (int q = 0; q < 4; ++q) {
        melody.push_back({q * 96LL, 64 + q % 5, 90});
        bass.push_back({q * 96LL, 48 + q % 3, 90});
    }
    long long at = 0;
    for (int key : {36, 38, 42, 63, 64, 65, 67, 69, 70, 73, 75, 76, 78, 79}) {
        drums.push_back({at, key, 30});
        at += 48;
    }
    mobile_test::AddTrack(song, 0, melody, 0);
    DelayAndDetuneTrack(*mobile_test::AddTrack(song, 1, bass, 32), 1, 0);
    mobile_test::AddTrack(song, 9, drums);
    EXPECT_TRUE(song.ConvertToNoteOnOff() && song.WriteSmf());
    return {song.Data(), song.Data() + song.Length()};
}

// The reader kind of an output type.
std::string KindOf(int type) {
    if (In(type, {14, 15, 16, 18, 24})) return "multi";
    if (In(type, {4, 6, 7, 17, 19})) return "SMAF";
    return type == 8 ? "MA-1" : type == 20 ? "MFM" : "MFi";
}

// Every ringtone type, with the voice count's choice and with the dialog's:
// no box but the MFM file's one notice of the drums it moved, every melodic
// note back, and the drums back on channel 10 (moved to keys up to 62 in
// MFM) where the type has drums.
TEST_F(RingtoneDrivers, ADetunedTuneWithDrumsKeepsItsPartsInEveryType) {
    InitDefaultSettings();
    const std::string folder = testing_support::ScratchDir() + "/";
    std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder.c_str());
    std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s", folder.c_str());
    AppSettings.RingtoneSizeLimit = 1 << 30;
    AppSettings.PackDrum = 0;
    SetConversionDialogs(std::make_shared<AcceptingDialogs>());
    const auto tune = DetunedTuneWithDrums();
    MidiFileLoader loader;
    loader.LoadImage(tune.data(), tune.size());
    ASSERT_NE(loader.Tune1(), nullptr);
    const auto sent = PitchesByKind(MobileData(*loader.Tune1(), kCapacity));
    ASSERT_EQ(sent.second.size(), 14u);
    OutputDispatcher dispatcher;
    for (int type : {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 24}) {
        for (int adjustVoice : {1, 0}) {
            const std::string what =
                "type " + std::to_string(type) + " adjust " + std::to_string(adjustVoice);
            LastOutputPath.Set(folder + "out.bin");
            std::string path = Input(tune);
            Sink().Clear();
            ASSERT_EQ(dispatcher.ConvertToOutputFormat(path, adjustVoice, type), 1) << what;
            const auto boxes = Sink().Texts();
            const auto file = composed_tunes::ReadBytes(LastOutputPath.Get());
            // Back to tracks by channel, as the read-back road makes them:
            // drums on channel 10.
            const auto model = ReadBackModel(KindOf(type), file);
            MidiF1Data song(model->division > 0 ? model->division : 96, kCapacity);
            model->ToMidiF1Data(song);
            const auto back = PitchesByKind(MobileData(song, kCapacity));
            EXPECT_EQ(back.first, sent.first) << what;
            std::multiset<int> drums;
            // The sixteen-voice mail of fourteen drums is longer than a
            // mail should be, and says so.
            std::vector<std::string> expected;
            if (type == 10) expected = {"ZAWCFF010124 Text is too big for melody mail!"};
            if (type == 20) {
                for (int key : sent.second)
                    drums.insert(MfmDrumKey(key));
                expected = {"FMTK2A000004 Note data is invalid! (drum notes changed: 11)"};
            } else if (!In(type, {7, 8, 9, 11, 12})) {
                drums = sent.second;
            }
            EXPECT_EQ(boxes, expected) << what;
            EXPECT_EQ(back.second, drums) << what;
        }
    }
}

// A single-track MFi file is the same whichever handset is selected (the
// handsets' arrangements are the multi-track writer's), and its track 0
// opens with the master volume.
TEST_F(RingtoneDrivers, SingleTrackMfiIsTheSameForEveryHandset) {
    InstallTerminalTable();
    const std::string in = Input(HandSong(Melody(0, 2)));
    for (int type : {1, 4, 5, 252, 254}) {
        std::vector<std::uint8_t> first;
        for (int row = 0; row < TerminalTable().Count(); ++row) {
            AppSettings.TerminalIndex = row;
            ASSERT_EQ(ConvertToMfi(driver_rows::Row(Converter::Mfi, type, 3), in, 1), 1) << type;
            if (row == 0) first = Output();
            EXPECT_EQ(Output(), first) << type << " row " << row;
        }
        const auto chunks = mfi_test::Chunks(first);
        ASSERT_FALSE(chunks.empty());
        const auto* track0 = first.data() + chunks[0].offset;
        EXPECT_EQ(std::vector<int>(track0, track0 + 3), (std::vector<int>{0, 0xFF, 0xB0})) << type;
    }
    SetTerminalIdLookup(nullptr);
}

TEST_F(RingtoneDrivers, OversizeRingtonesAreWrittenAfterTheNotice) {
    AppSettings.RingtoneSizeLimit = 20;
    const std::string in = Input(HandSong(Melody(0, 8)));
    for (const DriverRun& run : Runs()) {
        if (std::string(run.name) == "MFM") continue;  // written without a size check
        Sink().Clear();
        std::remove(out_.c_str());
        ASSERT_EQ(run.convert(in, 1, run.outputType), 1) << run.name;
        EXPECT_EQ(Count(Sink().Texts(), kRingtoneTooLarge), 1) << run.name;
        EXPECT_GT(Output().size(), 20u) << run.name;
    }
}

TEST_F(RingtoneDrivers, TooManyVoicesAreRefusedOrWarnedByFormat) {
    // 65 notes at once over five channels.
    std::vector<Note> chord;
    for (int i = 0; i < 65; ++i)
        chord.push_back({i % 5, 0, 40 + i, 96});
    const std::string in = Input(HandSong(chord));
    auto dialogs = std::make_shared<ScriptedDialogs>();
    dialogs->channels = [](const ChannelChoice& c) {
        EXPECT_EQ(c.drumAsOneRow, 1);
        return ChannelRange{true, 0, c.model->GetMeasureTicks()};
    };
    SetConversionDialogs(dialogs);
    Sink().Clear();
    EXPECT_EQ(ConvertToMultiMfi(driver_rows::Row(Converter::MultiMfi, 32, 18), in, 0, 0), 0);
    EXPECT_TRUE(Output().empty());
    EXPECT_EQ(Count(Sink().Texts(), "Voice over!"), 1);
    // The MA-3 kinds warn and write.
    Sink().Clear();
    EXPECT_EQ(ConvertToSmafMa3(driver_rows::Row(Converter::SmafMa3, 32, 17), in, 0), 1);
    EXPECT_EQ(Count(Sink().Texts(), "Voice over!"), 1);
}

TEST_F(RingtoneDrivers, ATypeWithoutVoiceCountKeepsItsSlots) {
    // The MFM type has no voice count: the slots stay as they were, so the
    // file still carries both channels, and nothing is wrong to tell.
    std::vector<Note> notes = Melody(0, 2);
    for (const Note& n : Melody(1, 2, 48))
        notes.push_back(n);
    Sink().Clear();
    ASSERT_EQ(ConvertToMfm(FormatOf(20), Input(HandSong(notes)), 1), 1);
    EXPECT_EQ(Count(Sink().Texts(), "The number of Channel is worng!"), 0);
    EXPECT_EQ(ReadBackNotes("MFM", Output()).size(), 16u);

    MultiMobileTrackData model;
    for (int i = 0; i < 3; ++i) {
        auto slot = std::make_unique<MobileChanelData>(i, MobileChanelData::kKindMelodic, 0);
        slot->AppendNote(0, 60, 10, 100);
        slot->enabled = 1;
        model.AddSlot(std::move(slot));
    }
    LimitSlotsByPolyphony(model, FormatOf(20));
    KeepFirstSlots(model, FormatOf(20));
    EXPECT_EQ(model.CountEnabledSlots(), 3);
}

TEST_F(RingtoneDrivers, PolyphonyLimitSkipsSlotsThatDoNotFit) {
    // Needs 3, 2 (drums: distinct notes), 2 against four voices: the first
    // fits, the drums do not, the third still fits... not past four.
    MultiMobileTrackData model;
    auto add = [&](int number, int kind, std::vector<int> keys) {
        auto slot = std::make_unique<MobileChanelData>(number, kind, 0);
        for (int k : keys)
            slot->AppendNote(0, k, 10, 100);
        slot->enabled = 1;
        model.AddSlot(std::move(slot));
    };
    add(0, MobileChanelData::kKindMelodic, {60, 64, 67});
    add(9, MobileChanelData::kKindDrum, {36, 38});
    add(1, MobileChanelData::kKindMelodic, {48});
    LimitSlotsByPolyphony(model, FormatOf(7));  // four voices
    EXPECT_EQ(model.Slot(0)->enabled, 1);
    EXPECT_EQ(model.Slot(1)->enabled, 0);
    EXPECT_EQ(model.Slot(2)->enabled, 1);
}

TEST_F(RingtoneDrivers, ScriptedChoicesAreWhatTheFileCarries) {
    AppSettings.ShowCopyright = 1;
    std::strcpy(AppSettings.UserName, "ZAW User");
    std::vector<Note> notes = Melody(0, 8);
    for (const Note& n : Melody(1, 8, 48))
        notes.push_back(n);
    for (const Note& n : Melody(2, 8, 72))
        notes.push_back(n);
    auto dialogs = std::make_shared<ScriptedDialogs>();
    ChannelChoice seen;
    dialogs->channels = [&](const ChannelChoice& c) {
        seen = c;
        // Drop the second slot; the first becomes program 40 at volume 90.
        c.model->Slot(1)->enabled = 0;
        c.model->Slot(0)->SetControlValue(mobile_code::kProgram, 40);
        c.model->Slot(0)->SetControlValue(mobile_code::kVolume, 90);
        const long long m = c.model->GetMeasureTicks();
        return ChannelRange{true, 2 * m, 4 * m};  // measures 3 and 4
    };
    dialogs->copyright = [&](MobileData& m) {
        std::string user = AppSettings.UserName;
        ConfirmCopyright(m, "Song", "Typed", user);
        return true;
    };
    SetConversionDialogs(dialogs);
    const std::string in = Input(HandSong(notes));
    ASSERT_EQ(ConvertToMfi(driver_rows::Row(Converter::Mfi, 4, 3), in, 0), 1);
    EXPECT_EQ(seen.voiceLimit, 16);
    EXPECT_EQ(seen.drumRowsLocked, 0);
    const auto f = Output();
    MFiData mfi(f.data(), static_cast<int>(f.size()), mfi_test::ShownLog());
    ASSERT_NE(mfi.Header(), nullptr);
    EXPECT_TRUE(mfi.Header()->Is("titl", "Song"));
    EXPECT_TRUE(mfi.Header()->Is("copy", "Typed(ZAW User)"));
    MobileData back(static_cast<int>(WorkBufferSize));
    mfi.ToMobileData(back);
    const auto read = mobile_test::ModelNotes(back);
    // Two slots of two measures, eight quarters each, from tick 0.
    ASSERT_EQ(read.size(), 16u);
    EXPECT_EQ(read.front().time, 0);
    EXPECT_LT(read.back().time, 2 * 384);
    std::set<int> programs;
    for (int i = 0; i < back.Count(); ++i)
        if (!mobile_test::SlotNotes(*back.Slot(i)).empty())
            programs.insert(back.Slot(i)->GetControlValue(mobile_code::kProgram));
    EXPECT_TRUE(programs.count(40)) << "the chosen program";
    EXPECT_EQ(dialogs->copyrightRuns, 1);
}

TEST_F(RingtoneDrivers, RefusedDialogsWriteNothing) {
    auto dialogs = std::make_shared<ScriptedDialogs>();
    SetConversionDialogs(dialogs);
    const std::string in = Input(HandSong(Melody(0, 2)));
    EXPECT_EQ(ConvertToMfi(driver_rows::Row(Converter::Mfi, 1, 7), in, 0), 0);
    EXPECT_EQ(ConvertToMa1(driver_rows::Row(Converter::Ma1, -1, 0), in), 0);
    EXPECT_EQ(ConvertToMfm(driver_rows::Row(Converter::Mfm, -1, 20), in, 0), 0);
    // A refused copyright question refuses the conversion too.
    AppSettings.ShowCopyright = 1;
    EXPECT_EQ(ConvertToSmaf(driver_rows::Row(Converter::Smaf, 16, 3), in, 1), 0);
    EXPECT_TRUE(Output().empty());
    EXPECT_EQ(dialogs->channelRuns, 3);
}

TEST_F(RingtoneDrivers, Ma1TakesFourChannelsAtMost) {
    auto dialogs = std::make_shared<ScriptedDialogs>();
    bool enableAll = false;
    dialogs->channels = [&](const ChannelChoice& c) {
        EXPECT_EQ(c.voiceLimit, 4);
        EXPECT_EQ(c.drumRowsLocked, 1);
        if (enableAll)
            for (int i = 0; i < c.model->Count(); ++i)
                c.model->Slot(i)->enabled = 1;
        return ChannelRange{true, 0, 2LL * c.model->GetMeasureTicks()};
    };
    SetConversionDialogs(dialogs);
    std::vector<Note> notes;
    for (int c = 0; c < 5; ++c)
        for (const Note& n : Melody(c, 2, 48 + 5 * c))
            notes.push_back(n);
    const std::string in = Input(HandSong(notes));
    ASSERT_EQ(ConvertToMa1(driver_rows::Row(Converter::Ma1, -1, 0), in), 1);
    EXPECT_EQ(ReadBackNotes("MA-1", Output()).size(), 4u * 8u);
    enableAll = true;
    std::remove(out_.c_str());
    Sink().Clear();
    EXPECT_EQ(ConvertToMa1(driver_rows::Row(Converter::Ma1, -1, 0), in), 0);
    EXPECT_EQ(Count(Sink().Texts(), "Number of channel exceeds MA1 capacity."), 1);
    EXPECT_TRUE(Output().empty());
}

// Whether the bytes end on a character boundary of code page 932.
bool WholeCp932(const std::string& s) {
    std::size_t at = 0;
    while (at < s.size()) {
        const auto c = static_cast<unsigned char>(s[at]);
        at += (c >= 0x81 && c <= 0x9F) || c >= 0xE0 ? 2 : 1;
    }
    return at == s.size();
}

TEST(CopyrightText, MarkAndCutsKeepCharactersWhole) {
    MobileData model(16);
    EXPECT_EQ(OfferedCopyright(model.copyright, "ZAW User"), "ZAW User");
    std::string user = "ZAW User";
    ConfirmCopyright(model, "t", OfferedCopyright(model.copyright, user), user);
    EXPECT_EQ(model.copyright, "ZAW User(ZAW User)");
    EXPECT_EQ(user, "ZAW User");
    ConfirmCopyright(model, "t", "Mine", user);
    EXPECT_EQ(user, "Mine");
    EXPECT_EQ(OfferedCopyright("No Copyright Info", user), "Mine");
    EXPECT_EQ(OfferedCopyright("Theirs", user), "Theirs");
    // Over 245 bytes: cut on a character boundary so the mark fits in 255.
    for (std::size_t n = 240; n < 300; ++n) {
        for (const char* unit : {"a", "\x82\xA0"}) {
            std::string text = std::string(n % 2, 'b');
            while (text.size() < n)
                text += unit;
            ConfirmCopyright(model, text, text, user);
            ASSERT_LE(model.copyright.size(), 255u);
            ASSERT_GE(model.copyright.size(), std::min<std::size_t>(n, 244) + 10);
            ASSERT_EQ(model.copyright.substr(model.copyright.size() - 10), "(ZAW User)");
            const std::string kept = model.copyright.substr(0, model.copyright.size() - 10);
            ASSERT_EQ(text.compare(0, kept.size(), kept), 0);
            ASSERT_TRUE(WholeCp932(kept)) << n;
            ASSERT_LE(model.title.size(), 255u);
        }
    }
}

}  // namespace
