// Values stored as text in the settings file.
//
// Byte strings: each byte becomes two capital letters, 'A' plus its low four bits, then 'A' plus
// its high four bits.
//
// Texts: the private-profile functions give back a value without the spaces and tabs at its
// edges and without one pair of quotes ('"' or '\'') around it. A text that would lose either is
// stored inside one more pair of double quotes, which the reading takes off again; every other
// text is stored as it is, so files stay as readable as before and old files read the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tandem::text {

// The form of `text` to write, so that reading the value gives back `text` exactly.
std::string ProfileTextToStore(std::string_view text);

std::string EncodeProfileBinary(const std::uint8_t* data, std::size_t size);

// Decodes text written by EncodeProfileBinary. Returns false, leaving `out` empty, when the text
// has an odd length or holds a character outside 'A'..'P': such a value was not written by us
// and is treated as not stored.
bool DecodeProfileBinary(const std::string& text, std::vector<std::uint8_t>& out);

}  // namespace tandem::text
