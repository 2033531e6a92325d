// The images of ring-voice ".mld" files: a "melo" header with its
// information block, then one track whose events carry the ADPCM voice.
// The builders are pure: they return a status and the caller shows what the
// user should see.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// What every layout is built from.
struct VoiceImageInput {
    int format = 0;                    // ring-voice record number
    int rate = 8000;                   // sample rate the file declares
    std::string_view title;            // at most 255 bytes are written
    std::span<const std::uint8_t> left;   // the voice data, or its left channel
    std::span<const std::uint8_t> right;  // the right channel (two-channel layout)
    std::uint32_t duration = 0;        // voice length in 5 ms units
    std::uint64_t ticks = 0;           // voice length in 1/128 s
    std::uint32_t adpcmByteRate = 0;   // encoded bytes per second of one channel
};

enum class LayoutStatus {
    kOk,
    kCut,               // built, but voice data beyond an event's room was left out
    kStereo4000,        // two channels at 4000 Hz cannot be played
    kUnsupportedRate,   // a two-channel record asked for a rate it lacks
};

// Bytes of voice data one event of a record can hold at most.
constexpr std::size_t kMaxEventData = 65530;
constexpr std::size_t kMaxLgEventData = 65527;
constexpr std::size_t kMaxN2Piece = 65504;

// Records 1 to 11 and 18.
LayoutStatus BuildOneChannelImage(const VoiceImageInput& in, std::vector<std::uint8_t>& out);
// Records 13, 15, 16 and 17.
LayoutStatus BuildTwoChannelImage(const VoiceImageInput& in, std::vector<std::uint8_t>& out);

// The pieces of the image builders, shared with CMldVoice.
namespace mld_image {

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
    void Byte(std::uint8_t b) { out_.push_back(b); }
    void Bytes(std::initializer_list<std::uint8_t> bytes);
    void Data(std::span<const std::uint8_t> bytes);
    void Text(std::string_view text);
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    std::size_t Size() const { return out_.size(); }
    // Overwrites a 16- or 32-bit big-endian number written before.
    void Patch16(std::size_t at, std::uint16_t value);
    void Patch32(std::size_t at, std::uint32_t value);

private:
    std::vector<std::uint8_t>& out_;
};

// "melo", the length to patch, the information length to patch, the three
// header bytes, "sorc", "titl" and "vers".
void BeginImage(Writer& w, std::uint8_t first, std::string_view title, const char* version);
// A sub-chunk of the information block.
void SubChunk(Writer& w, const char* id, std::initializer_list<std::uint8_t> body);
// Sets the information length to what stands between it and the current end.
void EndInformation(Writer& w);
// Starts a 32-bit-length chunk and returns where its length stands.
std::size_t BeginChunk(Writer& w, const char* id);
// Sets a chunk's length to the bytes after it.
void EndChunk(Writer& w, std::size_t lengthAt);
// Sets the file length field.
void EndImage(Writer& w);
// Waits adding up to ticks: full waits of 255 as FF FF DE 00, then the rest
// in the closing FF DF 00.
void TimingTail(Writer& w, std::uint64_t ticks);

}  // namespace mld_image
