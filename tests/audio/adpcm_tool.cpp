// Encodes a raw 16-bit little-endian mono file with one codec, for the
// outside checks: adpcm_tool CODEC IN.raw OUT.bin [RECON.raw]. For codecs 3
// and 4 RECON gets the encoder's own reconstruction (14-bit, shifted back
// to 16), the samples a decoder following the same state should give.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "convert/audio/adpcm.h"
#include "convert/audio/g72x.h"

namespace {

std::vector<std::int16_t> ReadSamples(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

bool WriteBytes(const char* path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> Reconstruction(int codec, const std::vector<std::int16_t>& samples) {
    const adpcm::G72xRate& rate = codec == adpcm::kG721 ? adpcm::kG721Rate : adpcm::kG726_16Rate;
    adpcm::G72xState state;
    std::vector<std::uint8_t> bytes;
    for (std::int16_t x : samples) {
        int sr = 0;
        adpcm::G72xEncodeSample(state, x >> 2, rate, &sr);
        auto v = static_cast<std::uint16_t>(sr * 4);
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: adpcm_tool CODEC IN.raw OUT.bin [RECON.raw]\n");
        return 2;
    }
    int codec = std::atoi(argv[1]);
    std::vector<std::int16_t> samples = ReadSamples(argv[2]);
    std::vector<std::uint8_t> out(samples.size() + 8);
    int n = adpcm::Encode(codec, samples.data(), static_cast<int>(samples.size()), out.data());
    if (n < 0) return 2;
    out.resize(static_cast<std::size_t>(n));
    if (!WriteBytes(argv[3], out)) return 1;
    if (argc > 4 && (codec == adpcm::kG721 || codec == adpcm::kG726_16))
        if (!WriteBytes(argv[4], Reconstruction(codec, samples))) return 1;
    return 0;
}
