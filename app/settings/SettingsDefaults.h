// Defaults of the settings file that are more than a number: the message memories and their
// key names.
#pragma once

#include <string>

namespace settings {

// Key of function key `key` (1..12): "Fn01".."Fn12".
std::string MemoryKey(int key);
// Default text of memory `key` (1..12) of `bank` (0 Bank-A, 1 Bank-B); a memory without a
// message of its own holds its key name.
std::string DefaultMemory(int bank, int key);

}  // namespace settings
