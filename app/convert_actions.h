// The panel's Convert action and the choices it makes: the input file, the
// output file whose save-dialog filter names the output type, the handset of
// a carrier, then the reading back of a ringtone input, the conversion of a
// MIDI file (as it is, or composed again in the selected style) or of a WAV
// file, and the listen of the result.
#pragma once

#include <optional>
#include <string>

#include "convert/input_types.h"
#include "core/reporters.h"
#include "core/settings.h"

constexpr ErrorCode kStopPlayingError = 0xFF010120;  // "Stop playing before operation."
constexpr ErrorCode kOneStyleForConvertError = 0xFF01011A;
constexpr ErrorCode kSameFileNameError =
    0xFF010131;  // "Input file name and output file name are the same!"
constexpr ErrorCode kNeedsQuickTimeError = 0xFF01013A;
constexpr ErrorCode kWrongFileTypeError = 0xFF01016D;  // "File type is wrong!"
constexpr ErrorCode kWavStyleConvertError =
    0xFF010160;  // "Cant convert wav to mld! Select simple convert!"
constexpr ErrorCode kSelectDocomoError = 0xFF010174;    // "Select DoCoMo!"
constexpr ErrorCode kSelectSoftbankError = 0xFF010175;  // "Select Softbank!"
constexpr ErrorCode kSelectAuError = 0xFF010176;        // "Select au!"
inline constexpr const char* kWavNeedsMldText =
    "WAVから着うたへの変換は、MLD(着うた)しか選べません。";
inline constexpr const char* kLoadWavForVoiceText = "Load WAV for ringtone voice!";
inline constexpr const char* kWavConvertedText = "変換を行いました。再生はできません。";
inline constexpr const char* kInputFilter =
    "SMF files|*.mid|MFi files|*.mld|SMAF files|*.mmf|MFM files|*.mfm|PMD files|*.pmd|WAV "
    "files|*.wav|";
// The tune a style conversion composes, in the output folder, and the name a
// conversion onto its own input gets in place of the extension.
inline constexpr const char* kStyleConversionFile = "sty_conv.mid";
inline constexpr const char* kSameNameSuffix = "_conv.mid";
// The reading back of a ringtone input, in the work folder.
inline constexpr const char* kReadBackFile = "temp.mid";
// Shown, followed by the path, for a ringtone input that gives no notes and
// whose reader said nothing.
inline constexpr const char* kRingtoneWithoutNotesText = "No notes could be read from the ringtone file: ";
// Shown after the quoted file name, followed by what reading it said, for a
// ringtone input that gives no notes.
inline constexpr const char* kRingtoneRefusedText = "can not be read: ";

// ---- The save dialog's rows ----

// Row types that stand for a choice: the compose flavour, or no change of
// the output type (a carrier's handset menu has a type of its own,
// kDocomoMenuType and the others).
constexpr int kComposeFlavourRow = -1;
constexpr int kKeepTypeRow = -2;
// The filter texts of the 13 rows, in dialog order.
std::string SaveDialogFilter();
// Sets OutputType for the 1-based filter index; 0 when refused.
int OutputTypeForFilter(int filterIndex);

// ---- Carriers ----
// The selected handset's type when it is the carrier's, else the terminal
// dialog until a handset of the carrier is chosen.
int ChooseDocomoTerminal();
int ChooseSoftbankTerminal();
int ChooseAuTerminal();

// ---- Files ----
bool ChooseInputFile(std::string& path);
bool ChooseOutputFile(const std::string& input, std::string& path);
// The input's kind, its first bytes or else its extension deciding; a
// ringtone (MFi, PMD, SMAF, MFM) is read back into WorkFolder + "temp.mid",
// which replaces the path, and is a tune from then on. Nothing when the
// action ends: an empty or unreadable ringtone ends it with one message.
std::optional<InputYield> ReadRingtoneBack(std::string& path);
// 1 when two paths name one file (the same text when either is missing).
bool SameFile(const std::string& a, const std::string& b);

// ---- Conversions ----
// The tune converted to outputType through the installed dispatcher.
int ConvertTuneFile(const std::string& path, int outputType);
int ConvertWaveFile(const std::string& path, int ringVoiceFormat);
