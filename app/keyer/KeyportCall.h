// Calls through the interface library's entry points. An entry point the library does not
// export (or every one, when the library is missing) stays null, and every call through it is
// skipped; the caller gets `absent` instead of a result.
//
// On 32-bit Windows the library may have been built with standard call (the callee removes its
// arguments) or with the C convention (the caller does), and nothing in the library says which.
// A call through a pointer of the wrong convention leaves the stack off by the arguments' size,
// which the compiler's code around the call may or may not survive. So each call goes through
// KeyportInvoke, which sets the stack back itself and is right for either. On 64-bit Windows
// there is one convention, and the call is a plain one.
#pragma once

#include <cstdint>
#include <type_traits>

#include "KeyportApi.h"

#if defined(_M_IX86) || defined(__i386__)
#define TANDEM_KEYPORT_INVOKE 1

#if defined(__GNUC__)
#define TANDEM_KEYPORT_INVOKE_SYMBOL __asm__("tandem_keyport_invoke")
#else
#define TANDEM_KEYPORT_INVOKE_SYMBOL
#endif

// Calls `fn` with `count` 4-byte argument slots, slots[0] being the first argument, and returns
// its EAX. The stack pointer after the call is the one from before it, however much of its
// arguments the callee removed. Defined in assembly (KeyportInvoke.cpp), so that no compiler's
// choice of code around the call can depend on the callee's convention.
extern "C" int __cdecl KeyportInvoke(void (*fn)(), const std::uint32_t* slots,
                                     unsigned count) TANDEM_KEYPORT_INVOKE_SYMBOL;

namespace tandem::keyer {

// One argument as the caller of either convention pushes it: a byte zero-extended (the library's
// bytes are unsigned char), an int as it is, a window handle as its 32 bits.
template <typename T>
std::uint32_t KeyportSlot(T value) {
  if constexpr (std::is_pointer<T>::value) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
  } else {
    return static_cast<std::uint32_t>(value);
  }
}

}  // namespace tandem::keyer
#endif

// The arguments are converted to the entry point's own parameter types first, as a direct call
// would convert them.
template <typename... Params, typename... Args>
int KeyportCall(int absent, int(KEYPORT_CALL* fn)(Params...), Args... args) {
  static_assert(sizeof...(Params) == sizeof...(Args), "one argument per parameter");
  if (!fn) return absent;
#ifdef TANDEM_KEYPORT_INVOKE
  const std::uint32_t slots[] = {tandem::keyer::KeyportSlot(static_cast<Params>(args))...};
  return KeyportInvoke(reinterpret_cast<void (*)()>(fn), slots, sizeof...(Params));
#else
  return fn(static_cast<Params>(args)...);
#endif
}
