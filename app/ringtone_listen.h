// Listening to converted files: a ringtone file is read back into the
// ringtone model and played, a Standard MIDI File played as it is. One
// listen runs at a time; its object lives in one of the Listen... globals
// (touched on the UI thread only) until the listen is stopped or has ended.
// When play ends by itself the end callback, on the play thread, clears the
// panel's flags and posts the object's release to the UI thread, which
// frees it there, once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class MobileData;
class MultiMobileTrackData;
class MidiF0Data;
class SmafData;
class SmafMa3Data;

extern std::unique_ptr<MobileData> ListenMobileData;
extern std::unique_ptr<MultiMobileTrackData> ListenMultiTrackData;
extern std::unique_ptr<MidiF0Data> ListenMidiData;

namespace listen_code {
constexpr std::uint32_t kMidiDataError = 0xFF010050u;   // "Error in MIDI Data!"
constexpr std::uint32_t kSmafFailed = 0xFF01016Bu;      // "Loading SMAF has been failed!"
constexpr std::uint32_t kMobileDataWrong = 0xFF010170u; // "Data for mobile phone is worng!"
}  // namespace listen_code

// The result line when there is nothing to play.
inline constexpr const char* kConvertFileFirst = "Convert file first.";

// Each starts the listen of the file and returns 1 when play started. A
// listen of the same kind still playing is reported first; whatever listen
// is held is then stopped and freed before the new one starts.
int PlayMfiFile(const std::string& path, int mfiType);
int PlayMfmFile(const std::string& path);
int PlayMultiMfiFile(const std::string& path, int mfiType);
int PlaySmfFile(const std::string& path);
int PlaySmafFile(const std::string& path);
// The two kinds of SMAF file a loader may hold.
int ListenSmafData(const SmafData& smaf);
int ListenSmafMa3Data(const SmafMa3Data& smaf);

// The end callbacks, on the play thread.
int MobileListenEnded();
int MultiTrackListenEnded();
int MidiListenEnded();

// Stops the listen that plays and frees every listen object (UI thread; at
// the panel's Stop and at exit). PlayingActive is 0 afterwards.
void StopRingtoneListen();
// 1 while a listen object is held.
int RingtoneListenHeld();
