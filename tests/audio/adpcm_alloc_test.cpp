// Counts every allocation of this test program, to show that the encoders
// allocate nothing while they run.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <vector>

#include "convert/audio/adpcm.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

TEST(AdpcmEncoders, EncodingAllocatesNothing) {
    std::vector<std::int16_t> s(20000);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(30000 * std::sin(0.01 * double(i) * double(i % 97)));
    std::vector<std::uint8_t> out(s.size() + 8);
    for (int codec = adpcm::kYamaha; codec <= adpcm::kLg; ++codec) {
        long before = allocations.load();
        adpcm::Encode(codec, s.data(), static_cast<int>(s.size()), out.data());
        EXPECT_EQ(allocations.load() - before, 0) << codec;
    }
}

TEST(AdpcmEncoders, LgObjectTakesTheByteCount) {
    static_assert(std::has_virtual_destructor_v<adpcm::CLgAdpcm>);
    std::vector<std::int16_t> s(101);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(i * 331 - 16000);
    std::vector<std::uint8_t> viaObject(60, 0xEE), viaWrapper(60, 0xEE);
    // 203 bytes hold 101 whole samples; the odd last one is dropped.
    adpcm::CLgAdpcm().Encode(s.data(), 203, viaObject.data());
    adpcm::EncodeLg(s.data(), 101, viaWrapper.data());
    EXPECT_EQ(viaObject, viaWrapper);
    EXPECT_EQ(viaObject[54], 0xEE);
    EXPECT_NE(viaObject[53], 0xEE);
}
