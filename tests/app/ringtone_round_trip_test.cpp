// Every ringtone output type the way the program makes, plays and reads its
// own files: a tune converted through the dispatcher, listened to and read
// back into a MIDI file shows no box, and each channel's notes come back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>

#include "app/convert_actions.h"
#include "app/ringtone_listen.h"
#include "app/shell_seams.h"
#include "compose/chord_analyzer.h"
#include "compose/compose_control.h"
#include "convert/mobile_data.h"
#include "convert/multi_mobile_track_data.h"
#include "convert/output_dispatcher.h"
#include "convert/ringtone_drivers.h"
#include "core/app_utilities.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/settings.h"
#include "midi/file_loader.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "play/music_player.h"
#include "tests/convert/accepting_dialogs.h"
#include "tests/convert/composed_tunes.h"
#include "tests/convert/real_music.h"
#include "tests/convert/smf_builder.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Sink;
using namespace std::chrono_literals;
// Each channel's sorted keys and whether it is the drum channel, sorted: a
// converter may number the melodic channels anew.
using Parts = std::vector<std::pair<bool, std::vector<int>>>;

Parts PartsOf(const std::string& path) {
    MidiFileLoader loader;
    loader.Load(path);
    std::map<int, std::vector<int>> keys;
    const MidiF1Data* tune = loader.Tune1();
    for (int t = 0; tune && t < tune->TrackCount(); ++t)
        for (int i = 0; i < tune->Track(t)->EventCount(); ++i)
            if (const MidiEvent* e = tune->Track(t)->Event(i); e->IsNoteStart()) keys[e->channel].push_back(e->note);
    Parts parts;
    for (auto& [channel, list] : keys) {
        std::sort(list.begin(), list.end());
        parts.emplace_back(channel == 9, list);
    }
    std::sort(parts.begin(), parts.end());
    return parts;
}

void WaitForListenEnd() {
    const auto until = std::chrono::steady_clock::now() + 20s;
    while ((!TheMusicPlayer.idle.load() || PlayingActive.load() != 0) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    platform::ui::RunPosted();
}

// The ringtone types; the renders, the refused types and the plain MIDI
// copies have their own tests.
constexpr int kRingtoneTypes[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 24};
// The four-voice types without drums have the channel choice's own test,
// and a melody mail holds only a short tune.
bool ForShortDrumlessTunes(int type) {
    return type == 7 || type == 9 || type == 10 || type == 11 || type == 12;
}
// What a composed tune's conversion tells: bends the handset does not play,
// and drums MFM has no key for.
bool ComposedNotice(const std::string& box) {
    return box.starts_with("MFTK1F000005 ") || box.starts_with("MFTK1F000007 ") ||
           box.starts_with("FMTK2A000004 ");
}

class RingtoneRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        savedType_ = OutputType.load();
        InitDefaultSettings();
        backend_ = std::make_shared<platform::ui::HeadlessBackend>();
        platform::ui::InstallBackend(backend_);
        folder_ = testing_support::ScratchDir() + "/";
        std::snprintf(AppSettings.WorkFolder, sizeof AppSettings.WorkFolder, "%s", folder_.c_str());
        std::snprintf(AppSettings.OutputFolder, sizeof AppSettings.OutputFolder, "%s", folder_.c_str());
        AppSettings.RingtoneSizeLimit = 1 << 30;
        AppSettings.AdjustVoice = 1;
        AppSettings.PackDrum = 0;
        SetConversionDialogs(std::make_shared<AcceptingDialogs>());
        SetMelodyChannelFinder(TuneMelodyChannel);
    }
    void TearDown() override {
        SetMelodyChannelFinder(nullptr);
        StopRingtoneListen();
        platform::ui::RunPosted();
        platform::ui::InstallBackend(nullptr);
        SetConversionDialogs(nullptr);
        AppSettings = saved_;
        OutputType = savedType_;
    }
    // Converts the file into the type, listens to the result and reads it
    // back; the boxes shown on the way.
    std::vector<std::string> RoundTrip(const std::string& in, int type, Parts* back) {
        LastOutputPath.Set(folder_ + "out." + FormatOf(type).extension);
        OutputType = type;
        Sink().Clear();
        std::string path = in;
        EXPECT_EQ(dispatcher_.ConvertToOutputFormat(path, AppSettings.AdjustVoice, type), 1)
            << type;
        PlayOrStopResult();
        WaitForListenEnd();
        StopRingtoneListen();
        std::string output = LastOutputPath.Get();
        // The MA-1 files have no reader.
        if (type != 8 && ReadRingtoneBack(output)) *back = PartsOf(output);
        return Sink().Texts();
    }

    AppSettingsRecord saved_{};
    int savedType_ = 0;
    std::shared_ptr<platform::ui::HeadlessBackend> backend_;
    std::string folder_;
    OutputDispatcher dispatcher_;
};

}  // namespace

TEST_F(RingtoneRoundTrip, EveryTypeShowsNoBoxAndKeepsEachChannelsNotes) {
    using smf_builder::TrackSpec;
    const TrackSpec c4{0, 60, 16, {100}, "", false, 0};
    const TrackSpec melody{0, 72, 16, {100}, "", false, 1};
    const TrackSpec bass{1, 36, 8, {90}, "", false, 1};
    const TrackSpec inner{2, 55, 8, {80}, "", false, 1};
    const TrackSpec drums{9, 36, 16, {100}, "", false, 1};
    const std::pair<std::string, std::vector<std::uint8_t>> tunes[] = {
        {"C4", smf_builder::Song({c4})},
        {"four channels", smf_builder::Song({melody, bass, inner, drums})},
        {"composed", composed_tunes::Compose(folder_, 1).at(0).bytes}};
    for (const auto& [name, tune] : tunes) {
        const std::string in = folder_ + "in.mid";
        testing_support::WriteFileText(in, std::string(tune.begin(), tune.end()));
        const Parts sent = PartsOf(in);
        for (int type : kRingtoneTypes) {
            if (name != "C4" && ForShortDrumlessTunes(type)) continue;
            Parts back;
            const std::string what = name + " type " + std::to_string(type);
            for (const auto& box : RoundTrip(in, type, &back))
                if (name != "composed" || !ComposedNotice(box))
                    ADD_FAILURE() << what << ": " << box;
            // The MA-1 files are not read back; PMD drums have a test of
            // their own.
            if (type == 8 || name == "composed" || (type == 5 && name != "C4")) continue;
            EXPECT_EQ(back, sent) << what;
        }
    }
}

namespace {

// The keys of every melodic and of every drum note, whatever channels they
// came back on: the single-track types spread a chord over several.
std::pair<std::multiset<int>, std::multiset<int>> KeysByKind(const Parts& parts) {
    std::pair<std::multiset<int>, std::multiset<int>> keys;
    for (const auto& [drum, list] : parts)
        (drum ? keys.second : keys.first).insert(list.begin(), list.end());
    return keys;
}

std::vector<int> SortedKeysOn(const real_music::Tune& tune, int channel) {
    std::vector<int> keys;
    for (const real_music::Placed& n : tune.notes)
        if (n.channel == channel) keys.push_back(n.key);
    std::sort(keys.begin(), keys.end());
    return keys;
}

}  // namespace

// Chords, drums struck together, a sparse melody under busier parts and ten
// drum keys beside three melodic parts, through every type that reads back,
// with the drums packed and not: the multi-track types give every channel
// back as it was; the other sixteen-voice types every melodic and every drum
// note, none of them moved between the two; the four-voice types the melody
// whole, no drums and four parts at most.
TEST_F(RingtoneRoundTrip, RealMusicKeepsItsNotesInEveryType) {
    enum class Keeps { Channels, Notes, Melody };
    const struct {
        int type;
        Keeps keeps;
    } rows[] = {
        {3, Keeps::Notes},     {4, Keeps::Notes},     {5, Keeps::Notes},     {6, Keeps::Notes},
        {7, Keeps::Melody},    {9, Keeps::Melody},    {11, Keeps::Melody},   {13, Keeps::Notes},
        {14, Keeps::Channels}, {15, Keeps::Channels}, {16, Keeps::Channels}, {17, Keeps::Channels},
        {18, Keeps::Channels}, {19, Keeps::Channels}, {20, Keeps::Channels}, {24, Keeps::Channels}};
    for (const real_music::Tune& tune :
         {real_music::ChordWithDrums(), real_music::SparseMelodyUnderBusyParts(),
          real_music::ThreePartsWithTenDrums()}) {
        const std::string in = folder_ + "in.mid";
        const auto bytes = real_music::File(tune);
        testing_support::WriteFileText(in, std::string(bytes.begin(), bytes.end()));
        const Parts sent = PartsOf(in);
        ASSERT_EQ(KeysByKind(sent).first.size() + KeysByKind(sent).second.size(),
                  tune.notes.size());
        for (int pack : {0, 1}) {
            AppSettings.PackDrum = pack;
            for (const auto& row : rows) {
                const std::string what = tune.name + " type " + std::to_string(row.type) +
                                         " pack " + std::to_string(pack);
                Parts back;
                for (const auto& box : RoundTrip(in, row.type, &back))
                    ADD_FAILURE() << what << ": " << box;
                const auto backKeys = KeysByKind(back);
                const auto sentKeys = KeysByKind(sent);
                if (row.keeps == Keeps::Channels) {
                    EXPECT_EQ(back, sent) << what;
                } else if (row.keeps == Keeps::Notes) {
                    // Packing puts the drums on fewer keys, one for one.
                    EXPECT_EQ(backKeys.first, sentKeys.first) << what;
                    EXPECT_EQ(backKeys.second.size(), sentKeys.second.size()) << what;
                    if (pack == 0) {
                        EXPECT_EQ(backKeys.second, sentKeys.second) << what;
                    }
                }
                if (row.keeps != Keeps::Melody) continue;
                EXPECT_LE(back.size(), 4u) << what;
                EXPECT_TRUE(backKeys.second.empty()) << what;
                if (tune.melodyChannel >= 0) {
                    const auto melody =
                        std::make_pair(false, SortedKeysOn(tune, tune.melodyChannel));
                    EXPECT_NE(std::find(back.begin(), back.end(), melody), back.end()) << what;
                }
            }
        }
    }
}

namespace {

// What a listen took up: the model that holds it, its slots and events.
std::string ListenHeld() {
    auto model = [](const char* kind, const MobileData& m) {
        int events = 0;
        for (int s = 0; s < m.Count(); ++s) events += m.EventCount(s);
        return std::string(kind) + " " + std::to_string(m.Count()) + "/" + std::to_string(events);
    };
    if (ListenMultiTrackData) return model("multi", *ListenMultiTrackData);
    if (ListenMobileData) return model("mobile", *ListenMobileData);
    if (ListenMidiData) return "midi";
    return "none";
}

}  // namespace

// The Play action's road for every output type, kept in data/: each type
// plays a file of its own and the same MFi, PMD, multi-track MFi and SMAF
// files,
// so a road or its reading type that changes shows as a changed line.
TEST_F(RingtoneRoundTrip, EveryTypeListensByItsOwnRoad) {
    const std::string in = folder_ + "in.mid";
    const auto song = smf_builder::Song({{0, 60, 8, {100}, "", false, 0}, {9, 36, 8, {100}, "", false, 0}});
    testing_support::WriteFileText(in, std::string(song.begin(), song.end()));
    // Each type's own file; the waves are not rendered here.
    std::map<int, std::string> own;
    for (int type = 0; type <= 28; ++type) {
        if (type == 21 || type == 22 || type == 23 || type >= 25) continue;
        own[type] = folder_ + "own" + std::to_string(type) + "." + FormatOf(type).extension;
        LastOutputPath.Set(own[type]);
        std::string path = in;
        ASSERT_EQ(dispatcher_.ConvertToOutputFormat(path, 1, type), 1) << type;
        // A melody mail is listened to as its MFi file.
        own[type] = LastOutputPath.Get();
    }
    std::string record;
    for (int type = -1; type <= 28; ++type) {
        if (type == 22) continue;  // the wave listen has a test of its own
        std::vector<std::string> files = {own.count(type) ? own[type] : in};
        // The MA-1 listen reads other formats' bytes as whatever they happen
        // to hold: it plays its own file only.
        if (type != 8)
            files.insert(files.end(), {own[3], own[5], own[9], own[13], own[14], own[24], own[4]});
        for (const std::string& file : files) {
            OutputType = type;
            LastOutputPath.Set(file);
            Sink().Clear();
            ResultText.Clear();
            PlayOrStopResult();
            record += std::to_string(type) + "\t" + FileNameOfPath(file) + "\t" + ResultText.Get() + "\t" + ListenHeld();
            for (const auto& box : Sink().Texts()) record += "\t" + box;
            record += "\n";
            // The play stops, and its thread ends, in real time before the
            // listen's objects go: the tests' clock does not wait for it.
            const auto until = std::chrono::steady_clock::now() + 5s;
            const auto waitWhile = [&until](auto busy) {
                while (busy() && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(1ms);
            };
            waitWhile([] { return !TheMusicPlayer.idle.load() && !TheMusicPlayer.IsPlaying(); });
            if (!TheMusicPlayer.idle.load()) TheMusicPlayer.RequestStop();
            waitWhile([] { return !TheMusicPlayer.idle.load(); });
            StopRingtoneListen();
            platform::ui::RunPosted();
        }
    }
    const std::string kept = std::string(ZAW_TEST_DATA_DIR) + "/listen_roads.txt";
    if (std::getenv("ZAW_WRITE_GOLDEN")) testing_support::WriteFileText(kept, record);
    const auto bytes = composed_tunes::ReadBytes(kept);
    const auto lines = [](const std::string& text) {
        std::vector<std::string> list;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            list.push_back(line);
        return list;
    };
    const auto want = lines(std::string(bytes.begin(), bytes.end())), got = lines(record);
    for (std::size_t i = 0; i < std::max(want.size(), got.size()); ++i)
        ASSERT_EQ(i < got.size() ? got[i] : "", i < want.size() ? want[i] : "")
            << "line " << i + 1 << " of data/listen_roads.txt";
}
