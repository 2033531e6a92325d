// Encodes raw 16-bit little-endian mono files for the outside checks:
//   adpcm_tool CODEC IN.raw OUT.bin [RECON.raw]
//   adpcm_tool --list LIST   (lines of "CODEC IN.raw OUT.bin RECON.raw"; the
//                            RECON name is written for codecs 3 and 4 only)
// For codecs 3 and 4 RECON gets the encoder's own reconstruction (14-bit,
// shifted back to 16), the samples a decoder following the same state gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
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

// Encodes one file; RECON (may be null) as above.
int EncodeFile(int codec, const char* in, const char* out, const char* recon) {
    std::vector<std::int16_t> samples = ReadSamples(in);
    std::vector<std::uint8_t> bytes(samples.size() + 8);
    int n = adpcm::Encode(codec, samples.data(), static_cast<int>(samples.size()), bytes.data());
    if (n < 0) return 2;
    bytes.resize(static_cast<std::size_t>(n));
    if (!WriteBytes(out, bytes)) return 1;
    if (recon && (codec == adpcm::kG721 || codec == adpcm::kG726_16))
        if (!WriteBytes(recon, Reconstruction(codec, samples))) return 1;
    return 0;
}

int EncodeList(const char* path) {
    std::ifstream list(path);
    int codec = 0;
    std::string in, out, recon;
    while (list >> codec >> in >> out >> recon)
        if (int rc = EncodeFile(codec, in.c_str(), out.c_str(), recon.c_str()); rc != 0) return rc;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--list") return EncodeList(argv[2]);
    if (argc < 4) {
        std::fprintf(stderr, "usage: adpcm_tool CODEC IN.raw OUT.bin [RECON.raw] | --list LIST\n");
        return 2;
    }
    return EncodeFile(std::atoi(argv[1]), argv[2], argv[3], argc > 4 ? argv[4] : nullptr);
}
