#include "convert/ringtone/mfi_data.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>

#include "core/reporters.h"
#include "tests/convert/mfi_test_util.h"
#include "tests/convert/mobile_test_util.h"

using namespace mfi_test;
using mobile_test::CountTexts;
using mobile_test::SlotControls;
using mobile_test::SlotNotes;
using testing_support::Sink;

namespace {

const char kDataInvalid[] = "MFTK1F000014 Data is invalid!";
const char kHeaderSize[] = "MFHD21000003 Wrong MFi header size!";
const char kTempoClamp[] =
    "MFTK1F000004 The number more than 255 is set for tempo. The number has been modified to 255.";

std::vector<std::uint8_t> Write(const MobileData& model, int type, int terminal = 0) {
    MFiData mfi(model, type);
    mfi.EnsureMasterVolume();
    mfi.SplitLongDeltas();
    mfi.Serialise(terminal);
    return std::vector<std::uint8_t>(mfi.Data(), mfi.Data() + mfi.Length());
}

std::unique_ptr<MobileData> ReadBack(const std::vector<std::uint8_t>& image, int* type = nullptr) {
    MFiData mfi(image.data(), static_cast<int>(image.size()), ShownLog());
    if (type) *type = mfi.VoiceType();
    auto model = std::make_unique<MobileData>(kCapacity);
    mfi.ToMobileData(*model);
    return model;
}

// A four-track file by hand: the head, a "vers" sub-chunk and the chunks.
std::vector<std::uint8_t> HandFile(const char* id, int byte12, const char* vers,
                                   const std::vector<std::vector<std::uint8_t>>& tracks) {
    std::vector<std::uint8_t> f(id, id + 4);
    f.resize(13);
    f[10] = 1;
    f[11] = 1;
    f[12] = static_cast<std::uint8_t>(byte12);
    f.insert(f.end(), {'v', 'e', 'r', 's', 0, 4});
    f.insert(f.end(), vers, vers + 4);
    WriteBigEndian16(f.data() + 8, 13);
    for (const auto& body : tracks) {
        f.insert(f.end(), {'t', 'r', 'a', 'c', 0, 0, 0, 0});
        WriteBigEndian32(f.data() + f.size() - 4, static_cast<std::uint32_t>(body.size()));
        f.insert(f.end(), body.begin(), body.end());
    }
    WriteBigEndian32(f.data() + 4, static_cast<std::uint32_t>(f.size() - 8));
    return f;
}

// (time, gate) of the notes of channel 0 in a chunk of 3-byte notes.
std::vector<std::pair<int, int>> ChunkNotes(const std::vector<std::uint8_t>& f, const Chunk& c) {
    std::vector<std::pair<int, int>> out;
    int t = 0;
    for (std::size_t p = c.offset; p + 4 <= c.offset + c.size;) {
        t += f[p];
        if (f[p + 1] != 0xFF) {
            out.emplace_back(t, f[p + 2]);
            p += 4;
        } else {
            p += 4;
        }
    }
    return out;
}

const std::vector<Part> kTwoParts = {{false, 5, 100, {{0, 60, 96, 100}, {96, 64, 600, 81}}},
                                     {true, 38, 90, {{0, 38, 48, 127}}}};

}  // namespace

TEST(MFiTrackCodes, NotesAndTemposAsTheirCodes) {
    int code = 0;
    int octave = 0;
    MfiMelodicCode(44, &code, &octave);
    EXPECT_EQ(std::make_pair(code, octave), std::make_pair(11, 3));
    MfiMelodicCode(108, &code, &octave);
    EXPECT_EQ(std::make_pair(code, octave), std::make_pair(51, 1));
    EXPECT_EQ(MfiTempoData(200000), 255);
    EXPECT_EQ(CountTexts(kTempoClamp), 1);
    // A tempo of 0 or less is clamped the same way, not divided by.
    EXPECT_EQ(MfiTempoData(0), 255);
    EXPECT_EQ(MfiTempoData(-5), 255);
    EXPECT_EQ(CountTexts(kTempoClamp), 3);
    EXPECT_EQ(MfiTempoData(500000), 120);
}

TEST(MFiTrackWrite, LongGatesSplitAndTheEndMarkerBecomesTheStop) {
    auto model = MakeModel(kTwoParts);
    auto f = Write(*model, mfi_voice::kMelo4);
    auto chunks = Chunks(f);
    ASSERT_EQ(chunks.size(), 4u);
    // Track 0: the drum is on channel 1 of track 0; channel 0's notes.
    auto notes = ChunkNotes(f, chunks[0]);
    std::vector<std::pair<int, int>> melodic;
    for (auto n : notes)
        if (n.second != 48) melodic.push_back(n);
    EXPECT_EQ(melodic, (std::vector<std::pair<int, int>>{{0, 96}, {96, 255}, {350, 255}, {604, 92}}));
    // The last event before the end: the stop point FF D0 01, then 00 FF DF 00.
    const std::size_t end = chunks[0].offset + chunks[0].size;
    EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + static_cast<long>(end) - 7, f.begin() + static_cast<long>(end)),
              (std::vector<std::uint8_t>{0xFF, 0xD0, 0x01, 0x00, 0xFF, 0xDF, 0x00}));
    // Read back the gate is whole again.
    auto back = ReadBack(f);
    EXPECT_EQ(SlotNotes(*back->Slot(0)).back().length, 600);
    EXPECT_EQ(SlotNotes(*back->Slot(0)).size(), 2u);
}

TEST(MFiTrackRead, BadExtensionsAndTemposGiveEmptyEvents) {
    // E6, a tempo of 0 and C7 are empty; the note after them keeps its time.
    auto f = HandFile("melo", 4, "0200",
                      {{0, 0xFF, 0xC4, 120, 5, 0xFF, 0xE6, 0, 5, 0xFF, 0xC2, 0, 5, 0xFF, 0xC7, 9, 4,
                        15, 48, 100 * 2, 0, 0xFF, 0xDF, 0},
                       {0, 0xFF, 0xDF, 0}, {0, 0xFF, 0xDF, 0}, {0, 0xFF, 0xDF, 0}});
    auto back = ReadBack(f);
    EXPECT_EQ(CountTexts(kDataInvalid), 1);
    // Two tempos out of range are one box: a kind of finding is told once.
    EXPECT_EQ(CountTexts("MFTK1F00000B Tempo is out of range!"), 1);
    EXPECT_EQ(SlotNotes(*back->Slot(0)), (std::vector<mobile_test::TimedNote>{{19, 60, 100, 48}}));
    EXPECT_EQ(SlotControls(*back->Slot(0), mobile_code::kTempo),
              (std::vector<std::pair<long long, int>>{{0, 500000}}));
}

TEST(MFiFileRead, VoiceTypesComeFromTheFile) {
    const std::vector<std::uint8_t> end = {0, 0xFF, 0xDF, 0};
    const std::string path = testing_support::ScratchDir() + "/t.mld";
    auto save = [&](const std::vector<std::uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    };
    save(HandFile("melo", 4, "0200", {end, end, end, end}));
    MFiData four(path, mfi_voice::kMelo1, ShownLog());
    EXPECT_EQ(four.VoiceType(), 4);
    EXPECT_EQ(four.TrackCount(), 4);
    save(HandFile("cmid", 1, "0300", {end}));
    MFiData pmd(path, mfi_voice::kPmd, ShownLog());
    EXPECT_EQ(CountTexts("MFDT2000000A PMD 16 voice is not supported!"), 1);
    save({});
    MFiData empty(path, mfi_voice::kMelo4, ShownLog());
    EXPECT_EQ(empty.TrackCount(), 0);
    EXPECT_EQ(empty.Header(), nullptr);
    save(HandFile("abcd", 4, "0200", {end}));
    MFiData other(path, mfi_voice::kMelo4, ShownLog());
    EXPECT_EQ(other.VoiceType(), mfi_voice::kUnknown);
    EXPECT_EQ(CountTexts("MFHD21000002 MFi Voice type is wrong!"), 1);
}

TEST(MFiFileWrite, PmdHeadAndTooManyGroups) {
    auto model = MakeModel(kTwoParts);
    auto f = Write(*model, mfi_voice::kPmd);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "cmid");
    EXPECT_EQ(f[10], 2);
    EXPECT_EQ(f[12], 1);
    EXPECT_EQ(std::string(f.begin(), f.end()).find("copy"), std::string::npos);
    // The master volume and the end marker have PMD forms.
    EXPECT_EQ(CountTexts("MFTK1F000018 Command is invalid!"), 0);

    std::vector<Part> many(20, Part{false, 1, 100, {{0, 60, 10, 100}}});
    MFiData mfi(*MakeModel(many), mfi_voice::kMelo4);
    EXPECT_EQ(CountTexts("MFDT20000002 There are too many tracks!"), 1);
    EXPECT_EQ(mfi.TrackCount(), 4);
}

// Drums off channel 9 are carried on their slot as channel 9: slot 2, whose
// channels 2 and 6 are both drums, is selected once, and no select repeats
// what its slot carries already.
TEST(MFiFileWrite, PmdDrumsOnAnotherChannelSelectTheirSlotOnce) {
    std::vector<Part> parts(10, Part{false, 1, 100, {{0, 60, 10, 100}, {96, 62, 10, 100}}});
    for (std::size_t drum : {2u, 6u, 9u}) parts[drum] = Part{true, 38, 90, {{0, 38, 20, 100}, {48, 40, 20, 100}}};
    const auto f = Write(*MakeModel(parts), mfi_voice::kPmd);
    const auto chunks = Chunks(f);
    ASSERT_EQ(chunks.size(), 1u);
    std::array<int, 4> carried = {0, 1, 2, 3};
    int drumSelects = 0;
    for (std::size_t p = chunks[0].offset; p + 4 <= chunks[0].offset + chunks[0].size; p += 4) {
        if (f[p + 1] != 0xFF || f[p + 2] != 0xE5) continue;
        const int slot = f[p + 3] / 64;
        const int channel = f[p + 3] % 16;
        EXPECT_NE(carried[static_cast<std::size_t>(slot)], channel) << "select at " << p;
        carried[static_cast<std::size_t>(slot)] = channel;
        drumSelects += slot == 2 && channel == 9;
    }
    EXPECT_EQ(drumSelects, 1);
}

// Every written file: the size fields and every track's end event.
TEST(MFiFileWrite, SizesAndTrackEndsOfEveryVoiceType) {
    std::mt19937 rng(7);
    for (int type : {1, 4, 5, 252, 254, 255}) {
        for (int round = 0; round < 6; ++round) {
            const bool two = mfi_voice::IsTwoByteNote(type);
            auto parts = RandomParts(rng, two ? 4 : 1 + static_cast<int>(rng() % 16), two ? -1 : 3, 20, 120);
            auto f = Write(*MakeModel(parts), type);
            ASSERT_GE(f.size(), 13u);
            EXPECT_EQ(ReadBigEndian32(f.data() + 4), f.size() - 8);
            auto chunks = Chunks(f);
            std::size_t sum = 0;
            for (const Chunk& c : chunks) {
                EXPECT_EQ(c.id, "trac");
                sum += c.size + 8;
                ASSERT_GE(c.size, 4u);
                EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + static_cast<long>(c.offset + c.size) - 4,
                                                    f.begin() + static_cast<long>(c.offset + c.size)),
                          (std::vector<std::uint8_t>{0, 0xFF, 0xDF, 0}));
            }
            EXPECT_EQ(ReadBigEndian16(f.data() + 8) + 10 + sum, f.size()) << type;
            EXPECT_EQ(chunks.size(), type == 1 || type == 252 || type == 254 ? 1u : 4u);
        }
    }
}

// Write then read: what the format keeps, for every voice type.
TEST(MFiRoundTrip, ModelsSurviveUnderTheFormatsRules) {
    std::mt19937 rng(11);
    for (int type : {1, 4, 5, 252, 254, 255}) {
        for (int round = 0; round < 8; ++round) {
            const bool two = mfi_voice::IsTwoByteNote(type);
            const int count = two ? 4 : 1 + static_cast<int>(rng() % 16);
            int drumAt = two ? -1 : static_cast<int>(rng() % 16);
            if (type == mfi_voice::kPmd) drumAt = count > 9 ? 9 : -1;
            auto parts = RandomParts(rng, count, drumAt, 10, 127);
            const int tempo = 240000 + static_cast<int>(rng() % 760000);
            auto model = MakeModel(parts, tempo);
            int readType = 0;
            auto back = ReadBack(Write(*model, type), &readType);
            EXPECT_EQ(readType, type == 5 ? 4 : type == 252 ? 1 : type == 254 ? 250 : type);
            ASSERT_GE(back->Count(), count);
            EXPECT_EQ(back->division, 96);
            EXPECT_EQ(SlotControls(*back->Slot(0), mobile_code::kStartMasterVolume).at(0).second, 127);
            EXPECT_EQ(60000000 / SlotControls(*back->Slot(0), mobile_code::kTempo).at(0).second,
                      60000000 / tempo);
            for (int i = 0; i < count; ++i) {
                const Part& p = parts[static_cast<std::size_t>(i)];
                const MobileChanelData& slot = *back->Slot(i);
                SCOPED_TRACE(testing::Message() << "type " << type << " slot " << i);
                EXPECT_EQ(slot.kind, p.drum ? MobileChanelData::kKindDrum : MobileChanelData::kKindMelodic);
                if (!p.drum || (type != 255 && type != 254)) {
                    EXPECT_EQ(slot.GetControlValue(mobile_code::kProgram), p.program);
                }
                EXPECT_EQ(slot.GetControlValue(mobile_code::kVolume), p.volume / 2 * 2);
                auto notes = SlotNotes(slot);
                ASSERT_EQ(notes.size(), p.notes.size());
                for (std::size_t k = 0; k < notes.size(); ++k) {
                    const Note& n = p.notes[k];
                    EXPECT_EQ(notes[k].time, n.time);
                    EXPECT_EQ(notes[k].length, n.length);
                    EXPECT_EQ(notes[k].velocity, two ? 100 : n.velocity / 2 * 2);
                    const bool exact = p.drum || (two ? n.pitch >= 45 && n.pitch <= 107
                                                      : n.pitch >= 21 && n.pitch <= 119);
                    if (exact) {
                        EXPECT_EQ(notes[k].pitch, n.pitch);
                    } else {
                        EXPECT_EQ(notes[k].pitch % 12, n.pitch % 12);
                    }
                }
            }
        }
    }
}

using mobile_test::TimedNote;

// What a file holds on one channel at once comes back whole: a chord, two
// drums struck together, a note struck again while it sounds (cut where the
// new one starts) and a note longer than a gate byte (rejoined from its
// pieces), melodic and drum, in the four-track and the PMD coding.
TEST(MFiRead, ChordsDrumsTogetherAndRestrikesComeBackWhole) {
    const std::vector<Note> melodic = {{0, 60, 96, 100},  {0, 64, 96, 100},   {0, 67, 96, 100},
                                       {96, 60, 96, 100}, {144, 60, 96, 100}, {288, 62, 600, 100}};
    const std::vector<Note> drums = {
        {0, 36, 24, 100}, {0, 42, 24, 100}, {48, 42, 96, 100}, {96, 42, 24, 100}};
    const std::vector<TimedNote> melodicBack = {{0, 60, 100, 96},   {0, 64, 100, 96},
                                                {0, 67, 100, 96},   {96, 60, 100, 48},
                                                {144, 60, 100, 96}, {288, 62, 100, 600}};
    const std::vector<TimedNote> drumsBack = {
        {0, 36, 100, 24}, {0, 42, 100, 24}, {48, 42, 100, 48}, {96, 42, 100, 24}};
    for (int type : {mfi_voice::kMelo4, mfi_voice::kPmd}) {
        auto back =
            ReadBack(Write(*MakeModel({{true, 36, 100, drums}, {false, 1, 100, melodic}}), type));
        ASSERT_GE(back->Count(), 2) << type;
        std::vector<TimedNote> readDrums, readMelodic;
        for (int i = 0; i < back->Count(); ++i) {
            const auto notes = SlotNotes(*back->Slot(i));
            auto& into =
                back->Slot(i)->kind == MobileChanelData::kKindDrum ? readDrums : readMelodic;
            into.insert(into.end(), notes.begin(), notes.end());
        }
        std::sort(readDrums.begin(), readDrums.end());
        EXPECT_EQ(readMelodic, melodicBack) << type;
        EXPECT_EQ(readDrums, drumsBack) << type;
    }
}

TEST(MFiChannelKinds, DrumsOutsideTrack0AndAMelodicTenthPart) {
    // Five parts: the drum is the fifth, channel 0 of track 1.
    std::vector<Part> parts(4, Part{false, 1, 100, {{0, 60, 10, 100}}});
    parts.push_back(Part{true, 42, 100, {{0, 42, 10, 100}}});
    auto back = ReadBack(Write(*MakeModel(parts), mfi_voice::kMelo4));
    EXPECT_EQ(back->Slot(4)->kind, MobileChanelData::kKindDrum);
    EXPECT_EQ(SlotNotes(*back->Slot(4)).at(0).pitch, 42);
    // Ten melodic parts as type 5: the tenth stays melodic and in tune.
    std::vector<Part> ten(10, Part{false, 1, 100, {{0, 72, 10, 100}}});
    for (int type : {4, 5}) {
        auto tenBack = ReadBack(Write(*MakeModel(ten), type));
        EXPECT_EQ(tenBack->Slot(9)->kind, MobileChanelData::kKindMelodic);
        EXPECT_EQ(SlotNotes(*tenBack->Slot(9)).at(0).pitch, 72);
    }
    // Without any record channel 1 of track 2 is the drum channel, 10 lower.
    auto f = HandFile("melo", 4, "0200",
                      {{0, 0xFF, 0xDF, 0}, {0, 0xFF, 0xDF, 0}, {0, 64 + 10, 20, 200, 0, 0xFF, 0xDF, 0},
                       {0, 0xFF, 0xDF, 0}});
    auto hand = ReadBack(f);
    EXPECT_EQ(hand->Slot(9)->kind, MobileChanelData::kKindDrum);
    EXPECT_EQ(SlotNotes(*hand->Slot(9)).at(0).pitch, 45);
}

TEST(MFiFaults, LengthsPastTheirBlocks) {
    auto good = Write(*MakeModel(kTwoParts), mfi_voice::kMelo4);
    // A sub-chunk length past the information block: no tracks.
    auto bad = good;
    bad[13 + 4] = 0x7F;
    MFiData a(bad.data(), static_cast<int>(bad.size()), ShownLog());
    EXPECT_EQ(a.TrackCount(), 0);
    for (int length : {0, 2, 0xFFFF}) {
        bad = good;
        WriteBigEndian16(bad.data() + 8, static_cast<std::uint16_t>(length));
        MFiData b(bad.data(), static_cast<int>(bad.size()), ShownLog());
        EXPECT_EQ(b.TrackCount(), 0);
    }
    EXPECT_EQ(CountTexts(kHeaderSize), 4);
    // A 300-byte title keeps 256 bytes and the chunks after it are found; an
    // unknown sub-chunk is stepped over.
    std::vector<std::uint8_t> info = {'t', 'i', 't', 'l', 1, 44};
    info.resize(info.size() + 300, 'x');
    info.insert(info.end(), {'z', 'z', 'z', 'z', 0, 1, 9});
    auto big = good;
    const std::size_t oldInfo = ReadBigEndian16(good.data() + 8) - 3u;
    big.erase(big.begin() + 13, big.begin() + 13 + static_cast<long>(oldInfo));
    big.insert(big.begin() + 13, info.begin(), info.end());
    WriteBigEndian16(big.data() + 8, static_cast<std::uint16_t>(info.size() + 3));
    MFiData c(big.data(), static_cast<int>(big.size()), ShownLog());
    ASSERT_EQ(c.TrackCount(), 4);
    EXPECT_EQ(c.Header()->Find("titl")->data[255], 'x');
    // A track cut short refuses the file.
    auto cut = std::vector<std::uint8_t>(good.begin(), good.end() - 90);
    Sink().Clear();
    MFiData d(cut.data(), static_cast<int>(cut.size()), ShownLog());
    EXPECT_EQ(CountTexts(kDataInvalid), 1);
    EXPECT_EQ(d.TrackCount(), 0);
    EXPECT_EQ(d.Length(), 0);
    // A long form and an F0 block running past the event area.
    for (std::vector<std::uint8_t> body : {std::vector<std::uint8_t>{0, 0xFF, 0xFF, 0x01, 0x00, 1, 2},
                                           std::vector<std::uint8_t>{0, 0xFF, 0xF0, 0, 0x29, 1}}) {
        Sink().Clear();
        auto f = HandFile("melo", 1, "0100", {body});
        MFiData e(f.data(), static_cast<int>(f.size()), ShownLog());
        EXPECT_EQ(CountTexts(kDataInvalid), 1);
    }
}

// Files as other tools write them: 3,000 events this reader takes as empty,
// each after a note. Every note is read, and the kind is one finding for the
// file, counted, and one box.
TEST(MFiFileRead, ManyOddEventsGiveEveryNoteAndOneBoxPerKind) {
    const struct {
        const char* id;
        int byte12;                       // voice type, or track count
        std::vector<std::uint8_t> units;  // a note 10 ticks on, then the odd event
        const char* text;
    } kRows[] = {
        {"melo", 4, {10, 15, 5, 0x80, 0, 0xFF, 0xE6, 0}, "MFTK1F000014 Data is invalid!"},
        {"melo", 1, {10, 15, 5, 0, 0xFF, 0xB1, 0}, "MFTK1F000009 Unknown event has been found in MFiTrack!"},
        {"cmid", 4, {10, 15, 5, 0x80, 0, 0xFF, 0xF1, 0}, "MFTK1F00000D Invalid vibrato in MFiTrack!"},
        {"cmid", 1, {10, 15, 5, 0x80, 0, 0xFF, 0xEB, 0}, "MFDT20000006 Unknown event has been found in MFi!"},
    };
    for (const auto& r : kRows) {
        Sink().Clear();
        const std::size_t tracks = r.byte12 == 1 ? 1 : 4;
        std::vector<std::uint8_t> body;
        for (std::size_t i = 0; i < 3000 / tracks; ++i) body.insert(body.end(), r.units.begin(), r.units.end());
        const auto f = HandFile(r.id, r.byte12, "0200", std::vector(tracks, body));
        ReadLog log;
        MFiData mfi(f.data(), static_cast<int>(f.size()), log);
        MobileData model(kCapacity);
        mfi.ToMobileData(model);
        EXPECT_EQ(mobile_test::ModelNotes(model).size(), 3000u) << r.text;
        ASSERT_EQ(log.Findings().size(), 1u) << r.text;
        EXPECT_EQ(log.Findings()[0].count, 3000u);
        log.ShowAll();
        EXPECT_EQ(Sink().Texts(), std::vector<std::string>{r.text});
    }
}

// The "vers" sub-chunk's length one under, at and one over its four bytes:
// only the length that ends at its block is read.
TEST(MFiFaults, ASubChunkLengthMustEndAtItsBlock) {
    for (int delta : {-1, 0, 1}) {
        Sink().Clear();
        auto f = HandFile("melo", 1, "0100", {{0, 15, 48, 0, 0xFF, 0xDF, 0}});
        WriteBigEndian16(f.data() + 13 + 4, static_cast<std::uint16_t>(4 + delta));
        MFiData read(f.data(), static_cast<int>(f.size()), ShownLog());
        EXPECT_EQ(read.TrackCount(), delta == 0 ? 1 : 0) << delta;
        EXPECT_EQ(CountTexts(kHeaderSize), delta == 0 ? 0 : 1) << delta;
    }
}

TEST(MFiFaults, AnEventWithoutBytesKeepsItsDelta) {
    auto model = MakeModel({{false, 3, 100, {{0, 60, 10, 100}, {200, 62, 10, 100}}}});
    // A control no MFi form knows, between the notes.
    model->Slot(0)->InsertControl(model->Slot(0)->Count() - 2, 50, 99, 1);
    auto back = ReadBack(Write(*model, mfi_voice::kMelo4));
    EXPECT_EQ(CountTexts("MFTK1F000018 Command is invalid!"), 1);
    auto notes = SlotNotes(*back->Slot(0));
    ASSERT_EQ(notes.size(), 2u);
    // The control's 50 ticks stay with its NOP; the note stands after them.
    EXPECT_EQ(notes[1].time, 250);
    EXPECT_EQ(notes[1].pitch, 62);
}

TEST(MFiFaults, DrumsAVoiceTypeCannotPlayAreNamedOncePerTrack) {
    // Forty drum notes under a voice type without drums, and a cmid drum
    // part whose notes lie outside its two ranges: one box each, and the
    // notes are left out.
    std::vector<Note> hits;
    for (int i = 0; i < 40; ++i) hits.push_back({i * 48, 28, 10, 100});
    std::vector<Part> parts = {{false, 1, 100, {{0, 60, 10, 100}}}, {true, 28, 100, hits}};
    for (int type : {mfi_voice::kMelo1, mfi_voice::kCmid}) {
        Sink().Clear();
        auto back = ReadBack(Write(*MakeModel(parts), type));
        EXPECT_EQ(CountTexts("MFTK1F000013 Drum is invalid in MFiTrack!"), 1) << type;
        EXPECT_EQ(SlotNotes(*back->Slot(0)).size(), 1u) << type;
    }
}

TEST(MFiFaults, AnImagePastTheBlockIsRefused) {
    MFiData small(*MakeModel(kTwoParts), mfi_voice::kMelo4, 64);
    small.Serialise(0);
    EXPECT_EQ(small.Length(), 0);
    EXPECT_EQ(CountTexts("MFDT20000008 Error occured during memory allocation for MFi."), 1);
}

TEST(MFiReporters, EveryCodeHasItsText) {
    for (std::uint32_t code = 0x1F000001; code <= 0x1F00001A; ++code) {
        if (code == mftk::kRangeWarning || code == mftk::kBendWarning || code == mftk::kBend16Warning) continue;
        MFiTrack::ShowError(code);
    }
    for (std::uint32_t code : {1u, 2u, 3u, 5u, 6u, 7u, 8u, 9u, 10u}) ShowMfiDataError(0x20000000 + code);
    for (std::uint32_t code : {1u, 2u, 3u}) ShowMfiHeaderError(0x21000000 + code);
    for (const std::string& text : Sink().Texts()) {
        const std::string body = text.substr(13);
        EXPECT_NE(body, "Error occured in MFiTrack!") << text;
        EXPECT_NE(body, "Error occured in MFiData.") << text;
        EXPECT_NE(body, "Error occurred in MFiHeader!") << text;
    }
}
