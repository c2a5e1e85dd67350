#include "OptionsRules.h"

namespace settings {

int ToneLevelToApply(int listPosition, int storedLevel) {
  if (listPosition >= 0 && listPosition < kToneLevels) return listPosition;
  if (storedLevel >= 0 && storedLevel < kToneLevels) return storedLevel;
  return kDefaultToneLevel;
}

}  // namespace settings
