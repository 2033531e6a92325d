// Reads variable-length numbers from arbitrary bytes: every number read must
// come from inside the bytes, fit four bytes, and write back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/utilities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = 0;
    while (pos < size) {
        std::uint32_t value = 0;
        int used = ReadVarLen(data + pos, size - pos, &value);
        if (used == 0) {
            ++pos;
            continue;
        }
        if (used > 4 || pos + static_cast<std::size_t>(used) > size || value > kMaxVarLen) {
            std::abort();
        }
        std::uint8_t again[4];
        int written = WriteVarLen(value, again);
        // A padded encoding (leading 0x80 bytes) reads fine but writes shorter.
        bool padded = data[pos] == 0x80;
        if (!padded && (written != used || std::memcmp(again, data + pos, written) != 0)) {
            std::abort();
        }
        pos += static_cast<std::size_t>(used);
    }
    return 0;
}
