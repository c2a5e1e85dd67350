#include "FnLayout.h"

namespace shell {

namespace {
const int kMargin = 5;      // left margin, and the gap after each group of four
const int kButtonTop = 4;
const int kButtonHeight = 19;
const int kButtonSpacing = 2;  // the pitch minus the button width
}  // namespace

FnButtonPlace PlaceFnButton(int index, int count, int frameWidth) {
  const int pitch = (frameWidth - 2 * kMargin) / count;
  int x = kMargin + index * pitch;
  if (index >= 4) x += kMargin;
  if (index >= 8) x += kMargin;
  return FnButtonPlace{x, kButtonTop, pitch - kButtonSpacing, kButtonHeight};
}

}  // namespace shell
