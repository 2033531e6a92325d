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

}  // namespace
