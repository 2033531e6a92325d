// Composing one finished tune from the working style.
#pragma once

#include <cstddef>
#include <cstdint>

// Composes one tune from WorkingStyle and ComposeInfo into buffer (at least
// WorkBufferSize bytes), saves or converts it, and leaves the tune there as a
// format-0 Standard MIDI File image with its size in *length. 1 on success;
// 0 when stopped, when the knowledge base could not be loaded or when the
// tune could not be written.
int ComposeOneTune(std::uint8_t* buffer, std::size_t* length);
