// The environmental-sound part: applause at the start and the end, the sea
// in waves every 384 ticks, bird calls over the chords.
#include <algorithm>
#include <climits>

#include "accomp/harmony_track.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kWave = 384;

// Notes at absolute times on the environment channel; a length below 1 or a
// time before the last note writes nothing.
class TimedWriter {
public:
    explicit TimedWriter(ComposeTrackData& track) : track_(track) {}
    void Note(long long time, int pitch, int velocity, int length) {
        if (length < 1 || time < last_ || time - last_ > INT_MAX) return;
        track_.AddNoteEvent(kEnvironmentChannel, static_cast<int>(time - last_), pitch, velocity,
                            length);
        last_ = time;
    }

private:
    ComposeTrackData& track_;
    long long last_ = 0;
};

// The deltas of the set-up events, set to 0; returns their sum.
long long TakeLeadIn(ComposeTrackData& track) {
    long long sum = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        MidiEvent* e = track.Event(i);
        sum += std::max(e->delta, 0);
        e->delta = 0;
    }
    return sum;
}

// The chords with a length.
std::vector<const ChordRecord*> Playable(ChordList chords) {
    std::vector<const ChordRecord*> out;
    for (const ChordRecord* c : chords)
        if (c && c->length > 0) out.push_back(c);
    return out;
}

int ApplauseRoot(const ChordRecord& c) {
    return c.root > 11 ? c.root : 60;
}

}  // namespace

void GenerateEnvironmentSound(ComposeTrackData& track, ChordList chords) {
    switch (WorkingStyle.voice[kPartEnvironment]) {
        case kSeashore:
            EnvironmentSeashore(track, chords);
            break;
        case kBirdTweet:
            EnvironmentBirdTweet(track, chords);
            break;
        case kApplause:
            EnvironmentApplause(track, chords);
            break;
        default:
            ShowErrorMessage(kEnvironmentInstrumentError);
            break;
    }
}

void EnvironmentApplause(ComposeTrackData& track, ChordList chords) {
    const std::vector<const ChordRecord*> list = Playable(chords);
    const long long leadIn = TakeLeadIn(track);
    if (list.empty()) return;
    TimedWriter out(track);
    const int r = ApplauseRoot(*list.front());
    out.Note(0, r + 11, 34, 96);
    out.Note(96, r + 12, 74, 472);
    if (list.size() < 2) return;
    long long sum = leadIn;
    for (std::size_t i = 0; i + 1 < list.size(); ++i)
        sum += list[i]->length;
    const ChordRecord& last = *list.back();
    out.Note(96 + sum, ApplauseRoot(last) + 12, 74, last.length - 8);
}

void EnvironmentSeashore(ComposeTrackData& track, ChordList chords) {
    const std::vector<const ChordRecord*> list = Playable(chords);
    const long long leadIn = TakeLeadIn(track);
    if (list.empty()) return;
    TimedWriter out(track);
    long long budget = -leadIn;
    long long next = 0;  // time of the next wave
    bool any = false;
    auto wave = [&](const ChordRecord& c) {
        const int velocity = RandomInRange(1, 2) == 1 ? 0 : 64;
        out.Note(next, c.root + 12, velocity, kWave - 1);
        next += kWave;
        budget += kWave;
        any = true;
    };
    for (const ChordRecord* c : list) {
        if (budget <= 0) wave(*c);
        budget -= c->length;
        // A chord longer than a wave keeps the sea going to its end.
        while (c->length > kWave && budget < 0)
            wave(*c);
    }
    if (!any) next = 0;
    out.Note(next, 72, 64, kWave - 1);
    out.Note(next + kWave, 72, 64, kWave - 1);
}

void EnvironmentBirdTweet(ComposeTrackData& track, ChordList chords) {
    const std::vector<const ChordRecord*> list = Playable(chords);
    const long long leadIn = TakeLeadIn(track);
    if (list.empty()) return;
    TimedWriter out(track);
    const ChordRecord& first = *list.front();
    out.Note(0, first.root - 12, 54, first.length - 8);
    long long t = leadIn + first.length;
    for (std::size_t i = 1; i < list.size(); ++i) {
        const ChordRecord& c = *list[i];
        bool call = RandomInRange(1, 2) == 1;
        if (call && c.length <= 192) call = RandomInRange(1, 2) == 1;
        if (call) {
            out.Note(t, c.root - 12 * RandomInRange(1, 2), 64, c.length - 8);
        } else {
            out.Note(t, 0, 0, c.length - 8);
        }
        t += c.length;
    }
    out.Note(t, 72, 64, kWave - 1);
}

void BuildEnvironmentTrack(int& count, std::vector<ComposeTrackData*>& tracks) {
    const int instrument = WorkingStyle.voice[kPartEnvironment];
    if (instrument == kVoiceNotUsed) return;
    auto* track = new ComposeTrackData(note_mode::kLength, static_cast<int>(WorkBufferSize));
    SetupChannel(*track, kEnvironmentChannel, instrument & 0xFF, WorkingStyle.mix[kPartEnvironment],
                 GetLeadInTicks());
    GenerateEnvironmentSound(*track, ComposeChords());
    PadTrackEnd(*track);
    tracks.push_back(track);
    ++count;
}
