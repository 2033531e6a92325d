// Reads arbitrary bytes as a knowledge-base text, the way the loader keeps
// it (at most 16384 bytes, then a NUL): every token is read to the end, and
// an entry is picked as from a counted file, with a skip count taken from the
// input. Nothing may be read past the NUL or written past the token buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "compose/knowledge_text.h"
#include "fuzz/quiet_platform.h"

namespace {

constexpr std::size_t kTextCapacity = 16384;
constexpr std::size_t kTokenCapacity = 256;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    std::size_t n = size < kTextCapacity ? size : kTextCapacity;
    // Exactly as large as the text, so that any read past its NUL is caught.
    auto text = std::make_unique<char[]>(n + 1);
    std::memcpy(text.get(), data, n);
    text[n] = '\0';
    const int end = static_cast<int>(std::strlen(text.get()));

    char token[kTokenCapacity];
    int length = 0, position = 0;
    for (;;) {
        bool atEnd = ReadKnowledgeToken(text.get(), token, sizeof token, length, position);
        if (length < 0 || length >= static_cast<int>(sizeof token) || position > end) std::abort();
        if (std::strlen(token) != static_cast<std::size_t>(length)) std::abort();
        if (atEnd) break;
    }

    // A counted-file pick: the first token's number, then a skip.
    position = 0;
    ReadKnowledgeToken(text.get(), token, sizeof token, length, position);
    int skip = size > 0 ? data[size - 1] : 0;
    SkipKnowledgeEntries(text.get(), skip, position);
    if (position > end) std::abort();
    ReadKnowledgeToken(text.get(), token, sizeof token, length, position);
    if (position > end) std::abort();
    return 0;
}
