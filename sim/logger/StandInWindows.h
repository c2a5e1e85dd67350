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

}  // namespace standin
