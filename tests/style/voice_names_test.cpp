#include "style/voice_names.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "style/style_table.h"
#include "style/style_text.h"
#include "tests/support/test_support.h"

namespace {

// Every code from far below to far above the table: 256 is "---", the table's
// codes their names, everything else (negatives too) the invalid text; no box.
TEST(VoiceNames, InstrumentNamesOverEveryCode) {
    testing_support::Sink().Clear();
    std::string text = "stale";
    for (int code = -300; code <= 600; ++code) {
        GetInstrumentName(code, text);
        if (code == kVoiceNotUsed)
            EXPECT_EQ(text, "---");
        else if (code >= 0 && code < kInstrumentNameCount)
            EXPECT_EQ(text, InstrumentNameTable[static_cast<std::size_t>(code)]) << code;
        else
            EXPECT_EQ(text, "Instrument is invalid!") << code;
    }
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

// Drum sets by the text form's names; an unknown code leaves no stale text.
TEST(VoiceNames, DrumSetNamesNeverKeepStaleText) {
    const char* const names[] = {"Acoustic Set", "Electric Set", "Ethnic Set", "Techno Set"};
    std::string text;
    for (int code = 1; code <= 4; ++code) {
        GetDrumSetName(code, text);
        EXPECT_EQ(text, names[code - 1]);
    }
    GetDrumSetName(kVoiceNotUsed, text);
    EXPECT_EQ(text, "---");
    for (int code : {-1, 0, 5, 127, 255, 257}) {
        text = "Acoustic Set";
        GetDrumSetName(code, text);
        EXPECT_EQ(text, "") << code;
    }
    // The chooser's drum table names its sets as the text form does.
    for (const VoiceEntry& e : DrumSetTable)
        if (e.value != kVoiceNotUsed) {
            EXPECT_STREQ(e.name, DrumSetTextName(e.value));
        }
}

// Each kind reads its own voice field: the drums through the drum-set
// names, a drum part of 256 "---"; an unknown kind is reported.
TEST(VoiceNames, PartNamesFollowTheirVoiceFields) {
    MusicStyle style{};
    for (int part = 0; part < kStylePartSlots; ++part)
        style.voice[part] = 100 + part;
    style.voice[kPartDrum] = kEthnicSet;
    std::string text;
    for (int kind = 1; kind <= kPartKindCount; ++kind) {
        ASSERT_EQ(GetPartInstrumentName(style, kind, text), 1);
        const int voice = style.voice[kPartKinds[kind - 1].stylePart];
        std::string expected;
        if (kind == kKindDrum)
            GetDrumSetName(voice, expected);
        else
            GetInstrumentName(voice, expected);
        EXPECT_EQ(text, expected) << kind;
    }
    GetPartInstrumentName(style, kKindDrum, text);
    EXPECT_EQ(text, "Ethnic Set");
    style.voice[kPartDrum] = kVoiceNotUsed;
    GetPartInstrumentName(style, kKindDrum, text);
    EXPECT_EQ(text, "---");
    // Kind 8 is the sub drum, not the main drums.
    GetPartInstrumentName(style, kKindSubDrum, text);
    EXPECT_EQ(text, InstrumentNameTable[100 + kPartSubDrum]);

    testing_support::Sink().Clear();
    for (int kind : {0, 9, -1}) {
        text = "old";
        EXPECT_EQ(GetPartInstrumentName(style, kind, text), 0);
        EXPECT_EQ(text, "");
    }
    ASSERT_EQ(testing_support::Sink().Count(), 3u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("Invalid Track!"), std::string::npos);
}

// The eight kinds edit eight different voice fields, none of them a slot
// of no part; the tables hold distinct values and end with "None".
TEST(VoiceNames, KindsAndTablesAreConsistent) {
    bool seen[kStylePartSlots] = {};
    for (const PartKindInfo& k : kPartKinds) {
        ASSERT_TRUE(k.stylePart >= 1 && k.stylePart < kStylePartSlots && k.stylePart != 6);
        EXPECT_FALSE(seen[k.stylePart]);
        seen[k.stylePart] = true;
    }
    for (int mode = 1; mode < kChoiceModeCount; ++mode) {
        const auto table = VoiceTableOfMode(mode);
        ASSERT_FALSE(table.empty());
        EXPECT_EQ(table.back().value, kVoiceNotUsed);
        EXPECT_STREQ(table.back().name, "None");
        for (std::size_t i = 0; i < table.size(); ++i)
            for (std::size_t j = i + 1; j < table.size(); ++j)
                EXPECT_NE(table[i].value, table[j].value);
    }
    EXPECT_TRUE(VoiceTableOfMode(kChooseMelodic).empty());
}

}  // namespace
