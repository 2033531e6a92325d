// Invariants of the ringtone model over the MIDI fuzz seeds that load, over
// tunes of the real composer as format-0 and format-1 files and over random
// tunes of several tracks, drums included.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "convert/mobile_data.h"
#include "convert/mobile_track_data.h"
#include "convert/multi_mobile_track_data.h"
#include "midi/file_loader.h"
#include "tests/convert/composed_tunes.h"
#include "tests/convert/mobile_test_util.h"
#include "tests/support/test_support.h"

using namespace mobile_test;

namespace {

struct Song {
    std::string name;
    std::unique_ptr<MidiFileLoader> loader;  // holds the corpus songs
    std::unique_ptr<MidiF1Data> own;
    const MidiF1Data* tune = nullptr;
};

// Keeps the song when its bytes load as a tune of notes with lengths.
void AddLoadedSong(std::vector<Song>& songs, std::string name,
                   const std::vector<std::uint8_t>& bytes) {
    Song song{std::move(name), std::make_unique<MidiFileLoader>(), nullptr};
    song.loader->LoadImage(bytes.data(), bytes.size());
    const MidiF1Data* tune = song.loader->Tune1();
    if (song.loader->FileLength() == 0 || !tune || tune->noteMode != note_mode::kLength ||
        tune->TrackCount() == 0)
        return;
    song.tune = tune;
    songs.push_back(std::move(song));
}

void AddCorpusSongs(std::vector<Song>& songs) {
    std::filesystem::path dir = std::filesystem::path(ZAW_RES_DIR) / ".." / "fuzz" / "corpus" /
                                "smf_loader";
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        AddLoadedSong(songs, entry.path().filename().string(),
                      composed_tunes::ReadBytes(entry.path().string()));
}

void AddComposedSongs(std::vector<Song>& songs) {
    const auto tunes = composed_tunes::Compose(testing_support::ScratchDir());
    EXPECT_GE(tunes.size(), 8u);
    for (const auto& tune : tunes) {
        const std::size_t before = songs.size();
        AddLoadedSong(songs, tune.name, tune.bytes);
        EXPECT_EQ(songs.size(), before + 1) << tune.name << " did not load";
    }
}

// Tracks of random notes (no two of one key overlapping on a channel),
// programs, bends and tempo changes.
std::unique_ptr<MidiF1Data> RandomSong(unsigned seed) {
    std::mt19937 random(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    auto song = std::make_unique<MidiF1Data>(seed % 2 ? 96 : 480);
    int tracks = pick(1, 7);
    for (int t = 0; t < tracks; ++t) {
        int channel = t == 0 ? 9 : pick(0, 15);
        std::vector<NoteSpec> notes;
        std::map<int, long long> freeAt;
        for (int n = pick(0, 60); n > 0; --n) {
            long long time = pick(0, 40) * 24 + pick(0, 1) * pick(0, 23);
            int key = channel == 9 ? pick(20, 95) : pick(30, 90);
            int length = pick(0, 5) == 0 ? 0 : pick(1, 400);
            if (channel != 9 && freeAt.count(key) && time < freeAt[key] + 400) continue;
            freeAt[key] = time;
            notes.push_back({time, key, length});
        }
        MidiF1TrackData* track = AddTrack(*song, channel, notes, pick(-1, 20));
        for (int k = pick(0, 3); k > 0; --k) {
            auto* tempo = new MidiEvent(0);
            tempo->SetTempo(pick(200000, 900000));
            track->InsertEventAtTime(pick(0, 1000), tempo, 1);
            auto* bend = new MidiEvent(0);
            bend->kind = event_kind::kPitchBend;
            bend->channel = channel;
            bend->value = pick(0, 127);
            bend->note = pick(0, 127);
            track->InsertEventAtTime(pick(0, 1000), bend, 1);
        }
    }
    return song;
}

std::vector<Song>& Songs() {
    static std::vector<Song> songs = [] {
        std::vector<Song> out;
        AddCorpusSongs(out);
        AddComposedSongs(out);
        for (unsigned seed = 1; seed <= 40; ++seed) {
            Song s{"random " + std::to_string(seed), nullptr, RandomSong(seed)};
            s.tune = s.own.get();
            out.push_back(std::move(s));
        }
        return out;
    }();
    return songs;
}

// The notes a track should leave in the model: those of non-zero length,
// drum notes clamped and cut where the same drum note sounds again.
std::vector<TimedNote> ExpectedNotes(const MidiF1TrackData& track, bool clamp, bool drum) {
    std::vector<TimedNote> notes;
    long long t = 0;
    for (const MidiEvent* e : track.Events()) {
        t += e->delta;
        if (!e->IsNoteWithLength()) continue;
        int key = clamp ? std::clamp(e->note, 35, 81) : e->note;
        notes.push_back({t, key, e->velocity, e->length});
    }
    if (drum) {
        for (std::size_t i = 0; i < notes.size(); ++i) {
            for (std::size_t j = i + 1; j < notes.size(); ++j) {
                if (notes[j].pitch != notes[i].pitch) continue;
                long long gap = notes[j].time - notes[i].time;
                if (gap < notes[i].length) notes[i].length = static_cast<int>(gap);
                break;
            }
        }
    }
    std::erase_if(notes, [](const TimedNote& n) { return n.length <= 0; });
    std::sort(notes.begin(), notes.end());
    return notes;
}

bool Overlaps(const std::vector<TimedNote>& sortedNotes) {
    for (std::size_t i = 1; i < sortedNotes.size(); ++i)
        if (sortedNotes[i].time < sortedNotes[i - 1].time + sortedNotes[i - 1].length) return true;
    return false;
}

}  // namespace

TEST(MobileDataInvariants, TheBuildKeepsEveryNoteAndTempo) {
    ASSERT_GE(Songs().size(), 42u);
    for (const Song& s : Songs()) {
        const MidiF1Data& tune = *s.tune;
        for (int t = 0; t < tune.TrackCount(); ++t) {
            const MidiF1TrackData* track = tune.Track(t);
            MidiF1Data alone(&track, 1, tune.division);
            MobileData model(alone, 0x60000);
            EXPECT_EQ(ModelNotes(model),
                      ExpectedNotes(*track, alone.IsDrumTrack(0) != 0, track->GetFirstChannel() == 9))
                << s.name << " track " << t;
        }
        MobileData model(*s.tune, 0x60000);
        std::vector<std::pair<long long, int>> tempos;
        tune.CollectTempos(tempos);
        std::sort(tempos.begin(), tempos.end());
        for (int i = 0; i < model.Count(); ++i) {
            const MobileChanelData& slot = *model.Slot(i);
            if (slot.kind == MobileChanelData::kKindMelodic) {
                EXPECT_FALSE(Overlaps(SlotNotes(slot))) << s.name << " slot " << i;
            }
            auto inSlot = SlotControls(slot, mobile_code::kTempo);
            std::sort(inSlot.begin(), inSlot.end());
            EXPECT_EQ(inSlot, tempos) << s.name << " slot " << i;
        }
    }
}

TEST(MobileDataInvariants, TheTuneFormBuildsTheSameNotesAgain) {
    int checked = 0;
    for (const Song& s : Songs()) {
        MobileData model(*s.tune, 0x60000);
        bool fits = model.Count() <= 16 && (model.CountDrumSlots() > 0 || model.Count() <= 15);
        if (!fits) continue;
        MidiF1Data tune(96);
        model.ToMidiF1Data(tune);
        for (int t = 0; t < tune.TrackCount(); ++t) {
            int channel = tune.Track(t)->GetFirstChannel();
            EXPECT_TRUE(channel == kNoChannel || (channel >= 0 && channel < 16)) << s.name;
        }
        MobileData again(tune, 0x60000);
        EXPECT_EQ(ModelNotes(again), ModelNotes(model)) << s.name;
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

TEST(MobileDataInvariants, RescaledTimesNeverDrift) {
    for (const Song& s : Songs()) {
        MobileData model(*s.tune, 0x60000);
        std::vector<const MobileChanelData*> slots;
        for (int i = 0; i < model.Count() && i < 16; ++i)
            slots.push_back(model.Slot(i));
        for (auto [from, to] : {std::pair{96, 48}, {480, 96}, {7, 3}, {3, 7}}) {
            MobileTrackData track(slots.data(), static_cast<int>(slots.size()), 0, false);
            std::vector<long long> before;
            for (int i = 0; i < track.Count(); ++i)
                before.push_back(track.TimeOf(i));
            track.RescaleTimes(from, to);
            long long t = 0;
            for (int i = 0; i < track.Count(); ++i) {
                t += track.Event(i)->delta;
                ASSERT_EQ(t, to * before[static_cast<std::size_t>(i)] / from) << s.name << " " << i;
            }
        }
    }
}

TEST(MobileDataInvariants, VoiceCountIsTheMostNotesSoundingAtOnce) {
    for (const Song& s : Songs()) {
        // As the drivers do, drum notes struck again while sounding are cut
        // first: a key sounds once however often it is struck.
        std::vector<const MidiF1TrackData*> tracks;
        for (int t = 0; t < s.tune->TrackCount(); ++t)
            tracks.push_back(s.tune->Track(t));
        MidiF1Data trimmed(tracks.data(), s.tune->TrackCount(), s.tune->division);
        trimmed.TrimDrumNoteOverlaps();
        MultiMobileTrackData model(trimmed);
        if (model.CountEnabledSlots() > 16) continue;
        // Slots after the first of a channel are not played.
        std::vector<std::pair<long long, int>> edges;
        bool used[16] = {};
        for (int i = 0; i < model.Count(); ++i) {
            const MobileChanelData& slot = *model.Slot(i);
            int channel = slot.kind == MobileChanelData::kKindDrum ? 9 : slot.number;
            if (used[channel]) continue;
            used[channel] = true;
            for (const TimedNote& n : SlotNotes(slot)) {
                edges.emplace_back(n.time, 1);
                edges.emplace_back(n.time + n.length, -1);
            }
        }
        std::sort(edges.begin(), edges.end());
        int sounding = 0;
        int most = 0;
        for (auto [time, step] : edges) {
            sounding += step;
            most = std::max(most, sounding);
        }
        EXPECT_EQ(model.GetVoiceCount(), most) << s.name;
    }
}

TEST(MobileDataInvariants, MonophonyAndEnabledLimitsHold) {
    for (const Song& s : Songs()) {
        MobileData model(*s.tune, 0x60000);
        model.MakeSlotsMonophonic();
        auto before = ModelNotes(model);
        for (int i = 0; i < model.Count(); ++i)
            EXPECT_FALSE(Overlaps(SlotNotes(*model.Slot(i)))) << s.name << " slot " << i;
        for (int n : {0, 1, 3, 16}) {
            for (int dropDrums : {0, 1}) {
                MobileData copy(model, 0x60000);
                copy.KeepFirstEnabledSlots(n, dropDrums);
                EXPECT_LE(copy.CountEnabledSlots(), n) << s.name;
                for (int i = 0; dropDrums && i < copy.Count(); ++i)
                    if (copy.Slot(i)->kind == MobileChanelData::kKindDrum) {
                        EXPECT_EQ(copy.Slot(i)->enabled, 0);
                    }
                EXPECT_EQ(ModelNotes(copy), before);
            }
        }
    }
}
