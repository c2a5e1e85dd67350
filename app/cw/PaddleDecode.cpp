#include "PaddleDecode.h"

#include "CwConstants.h"
#include "MorseTable.h"

namespace tandem::cw {

PaddleEcho DecodePaddle(unsigned char code, bool kanaOn) {
  PaddleEcho echo;
  if (code == 0) {
    return echo;
  }
  const int index = MorseFindCode(code, kanaOn ? kDecodeKanaStart : 0);
  if (index >= 0 && (kanaOn || index <= kDecodeLastNonKana)) {
    echo.action = PaddleAction::Append;
    echo.ch = g_morseTable[index].ch;
    echo.index = index;
  } else if ((code == kCodeRaTa && kanaOn) || (code == kCodeHoRe && !kanaOn)) {
    echo.action = PaddleAction::ToggleKana;
  }
  return echo;
}

}  // namespace tandem::cw
