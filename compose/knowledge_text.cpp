#include "compose/knowledge_text.h"

namespace {

bool IsSkipped(char c) {
    return c == '\r' || c == '\n' || c == ' ';
}

}  // namespace

bool ReadKnowledgeToken(const char* text, char* token, std::size_t capacity, int& length,
                        int& position) {
    if (position < 0) position = 0;
    int gathered = 0;
    auto keep = [&](int n) {
        int kept = capacity == 0
                       ? 0
                       : (n < static_cast<int>(capacity) ? n : static_cast<int>(capacity) - 1);
        if (capacity > 0) token[kept] = '\0';
        length = kept;
    };
    for (;;) {
        char c = text[position];
        if (c == '\0') {
            keep(gathered > 0 ? gathered - 1 : 0);
            return true;
        }
        ++position;
        if (c == '|') {
            keep(gathered);
            return false;
        }
        if (IsSkipped(c)) continue;
        if (capacity > 0 && gathered < static_cast<int>(capacity) - 1) token[gathered] = c;
        ++gathered;
    }
}

void SkipKnowledgeEntries(const char* text, int count, int& position) {
    if (position < 0) position = 0;
    for (int skipped = 0; skipped < count;) {
        char c = text[position];
        if (c == '\0') {
            ShowErrorMessage(kCantReadDatabase);
            return;
        }
        ++position;
        if (c == '|') ++skipped;
    }
}
