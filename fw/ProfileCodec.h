// Byte strings stored as text in the settings file: each byte becomes two capital letters,
// 'A' plus its low four bits, then 'A' plus its high four bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

std::string EncodeProfileBinary(const std::uint8_t* data, std::size_t size);

// Decodes text written by EncodeProfileBinary. Returns false, leaving `out` empty, when the text
// has an odd length or holds a character outside 'A'..'P': such a value was not written by us
// and is treated as not stored.
bool DecodeProfileBinary(const std::string& text, std::vector<std::uint8_t>& out);

}  // namespace fw
