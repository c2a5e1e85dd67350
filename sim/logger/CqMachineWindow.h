// The stand-in for the logging program's CQ machine window: a top-level window of class
// "TForm12" titled "ＣＱマシーン" whose "TBitBtn" child "再生中断(&A)" (stop playback) is shown
// while a recording plays and hidden when it ends.
#pragma once

#include <windows.h>

class CqMachineWindow {
 public:
  static bool RegisterClasses(HINSTANCE instance);
  // Created visible, not activated, with the stop button hidden (nothing playing).
  bool Create(HINSTANCE instance);
  // Playback starts (the button is shown) or ends (hidden).
  void SetPlaying(bool playing);
  bool Playing() const;
  HWND Hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
  HWND stop_ = nullptr;
};
