// A small reader of ring-voice images for the tests, written from the file
// description: it checks every length field as it walks the image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mld_test {

struct Event {
    std::uint8_t delta = 0;
    std::vector<std::uint8_t> bytes;  // from the status byte on
};

struct Image {
    bool lengthsAgree = false;   // every length field counts what follows
    std::string error;           // the first disagreement
    std::uint32_t infoLength = 0;
    std::vector<std::uint8_t> header;  // bytes 10..12
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> subChunks;
    std::vector<std::uint8_t> adat;    // body of an "adat" chunk
    std::vector<std::uint8_t> track;   // body of the "trac" chunk
    std::vector<Event> events;         // the track's events (one-/two-channel layouts)
};

inline std::uint32_t Be(const std::vector<std::uint8_t>& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | b.at(at + i);
    return v;
}

// Splits the events of a track whose events all start with FF (a one- or
// two-channel image); false when an event runs past the track.
inline bool SplitEvents(const std::vector<std::uint8_t>& t, std::vector<Event>& events) {
    std::size_t i = 0;
    while (i < t.size()) {
        if (i + 4 > t.size() || t[i + 1] != 0xFF) return false;
        std::size_t n = 3;  // after the delta: FF, the kind, one value byte
        if (t[i + 2] == 0xFF) {
            if (i + 5 > t.size()) return false;
            n = 4 + Be(t, i + 3, 2);
        }
        if (i + 1 + n > t.size()) return false;
        events.push_back({t[i], {t.begin() + i + 1, t.begin() + i + 1 + n}});
        i += 1 + n;
    }
    return true;
}

inline Image Read(const std::vector<std::uint8_t>& b) {
    Image img;
    auto fail = [&](const std::string& why) { img.error = why; return img; };
    if (b.size() < 13 || std::string(b.begin(), b.begin() + 4) != "melo") return fail("head");
    if (Be(b, 4, 4) != b.size() - 8) return fail("file length");
    img.infoLength = Be(b, 8, 2);
    std::size_t infoEnd = 10 + img.infoLength;
    if (infoEnd > b.size()) return fail("info length");
    img.header.assign(b.begin() + 10, b.begin() + 13);
    std::size_t i = 13;
    while (i < infoEnd) {
        if (i + 6 > infoEnd) return fail("sub-chunk head");
        std::size_t n = Be(b, i + 4, 2);
        if (i + 6 + n > infoEnd) return fail("sub-chunk length");
        img.subChunks.push_back({std::string(b.begin() + i, b.begin() + i + 4),
                                 {b.begin() + i + 6, b.begin() + i + 6 + n}});
        i += 6 + n;
    }
    while (i < b.size()) {
        if (i + 8 > b.size()) return fail("chunk head");
        std::string id(b.begin() + i, b.begin() + i + 4);
        std::size_t n = Be(b, i + 4, 4);
        if (i + 8 + n > b.size()) return fail("chunk length");
        std::vector<std::uint8_t> body(b.begin() + i + 8, b.begin() + i + 8 + n);
        if (id == "adat") img.adat = body;
        else if (id == "trac") img.track = body;
        else return fail("chunk " + id);
        i += 8 + n;
    }
    if (img.adat.empty() && !SplitEvents(img.track, img.events)) return fail("event length");
    img.lengthsAgree = true;
    return img;
}

}  // namespace mld_test
