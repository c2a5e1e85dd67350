// Placement of the function-key buttons on the Fn bar: equal pitch over the frame's width, with
// an extra gap after every fourth button so that the keys read in groups of four.
#pragma once

namespace shell {

struct FnButtonPlace {
  int x;
  int y;
  int width;
  int height;
};

// Button `index` (0..11) when `count` buttons (8 or 12) share a frame `frameWidth` pixels wide.
// With 8 buttons the last four lie beyond the right edge. count must be positive.
FnButtonPlace PlaceFnButton(int index, int count, int frameWidth);

}  // namespace shell
