#include "convert/ringtone/smaf_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string_view>

#include "convert/input_types.h"
#include "convert/ringtone/smaf_chunk.h"
#include "core/reporters.h"
#include "midi/f1_data.h"
#include "tests/convert/mobile_test_util.h"
#include "tests/convert/smaf_test_util.h"

using namespace smaf_test;
using mobile_test::CountTexts;
using mobile_test::SlotControls;
using mobile_test::SlotNotes;
using testing_support::Sink;

namespace {

const char kTrackCount[] = "SMDT19000003 The number of track is invalid!";
const char kChunkSize[] = "SMCD1A000001 Chank data size is invalid!";
const char kFileType[] = "SMLD18000002 File Type is invalid!";

// CRC-16/GENIBUS bit by bit, apart from the table the writer uses.
std::uint16_t BitCrc(const std::vector<std::uint8_t>& bytes, std::size_t n) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= static_cast<std::uint16_t>(bytes[i] << 8);
        for (int b = 0; b < 8; ++b)
            crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<std::uint16_t>(~crc);
}

bool Contains(const std::vector<std::uint8_t>& hay, std::initializer_list<int> needle) {
    std::vector<std::uint8_t> n;
    for (int b : needle)
        n.push_back(static_cast<std::uint8_t>(b));
    return std::search(hay.begin(), hay.end(), n.begin(), n.end()) != hay.end();
}

// The ids of the chunks in the "MMMD" contents.
std::vector<std::string> TopIds(const std::vector<std::uint8_t>& image) {
    std::vector<std::string> out;
    ReadLog log;
    for (const SmafChunk& c : WalkSmafChunks(std::span(image).subspan(8, image.size() - 10), log))
        out.emplace_back(c.id.substr(0, 3));
    return out;
}

// The image again with its length and CRC made right.
std::vector<std::uint8_t> Reseal(std::vector<std::uint8_t> f) {
    f.resize(f.size() - 2);
    WriteBigEndian32(f.data() + 4, static_cast<std::uint32_t>(f.size() - 8 + 2));
    const std::uint16_t crc = BitCrc(f, f.size());
    f.push_back(static_cast<std::uint8_t>(crc >> 8));
    f.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    return f;
}

SmafEvent NoteAt(long long time, int channel, int pitch, int gate, int velocity = 64) {
    SmafEvent e;
    e.time = time;
    e.kind = mobile_kind::kNote;
    e.channel = channel;
    e.note = pitch;
    e.gate = gate;
    e.velocity = velocity;
    return e;
}

const std::vector<Part> kTwoParts = {{false, 5, 100, {{0, 60, 96, 100}, {96, 64, 600, 81}}},
                                     {true, 38, 90, {{0, 38, 48, 127}}}};

}  // namespace

TEST(SmafFile, CrcAndLengthCoverTheWholeImage) {
    EXPECT_EQ(SmafCrc16(std::span(reinterpret_cast<const std::uint8_t*>("123456789"), 9)), 0xD64E);
    auto model = mfi_test::MakeModel(kTwoParts);
    for (const auto& f : {WriteCompact(*model, 16), WriteCompact(*model, 4), WriteMa3(*model, 32), WriteMa3(*model, 33)}) {
        ASSERT_GT(f.size(), 10u);
        EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "MMMD");
        EXPECT_EQ(ReadBigEndian32(f.data() + 4), f.size() - 8);
        EXPECT_EQ(ReadBigEndian16(f.data() + f.size() - 2), BitCrc(f, f.size() - 2));
        SmafFileLoader loader(f);
        loader.Log().ShowAll();
        ASSERT_TRUE(loader.Data() || loader.Ma3Data());
        const SmafData& read = loader.Data() ? *loader.Data() : *loader.Ma3Data();
        EXPECT_EQ(read.StoredCrc(), ReadBigEndian16(f.data() + f.size() - 2));
    }
    EXPECT_EQ(TopIds(WriteCompact(*model, 16)), (std::vector<std::string>{"CNT", "MTR"}));
    EXPECT_EQ(TopIds(WriteMa3(*model, 32)), (std::vector<std::string>{"CNT", "OPD", "MTR"}));
    // The drum tone a 4-voice setup leaves out, the drum program of each
    // 32-voice write; nothing else.
    EXPECT_EQ(CountTexts("SMCD1A000015 Setup data is wrong!"), 1);
    EXPECT_EQ(CountTexts("SMCD1A000010 Program change is wrong!"), 3);
    EXPECT_EQ(Sink().Texts().size(), 4u);
}

TEST(SmafFile, VariantsDifferInCodeTypeAndSeekChunk) {
    auto model = mfi_test::MakeModel(kTwoParts);
    auto v32 = WriteMa3(*model, 32);
    auto v33 = WriteMa3(*model, 33);
    EXPECT_EQ(v32[18], 0x01);
    EXPECT_EQ(v33[18], 0x00);
    EXPECT_EQ(v32[17], 0x32);
    const std::string mspi = "MspI";
    EXPECT_NE(std::search(v32.begin(), v32.end(), mspi.begin(), mspi.end()), v32.end());
    EXPECT_EQ(std::search(v33.begin(), v33.end(), mspi.begin(), mspi.end()), v33.end());
    const std::string vn = "VN\x00\x03ZAW";
    EXPECT_NE(std::search(v33.begin(), v33.end(), vn.begin(), vn.end()), v33.end());
    EXPECT_TRUE(IsSmafMa3Image(v32));
    EXPECT_FALSE(IsSmafMa3Image(WriteCompact(*model, 16)));
    // The 4-voice form: one track numbered 0, no seek chunk.
    auto four = WriteCompact(*model, 4);
    SmafData read(four.data(), static_cast<int>(four.size()));
    ASSERT_EQ(read.TrackCount(), 1);
    EXPECT_EQ(read.Track(0)->number, 0);
    EXPECT_FALSE(read.Track(0)->hasSeekPhrase);
    EXPECT_EQ(read.Track(0)->toneRecords, 1);  // the drum tone is left out
    EXPECT_EQ(CountTexts("SMCD1A000015 Setup data is wrong!"), 1);
}

TEST(SmafFile, RefusedImages) {
    auto model = mfi_test::MakeModel(kTwoParts);
    auto good = WriteCompact(*model, 16);
    // An "OPDA" chunk in the compact form.
    auto opda = good;
    const std::vector<std::uint8_t> chunk = {'O', 'P', 'D', 'A', 0, 0, 0, 0};
    opda.insert(opda.begin() + 8 + 8 + ReadBigEndian32(good.data() + 12), chunk.begin(), chunk.end());
    SmafData a(Reseal(opda).data(), static_cast<int>(opda.size()));
    a.Log().ShowAll();
    EXPECT_EQ(CountTexts("SMCD1A000019 File format is invalid!"), 1);
    EXPECT_EQ(a.TrackCount(), 0);
    // Byte 17 = 0x20, and files too short to hold it.
    auto typed = good;
    typed[17] = 0x20;
    SmafFileLoader b(typed);
    b.Log().ShowAll();
    EXPECT_FALSE(b.Data() || b.Ma3Data());
    for (std::size_t n : {0u, 1u, 17u, 19u}) {
        SmafFileLoader c(std::span<const std::uint8_t>(good).first(n));
        c.Log().ShowAll();
        EXPECT_FALSE(c.Data() || c.Ma3Data());
    }
    EXPECT_EQ(CountTexts(kFileType), 5);
    SmafData d(reinterpret_cast<const std::uint8_t*>("RIFF0000WAVE"), 12);
    d.Log().ShowAll();
    EXPECT_EQ(CountTexts("SMDT19000001 This is not a SMAF file!"), 1);
}

TEST(SmafFile, GroupsBeyondTheFormAreRefused) {
    std::vector<Part> parts(17, Part{false, 1, 100, {{0, 60, 10, 100}}});
    auto model = mfi_test::MakeModel(parts);
    SmafData sixteen(*model, 16);
    EXPECT_EQ(CountTexts(kTrackCount), 1);
    EXPECT_EQ(sixteen.TrackCount(), 4);
    // Five in-use slots on a 4-voice handset: one track of the first four,
    // which our reader takes.
    Sink().Clear();
    parts.resize(5);
    auto four = WriteCompact(*mfi_test::MakeModel(parts), 4);
    EXPECT_EQ(CountTexts(kTrackCount), 1);
    SmafData read(four.data(), static_cast<int>(four.size()));
    ASSERT_EQ(read.TrackCount(), 1);
    EXPECT_EQ(SlotNotes(*read.ToMobileData()->Slot(3)).size(), 1u);
}

// A chunk length one under, at and one over the bytes after its head: only
// a chunk whose bytes are all there is taken.
TEST(SmafFile, AChunkIsTakenOnlyWhenItsBytesAreThere) {
    struct Row {
        int delta;
        std::size_t chunks;
        int boxes;
    };
    for (const Row r : {Row{-1, 1, 1}, Row{0, 1, 0}, Row{1, 0, 1}}) {
        Sink().Clear();
        const std::vector<std::uint8_t> bytes = {'M', 'T', 'R', 1, 0, 0, 0, static_cast<std::uint8_t>(5 + r.delta),
                                                 1, 2, 3, 4, 5};
        ReadLog log;
        const auto chunks = WalkSmafChunks(bytes, log);
        log.ShowAll();
        ASSERT_EQ(chunks.size(), r.chunks) << r.delta;
        if (r.chunks) {
            EXPECT_EQ(chunks[0].contents.size(), static_cast<std::size_t>(5 + r.delta));
        }
        EXPECT_EQ(CountTexts(kChunkSize), r.boxes) << r.delta;
    }
}

// The "MMMD" size one under, at, one over and far past the file: a size
// that does not match the chunks is named once and the file refused whole.
TEST(SmafFile, ASizeThatDoesNotFitTheFileRefusesIt) {
    const auto good = WriteCompact(*mfi_test::MakeModel(kTwoParts), 16);
    for (std::uint32_t size :
         {good.size() - 9, good.size() - 8, good.size() - 7, std::size_t{0xFFFFFFFF}}) {
        auto f = good;
        WriteBigEndian32(f.data() + 4, size);
        Sink().Clear();
        SmafData read(f.data(), static_cast<int>(f.size()));
        read.Log().ShowAll();
        const bool whole = size == good.size() - 8;
        EXPECT_EQ(CountTexts(kChunkSize), whole ? 0 : 1) << size;
        EXPECT_EQ(mobile_test::ModelNotes(*read.ToMobileData()).size(), whole ? 3u : 0u) << size;
    }
}

// The score track's head gives each channel's kind: a drum part on each
// channel of the group in turn, in both compact forms.
TEST(SmafFile, TheScoreTrackHeadGivesEachChannelsKind) {
    for (int voices : {4, 16}) {
        for (int drumAt = 0; drumAt < 4; ++drumAt) {
            std::vector<Part> parts(4, Part{false, 1, 100, {{0, 60, 10, 100}}});
            parts[static_cast<std::size_t>(drumAt)] = Part{true, 38, 100, {{0, 38, 10, 100}}};
            const auto f = WriteCompact(*mfi_test::MakeModel(parts), voices);
            const std::string id = {'M', 'T', 'R', static_cast<char>(voices == 4 ? 0 : 1)};
            const auto at = std::search(f.begin(), f.end(), id.begin(), id.end());
            ASSERT_LT(at + 14, f.end());
            const int kinds = at[8 + 4] << 8 | at[8 + 5];
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(kinds >> (12 - 4 * c) & 0xF, c == drumAt ? 0x3 : 0xA) << voices << " " << drumAt;
        }
    }
}

TEST(SmafCodec, DurationsAndNotes) {
    std::vector<std::uint8_t> b, a, s;
    AppendSmafDurationB(b, 200);
    AppendSmafDurationA(a, 200);
    AppendSmafDurationB(s, 127);
    EXPECT_EQ(b, (std::vector<std::uint8_t>{0x80, 0x48}));
    EXPECT_EQ(a, (std::vector<std::uint8_t>{0x81, 0x48}));
    EXPECT_EQ(s, (std::vector<std::uint8_t>{0x7F}));
    // 48: octave 0 tone 12; 49: octave 1 tone 1 (at 120 per minute 96
    // ticks are 100 units).
    auto model = mfi_test::MakeModel({{false, 5, 100, {{0, 48, 48, 100}, {96, 49, 48, 100}, {192, 60, 48, 100},
                                                       {288, 100, 48, 100}}}});
    auto seq = SmafData(*model, 16).Track(0)->sequence;
    EXPECT_TRUE(Contains(seq, {0x00, 0x0C, 0x32, 0x64, 0x11, 0x32}));
    // 100 after notes in range: shift 2 first, then written as 76.
    EXPECT_TRUE(Contains(seq, {0x64, 0x00, 0x32, 0x02, 0x00, 0x34, 0x32}));
    // A note the shifts do not move (a drum channel with a shift of its own).
    std::vector<SmafEvent> raw = {NoteAt(0, 0, 36, 10)};
    raw.insert(raw.begin(), SmafEvent{0, mobile_kind::kControl, 0, smaf_code::kOctaveShift, 0, 0, 0, 0, {}});
    EncodeSmafSequenceB(raw, {true, false, false, false}, -1, -1, 0);
    EXPECT_EQ(CountTexts("SSQD1B000010 Octave Error!"), 1);
}

TEST(SmafCodec, RunningVelocityOfFlavourA) {
    std::vector<SmafEvent> events = {NoteAt(0, 2, 60, 10), NoteAt(10, 2, 62, 10), NoteAt(20, 2, 64, 10, 90),
                                     NoteAt(30, 2, 65, 10, 90), NoteAt(40, 3, 65, 10, 90)};
    auto bytes = EncodeSmafSequenceA(events, 200, nullptr).bytes;
    EXPECT_TRUE(Contains(bytes, {0x00, 0x82, 60, 10, 10, 0x82, 62, 10, 10, 0x92, 64, 90, 10, 10, 0x82, 65, 10,
                                 10, 0x93, 65, 90}));
    ReadLog log;
    auto back = DecodeSmafSequenceA(bytes, kCapacity, log);
    std::vector<int> velocities;
    for (int i = 0; i < back->Count(); ++i)
        if (back->Event(i)->kind == mobile_kind::kNote) velocities.push_back(back->Event(i)->velocity);
    EXPECT_EQ(velocities, (std::vector<int>{64, 64, 90, 90, 90}));
}

namespace {

// Where the bytes first hold the id.
std::size_t Find(const std::vector<std::uint8_t>& f, std::string_view id) {
    return static_cast<std::size_t>(std::search(f.begin(), f.end(), id.begin(), id.end()) - f.begin());
}

// The image without the score track's sub-chunk id, its lengths made right.
std::vector<std::uint8_t> WithoutSubChunk(std::vector<std::uint8_t> f, std::string_view id) {
    const std::size_t track = Find(f, "MTR");
    const std::size_t at = Find(f, id);
    const std::uint32_t n = 8 + ReadBigEndian32(f.data() + at + 4);
    f.erase(f.begin() + static_cast<std::ptrdiff_t>(at), f.begin() + static_cast<std::ptrdiff_t>(at + n));
    WriteBigEndian32(f.data() + track + 4, ReadBigEndian32(f.data() + track + 4) - n);
    return Reseal(f);
}

// The image with a graphics track of another tool before the score track.
std::vector<std::uint8_t> WithGraphicsFirst(std::vector<std::uint8_t> f) {
    const std::vector<std::uint8_t> chunk = {'G', 'T', 'R', 0, 0, 0, 0, 4, 'M', 'T', 'R', 1};
    f.insert(f.begin() + static_cast<std::ptrdiff_t>(Find(f, "MTR")), chunk.begin(), chunk.end());
    return Reseal(f);
}

std::vector<std::uint8_t> WithByte(std::vector<std::uint8_t> f, std::size_t at, std::uint8_t value) {
    f[at] = value;
    return Reseal(f);
}

// A melody whose every note follows an expression change, every fifth a
// modulation change, as the tools that write controllers make it.
std::unique_ptr<MobileData> ControllerModel(int notes) {
    auto model = std::make_unique<MobileData>(kCapacity);
    auto slot = std::make_unique<MobileChanelData>(0, MobileChanelData::kKindMelodic, kCapacity);
    slot->enabled = 1;
    slot->AppendControl(0, mobile_code::kTempo, 500000);
    slot->AppendControl(0, mobile_code::kProgram, 1);
    for (int i = 0; i < notes; ++i) {
        slot->AppendControl(i ? 48 : 0, mobile_code::kExpression, 40 + i);
        if (i % 5 == 0) slot->AppendControl(0, mobile_code::kModulation, i);
        slot->AppendNote(0, 60 + i % 12, 40, 100);
    }
    slot->AppendControl(48, mobile_code::kEndOfTrack, 0);
    model->AddSlot(std::move(slot));
    return model;
}

// The modulation changes (B0 01) as the other controllers the reader knows,
// in turn: sustain, bank low, bend range, 71 and 74.
std::vector<std::uint8_t> WithOtherControllers(std::vector<std::uint8_t> f) {
    constexpr std::uint8_t kOthers[] = {1, 64, 32, 15, 71, 74};
    std::size_t turn = 0;
    for (std::size_t i = Find(f, "Mtsq"); i + 2 < f.size(); ++i)
        if (f[i] == 0xB0 && f[i + 1] == 0x01) f[i + 1] = kOthers[turn++ % std::size(kOthers)];
    return Reseal(f);
}

struct ReadBack {
    std::unique_ptr<MobileData> model;
    int midiNotes = 0;
    int expressions = 0;
};

// The file through the input table as a user's ".mmf", and into a tune.
ReadBack ReadAsInput(const std::vector<std::uint8_t>& f) {
    const InputType& type = FindInputType(f, "mmf");
    ReadLog log;
    ReadBack back{type.read ? type.read(f, log) : nullptr};
    log.ShowAll();
    if (!back.model) return back;
    MidiF1Data song(back.model->division, kCapacity);
    back.model->ToMidiF1Data(song);
    for (int t = 0; t < song.TrackCount(); ++t)
        for (int i = 0; i < song.Track(t)->EventCount(); ++i) {
            const MidiEvent& e = *song.Track(t)->Event(i);
            back.midiNotes += e.kind == event_kind::kNote;
            back.expressions += e.kind == event_kind::kControlChange && e.subtype == 11;
        }
    return back;
}

}  // namespace

// Files made by other tools: any status byte, no seek-and-phrase or setup
// chunk, a chunk of their own before the score track, controllers on every
// note. All their notes are read, without a box.
TEST(SmafReadBack, FilesOfOtherToolsGiveAllTheirNotes) {
    const auto two = mfi_test::MakeModel(kTwoParts);
    const auto controlled = ControllerModel(45);
    auto ma3Six = WriteMa3(*two, 33);
    ma3Six[Find(ma3Six, "MTR") + 3] = 6;
    struct Row {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::size_t notes;
        int expressions;
    };
    const std::vector<Row> rows = {
        {"MA-3 status F8", WithByte(WriteMa3(*two, 32), 19, 0xF8), 3, 0},
        {"MA-3 track 6 status FD", WithByte(ma3Six, 19, 0xFD), 3, 0},
        {"MA-3 without setup", WithoutSubChunk(WriteMa3(*two, 32), "Mtsu"), 3, 0},
        {"MA-3 graphics first", WithGraphicsFirst(WithByte(WriteMa3(*two, 32), 19, 0xF8)), 3, 0},
        {"MA-3 controllers", WithOtherControllers(WriteMa3(*controlled, 32)), 45, 45},
        {"MA-2 without seek", WithoutSubChunk(WriteCompact(*two, 16), "MspI"), 3, 0},
        {"MA-2 without setup", WithoutSubChunk(WriteCompact(*two, 16), "Mtsu"), 3, 0},
        {"MA-2 graphics first", WithGraphicsFirst(WriteCompact(*two, 16)), 3, 0},
    };
    for (const Row& r : rows) {
        Sink().Clear();
        const ReadBack back = ReadAsInput(r.bytes);
        ASSERT_NE(back.model, nullptr) << r.name << ": " << ::testing::PrintToString(Sink().Texts());
        EXPECT_EQ(mobile_test::ModelNotes(*back.model).size(), r.notes) << r.name;
        EXPECT_EQ(back.midiNotes, static_cast<int>(r.notes)) << r.name;
        EXPECT_EQ(back.expressions, r.expressions) << r.name;
        EXPECT_EQ(Sink().Count(), 0u) << r.name << ": " << ::testing::PrintToString(Sink().Texts());
    }
}

// Files that cannot be read are refused with one finding and give nothing.
TEST(SmafReadBack, DamagedFilesAreRefusedWithOneFinding) {
    const auto compact = WriteCompact(*mfi_test::MakeModel(kTwoParts), 16);
    const auto ma3 = WriteMa3(*ControllerModel(20), 32);
    auto endless = compact;
    WriteBigEndian32(endless.data() + 12, 0xFFFFFFFF);
    std::vector<std::uint8_t> headOnly(compact.begin(), compact.begin() + 16 + ReadBigEndian32(compact.data() + 12));
    headOnly.resize(headOnly.size() + 2);  // the CRC
    const std::vector<std::vector<std::uint8_t>> files = {
        {'M', 'M', 'M', 'D'},
        std::vector<std::uint8_t>(compact.begin(), compact.begin() + static_cast<std::ptrdiff_t>(compact.size() / 2)),
        std::vector<std::uint8_t>(ma3.begin(), ma3.begin() + static_cast<std::ptrdiff_t>(ma3.size() / 2)),
        endless,
        WithByte(ma3, Find(ma3, "MTR") + 8, 0x01),  // a compressed sequence
        Reseal(headOnly),                            // no score track
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        Sink().Clear();
        EXPECT_TRUE(ReadAsInput(files[i]).model == nullptr) << i;
        EXPECT_EQ(Sink().Count(), 1u) << i << ": " << ::testing::PrintToString(Sink().Texts());
    }
}
