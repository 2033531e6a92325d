#include "platform/ui/fltk/fltk_options.h"

#include <FL/Fl.H>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace platform::ui::fltk_options {

namespace {

// FLTK reads its file with fgets into 1024 bytes, so a longer line comes in
// pieces; its first three pieces are the header it skips.
constexpr std::size_t kReaderPiece = 1023;
constexpr int kHeaderPieces = 3;
// A preferences file is a few lines; more is not read.
constexpr std::size_t kMaxPrefsBytes = 1 << 20;

// The pieces the reader gets, each cut at a NUL as its C string functions do.
std::vector<std::string> ReaderPieces(const std::string& text) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        end = std::min(end, at + kReaderPiece);
        pieces.emplace_back(text.substr(at, end - at).c_str());
        at = end;
    }
    return pieces;
}

// The text of a piece up to its line end, after `skip` leading characters.
std::string LineBody(const std::string& piece, std::size_t skip) {
    if (piece.size() < skip) return std::string();
    const std::string rest = piece.substr(skip);
    return rest.substr(0, std::strcspn(rest.c_str(), "\n\r"));
}

std::string GroupName(const std::string& piece) {
    const std::string rest = piece.substr(1);
    return rest.substr(0, std::strcspn(rest.c_str(), "]\n\r"));
}

// The reader finds a node only for the root "." and paths under "./".
bool NamedFromRoot(const std::string& group) {
    return group == "." || group.rfind("./", 0) == 0;
}

struct OptionName {
    const char* name;
    Fl::Fl_Option option;
};
// The entries of the "options" group and the options they set.
constexpr OptionName kOptionNames[] = {
    {"ArrowFocus", Fl::OPTION_ARROW_FOCUS},     {"VisibleFocus", Fl::OPTION_VISIBLE_FOCUS},
    {"DNDText", Fl::OPTION_DND_TEXT},           {"ShowTooltips", Fl::OPTION_SHOW_TOOLTIPS},
    {"FNFCUsesGTK", Fl::OPTION_FNFC_USES_GTK},
};

// Sets the options the text's "options" group names, whatever path the
// group is written with; as FLTK does, a negative value leaves an option.
void ApplyOptions(const std::string& text) {
    const std::vector<std::string> pieces = ReaderPieces(text);
    bool inOptions = false;
    for (std::size_t i = kHeaderPieces; i < pieces.size(); ++i) {
        const std::string& piece = pieces[i];
        if (piece.empty() || piece[0] == '+') continue;
        if (piece[0] == '[') {
            const std::string group = GroupName(piece);
            inOptions = group.substr(group.rfind('/') + 1) == "options";
            continue;
        }
        const std::string line = LineBody(piece, 0);
        const std::size_t colon = line.find(':');
        if (!inOptions || colon == std::string::npos) continue;
        const std::string name = line.substr(0, colon);
        const long value = std::strtol(line.c_str() + colon + 1, nullptr, 10);
        for (const OptionName& entry : kOptionNames)
            if (name == entry.name && value >= 0) Fl::option(entry.option, value != 0);
    }
}

bool ReadPrefs(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (text.size() > kMaxPrefsBytes) text.resize(kMaxPrefsBytes);
    return true;
}

}  // namespace

bool ReaderTakes(const std::string& prefsText) {
    const std::vector<std::string> pieces = ReaderPieces(prefsText);
    bool groupFound = true;  // entries before any group go to the root
    for (std::size_t i = kHeaderPieces; i < pieces.size(); ++i) {
        const std::string& piece = pieces[i];
        if (!piece.empty() && piece[0] == '[') {
            groupFound = NamedFromRoot(GroupName(piece));
        } else if (!groupFound && !LineBody(piece, !piece.empty() && piece[0] == '+').empty()) {
            return false;
        }
    }
    return true;
}

void Load() {
    const char* home = std::getenv("HOME");
    std::string text;
    if (!home || !ReadPrefs(std::string(home) + "/.fltk/fltk.org/fltk.prefs", text) ||
        ReaderTakes(text)) {
        Fl::option(Fl::OPTION_SHOW_TOOLTIPS);
        return;
    }
    // FLTK reads its options once, from under $HOME. Pointed for that read
    // at a path under a device, the home holds no file and none can be made
    // there, so FLTK takes its defaults. This runs while the display opens,
    // before any other thread is started.
    const std::string savedHome = home;
    setenv("HOME", "/dev/null", 1);
    Fl::option(Fl::OPTION_SHOW_TOOLTIPS);
    setenv("HOME", savedHome.c_str(), 1);
    ApplyOptions(text);
}

bool ChooserUsesGtk() {
    return Fl::option(Fl::OPTION_FNFC_USES_GTK);
}

}  // namespace platform::ui::fltk_options
