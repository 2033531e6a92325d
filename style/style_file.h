// Style files: the binary record (".dat", the 22732 bytes of a MusicStyle),
// the text form (a name ending in "txt"), and the binary records of older
// program versions, recognised by their size and brought up to date.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "style/music_style.h"

// The format version stamped into every saved style.
constexpr int StyleFormatVersion = kStyleFormatVersion;

// Sizes of the older binary records.
constexpr std::size_t kOldStyleSize8964 = 8964;
constexpr std::size_t kOldStyleSize13104 = 13104;
constexpr std::size_t kOldStyleSize21488 = 21488;
constexpr std::size_t kOldStyleSize21724 = 21724;

// Largest text style file read.
constexpr std::size_t kStyleTextFileCapacity = 0xF0000;

// Results of LoadStyleFile and LoadStyleImage.
constexpr int kStyleLoaded = 0;
constexpr int kStyleCantOpen = 1;  // nothing shown; the caller reports it
constexpr int kStyleRefused = 2;   // a layout that cannot be read (reported)

// Loads a style file into target. A name ending in "txt" is read as text over
// the target's contents (a text whose first entry names no setting is
// refused); anything else as a binary record chosen by its size. The loaded
// record is then finished (titles, version upgrades) and its fields brought
// into their ranges. On failure the target is unchanged; a refused file was
// reported with one message.
int LoadStyleFile(MusicStyle& target, const std::string& path);

// The binary part of LoadStyleFile on bytes already in memory: `size` is the
// length of the file (at most the record's size is used), `name` the file's
// name for messages. Bytes shorter than the oldest layout's record, or
// whose format version no style carries, are refused with one message
// naming the file; a record with values outside their fields' ranges is
// loaded with those reset (CorrectStyleFields) and one message naming them.
int LoadStyleImage(MusicStyle& target, const std::uint8_t* bytes, std::size_t size,
                   std::string_view name = {});

// Writes the style (a copy: the caller's record is unchanged) with its stored
// title taken from the display title and the current format version; as text
// when the name ends in "txt". Every failure is reported ("can not save
// parameters!", "Change folder setting, and restart."). 0 on success, 1 when
// the file could not be written.
int SaveStyleFile(MusicStyle style, const std::string& path);

// Saves a generated style to the style folder of the settings under the
// given file name. Only the first failure of a run is reported; every
// failure is returned (1).
int SaveStyleToFolder(const MusicStyle& style, const std::string& fileName);

// Lets the next SaveStyleToFolder failure be reported again (a new run).
void ResetStyleFolderSaveReport();

// Asks for a style file (".dat" by default, or text) and loads it into the
// target. False when cancelled or when the file could not be loaded
// ("Loading parameter is failed!").
bool OpenStyleFileDialog(MusicStyle& target);
