// The stand-in for Logger32 as the hook's entry-window reader sees it: an MDI frame of class
// "ThunderRT6MDIForm" titled "Logger32", its MDI client, the entry form inside it, and the form's
// inner panel holding the text boxes at the places the reader counts them from the first one.
#pragma once

#include <windows.h>

#include <vector>

#include "LoggerSimProtocol.h"
#include "StandInWindows.h"

class Logger32Windows {
 public:
  static bool RegisterClasses(HINSTANCE instance);

  // Creates the frame with the entry form (visible, not activated).
  bool Create(HINSTANCE instance);
  // Closes the entry form, leaving the frame and its empty MDI client.
  bool RemoveEntry();

  HWND Hwnd() const { return frame_; }  // the frame, which has the foreground while one types
  HWND BoxByName(const char* name) const;
  loggersim::Box BoxOf(HWND window) const;

 private:
  std::vector<standin::NamedBox> Boxes() const;

  HWND frame_ = nullptr;
  HWND client_ = nullptr;
  HWND form_ = nullptr;
  HWND call_ = nullptr, mode_ = nullptr, report_ = nullptr, next_ = nullptr, exchange_ = nullptr;
  HWND keys4_ = nullptr, free_ = nullptr, further_ = nullptr;
};
