// What the engine needs of the ringtone and audio conversion: the shared
// output type, the dispatcher that turns a composed tune into the current
// output format, and a read-only view of the ringtone model for the tune
// analysis. The converters install their own ConversionServices; without one
// a headless instance refuses every conversion, and tests install a
// RecordingConversionServices.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/shell_services.h"

// The output type chosen last, 0..25 (core/output_formats.h says what each
// is): the Standard MIDI Files 0 (XG), 1 (GS) and 2 (GM) are copied, every
// other type goes through ConvertToOutputFormat. Copied from the settings when composing
// starts, set by the conversion's save dialog; the panel's Play reads it to
// know what it plays. Conversions and the composer are handed the type.
extern std::atomic<int> OutputType;

// The output path a conversion writes: the composer names the numbered file
// with the output type's extension here before it converts.
extern SharedText LastOutputPath;

class ConversionServices {
public:
    virtual ~ConversionServices() = default;
    // Converts the Standard MIDI File at path into the format of outputType,
    // writing the output path the caller prepared. The pre-passes may replace
    // path by the file they wrote. 1 when a result was written.
    virtual int ConvertToOutputFormat(std::string& path, int adjustVoice, int outputType) = 0;
};

// No converter is present: every conversion fails.
class HeadlessConversionServices : public ConversionServices {
public:
    int ConvertToOutputFormat(std::string&, int, int) override { return 0; }
};

// Keeps every conversion asked for and answers with a set result (0 unless
// told otherwise).
class RecordingConversionServices : public ConversionServices {
public:
    struct Call {
        std::string path;
        int adjustVoice;
        int outputType;
    };

    int ConvertToOutputFormat(std::string& path, int adjustVoice, int outputType) override;

    void SetResult(int result);
    std::vector<Call> Calls() const;

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    int result_ = 0;
};

// Installs the converters; nullptr restores the headless one. Returns the one
// replaced.
std::shared_ptr<ConversionServices> SetConversionServices(
    std::shared_ptr<ConversionServices> services);
std::shared_ptr<ConversionServices> GetConversionServices();

// Converts through the installed services.
int ConvertToOutputFormat(std::string& path, int adjustVoice, int outputType);

// ---- The ringtone model, as the tune analysis reads it ----

// One event of a channel slot of the ringtone model.
struct MobileEventInfo {
    enum class Kind { Note, Meta, Other };
    Kind kind;
    int delta;     // ticks since the previous event of the slot
    int note;      // pitch, for notes
    int length;    // ticks, for notes
    int metaType;  // for meta events
};

// The ringtone model (MobileData with its MobileChanelData slots) exposes
// what the analysis needs through this view.
class MobileDataView {
public:
    virtual ~MobileDataView() = default;
    virtual int SlotCount() const = 0;
    // The MIDI channel of the slot; 256 or more is not a channel.
    virtual int SlotNumber(int slot) const = 0;
    // 1 = drum slot.
    virtual int SlotKind(int slot) const = 0;
    virtual int EventCount(int slot) const = 0;
    virtual MobileEventInfo Event(int slot, int index) const = 0;
    // The longest slot's length in whole measures, rounded up.
    virtual int GetLengthInMeasures() const = 0;
};
