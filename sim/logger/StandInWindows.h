// What the logger stand-in's window sets share: registering their window classes, and finding a
// text box by the name the control commands use or by its window.
#pragma once

#include <windows.h>

#include <vector>

#include "LoggerSimProtocol.h"

namespace standin {

// Registers `name` as a form: the arrow cursor and the dialog colour behind `proc`.
bool RegisterForm(HINSTANCE instance, const char* name, WNDPROC proc);
// Registers `name` as a class of its own that behaves as the system class `base`; `baseProc`
// gets the system class's procedure, which `proc` passes messages on to.
bool RegisterSuperclass(HINSTANCE instance, const char* base, const char* name, WNDPROC proc, WNDPROC& baseProc);

// One text box of a window set: its name in the control commands, what it reports, its window.
struct NamedBox {
  const char* name;
  loggersim::Box box;
  HWND window;
};
// The window of the box called `name`, or null.
HWND BoxNamed(const std::vector<NamedBox>& boxes, const char* name);
// What `window` is among the boxes, or kBoxOther.
loggersim::Box BoxOfWindow(const std::vector<NamedBox>& boxes, HWND window);

// Lays out a window's children one after another, in the order the readers count them, with
// control ids from 100 on.
class ChildMaker {
 public:
  ChildMaker(HWND parent, const char* textBoxClass) : parent_(parent), textBoxClass_(textBoxClass) {}
  HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int w);
  HWND TextBox(int x, int y, int w);
  HWND Label(const char* text, int x, int y, int w);
  // Labels and other controls the reader steps over.
  void Fillers(int n, int x, int y);

 private:
  HWND parent_;
  const char* textBoxClass_;
  int id_ = 100;
};

}  // namespace standin
