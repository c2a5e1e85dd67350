#include "EntryPointNames.h"

namespace tandem::keyer {

std::vector<std::string> EntryPointNames(const std::string& name, unsigned arguments,
                                         unsigned pointerSize) {
  std::vector<std::string> names{name};
  if (pointerSize == 4) {
    const std::string bytes = "@" + std::to_string(arguments * 4u);
    names.push_back("_" + name + bytes);
    names.push_back(name + bytes);
  }
  return names;
}

}  // namespace tandem::keyer
