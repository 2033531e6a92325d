#include "convert/audio/mld_layouts.h"

#include <algorithm>

#include "core/utilities.h"

namespace mld_image {

void Writer::Bytes(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) out_.push_back(b);
}

void Writer::Data(std::span<const std::uint8_t> bytes) {
    out_.reserve(out_.size() + bytes.size());
    for (std::uint8_t b : bytes) out_.push_back(b);
}

void Writer::Text(std::string_view text) {
    for (char c : text) out_.push_back(static_cast<std::uint8_t>(c));
}

void Writer::U16(std::uint16_t value) {
    std::uint8_t b[2];
    WriteBigEndian16(b, value);
    Bytes({b[0], b[1]});
}

void Writer::U32(std::uint32_t value) {
    std::uint8_t b[4];
    WriteBigEndian32(b, value);
    Bytes({b[0], b[1], b[2], b[3]});
}

void Writer::Patch16(std::size_t at, std::uint16_t value) { WriteBigEndian16(&out_[at], value); }

void Writer::Patch32(std::size_t at, std::uint32_t value) { WriteBigEndian32(&out_[at], value); }

namespace {
constexpr std::size_t kFileLengthAt = 4;
constexpr std::size_t kInfoLengthAt = 8;
constexpr std::size_t kInfoStart = 10;
constexpr std::size_t kMaxTitle = 255;
}  // namespace

void BeginImage(Writer& w, std::uint8_t first, std::string_view title, const char* version) {
    w.Text("melo");
    w.U32(0);
    w.U16(0);
    w.Bytes({first, 0x01, 0x01});
    SubChunk(w, "sorc", {0x00});
    title = title.substr(0, std::min(title.size(), kMaxTitle));
    w.Text("titl");
    w.U16(static_cast<std::uint16_t>(title.size()));
    w.Text(title);
    w.Text("vers");
    w.U16(4);
    w.Text(version);
}

void SubChunk(Writer& w, const char* id, std::initializer_list<std::uint8_t> body) {
    w.Text(id);
    w.U16(static_cast<std::uint16_t>(body.size()));
    w.Bytes(body);
}

void EndInformation(Writer& w) {
    w.Patch16(kInfoLengthAt, static_cast<std::uint16_t>(w.Size() - kInfoStart));
}

std::size_t BeginChunk(Writer& w, const char* id) {
    w.Text(id);
    std::size_t at = w.Size();
    w.U32(0);
    return at;
}

void EndChunk(Writer& w, std::size_t lengthAt) {
    w.Patch32(lengthAt, static_cast<std::uint32_t>(w.Size() - lengthAt - 4));
}

void EndImage(Writer& w) {
    w.Patch32(kFileLengthAt, static_cast<std::uint32_t>(w.Size() - 8));
}

void TimingTail(Writer& w, std::uint64_t ticks) {
    for (std::uint64_t i = 0; i < ticks / 255; ++i) w.Bytes({0xFF, 0xFF, 0xDE, 0x00});
    w.Bytes({static_cast<std::uint8_t>(ticks % 255), 0xFF, 0xDF, 0x00});
}

}  // namespace mld_image

namespace {

using mld_image::Writer;

// The rate letter of the voice-data heads.
std::uint8_t RateLetter(int format, int rate) {
    switch (rate) {
    case 4000: return 'D';
    case 16000: return (format == 4 || format == 5) ? 'F' : 'M';
    case 32000: return 'U';
    default: return 'E';
    }
}

// How a record lays its data into voice-data events.
struct PieceRule {
    std::size_t maxPiece;  // data bytes of a full event
    bool many;             // false: one event, the rest is left out
};

PieceRule PieceRuleOf(int format) {
    switch (format) {
    case 1: case 11: return {kMaxEventData, false};
    case 2: return {kMaxN2Piece, true};
    case 6: case 8: case 10: return {65526, true};
    case 7: return {65528, false};
    case 18: return {kMaxLgEventData, false};
    default: return {kMaxEventData, true};
    }
}

void StartEvents(Writer& w, int format) {
    if (format == 18) {
        w.Bytes({0x00, 0xFF, 0xD0, 0x00, 0x00, 0xFF, 0xCB, 0x64, 0x00, 0xFF, 0xB0, 0x7F});
        w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x06, 0xF1, 0x08, 0x00, 0x0F, 0x81, 0x3F});
        w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x06, 0xF1, 0x08, 0x00, 0x0F, 0x82, 0x20});
        return;
    }
    w.Bytes({0x00, 0xFF, 0xD0, 0x00, 0x00, 0xFF, 0xCA, 0x80});
    if (format == 10)
        w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x0E, 0x71, 0x8F, 0x81, 0x01, 0x01, 0x89, 0x01, 0x01,
                 0x83, 0x01, 0x01, 0x8B, 0x01, 0x01});
    std::uint8_t p = format == 6 ? 0x41 : format == 8 ? 0x31 : 0x71;
    if (format == 6 || format == 8 || format == 9 || format == 10)
        w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x03, p, 0x81, 0x3F});
}

// The head of voice-data event `piece` of a record, after the length.
void EventHead(Writer& w, const VoiceImageInput& in, std::size_t piece, bool last) {
    const int f = in.format;
    const std::uint8_t z = RateLetter(f, in.rate);
    const std::uint8_t more = last ? 0x00 : 0x01;
    const auto rate16 = static_cast<std::uint16_t>(in.rate);
    switch (f) {
    case 1: w.Bytes({0x11, 0xF0, 0x02, 0x01, std::uint8_t(in.rate == 8000 || in.rate == 16000)}); break;
    case 2:
        w.Bytes({0x11, 0x01, 0xF0, 0x07, static_cast<std::uint8_t>(piece), 0x01});
        w.U16(rate16);
        break;
    case 3: case 4: case 5: case 9: {
        const std::uint8_t k = f == 3 ? 0x61 : f == 4 ? 0x21 : f == 5 ? 0x41 : 0x71;
        w.Bytes({k, std::uint8_t(f == 5 && in.rate == 16000 ? 0x86 : 0x83), 0x00, z, more});
        break;
    }
    case 6: case 8: case 10:
        w.Bytes({std::uint8_t(f == 6 ? 0x41 : f == 8 ? 0x31 : 0x71), 0x84, 0x00, z, more});
        w.U32(piece == 0 ? static_cast<std::uint32_t>(in.left.size()) : 0);
        break;
    case 7:
        w.Bytes({0x31, 0x10, 0x07, 0x00, 0x01});
        w.U16(rate16);
        break;
    case 11: w.Bytes({0x81, 0x83, 0x00, z, 0x00}); break;
    default:  // 18
        w.Bytes({0xF1, 0x08, 0x00, 0x0F, 0x88, 0x00, std::uint8_t(in.rate == 16000 ? 0x06 : 0x05), 0x00});
        break;
    }
}

// One voice-data event: 00 FF FF, the length of what follows, head, data.
void VoiceEvent(Writer& w, const VoiceImageInput& in, std::span<const std::uint8_t> piece,
                std::size_t index, bool last) {
    w.Bytes({0x00, 0xFF, 0xFF});
    std::size_t lengthAt = w.Size();
    w.U16(0);
    EventHead(w, in, index, last);
    w.Data(piece);
    w.Patch16(lengthAt, static_cast<std::uint16_t>(w.Size() - lengthAt - 2));
}

// Record 2's play events, one per piece, each followed by the piece's waits.
void N2PlayEvents(Writer& w, const VoiceImageInput& in, std::size_t pieces) {
    for (std::size_t i = 0; i < pieces; ++i) {
        const std::size_t begin = i * kMaxN2Piece;
        const std::size_t bytes = std::min(kMaxN2Piece, in.left.size() - begin);
        w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x06, 0x11, 0x01, 0xF1,
                 std::uint8_t(i % 2 == 0 ? 0x03 : 0x43), static_cast<std::uint8_t>(i), 0x7F});
        std::uint64_t ticks =
            in.adpcmByteRate == 0 ? 0 : std::uint64_t(bytes) * 128 / in.adpcmByteRate;
        for (; ticks > 0; ticks -= std::min<std::uint64_t>(ticks, 255))
            w.Bytes({static_cast<std::uint8_t>(std::min<std::uint64_t>(ticks, 255)), 0xFF, 0xDE, 0x00});
    }
}

void ClosingEvents(Writer& w, const VoiceImageInput& in, std::size_t pieces) {
    switch (in.format) {
    case 2: N2PlayEvents(w, in, pieces); break;
    case 7: w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x05, 0x31, 0x10, 0x09, 0x00, 0x64}); break;
    case 8: w.Bytes({0x00, 0xFF, 0xD0, 0x00}); break;
    case 18:
        w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x08, 0xF1, 0x08, 0x00, 0x0F, 0x88, 0x00, 0x85, 0x00});
        w.Bytes({static_cast<std::uint8_t>(in.duration % 256), 0xFF, 0xDC,
                 static_cast<std::uint8_t>(in.duration / 256)});
        break;
    default: w.Bytes({0x00, 0xFF, 0xDE, 0x00}); break;
    }
}

const char* OneChannelVersion(int format) {
    if (format == 1 || format == 3 || format == 5) return "0200";
    return format == 18 ? "0301" : "0300";
}

}  // namespace

LayoutStatus BuildOneChannelImage(const VoiceImageInput& in, std::vector<std::uint8_t>& out) {
    out.clear();
    Writer w(out);
    mld_image::BeginImage(w, in.format == 18 ? 0x02 : 0x01, in.title, OneChannelVersion(in.format));
    if (in.format == 18) mld_image::SubChunk(w, "note", {0x00, 0x01});
    mld_image::EndInformation(w);

    std::size_t trac = mld_image::BeginChunk(w, "trac");
    StartEvents(w, in.format);
    std::span<const std::uint8_t> data = in.left;
    if (in.format == 18) data = data.first(data.size() < 5 ? 0 : data.size() - 5);
    const PieceRule rule = PieceRuleOf(in.format);
    bool cut = false;
    if (!rule.many && data.size() > rule.maxPiece) {
        data = data.first(rule.maxPiece);
        cut = true;
    }
    // At least one event, even for an empty voice; every loop step uses one piece.
    std::size_t pieces = std::max<std::size_t>(1, (data.size() + rule.maxPiece - 1) / rule.maxPiece);
    for (std::size_t i = 0; i < pieces; ++i) {
        std::size_t begin = i * rule.maxPiece;
        std::size_t bytes = std::min(rule.maxPiece, data.size() - begin);
        VoiceEvent(w, in, data.subspan(begin, bytes), i, i + 1 == pieces);
    }
    ClosingEvents(w, in, pieces);
    if (in.format == 2)
        w.Bytes({0x00, 0xFF, 0xDF, 0x00});
    else
        mld_image::TimingTail(w, in.ticks);
    mld_image::EndChunk(w, trac);
    mld_image::EndImage(w);
    return cut ? LayoutStatus::kCut : LayoutStatus::kOk;
}

namespace {

// The parameter key and second parameter byte of a two-channel record.
struct StereoKeys {
    std::uint8_t k;
    std::uint8_t q;
};

StereoKeys StereoKeysOf(int format) {
    switch (format) {
    case 13: return {0x41, 0x80};
    case 15: return {0x11, 0x80};
    case 16: return {0x71, 0x82};
    default: return {0x21, 0x82};  // 17
    }
}

void StereoStartEvents(Writer& w, int format, int rate) {
    const StereoKeys keys = StereoKeysOf(format);
    if (format == 16) {
        const std::uint8_t a = rate == 16000 ? 0x02 : 0x01;
        const std::uint8_t b = rate == 16000 ? 0x04 : 0x02;
        w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x0E, 0x71, 0x8F, 0x81, 0x01, a, 0x89, 0x01, a,
                 0x83, 0x01, b, 0x8B, 0x01, b});
        w.Bytes({0x00, 0xFF, 0xD0, 0x00, 0x00, 0xFF, 0xCB, 0x64, 0x00, 0xFF, 0xB0, 0x7F});
    } else {
        w.Bytes({0x00, 0xFF, 0xC2, 0x32, 0x00, 0xFF, 0xB0, 0x7F});
    }
    w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x03, keys.k, 0x81, 0x3F});
    w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x03, keys.k, 0x81, 0x7F});
    w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x03, keys.k, keys.q, 0x00});
    w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x03, keys.k, keys.q, 0x7F});
}

// One channel's voice-data event; channel 0x00 is the left, 0x41 the right.
void StereoVoiceEvent(Writer& w, std::span<const std::uint8_t> data, std::uint8_t channel,
                      std::uint8_t r) {
    w.Bytes({0x00, 0xFF, 0xFF});
    w.U16(static_cast<std::uint16_t>(5 + data.size()));
    w.Bytes({0x41, 0x86, channel, r, 0x00});
    w.Data(data);
}

const char* TwoChannelVersion(int format) { return format == 13 ? "0301" : "0300"; }

}  // namespace

LayoutStatus BuildTwoChannelImage(const VoiceImageInput& in, std::vector<std::uint8_t>& out) {
    out.clear();
    if (in.rate == 4000) return LayoutStatus::kStereo4000;
    if (in.rate != 8000 && in.rate != 16000) return LayoutStatus::kUnsupportedRate;
    Writer w(out);
    mld_image::BeginImage(w, in.format == 15 ? 0x01 : 0x02, in.title, TwoChannelVersion(in.format));
    mld_image::SubChunk(w, "note", {0x00, 0x01});
    mld_image::EndInformation(w);

    std::size_t trac = mld_image::BeginChunk(w, "trac");
    StereoStartEvents(w, in.format, in.rate);
    const std::uint8_t r = in.rate == 16000 ? 0x06 : 0x05;
    const bool cut = in.left.size() > kMaxEventData || in.right.size() > kMaxEventData;
    StereoVoiceEvent(w, in.left.first(std::min(in.left.size(), kMaxEventData)), 0x00, r);
    StereoVoiceEvent(w, in.right.first(std::min(in.right.size(), kMaxEventData)), 0x41, r);
    const std::uint8_t k = StereoKeysOf(in.format).k;
    const auto played = static_cast<std::uint8_t>(r + 0x80);
    w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x05, k, 0x86, 0x00, played, 0x00});
    w.Bytes({0x00, 0xFF, 0xFF, 0x00, 0x05, k, 0x86, 0x41, played, 0x00});
    w.Bytes({0x00, 0xFF, 0xDE, 0x00});
    if (in.format == 15 || in.format == 16)
        w.Bytes({0x00, 0xFF, 0xDF, 0x00});
    else
        mld_image::TimingTail(w, in.ticks);
    mld_image::EndChunk(w, trac);
    mld_image::EndImage(w);
    return cut ? LayoutStatus::kCut : LayoutStatus::kOk;
}
