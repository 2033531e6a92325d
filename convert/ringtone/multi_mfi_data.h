// MultiMFiData: the MFi images of the multi-track handsets, the sixteen
// channels of a tune kept as four "trac" chunks of four channels.
#pragma once

#include <cstdint>
#include <string>

#include "convert/multi_mobile_track_data.h"
#include "convert/ringtone/mfi_data.h"

// The notice for a file whose track count names no known handset.
extern const char* const kMultiMfiUnknownTerminal;
// That notice in a ReadLog, under code 0, as no class's code.
extern const ReporterWords kMultiMfiUnknownTerminalFindings;

class MultiMFiData : public MFiData {
public:
    // Built from the multi-track model (voice types 6..9, 32 and 250).
    MultiMFiData(const MultiMobileTrackData& model, int voiceType, int capacity = kMusicDataCapacity);
    // Read from a file; 253 takes the voice type from the file. What is
    // wrong in the bytes goes into the log, for the caller to show.
    MultiMFiData(const std::string& path, int voiceType, ReadLog& log);
    // Read from bytes (longer ones are cut to the capacity).
    MultiMFiData(const std::uint8_t* bytes, int length, ReadLog& log, int voiceType = mfi_voice::kFromFile);

    // Reads the held image.
    virtual void Parse(ReadLog& log);
    // Each track as four new slots of the model; division 96.
    void ToMultiMobileTrackData(MultiMobileTrackData& model) const;

private:
    void Build(const MultiMobileTrackData& model);
    // The voice type the file's head allows; false when it does not fit.
    bool TakeFileType(ReadLog& log);
};
