// Text in code page 932, the encoding the style records and the ringtone
// files store their names in, beside the UTF-8 the screen shows and takes.
// Conversions go through iconv; a stored text is cut only between whole
// characters (one byte, or a lead byte and its trail).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Whether a byte begins a two-byte character of code page 932.
bool IsCp932LeadByte(unsigned char c);

// Code page 932 and UTF-8 both ways; what has no form in the other becomes
// "?".
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

// The first n bytes of text, or fewer so that no double-byte character of
// code page 932 is split.
std::string CutCp932(std::string_view text, std::size_t n);

// The letters of a UTF-8 text that code page 932 cannot keep (no form there,
// or one that reads back as another letter), each once, in the order typed.
std::vector<std::string> LettersWithoutCp932(std::string_view utf8);
// The message that names those letters, or "" when every letter is kept.
std::string LettersWithoutCp932Text(std::string_view utf8);
