// The edit object and the one owner of the current one.
#include "tuneedit/edit_object.h"

#include <algorithm>

#include "core/utilities.h"

namespace {

std::unique_ptr<EditObject>& CurrentOwner() {
    static std::unique_ptr<EditObject> owner;
    return owner;
}

}  // namespace

EditObject::EditObject(const std::string& path)
    : image_(WorkBufferSize, 0), path_(path.substr(0, 255)) {
    std::size_t count = 0;
    if (!ReadWholeFile(path, image_.data(), &count, image_.size())) count = 0;
    int size = static_cast<int>(count);
    if (size > 0) MidiData::ConvertSmfFormat(image_.data(), &size, 1, static_cast<int>(image_.size()));
    fileLength_ = std::clamp(size, 0, static_cast<int>(image_.size()));
    tune_ = std::make_unique<EditedTune>(fileLength_, image_.data());
}

int EditObject::SetClipboardEvents(const std::vector<const MidiEvent*>& events) {
    clipEvents_.clear();
    for (const MidiEvent* e : events) {
        if (!e) break;
        clipEvents_.push_back(std::make_unique<MidiEvent>(e));
    }
    return static_cast<int>(clipEvents_.size());
}

long long EditObject::ClipboardLength() const {
    long long total = 0;
    for (const auto& e : clipEvents_)
        total += e->delta;
    return total;
}

int EditObject::AddClipboardChord(std::string_view code, int length) {
    ClipChord c;
    std::copy_n(code.data(), std::min<std::size_t>(code.size(), 4), c.code.data());
    c.length = length;
    clipChords_.push_back(c);
    return 1;
}

EditObject* CurrentEditObject() {
    return CurrentOwner().get();
}

void SetCurrentEditObject(std::unique_ptr<EditObject> object) {
    CurrentOwner() = std::move(object);
}

EditObject* OpenCurrentEditObject(const std::string& path) {
    SetCurrentEditObject(std::make_unique<EditObject>(path));
    return CurrentEditObject();
}
