// The style definition hub driven as a user: part regions through the
// chooser, the melody's refusal of "None", the extended-instrument check,
// tone mode's hidden regions, the editors' name refreshes, and a hub left
// untouched leaving the style as it was.
#include "app/styleedit/option_selection_dialog.h"

#include "app/styleedit/inst_selection_dialog.h"
#include "core/settings.h"
#include "platform/ui/raster_canvas.h"
#include "style/voice_names.h"
#include "styleedit/instrument_choice.h"
#include "tests/app/style_hub_fixture.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

class OptionSelectionTest : public StyleHubTest {
protected:
    std::string Name(int code) {
        std::string text;
        GetInstrumentName(code, text);
        return text;
    }
};

// The regions at their places, the part names of the style; "Bass" with
// group "Guitar", instrument 3 stores 27 and shows its name; the melody
// answered "None" is refused and keeps its voice; a chooser left as it
// opened keeps the voice; a drum part of 256 shows "---".
TEST_F(OptionSelectionTest, PartRegionsRunTheChooser) {
    WorkingStyle.voice[kPartMelody] = 40;
    WorkingStyle.voice[kPartBass] = 33;
    WorkingStyle.voice[kPartDrum] = kVoiceNotUsed;
    WorkingStyle.voice[kPartSubDrum] = 30;
    OptionSelection hub;
    hub.openingMode = kHubStyleDefinition;
    hub.checkFlag = 2;
    B().Then([&](HeadlessBackend& b) {
        EXPECT_EQ(TopTitle(b), "Music Style Definition");
        EXPECT_EQ(b.TopWindow()->ClientSize(), (Size{644, 464}));
        EXPECT_EQ(hub.Button(3).x1, 327);
        EXPECT_EQ(hub.Button(8).y2, 230);
        EXPECT_EQ(hub.Button(14).x2, 332);
        EXPECT_EQ(hub.PartName(1), Name(40));
        EXPECT_EQ(hub.PartName(4), "---");
        EXPECT_EQ(hub.PartName(8), Name(30));
        b.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(TopTitle(c), "Instrument");
            EXPECT_EQ(InstrumentChoice, 33);
            EXPECT_EQ(InstrumentChoiceMode, kChooseMelodic);
            c.Select(kInstGroupCombo, 3);
            c.Select(kInstInstrumentCombo, 3);
            PressSmallOk(c);
        });
        Press(b, hub, 3);
        EXPECT_EQ(WorkingStyle.voice[kPartBass], 27);
        EXPECT_EQ(hub.PartName(3), Name(27));

        b.Then([&](HeadlessBackend& c) {
            c.Select(kInstGroupCombo, kNoneGroup);
            PressSmallOk(c);
        });
        Press(b, hub, 1);
        EXPECT_EQ(WorkingStyle.voice[kPartMelody], 40);
        EXPECT_EQ(BoxesWith("You must select instrument for melody!"), 1);

        // The sub drum's 30 is no entry of its table: nothing is selected
        // and OK keeps it.
        b.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(InstrumentChoiceMode, kChooseSubDrum);
            EXPECT_EQ(c.TopWindow()->FindControl(kInstInstrumentCombo)->Selection(), -1);
            PressSmallOk(c);
        });
        Press(b, hub, 8);
        EXPECT_EQ(WorkingStyle.voice[kPartSubDrum], 30);
        b.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(InstrumentChoiceMode, kChooseDrumSet);
            c.Select(kInstInstrumentCombo, 1);
            PressSmallOk(c);
        });
        Press(b, hub, 4);
        EXPECT_EQ(WorkingStyle.voice[kPartDrum], kElectricSet);
        EXPECT_EQ(hub.PartName(4), "Electric Set");
        Press(b, hub, kHubOk);
    });
    EXPECT_EQ(hub.DoModal(), platform::kIdOk);
    EXPECT_EQ(testing_support::Sink().Count(), 1u);
}

// Check flag 1: one box per extended voice in the parts' order, the hub
// stays open; without extended voices OK closes. Flag 2 never checks.
TEST_F(OptionSelectionTest, OkRefusesExtendedInstrumentsOncePerVoice) {
    WorkingStyle.voice[kPartHarmony] = 130;
    WorkingStyle.voice[kPartSubDrum] = 200;
    WorkingStyle.voice[kPartBass] = kVoiceNotUsed;
    OptionSelection hub;
    hub.openingMode = kHubToneDefinition;
    hub.checkFlag = 1;
    B().Then([&](HeadlessBackend& b) {
        Press(b, hub, kHubOk);
        EXPECT_EQ(BoxesWith("Do not select extended instrument!"), 2);
        EXPECT_EQ(TopTitle(b), "Tone Definition");
        WorkingStyle.voice[kPartHarmony] = 12;
        Press(b, hub, kHubOk);
        EXPECT_EQ(BoxesWith("Do not select extended instrument!"), 3);
        WorkingStyle.voice[kPartSubDrum] = 112;
        Press(b, hub, kHubOk);
    });
    EXPECT_EQ(hub.DoModal(), platform::kIdOk);
    EXPECT_EQ(testing_support::Sink().Count(), 3u);

    WorkingStyle.voice[kPartObbligato] = 140;
    B().Then([&](HeadlessBackend& b) { b.Click(540, 410); });
    EXPECT_EQ(RunStyleDefinitionHub(nullptr, kHubStyleDefinition, 2, 0), 1);
    EXPECT_EQ(testing_support::Sink().Count(), 3u);
}

// Tone mode: the editor regions and "Operation" are neither shown nor
// pressed; "Volume" still opens the mixer. Opening and closing the hub
// without a click leaves the style byte for byte, in both modes.
TEST_F(OptionSelectionTest, ToneModeHidesTheEditors) {
    for (int mode : {kHubToneDefinition, kHubStyleDefinition}) {
        WorkingStyle.voice[kPartMelody] = 5;
        WorkingStyle.mix[kPartMelody].volume = 99;
        const MusicStyle before = WorkingStyle;
        OptionSelection hub;
        hub.openingMode = mode;
        hub.checkFlag = 1;
        bool mixerOpened = false;
        B().Then([&](HeadlessBackend& b) {
            for (int region = 0; region < kHubRegionCount; ++region)
                EXPECT_EQ(
                    hub.RegionActive(region),
                    mode == kHubStyleDefinition ||
                        (!(region >= kHubTune && region <= kHubRhythm) && region != kHubOperation));
            if (mode == kHubToneDefinition) {
                for (int region : {kHubTune, kHubMelody, kHubHarmony, kHubRhythm, kHubOperation}) {
                    EXPECT_FALSE(hub.Button(region).control->IsVisible());
                    Press(b, hub, region);
                    EXPECT_EQ(b.DeepestModal(), 1);
                }
                const std::vector<std::string> texts = [&] {
                    std::vector<std::string> t;
                    for (const CanvasOp& op : b.Ops(*b.TopWindow()))
                        if (op.kind == CanvasOp::Kind::Text) t.push_back(op.text);
                    return t;
                }();
                EXPECT_EQ(std::count(texts.begin(), texts.end(), "Tune"), 0);
                EXPECT_EQ(std::count(texts.begin(), texts.end(), "Volume"), 2);
            }
            b.Then([&](HeadlessBackend& c) {
                mixerOpened = TopTitle(c) == "Mixer";
                c.Click(560, 418);
            });
            Press(b, hub, kHubVolume);
            Press(b, hub, kHubOk);
        });
        EXPECT_EQ(hub.DoModal(), platform::kIdOk);
        EXPECT_TRUE(mixerOpened);
        EXPECT_TRUE(SameStyle(WorkingStyle, before)) << mode;
    }
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

// After "Melody", "Harmony" and "Rhythm" the names of their parts are read
// again, and only theirs; after "Operation" every part's.
TEST_F(OptionSelectionTest, EditorsRefreshTheirPartsNames) {
    for (int part = 0; part < kStylePartSlots; ++part)
        WorkingStyle.voice[part] = 0;
    WorkingStyle.voice[kPartDrum] = kAcousticSet;
    OptionSelection hub;
    B().Then([&](HeadlessBackend& b) {
        auto changeAll = [&](int code) {
            for (const PartKindInfo& k : kPartKinds)
                WorkingStyle.voice[k.stylePart] = k.stylePart == kPartDrum ? kTechnoSet : code;
        };
        auto renamed = [&] {
            std::vector<int> kinds;
            for (int kind = 1; kind <= kPartKindCount; ++kind) {
                std::string now;
                GetPartInstrumentName(kind, now);
                if (hub.PartName(kind) == now) kinds.push_back(kind);
            }
            return kinds;
        };
        changeAll(50);
        Press(b, hub, kHubTune);
        EXPECT_EQ(renamed(), std::vector<int>{});
        Press(b, hub, kHubMelody);
        EXPECT_EQ(renamed(), (std::vector<int>{1}));
        Press(b, hub, kHubHarmony);
        EXPECT_EQ(renamed(), (std::vector<int>{1, 2, 5, 6}));
        Press(b, hub, kHubRhythm);
        EXPECT_EQ(renamed(), (std::vector<int>{1, 2, 3, 4, 5, 6, 8}));
        changeAll(60);
        Press(b, hub, kHubOperation);
        EXPECT_EQ(renamed(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(hub.PartName(4), "Techno Set");
        Press(b, hub, kHubOk);
    });
    hub.DoModal();
}

// A part region shows its caption in the upper half and its instrument name
// in the lower half over black: 20 blanks first, then grey, then pink.
TEST_F(OptionSelectionTest, PartNamesAreDrawnOnBlack) {
    WorkingStyle.voice[kPartBass] = 27;
    OptionSelection hub;
    hub.OnInitDialog();
    RasterCanvas canvas(644, 464);
    hub.OnPaint(hub.GetWindow(), canvas);
    const std::string name = Name(27);
    const std::vector<CanvasOp>& ops = canvas.Ops();
    std::size_t at = 0;
    while (at < ops.size() && !(ops[at].kind == CanvasOp::Kind::Text && ops[at].text == "Bass"))
        ++at;
    ASSERT_LT(at + 4, ops.size());
    EXPECT_EQ(ops[at + 1].text, "Bass");
    EXPECT_EQ(ops[at + 2].text, std::string(20, ' '));
    EXPECT_EQ(ops[at + 3].text, name);
    EXPECT_EQ(ops[at + 3].colour, kPartNameFirst);
    EXPECT_EQ(ops[at + 4].text, name);
    EXPECT_EQ(ops[at + 4].colour, kPartNameSecond);
    EXPECT_EQ(ops[at + 4].rect.top, (75 + 141) / 2);
    EXPECT_EQ(ops[at + 4].rect.left, 327);
    for (int i = 2; i <= 4; ++i)
        EXPECT_TRUE(ops[at + i].opaque);
    EXPECT_LT(ops[at + 1].rect.bottom, ops[at + 4].rect.bottom);
}

}  // namespace
