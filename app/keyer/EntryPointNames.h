// The names under which an interface library may export one of its entry points. Portable: no
// <windows.h>.
#pragma once

#include <string>
#include <vector>

namespace tandem::keyer {

// The export names to try for the entry point `name` taking `arguments` arguments, in the order
// they are tried: the plain name first, as the library is meant to export it. On 32-bit Windows
// (`pointerSize` 4) a library built without a module-definition file exports its standard-call
// functions under their decorated names instead: "_name@N" as one family of compilers writes
// them, "name@N" as the other does, N being the bytes of arguments, each argument (byte, int or
// window handle) taking one 4-byte slot. A 64-bit library has one convention and no decoration.
std::vector<std::string> EntryPointNames(const std::string& name, unsigned arguments,
                                         unsigned pointerSize);

}  // namespace tandem::keyer
