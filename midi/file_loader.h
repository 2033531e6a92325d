// MidiFileLoader: opens a user's MIDI file of format 0 or 1, holds it as a
// format-1 tune and converts the held tune between format 1 and format 0.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "midi/f0_data.h"
#include "midi/f1_data.h"

// Failures of MidiFileLoader, tag "MDLD".
namespace mdld {
constexpr std::uint32_t kInternal = 0x17000001;
constexpr std::uint32_t kNotMidiFile = 0x17000002;
constexpr std::uint32_t kTooLarge = 0x17000003;
}  // namespace mdld

class MidiFileLoader {
public:
    // Largest file the loader accepts.
    static constexpr int kMaxFileLength = 0xEFFFF;
    // Capacity of the tunes it holds: room for the largest file it accepts.
    static constexpr int kTuneCapacity = kMaxFileLength + 1;

    MidiFileLoader() = default;
    // A path with '*' asks for the file with that pattern first.
    explicit MidiFileLoader(const std::string& path);
    ~MidiFileLoader();
    MidiFileLoader(const MidiFileLoader&) = delete;
    MidiFileLoader& operator=(const MidiFileLoader&) = delete;

    void Load(const std::string& path);
    // Loads the bytes of a file already read (the path is only kept).
    void LoadImage(const std::uint8_t* bytes, std::size_t length, const std::string& path = "");

    int ConvertToFormat0(int keepNames);
    int ToFormat0() { return ConvertToFormat0(1); }
    int ConvertToFormat1();

    int FileLength() const { return fileLength_; }
    const std::uint8_t* FileImage() const { return fileImage_.data(); }
    MidiF1Data* Tune1() const { return tune1_.get(); }
    MidiF0Data* Tune0() const { return tune0_.get(); }
    int CurrentFormat() const { return currentFormat_; }
    int OriginalFormat() const { return originalFormat_; }
    const std::string& Path() const { return path_; }

    static void ShowMessage(const std::string& text);
    static void ShowError(std::uint32_t code);

private:
    void Reset();

    int fileLength_ = 0;
    MemoryBlock fileImage_;
    std::unique_ptr<MidiF1Data> tune1_;
    std::unique_ptr<MidiF0Data> tune0_;
    int currentFormat_ = -1;
    int originalFormat_ = -1;
    std::string path_;
};
