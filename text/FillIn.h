// Filling the numbers and texts of a message into a format from the string table.
//
// The string table's formats are not the program's literals: handing one to printf would let a
// mistyped "%s" in a translation read what is not there. FillIn understands only what the formats
// use, "%d" and "%s" in order and "%%", and leaves anything else (a specifier without an argument,
// an unknown one) as it stands. Portable: '%' is never a second byte in code page 932.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace tandem::text {

std::string FillIn(std::string_view format, std::initializer_list<std::string_view> values);

}  // namespace tandem::text
