// "Chord Input" over an edited tune and the style's chords, driven as a user
// would: the selection played on the recording MIDI device under the real
// clock (ended, stopped, and closed while it plays), the buttons that open
// the edit panels with their checks, Tone and Wizard with the work after
// them, Reset, the chord count the grid can name, and the grid drawn off the
// screen.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "app/chord_input_dialog.h"
#include "app/styleedit/style_wizard_dialog.h"
#include "compose/chord_buffer.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "core/style_edit_guard.h"
#include "core/shell_services.h"
#include "midi/f0_data.h"
#include "platform/clock.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "play/music_player.h"
#include "style/style_table.h"
#include "tests/app/chord_grid_driver.h"
#include "tests/support/test_support.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/edit_object.h"

using namespace platform::ui;
using namespace chord_grid;
using tuneedit_test::SaveTune;

namespace {

class ChordInputTuneTest : public ChordGridTest {
protected:
    void Press(EdCdCust& dialog, int button) {
        const Point p = ButtonCentre(dialog, button);
        backend_->Click(p.x, p.y);
    }
    // Pumps until the predicate fails, at most 10 s.
    bool PumpUntilNot(const std::function<bool()>& busy) {
        for (int i = 0; i < 1000 && busy(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            backend_->Pump();
        }
        return !busy();
    }
};

bool HasText(const std::string& text) {
    for (const std::string& t : testing_support::Sink().Texts())
        if (t.find(text) != std::string::npos) return true;
    return false;
}

// The keys sounded on the recording device since it was last cleared.
std::set<int> KeysHeard() {
    std::set<int> keys;
    using Kind = platform::RecordedMidiMessage::Kind;
    for (const auto& m : testing_support::Midi().Messages(Kind::Short))
        if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0)
            keys.insert(m.bytes[1]);
    return keys;
}

// Two chords of four beats; a melody note on every beat, 60 upwards.
std::string EightBeats() {
    std::vector<tuneedit_test::Note> notes;
    for (int b = 0; b < 8; ++b)
        notes.push_back({1, b * 96, 60 + b, 90});
    return SaveTune("play.mid", {{0, "C"}, {384, "F"}}, notes);
}

// Play of beats 1..2: only their notes sound; the end of the play, posted
// by the play thread, gives "PLAY" back and the song goes; a late end does
// not end the play started after it; a stop; OK while it plays stops it
// and waits before the tune is saved.
TEST_F(ChordInputTuneTest, PlayEndsStopsAndClosesOnTheRealClock) {
    const std::string path = EightBeats();
    OpenCurrentEditObject(path);
    std::shared_ptr<platform::Clock> fake;
    EdCdCust dialog(nullptr, 2);
    backend_->Then([&](HeadlessBackend&) {
        fake = platform::SetClock(std::make_shared<platform::RealClock>());
        testing_support::Midi().Clear();
        Drag(dialog, dialog.GetWindow(), 2, 1);
        Press(dialog, 1);
        EXPECT_EQ(dialog.Button(1).caption, "STOP");
        EXPECT_TRUE(dialog.Playing());
        EXPECT_NE(dialog.PlaySong(), nullptr);
        EXPECT_TRUE(PumpUntilNot([&] { return dialog.Playing(); }));
        EXPECT_EQ(dialog.Button(1).caption, "PLAY");
        EXPECT_EQ(dialog.PlaySong(), nullptr);
        EXPECT_EQ(KeysHeard(), (std::set<int>{61, 62}));

        // A play that ends while the UI thread is busy: its end is posted
        // but not yet run when the user presses Play (taken as a stop) and
        // Play again. The late end belongs to the old play.
        Press(dialog, 1);
        auto ended = [] { return PendingPostCount() > 0 && !TheMusicPlayer.IsPlaying(); };
        for (int i = 0; i < 1000 && !ended(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(ended());
        Press(dialog, 1);
        EXPECT_FALSE(dialog.Playing());
        Press(dialog, 1);
        backend_->Pump();
        EXPECT_TRUE(dialog.Playing());
        EXPECT_NE(dialog.PlaySong(), nullptr);
        EXPECT_EQ(dialog.Button(1).caption, "STOP");
        // Stopped while it plays; then played again and closed.
        Press(dialog, 1);
        EXPECT_FALSE(dialog.Playing());
        EXPECT_EQ(dialog.PlaySong(), nullptr);
        EXPECT_EQ(dialog.Button(1).caption, "PLAY");
        Press(dialog, 1);
        EXPECT_TRUE(dialog.Playing());
        EXPECT_EQ(testing_support::Sink().Count(), 0u);
        Press(dialog, kChordInputOkButton);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_FALSE(dialog.Playing());
    EXPECT_EQ(dialog.PlaySong(), nullptr);
    EXPECT_EQ(TheMusicPlayer.IsPlaying(), 0);
    platform::SetClock(fake);
    EXPECT_EQ(EditObject(path).Tune().SectionCount(), 2);
}

// A tune without chords has nothing to play; Chord and Adjust need a
// selection, Melody takes all beats without one; Del carries the last
// deleted chord on.
TEST_F(ChordInputTuneTest, ButtonsCheckTheirSelection) {
    OpenCurrentEditObject(SaveTune("none.mid", {}, {{1, 0, 60, 96}}));
    {
        EdCdCust dialog(nullptr, 2);
        backend_->Then([&](HeadlessBackend&) {
            Press(dialog, 1);
            EXPECT_TRUE(HasText("There are no data to edit or play."));
            EXPECT_FALSE(dialog.Playing());
            Press(dialog, kChordInputOkButton);
        });
        dialog.DoModal();
    }
    OpenCurrentEditObject(EightBeats());
    EdCdCust dialog(nullptr, 2);
    backend_->Then([&](HeadlessBackend&) {
        testing_support::Sink().Clear();
        Press(dialog, 7);
        EXPECT_TRUE(HasText("Select area for edit with mouse drag!"));
        Press(dialog, 9);
        EXPECT_TRUE(HasText("Area is not specified!"));
        EXPECT_EQ(testing_support::Sink().Count(), 2u);
        Press(dialog, 6);
        EXPECT_EQ(dialog.Selection().start, 0);
        EXPECT_EQ(dialog.Selection().end, 7);
        testing_support::Sink().Clear();
        Press(dialog, 7);
        Press(dialog, 9);
        EXPECT_EQ(testing_support::Sink().Count(), 0u);
        // Del over beats 5..4, which hold the marker "F": the chord goes on
        // at the beat after them.
        Drag(dialog, dialog.GetWindow(), 5, 4);
        Press(dialog, 2);
        const EditedTune& tune = CurrentEditObject()->Tune();
        ASSERT_EQ(tune.SectionCount(), 2);
        EXPECT_EQ(tune.SectionStart(1), 384);
        EXPECT_EQ(tune.MarkerText(1), "F");
        EXPECT_EQ(ChordStepCount, 6);
        EXPECT_TRUE(dialog.Selection().Empty());
        Press(dialog, kChordInputOkButton);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
}

int VolumeOf(const EditedTune& tune, int channel) {
    int volume = -1;
    for (int t = 1; t < tune.TrackCount(); ++t)
        for (const MidiEvent* e : tune.Track(t)->Events())
            if (e->kind == event_kind::kControlChange && e->channel == channel && e->subtype == 7)
                volume = e->value;
    return volume;
}

std::string ThreeChords(bool harmonyDelay) {
    std::vector<tuneedit_test::Note> notes = {{1, 0, 60, 96},    {2, 0, 36, 384},
                                              {3, 0, 48, 384},   {3, 384, 50, 384},
                                              {3, 768, 53, 384}, {1, 1056, 64, 96}};
    if (harmonyDelay) notes.push_back({11, 0, 48, 96});
    return SaveTune("wizard.mid", {{0, "C"}, {384, "G 7"}, {768, "F"}}, notes, 96,
                    {harmonyDelay ? 11 : -1});
}

// Tone: the programs follow the style's instruments, a part not used loses
// its sounding tracks. Wizard: refused under a harmony delay; else every
// section's harmony is made again, a melody value that is no program is
// reported, a harmony not used is silenced, and the tune is saved.
TEST_F(ChordInputTuneTest, ToneAndWizardFollowTheStyle) {
    OpenCurrentEditObject(ThreeChords(true));
    {
        EdCdCust dialog(nullptr, 2);
        backend_->Then([&](HeadlessBackend&) {
            Press(dialog, 10);
            EXPECT_TRUE(HasText("Can not edit if delay is set!"));
            EXPECT_EQ(testing_support::Sink().Count(), 1u);
            Press(dialog, kChordInputOkButton);
        });
        dialog.DoModal();
    }
    const std::string path = ThreeChords(false);
    OpenCurrentEditObject(path);
    EditedTune& tune = CurrentEditObject()->Tune();
    const int harmony = tune.FindTrackByChannel(3);
    const int before = tune.Track(harmony)->EventCount();
    WorkingStyle.voice[kPartMelody] = 40;
    WorkingStyle.voice[kPartBass] = kVoiceNotUsed;
    WorkingStyle.voice[kPartHarmony] = 10;
    WorkingStyle.harmonyPattern = 1;
    WorkingStyle.density[kPartHarmony] = 100;
    WorkingStyle.octave[kPartHarmony] = 0;
    EdCdCust dialog(nullptr, 2);
    backend_->Then([&](HeadlessBackend&) {
        testing_support::Sink().Clear();
        // The hub Tone opens is closed at once with OK.
        backend_->Then([](HeadlessBackend& c) { c.Click(540, 410); });
        Press(dialog, 8);
        EXPECT_EQ(backend_->ModalStarvations(), 0);
        EXPECT_EQ(tune.GetChannelProgram(1), 40);
        EXPECT_EQ(tune.GetChannelProgram(3), 10);
        EXPECT_EQ(tune.FindTrackByChannel(2), -1);

        WorkingStyle.voice[kPartMelody] = 300;
        WorkingStyle.voice[kPartHarmony] = kVoiceNotUsed;
        // The wizard's three pages are passed with OK; its solver here keeps
        // the style as set above.
        int solves = 0;
        SetStyleWizardSolver([&] { ++solves; });
        backend_->Then([&](HeadlessBackend& p1) {
            EXPECT_EQ(p1.TopWindow()->Title(), "Style Wizard");
            backend_->Then([&](HeadlessBackend& p2) {
                backend_->Then([](HeadlessBackend& p3) { p3.Key(Key::Enter); });
                p2.Key(Key::Enter);
            });
            p1.Key(Key::Enter);
        });
        Press(dialog, 10);
        SetStyleWizardSolver(nullptr);
        EXPECT_EQ(solves, 1);
        EXPECT_EQ(backend_->ModalStarvations(), 0);
        EXPECT_TRUE(HasText("You must select instrument for melody!"));
        EXPECT_EQ(testing_support::Sink().Count(), 1u);
        Press(dialog, kChordInputOkButton);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(WorkingStyle.voice[kPartMelody], 40);
    EXPECT_EQ(WorkingStyle.voice[kPartHarmony], 10);
    EditObject saved(path);
    const EditedTune& back = saved.Tune();
    EXPECT_EQ(VolumeOf(back, 3), 0);
    EXPECT_EQ(back.GetChannelProgram(1), 40);
    EXPECT_NE(back.Track(back.FindTrackByChannel(3))->EventCount(), before);
    // Every section has harmony notes again.
    std::vector<int> perSection(3, 0);
    long long tick = 0;
    for (const MidiEvent* e : back.Track(back.FindTrackByChannel(3))->Events()) {
        tick += e->delta;
        if (e->IsNoteWithLength() && tick < 1152)
            ++perSection[static_cast<std::size_t>(tick / 384)];
    }
    for (int n : perSection)
        EXPECT_GT(n, 0);
    EXPECT_EQ(back.CheckNoteKeys() + back.CheckTracks(), 0);
}

// Tone on an edited tune opens the hub as "Tone Definition" with the
// extended-instrument check: the editor regions and "Operation" do nothing,
// two extended voices give two boxes and keep it open; once mended, OK
// closes it and the tune takes the voices.
TEST_F(ChordInputTuneTest, ToneOpensToneDefinition) {
    OpenCurrentEditObject(ThreeChords(false));
    WorkingStyle.voice[kPartMelody] = 40;
    EdCdCust dialog(nullptr, 2);
    backend_->Then([&](HeadlessBackend& b) {
        testing_support::Sink().Clear();
        b.Then([&](HeadlessBackend& c) {
            Window* hub = c.TopWindow();
            EXPECT_EQ(hub->Title(), "Tone Definition");
            // No timed compose run may replace the style under the hub.
            EXPECT_TRUE(StyleEditHeld());
            const MusicStyle before = WorkingStyle;
            // Tune, Melody, Harmony, Rhythm and Operation.
            for (Point p : {Point{99, 314}, Point{250, 314}, Point{398, 314}, Point{549, 314},
                            Point{261, 411}}) {
                c.Click(p.x, p.y);
                EXPECT_EQ(c.TopWindow(), hub);
            }
            EXPECT_EQ(std::memcmp(&before, &WorkingStyle, sizeof before), 0);
            WorkingStyle.voice[kPartMelody] = 129;
            WorkingStyle.voice[kPartEnvironment] = 150;
            c.Click(540, 410);
            EXPECT_EQ(testing_support::Sink().Count(), 2u);
            EXPECT_EQ(c.TopWindow(), hub);
            WorkingStyle.voice[kPartMelody] = 41;
            WorkingStyle.voice[kPartEnvironment] = kVoiceNotUsed;
            c.Click(540, 410);
        });
        Press(dialog, 8);
        EXPECT_EQ(backend_->DeepestModal(), 2);
        EXPECT_EQ(CurrentEditObject()->Tune().GetChannelProgram(1), 41);
        EXPECT_FALSE(StyleEditHeld());
        Press(dialog, kChordInputOkButton);
    });
    dialog.DoModal();
    EXPECT_EQ(HasText("Do not select extended instrument!"), true);
}

// Reset makes the style's chords again from its tune length in bars of its
// metre (3/4 here: 20 bars of 288 ticks, 60 beats), scrolled back to the
// start; OK counts bars of three beats.
TEST_F(ChordInputTuneTest, ResetRebuildsTheStyleChordsInItsMetre) {
    WorkingStyle.timeSignature = 1;
    WorkingStyle.tuneLength = 20;
    FillStyleBars(22, 288);
    EdCdCust dialog(nullptr, 1);
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_EQ(ChordStepCount, 66);
        d.Scroll(kChordInputScrollBar, 2);
        EXPECT_EQ(dialog.ScrollRow(), 2);
        Press(dialog, 3);
        EXPECT_EQ(ChordStepCount, 60);
        EXPECT_EQ(dialog.ScrollRow(), 0);
        Control* bar = dialog.GetWindow().FindControl(kChordInputScrollBar);
        EXPECT_EQ(bar->RangeHigh(), 1);
        EXPECT_EQ(bar->Value(), 0);
        const std::uint8_t* s = WorkingStyle.harmonyStructure;
        EXPECT_EQ(s[0] * 256 + s[1], 288);
        EXPECT_EQ(s[20 * 6] + s[20 * 6 + 1], 0);
        EXPECT_EQ(ChordProgression().size(), 20u);
        Press(dialog, kChordInputOkButton);  // 60 / 3 = 20 bars
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
    EXPECT_EQ(WorkingStyle.tuneLength, 20);
}

// The scroll bar reaches rows 0, 1 and 2 for 48, 64 and 80 beats.
TEST_F(ChordInputTuneTest, ScrollRangeFollowsTheBeats) {
    for (int bars : {12, 16, 20}) {
        FillStyleBars(bars);
        EdCdCust dialog(nullptr, 1);
        dialog.OnInitDialog();
        EXPECT_EQ(dialog.GetWindow().FindControl(kChordInputScrollBar)->RangeHigh(), bars / 4 - 3);
    }
}

// More chords than the grid can name: the message once as the dialog opens;
// the grid is drawn off the screen as the face, the selection raised in its
// colour, the others in the three greys, scrolled by rows.
TEST_F(ChordInputTuneTest, GridIsTheFaceAndNamesAtMost512Chords) {
    FillStyleBars(600, 96);
    EdCdCust dialog(nullptr, 1);
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_TRUE(HasText("Chord information is too much!"));
        EXPECT_EQ(testing_support::Sink().Count(), 1u);
        Window& w = dialog.GetWindow();
        Drag(dialog, w, 3, 5);
        const Image& face = dialog.GridImage();
        ASSERT_EQ(face.Extent(), (Size{644, 464}));
        auto at = [&](int step, int dy) {
            const Point p = CellCentre(step);
            return face.Pixel(p.x + 12, p.y + dy);
        };
        EXPECT_EQ(at(4, 24), kChordSelectionColour);
        EXPECT_EQ(at(2, 24), (Rgb{220, 220, 220}));
        EXPECT_EQ(at(6, 24), (Rgb{200, 200, 200}));
        EXPECT_EQ(at(7, 24), (Rgb{210, 210, 210}));
        // The window shows the face.
        EXPECT_EQ(d.Snapshot(w).Pixel(CellCentre(4).x + 12, CellCentre(4).y + 24),
                  kChordSelectionColour);
        d.Scroll(kChordInputScrollBar, 1);
        EXPECT_EQ(dialog.GridImage().Pixel(CellCentre(0).x + 12, CellCentre(0).y + 24),
                  (Rgb{210, 210, 210}));  // step 16
        // Drags stop at the last display record.
        d.Scroll(kChordInputScrollBar, 100);
        Drag(dialog, w, 64, 79);
        EXPECT_LE(dialog.Selection().end, kChordDisplayRecords - 1);
        FillStyleBars(16);
        LoadChordBufferFromStyle();
        Press(dialog, kChordInputOkButton);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
}

// A backend that cannot draw off the screen.
class NoOffscreenBackend : public HeadlessBackend {
public:
    std::unique_ptr<OffscreenCanvas> CreateOffscreen(Size) override { return nullptr; }
};

// Without an off-screen canvas the display error is shown and the grid is
// drawn on the window itself.
TEST_F(ChordInputTuneTest, GridWithoutOffscreenCanvasIsDrawnOnTheWindow) {
    auto backend = std::make_shared<NoOffscreenBackend>();
    InstallBackend(backend);
    FillStyleBars(16);
    EdCdCust dialog(nullptr, 1);
    dialog.OnInitDialog();
    EXPECT_TRUE(HasText("Error occuered in Display Device!"));
    Window& w = dialog.GetWindow();
    Drag(dialog, w, 0, 0);
    const Point p = CellCentre(1);
    EXPECT_EQ(backend->Snapshot(w).Pixel(p.x + 12, p.y + 24), kChordSelectionColour);
}

}  // namespace
