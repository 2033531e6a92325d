// Composes tunes from ten built-in styles (seeded), opens each as the edited
// tune and checks what the edit panels promise over all of them: octave
// doubling set and removed gives the same bytes on a melody of one note at
// a time; copy and paste onto the same selection changes no note; a harmony
// delay set and removed changes nothing but the harmony's pans; after
// "Delete Dissonant" every melody note of a section with a chord is a tone
// of that chord and "N/C" sections are untouched; after the melody is
// composed again, the sections that had one melody hold one melody, no note
// starts past its section, the melody keeps one note at a time and keys stay
// in 0..127; scale masks hold seven '9' and five '3'. Each result is kept as
// "edit_<n>.mid" in the folder given, for mido to read.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "accomp/backing_generators.h"
#include "compose/chord_buffer.h"
#include "compose/chord_record.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "platform/message_sink.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/panel_edits.h"
#include "tuneedit/tune_edits.h"
#include "tests/support/compose_folder.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& tune, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "%s: %s\n", tune.c_str(), what);
    ++g_failures;
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::vector<std::uint8_t> data(WorkBufferSize);
    std::size_t n = 0;
    if (!ReadWholeFile(path, data.data(), &n, data.size())) n = 0;
    data.resize(n);
    return data;
}

EditedTune& Tune() {
    return CurrentEditObject()->Tune();
}

using NoteKey = std::tuple<int, long long, int, int, int, int>;

// Every note of every track: (track, start, key, length, velocity, channel).
std::vector<NoteKey> AllNotes() {
    std::vector<NoteKey> notes;
    for (int t = 0; t < Tune().TrackCount(); ++t) {
        long long time = 0;
        for (const MidiEvent* e : Tune().Track(t)->Events()) {
            time += e->delta;
            if (e->IsNoteWithLength())
                notes.emplace_back(t, time, e->note, e->length, e->velocity, e->channel);
        }
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

// (start, key) of the melody's notes starting in [begin, end), times from begin.
std::vector<std::pair<long long, int>> MelodyIn(long long begin, long long end) {
    std::vector<std::pair<long long, int>> out;
    const int melody = Tune().FindTrackByChannel(kEditMelodyChannel);
    if (melody < 0) return out;
    long long time = 0;
    for (const MidiEvent* e : Tune().Track(melody)->Events()) {
        time += e->delta;
        if (e->IsNoteWithLength() && time >= begin && time < end)
            out.emplace_back(time - begin, e->note);
    }
    return out;
}

// Pitch classes of the chord a code spells.
std::vector<int> TonesOf(std::string_view code) {
    const int r = RootLetterToPitchClass(code[0]);
    std::vector<int> tones = {r};
    const std::map<char, int> third = {{'M', 4}, {'m', 3}, {'4', 5}};
    const std::map<char, int> fifth = {{'P', 7}, {'d', 6}, {'A', 8}};
    const std::map<char, int> seventh = {{'S', 11}, {'s', 10}, {'6', 9}, {'9', 2}};
    if (third.count(code[1])) tones.push_back((r + third.at(code[1])) % 12);
    if (fifth.count(code[2])) tones.push_back((r + fifth.at(code[2])) % 12);
    if (seventh.count(code[3])) tones.push_back((r + seventh.at(code[3])) % 12);
    return tones;
}

void CheckOctaveRoundTrip(const std::string& path, const std::string& name) {
    const int melody = Tune().FindTrackByChannel(kEditMelodyChannel);
    if (melody < 0 || Tune().Track(melody)->GetMaxChordSize() > 1) return;
    Tune().SaveAndReload(path);
    const auto before = Bytes(path);
    ToggleOctave();
    Check(Tune().Track(melody)->GetMaxChordSize() == 2, name, "octave doubling made no pairs");
    ToggleOctave();
    Tune().SaveAndReload(path);
    Check(Bytes(path) == before, name, "octave set and removed changed the bytes");
}

void CheckCopyPaste(std::mt19937& random, const std::string& name) {
    // The melody delay goes first: the paste would ask for it.
    for (int t = Tune().FindTrackByChannel(kEditMelodyDelayChannel); t >= 0;
         t = Tune().FindTrackByChannel(kEditMelodyDelayChannel))
        DeleteEditTrack(*CurrentEditObject(), t);
    const int steps = std::max(1, ChordStepCount);
    const int a = static_cast<int>(random() % static_cast<unsigned>(steps));
    const int b = std::min(steps - 1, a + static_cast<int>(random() % 16));
    const SectionRange range = LocateSelection(a, b);
    const auto before = AllNotes();
    if (CopyMelody(range)) PasteMelody(range);
    const auto after = AllNotes();
    Check(after == before, name, "copy and paste onto the selection changed notes");
}

// Every event of both tunes equal, the harmony track's pan values aside.
bool SameButHarmonyPans(const MidiF1Data& a, const MidiF1Data& b, int harmony) {
    if (a.TrackCount() != b.TrackCount()) return false;
    for (int t = 0; t < a.TrackCount(); ++t) {
        const auto x = a.Track(t)->Events();
        const auto y = b.Track(t)->Events();
        if (x.size() != y.size()) return false;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const bool pan =
                t == harmony && x[i]->kind == event_kind::kControlChange && x[i]->subtype == 10;
            if (pan ? (y[i]->kind != x[i]->kind || y[i]->subtype != 10 ||
                       y[i]->delta != x[i]->delta)
                    : !x[i]->IsEqual(*y[i]))
                return false;
        }
    }
    return true;
}

void CheckHarmonyDelay(const std::string& path, const std::string& name) {
    const int existing = Tune().FindTrackByChannel(kEditHarmonyDelayChannel);
    if (existing >= 0) DeleteEditTrack(*CurrentEditObject(), existing);
    const int harmony = Tune().FindTrackByChannel(kEditHarmonyChannel);
    if (harmony < 0) return;
    if (WorkingStyle.mix[kPartHarmony].delay == 0) WorkingStyle.mix[kPartHarmony].delay = 8;
    Tune().SaveAndReload(path);
    MidiF1Data before(path, static_cast<int>(WorkBufferSize));
    Check(MakeHarmonyDelayTrack() == 1, name, "no harmony delay track was made");
    ToggleHarmonyDelay();
    Check(Tune().FindTrackByChannel(kEditHarmonyDelayChannel) < 0, name, "the delay stayed");
    MidiF1Data after(path, static_cast<int>(WorkBufferSize));
    Check(SameButHarmonyPans(before, after, harmony), name,
          "delay set and removed changed more than pans");
}

void CheckDissonant(const std::string& name) {
    EditedTune& tune = Tune();
    std::vector<std::vector<std::pair<long long, int>>> before;
    for (int s = 0; s < tune.SectionCount(); ++s)
        before.push_back(MelodyIn(tune.SectionStart(s), tune.SectionEnd(s)));
    DeleteDissonantNotes({0, tune.SectionCount()});
    for (int s = 0; s < tune.SectionCount(); ++s) {
        const auto notes = MelodyIn(tune.SectionStart(s), tune.SectionEnd(s));
        if (tune.MarkerText(s) == "N/C") {
            Check(notes == before[static_cast<std::size_t>(s)], name, "an N/C section changed");
            continue;
        }
        const auto tones = TonesOf(tune.SectionCode(s));
        for (const auto& [time, key] : notes)
            Check(std::find(tones.begin(), tones.end(), key % 12) != tones.end() && key <= 127,
                  name, "a melody note is off its chord");
    }
}

void CheckRecompose(const std::string& name) {
    EditedTune& tune = Tune();
    const int melody = tune.FindTrackByChannel(kEditMelodyChannel);
    if (melody < 0) return;
    const bool mono = tune.Track(melody)->GetMaxChordSize() <= 1;
    std::vector<std::vector<int>> groups;
    for (int s = 0; s + 1 < tune.SectionCount(); ++s) {
        std::vector<int> same;
        if (tune.FindSameSections(melody, s, same) > 1) groups.push_back(same);
    }
    Check(RecomposeAllSections() == 1, name, "the recomposition failed");
    EditedTune& now = Tune();
    for (const auto& group : groups) {
        const auto first = MelodyIn(now.SectionStart(group[0]), now.SectionEnd(group[0]));
        for (int j : group) {
            Check(MelodyIn(now.SectionStart(j), now.SectionEnd(j)) == first, name,
                  "sections of one melody differ after the recomposition");
        }
    }
    const auto all = MelodyIn(0, now.SectionEnd(now.SectionCount() - 1) + 1);
    Check(all.size() == MelodyIn(0, 1LL << 40).size(), name, "a note starts past the tune");
    for (const auto& [time, key] : all)
        Check(key >= 0 && key <= 127, name, "a key left 0..127");
    const int track = now.FindTrackByChannel(kEditMelodyChannel);
    if (mono)
        Check(now.Track(track)->GetMaxChordSize() <= 1, name, "the melody is no longer monophonic");
    Check(now.CheckNoteKeys() + now.CheckTracks() == 0, name, "the checks report faults");
}

void CheckScaleMask(const std::string& name) {
    Tune().BuildScaleMaskFromTune();
    const std::string mask(TuneScaleMask.text, 16);
    Check(mask.substr(0, 4) == "xxxx" && std::count(mask.begin(), mask.end(), '9') == 7 &&
              std::count(mask.begin(), mask.end(), '3') == 5,
          name, "the scale mask is not seven 9s and five 3s");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = testing_support::ComposeFolderFromArguments(argc, argv, kPanelModeEdit);
    if (folder.empty()) return 2;
    // Questions are answered OK and no box is shown.
    platform::SetMessageSink(std::make_shared<platform::RecordingMessageSink>());
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    int written = 0;
    for (int category = 0; category < kStyleCategories && written < 10; ++category) {
        for (int slot = 1; slot < kStyleSlots && written < 10; slot += 5) {
            auto style = std::make_unique<MusicStyle>();
            if (!BuildPresetStyle(category, slot, *style)) continue;
            SetWorkingStyle(*style);
            WorkingStyle.adjustToChordTone = 0;
            const int seed = category * 100 + slot + 7;
            SeedRandomWith(seed);
            ResetComposerState();
            std::size_t length = 0;
            if (ComposeOneTune(buffer.data(), &length) != 1) return 1;
            const std::string name = "edit_" + std::to_string(written) + ".mid";
            const std::string path = folder + name;
            if (std::rename((folder + "temp.mid").c_str(), path.c_str()) != 0) return 1;
            OpenCurrentEditObject(path);
            BuildChordListsFromEditTune(Tune());
            std::mt19937 random(static_cast<unsigned>(seed));
            CheckScaleMask(name);
            CheckOctaveRoundTrip(path, name);
            CheckCopyPaste(random, name);
            CheckHarmonyDelay(path, name);
            CheckDissonant(name);
            CheckRecompose(name);
            Tune().SaveAndReload(path);
            SetCurrentEditObject(nullptr);
            ++written;
        }
    }
    std::printf("%d tunes edited, %d faults\n", written, g_failures);
    return written == 10 && g_failures == 0 ? 0 : 1;
}
