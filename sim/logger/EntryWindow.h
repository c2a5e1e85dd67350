// The stand-in for N1MM Logger's entry window: a top-level window of the logger's form class whose
// children stand where the hook's reader expects them, with text boxes a person can type into.
#pragma once

#include <windows.h>

#include <vector>

#include "LoggerSimProtocol.h"
#include "StandInWindows.h"

struct EntryLayout {
  int children = 30;          // children of the entry window; the check control is child 26
  bool containers = true;     // children 10 and 14 hold the text boxes
};

class EntryWindow {
 public:
  static bool RegisterClasses(HINSTANCE instance);

  // Creates the window and its children at left 120, bottom 560 (visible, not activated).
  bool Create(HINSTANCE instance, const EntryLayout& layout);
  // A second, smaller form of the same class, as the logger has several.
  bool CreateSecondForm(HINSTANCE instance);

  HWND Hwnd() const { return hwnd_; }
  HWND SecondForm() const { return second_; }
  HWND BoxByName(const char* name) const;
  loggersim::Box BoxOf(HWND window) const;
  int CheckId() const { return checkId_; }

 private:
  std::vector<standin::NamedBox> Boxes() const;

  HWND hwnd_ = nullptr;
  HWND second_ = nullptr;
  HWND call_ = nullptr, report_ = nullptr, exchange_ = nullptr, free_ = nullptr, anchor_ = nullptr;
  int checkId_ = 0;
};
