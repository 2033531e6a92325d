#include "core/cp932_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr std::size_t kMaxTextBytes = 4096;
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Bytes of the UTF-8 sequence that a byte starts.
std::size_t Utf8Width(unsigned char c) {
    return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
}

// Bytes of the character that starts at text[at] in the source encoding.
std::size_t CharWidth(std::string_view text, std::size_t at, bool fromUtf8) {
    const auto c = static_cast<unsigned char>(text[at]);
    const std::size_t width = fromUtf8 ? Utf8Width(c) : IsCp932LeadByte(c) ? 2 : 1;
    return std::min(width, text.size() - at);
}

std::string Convert(std::string_view text, const char* to, const char* from, bool fromUtf8) {
    text = text.substr(0, std::min(text.size(), kMaxTextBytes));
    iconv_t cd = iconv_open(to, from);
    if (cd == kNoConverter) return std::string(text);
    std::string out;
    std::vector<char> buffer(4 * text.size() + 8);
    std::size_t at = 0;
    // Each round converts what it can; a character without a form becomes
    // "?" and is stepped over, so every round advances.
    while (at < text.size()) {
        char* in = const_cast<char*>(text.data() + at);
        std::size_t inLeft = text.size() - at;
        char* dst = buffer.data();
        std::size_t dstLeft = buffer.size();
        const std::size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer.data(), static_cast<std::size_t>(dst - buffer.data()));
        at = text.size() - inLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        out.push_back('?');
        at += CharWidth(text, at, fromUtf8);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

// Whether one UTF-8 letter has a code page 932 form that reads back as it.
bool KeptInCp932(std::string_view letter) {
    if (letter.size() == 1) return static_cast<unsigned char>(letter[0]) < 0x80;
    const std::string stored = Convert(letter, "CP932", "UTF-8", true);
    return stored != "?" && Convert(stored, "UTF-8", "CP932", false) == letter;
}

}  // namespace

bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string Cp932ToUtf8(std::string_view cp932) {
    return Convert(cp932, "UTF-8", "CP932", false);
}

std::string Utf8ToCp932(std::string_view utf8) {
    return Convert(utf8, "CP932", "UTF-8", true);
}

std::string CutCp932(std::string_view text, std::size_t n) {
    if (text.size() <= n) return std::string(text);
    // Walk whole characters: a lead byte takes its trail byte with it.
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t width = CharWidth(text, at, false);
        if (at + width > n) break;
        at += width;
    }
    return std::string(text.substr(0, at));
}

std::vector<std::string> LettersWithoutCp932(std::string_view utf8) {
    std::vector<std::string> letters;
    utf8 = utf8.substr(0, std::min(utf8.size(), kMaxTextBytes));
    for (std::size_t at = 0; at < utf8.size();) {
        const std::string_view letter = utf8.substr(at, CharWidth(utf8, at, true));
        at += letter.size();
        if (KeptInCp932(letter)) continue;
        if (std::find(letters.begin(), letters.end(), letter) == letters.end())
            letters.emplace_back(letter);
    }
    return letters;
}

std::string LettersWithoutCp932Text(std::string_view utf8) {
    const std::vector<std::string> letters = LettersWithoutCp932(utf8);
    if (letters.empty()) return std::string();
    std::string text = "These letters cannot be kept (code page 932 has no form for them):";
    for (const std::string& letter : letters)
        text += " " + letter;
    return text + "\nPlease change the text.";
}
