// Calls through the interface library's entry points. An entry point the library does not
// export (or every one, when the library is missing) stays null, and every call through it is
// skipped; the caller gets `absent` instead of a result.
#pragma once

template <typename Fn, typename... Args>
int KeyportCall(int absent, Fn fn, Args... args) {
  return fn ? fn(args...) : absent;
}
