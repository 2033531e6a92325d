#include "convert/audio/mld_voice.h"

#include "core/reporters.h"

namespace {

struct VoiceRateBytes {
    int rate;
    std::uint8_t b, c;  // the "ainf" bytes
    std::uint8_t x, y;  // the voice header's rate bytes
};

// One row per rate the builder knows.
constexpr VoiceRateBytes kVoiceRates[] = {
    {4000, 0x10, 0x08, 0x08, 0x02},
    {8000, 0x10, 0x08, 0x08, 0x04},
    {16000, 0x20, 0x10, 0x10, 0x04},
    {32000, 0x20, 0x10, 0x20, 0x04},
};

constexpr CodeText kMldVoiceTexts[] = {
    {kMldVoiceTooLarge, "ファイルのサイズが大きすぎます。"},
};

constexpr const char* kUndefinedText = "未定義のエラー";

const VoiceRateBytes* FindRate(int rate) {
    for (const VoiceRateBytes& row : kVoiceRates)
        if (row.rate == rate) return &row;
    return nullptr;
}

// Bytes in front of the "adat" chunk's voice data.
constexpr std::size_t kVoiceHeaderSize = 14;

}  // namespace

const char* MldVoiceMessage(std::uint32_t code) {
    for (const CodeText& row : kMldVoiceTexts)
        if (row.code == code) return row.text;
    return kUndefinedText;
}

bool CMldVoice::Build(const VoiceImageInput& in) {
    image_.clear();
    const VoiceRateBytes* rate = FindRate(in.rate);
    if (rate == nullptr) {
        ShowInfoBox(MldVoiceMessage(kMldVoiceBadRate));
        rate = FindRate(8000);
    }
    mld_image::Writer w(image_);
    mld_image::BeginImage(w, 0x01, in.title, "0400");
    mld_image::SubChunk(w, "note", {0x00, 0x01});
    mld_image::SubChunk(w, "exst", {0x00, 0x01});
    mld_image::SubChunk(w, "ainf", {0x01, 0x01, 0x81, 0x00, 0x06, rate->b, rate->c, rate->b,
                                    rate->b, rate->c, rate->b});
    mld_image::EndInformation(w);

    const std::uint64_t adatLength = std::uint64_t(in.left.size()) + kVoiceHeaderSize;
    if (adatLength + w.Size() > kMldVoiceCapacity) {
        ShowInfoBox(MldVoiceMessage(kMldVoiceTooLarge));
        image_.clear();
        return false;
    }
    std::size_t adat = mld_image::BeginChunk(w, "adat");
    w.Bytes({0x00, 0x0B, 0x81, 0x00});
    w.Text("adpm");
    w.Bytes({0x00, 0x03, rate->x, rate->y, std::uint8_t(in.format == 14 ? 0x02 : 0x01), 0xFF});
    w.Data(in.left);
    mld_image::EndChunk(w, adat);

    std::size_t trac = mld_image::BeginChunk(w, "trac");
    w.Bytes({0x00, 0xFF, 0xD0, 0x00, 0x00, 0xFF, 0xCB, 0x64, 0x00, 0xFF, 0xB0, 0x7F});
    w.Bytes({0x00, 0x7F, 0x80, 0x3F, 0x00, 0x7F, 0x81, 0x20, 0x00, 0x7F, 0x00, 0x00, 0x3F});
    w.Bytes({static_cast<std::uint8_t>(in.duration % 256), 0xFF, 0xDC,
             static_cast<std::uint8_t>(in.duration / 256)});
    w.Bytes({0x00, 0xFF, 0xD0, 0x01, 0x00, 0xFF, 0xDF, 0x00});
    mld_image::EndChunk(w, trac);
    mld_image::EndImage(w);
    return true;
}
