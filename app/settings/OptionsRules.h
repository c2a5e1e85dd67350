// Rules of the Options sheet that need no window. Portable: no <windows.h>.
#pragma once

#include <cstdint>

namespace settings {

// Side-tone pitches of the keyer page's list, 3906 / n Hz for the list position n - 1.
constexpr int kToneLevels = 13;
constexpr int kDefaultToneLevel = 7;  // 488 Hz

// The side-tone level the keyer page applies: the list's position when it has one; with no
// selection (a stored level outside the list), the stored level when it is valid, else the
// default. The keyer is told "off" only through the check box, never through a level.
int ToneLevelToApply(int listPosition, int storedLevel);

// Limits the pages check their fields against.
constexpr std::uint32_t kWpmMin = 5;
constexpr std::uint32_t kWpmMax = 50;
constexpr std::uint32_t kPttDelayMax = 255;
constexpr float kWeightMax = 5.0f;
constexpr std::uint32_t kEndGMMin = 9, kEndGMMax = 15;
constexpr std::uint32_t kEndGAMin = 15, kEndGAMax = 21;
constexpr std::uint32_t kEndGEMin = 0, kEndGEMax = 9;
constexpr int kSubstitutionChars = 1;

}  // namespace settings
