// EditObject: the tune being edited with its file image, the path of its
// work copy and the clipboard of copied melody and chords. One object at a
// time is current; it is owned here and set and cleared only through
// SetCurrentEditObject.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "midi/midi_event.h"
#include "tuneedit/edited_tune.h"

// The work copy of an edited tune, next to the program.
inline constexpr const char* kEditWorkFileName = "edit_temp.mid";

class EditObject {
public:
    // Reads the file (at most WorkBufferSize bytes), rewrites it as a
    // format-1 image and builds the tune from it.
    explicit EditObject(const std::string& path);
    virtual ~EditObject() = default;
    EditObject(const EditObject&) = delete;
    EditObject& operator=(const EditObject&) = delete;

    EditedTune& Tune() { return *tune_; }
    const EditedTune& Tune() const { return *tune_; }
    const std::string& Path() const { return path_; }
    int FileLength() const { return fileLength_; }

    // ---- Clipboard ----
    // Replaces the copied events by copies of these (up to a null); the
    // number kept. The clipboard holds as many events and chords as are
    // copied.
    int SetClipboardEvents(const std::vector<const MidiEvent*>& events);
    // Replaces the copied events by these.
    void TakeClipboardEvents(std::vector<std::unique_ptr<MidiEvent>> events) {
        clipEvents_ = std::move(events);
    }
    const std::vector<std::unique_ptr<MidiEvent>>& ClipboardEvents() const { return clipEvents_; }
    std::vector<std::unique_ptr<MidiEvent>>& ClipboardEvents() { return clipEvents_; }
    // The sum of the copied events' deltas.
    long long ClipboardLength() const;
    // Appends a copied section's code and length.
    int AddClipboardChord(std::string_view code, int length);
    void ClearClipboardChords() { clipChords_.clear(); }
    struct ClipChord {
        std::array<char, 5> code{};
        int length = 0;
    };
    const std::vector<ClipChord>& ClipboardChords() const { return clipChords_; }

private:
    int fileLength_ = 0;
    std::vector<std::uint8_t> image_;
    std::string path_;
    std::unique_ptr<EditedTune> tune_;
    std::vector<std::unique_ptr<MidiEvent>> clipEvents_;
    std::vector<ClipChord> clipChords_;
};

// The current edit object, null when none.
EditObject* CurrentEditObject();
// The one place that sets and clears it: the previous object is deleted.
void SetCurrentEditObject(std::unique_ptr<EditObject> object);
// Opens the file as the current edit object; the new object.
EditObject* OpenCurrentEditObject(const std::string& path);
