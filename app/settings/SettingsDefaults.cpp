#include "SettingsDefaults.h"

#include <cstdio>

namespace settings {

namespace {
// nullptr: the key name itself.
const char* const kDefaults[2][12] = {
    {"CQ DE $M $M $M PSE K", "$C UR $R [KN]", "TNX FB QSO 73 [VA]", nullptr, "QRZ?", nullptr,
     nullptr, "TU E E", nullptr, nullptr, nullptr, nullptr},
    {"DE $M $M [AR]", "UR $R [KN]", "73 TU E E", nullptr, nullptr, nullptr, nullptr, "TU E E",
     nullptr, nullptr, nullptr, nullptr},
};
}  // namespace

std::string MemoryKey(int key) {
  char name[16];
  std::snprintf(name, sizeof(name), "Fn%02d", key);
  return name;
}

std::string DefaultMemory(int bank, int key) {
  if (bank < 0 || bank > 1 || key < 1 || key > 12) return std::string();
  const char* text = kDefaults[bank][key - 1];
  return text ? std::string(text) : MemoryKey(key);
}

}  // namespace settings
