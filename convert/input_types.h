// The read side of the Convert action: one row per kind of input file, with
// the extensions that name it, the head that tells it, what the action gets
// from it and, for a ringtone, the reader that turns its bytes into the
// ringtone model. A file's first bytes decide its kind where they tell one;
// otherwise its extension does, and a file that neither tells is a tune.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/mobile_data.h"
#include "core/read_log.h"
#include "midi/music_data.h"

// What the Convert action gets from an input file.
enum class InputYield {
    Tune,      // a Standard MIDI File, converted as it is
    Wave,      // a WAV file, made into a ring voice
    Ringtone,  // a ringtone, read back into the ringtone model
};

// A ringtone's bytes as the ringtone model; null when they give none. What
// the format's reader found, and what the row itself finds (a file too
// long), is left in the log, in that order; nothing is shown.
using RingtoneReader = std::unique_ptr<MobileData> (*)(std::span<const std::uint8_t> bytes,
                                                       ReadLog& log);

struct InputType {
    const char* name;
    std::array<const char*, 2> extensions;  // lower case, no dot; null when unused
    bool (*sniff)(std::span<const std::uint8_t> head);
    InputYield yields;
    RingtoneReader read;  // ringtones only
    // Says that a ringtone file could not be opened; null: it is read as
    // an empty file.
    void (*unopened)(const std::string& path);
};

constexpr std::size_t kInputTypeCount = 5;
// The most of a file that is read: one byte past the largest ringtone
// image, so that a longer file is known as such.
constexpr std::size_t kInputReadLimit = static_cast<std::size_t>(kMusicDataCapacity) + 1;

// The row of a file with these first bytes and this lower-case extension.
const InputType& FindInputType(std::span<const std::uint8_t> head, std::string_view extension);
// The first kInputReadLimit bytes of the file; nothing when it cannot be
// opened.
std::optional<std::vector<std::uint8_t>> ReadInputBytes(const std::string& path);
