// Token reading of the knowledge-base texts: tokens end at '|', and carriage
// returns, line feeds and blanks are skipped wherever they stand. The texts
// end at their first NUL.
#pragma once

#include <cstddef>

#include "core/reporters.h"

constexpr ErrorCode kCantReadDatabase = 0xFF01003E;

// Reads the next token at position into token (NUL-terminated, at most
// capacity - 1 characters kept; the rest of a longer token is consumed and
// dropped) and advances the position past every character consumed. Returns
// false when a '|' ended the token. At the end of the text returns true, the
// token being the characters gathered since the last '|' less the last one.
bool ReadKnowledgeToken(const char* text, char* token, std::size_t capacity, int& length,
                        int& position);

// Advances the position past count '|' characters; reaching the end of the
// text first reports "can't read database file!" and stops there.
void SkipKnowledgeEntries(const char* text, int count, int& position);
