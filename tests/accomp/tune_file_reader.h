// A small reader of Standard MIDI Files for the tests of composed tunes,
// written apart from the project's own loader so that the two check each
// other: header, tracks, note pairs per channel and key, meta texts.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tune_file {

struct Track {
    std::vector<std::pair<int, std::string>> metaTexts;  // (type, text)
    bool endOfTrack = false;
};

struct Reading {
    bool ok = false;
    std::string error;
    int format = -1;
    int division = 0;
    std::vector<Track> tracks;
    std::array<int, 16> notesPerChannel{};
    int unmatchedNotes = 0;     // note-ons never switched off, offs never switched on
    bool dataByteHigh = false;  // a channel data byte of 0x80 or more
};

inline Reading Read(const std::vector<std::uint8_t>& f) {
    Reading r;
    auto u32 = [&](std::size_t p) {
        return (std::uint32_t(f[p]) << 24) | (f[p + 1] << 16) | (f[p + 2] << 8) | f[p + 3];
    };
    if (f.size() < 14 || std::string(f.begin(), f.begin() + 4) != "MThd") {
        r.error = "no header";
        return r;
    }
    r.format = (f[8] << 8) | f[9];
    const int count = (f[10] << 8) | f[11];
    r.division = (f[12] << 8) | f[13];
    std::size_t p = 8 + u32(4);
    std::map<std::pair<int, int>, int> sounding;
    for (int t = 0; t < count; ++t) {
        if (p + 8 > f.size() || std::string(f.begin() + p, f.begin() + p + 4) != "MTrk") {
            r.error = "track " + std::to_string(t) + " missing";
            return r;
        }
        const std::size_t end = p + 8 + u32(p + 4);
        if (end > f.size()) {
            r.error = "track " + std::to_string(t) + " runs past the file";
            return r;
        }
        p += 8;
        Track track;
        int status = 0;
        auto varlen = [&]() {
            std::uint32_t v = 0;
            for (int i = 0; i < 4 && p < end; ++i) {
                const std::uint8_t b = f[p++];
                v = (v << 7) | (b & 0x7F);
                if (!(b & 0x80)) break;
            }
            return v;
        };
        while (p < end) {
            varlen();
            if (p >= end) break;
            if (f[p] & 0x80) status = f[p++];
            if (status == 0xFF) {
                const int type = f[p++];
                const std::uint32_t n = varlen();
                if (p + n > end) {
                    r.error = "meta past its track";
                    return r;
                }
                if (type == 0x2F) track.endOfTrack = true;
                if (type >= 1 && type <= 7)
                    track.metaTexts.emplace_back(type,
                                                 std::string(f.begin() + p, f.begin() + p + n));
                p += n;
                status = 0;
            } else if (status == 0xF0 || status == 0xF7) {
                p += varlen();
                status = 0;
            } else if (status >= 0x80) {
                const int kind = status & 0xF0;
                const int channel = status & 0x0F;
                const int bytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
                if (p + bytes > end) {
                    r.error = "event past its track";
                    return r;
                }
                for (int i = 0; i < bytes; ++i)
                    r.dataByteHigh |= (f[p + i] & 0x80) != 0;
                const int key = f[p];
                const int velocity = bytes == 2 ? f[p + 1] : 0;
                p += bytes;
                auto& n = sounding[{channel, key}];
                if (kind == 0x90 && velocity > 0) {
                    ++n;
                    ++r.notesPerChannel[channel];
                } else if (kind == 0x80 || kind == 0x90) {
                    if (n > 0)
                        --n;
                    else
                        ++r.unmatchedNotes;
                }
            } else {
                r.error = "data byte without a status";
                return r;
            }
        }
        p = end;
        r.tracks.push_back(std::move(track));
    }
    for (const auto& [k, n] : sounding)
        r.unmatchedNotes += n;
    r.ok = true;
    return r;
}

}  // namespace tune_file
