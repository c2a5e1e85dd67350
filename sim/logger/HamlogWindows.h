// The stand-in for Turbo HAMLOG/Win as the hook's input-window reader sees it: a top-level main
// form of class "TForm_A", and the input window, whose children stand where the reader counts
// them from the "&Save" button, with text boxes a person can type into.
#pragma once

#include <windows.h>

#include <vector>

#include "LoggerSimProtocol.h"
#include "StandInWindows.h"

class HamlogWindows {
 public:
  static bool RegisterClasses(HINSTANCE instance);

  // Creates the main form and the input window (visible, not activated).
  bool Create(HINSTANCE instance);

  HWND Hwnd() const { return input_; }  // the input window, where the operator types
  HWND MainForm() const { return main_; }
  HWND BoxByName(const char* name) const;
  loggersim::Box BoxOf(HWND window) const;
  int CheckId() const { return checkId_; }
  // Makes the input window's children anew, in the same places, with new handles.
  bool RebuildInput();
  // Gives the save button another title.
  bool SetSaveTitle(const char* title);

 private:
  std::vector<standin::NamedBox> Boxes() const;
  bool MakeInputChildren();

  HWND main_ = nullptr;
  HWND input_ = nullptr;
  HWND call_ = nullptr, report_ = nullptr, mode_ = nullptr, exchange_ = nullptr, free_ = nullptr;
  HWND keys4_ = nullptr, keys7_ = nullptr, further_ = nullptr, save_ = nullptr;
  int checkId_ = 0;
};
