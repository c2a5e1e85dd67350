// Searching text of the ANSI code page for an ASCII byte.
//
// In a double-byte code page the second byte of a character can be an ASCII byte: in code page
// 932 ソ 十 表 能 予 end in 0x5C ('\'), ポ in 0x7C ('|'). A byte-wise search would find a path
// separator inside 一覧表 or a record separator inside ポ. These functions walk the text
// character by character and find a byte only where a character starts. Portable: the lead-byte
// test is a parameter, code page 932's ranges by default; Windows code passes the system's.
#pragma once

#include <cstddef>
#include <string_view>

#include "LeadByte.h"

namespace tandem::text {

using LeadByteTest = bool (*)(unsigned char);

// Offset of the first character at or after `from` (a character boundary) that is one of
// `bytes`, or npos.
std::size_t FindCharOf(std::string_view text, std::string_view bytes, std::size_t from = 0,
                       LeadByteTest isLead = IsCp932LeadByte);
// Offset of the last character that is one of `bytes`, or npos.
std::size_t FindLastCharOf(std::string_view text, std::string_view bytes,
                           LeadByteTest isLead = IsCp932LeadByte);
// Whether the last character of `text` is `c` (not the second byte of a character).
bool EndsWithChar(std::string_view text, char c, LeadByteTest isLead = IsCp932LeadByte);
// The part after the last path separator ('\', '/' or a drive's ':'), or all of it.
std::string_view FileNamePart(std::string_view path, LeadByteTest isLead = IsCp932LeadByte);

// What a file that is not text of the code page most likely holds instead, so that refusing it
// can say so: text saved in UTF-16 or UTF-8 (an editor's "Unicode" choices, with or without the
// byte-order mark), a file with zero bytes that is no text at all, or bytes of no known kind.
enum class ForeignText { kUtf16, kUtf8, kNulBytes, kOtherBytes };
ForeignText ClassifyForeignText(std::string_view bytes);

}  // namespace tandem::text
