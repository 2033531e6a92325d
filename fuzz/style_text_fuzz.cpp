// Reads arbitrary bytes as a text style file over a default style: nothing
// may be read or written outside the text and the record, the fields the
// reader bounds stay bounded, and the writer can write the result in a text
// that reads back as the same record.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/quiet_platform.h"
#include "style/music_style.h"
#include "style/style_text.h"

namespace {

const MusicStyle& BaseStyle() {
    static const std::unique_ptr<MusicStyle> base = [] {
        auto style = std::make_unique<MusicStyle>();
        InitMusicStyle(*style);
        FinishMusicStyle(*style);
        return style;
    }();
    return *base;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    auto style = std::make_unique<MusicStyle>(BaseStyle());
    ReadStyleText(data, size, *style);

    // The chord list keeps its end mark, the texts their terminators, and
    // the mix bytes the text sets stay inside 0..127.
    if (style->harmonyStructure[4092] != 0 || style->harmonyStructure[4093] != 0) std::abort();
    if (style->title[20] != 0 || style->scaleNotes[16] != 0) std::abort();
    if (style->knowledgeBase[127] != 0 || style->resolutionKnowledgeBase[127] != 0) std::abort();
    for (int part = 1; part <= 9; ++part) {
        const auto* mix = reinterpret_cast<const std::uint8_t*>(&style->mix[part]);
        for (int byte = 0; byte < 9; ++byte) {
            if (mix[byte] > 127) std::abort();
        }
    }

    // Whatever the reader stored, the writer can put into words.
    std::string text;
    if (WriteStyleText(*style, text) != text.size()) std::abort();

    // And what the writer wrote reads back as itself: read over the base
    // style and written again, the text is the same. The free texts (which
    // may hold stray line breaks and lead bytes) and a metre outside 0..2
    // (written as the error word) are carried over by hand.
    auto again = std::make_unique<MusicStyle>(BaseStyle());
    ReadStyleText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), *again);
    std::memcpy(again->displayTitle, style->displayTitle, sizeof style->displayTitle);
    std::memcpy(again->title, style->title, sizeof style->title);
    std::memcpy(again->scaleNotes, style->scaleNotes, sizeof style->scaleNotes);
    std::memcpy(again->knowledgeBase, style->knowledgeBase, sizeof style->knowledgeBase);
    std::memcpy(again->resolutionKnowledgeBase, style->resolutionKnowledgeBase,
                sizeof style->resolutionKnowledgeBase);
    if (style->timeSignature < 0 || style->timeSignature > 2)
        again->timeSignature = style->timeSignature;
    std::string textAgain;
    WriteStyleText(*again, textAgain);
    if (textAgain != text) std::abort();
    return 0;
}
