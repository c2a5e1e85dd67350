// Owners of system handles: each releases its handle in its destructor, the one place where
// that happens. Header-only, so that the WinKeyer bridge, the stand-ins and the tests, which do
// not link the framework, hold their handles the same way.
#pragma once

#include <windows.h>

// One handle of `Traits::Type`, released by `Traits::Release`; `Traits::Empty()` is none. It
// moves and is never copied, so that exactly one owner releases it.
template <typename Traits>
class CUniqueHandle {
 public:
  using Type = typename Traits::Type;
  CUniqueHandle() = default;
  ~CUniqueHandle() { Close(); }
  CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Detach()) {}
  CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }

  Type Get() const { return m_handle; }
  bool Valid() const { return m_handle != Traits::Empty(); }
  // Releases the handle held, and holds `handle` from now on.
  void Reset(Type handle) {
    if (Valid()) Traits::Release(m_handle);
    m_handle = handle;
  }
  void Close() { Reset(Traits::Empty()); }
  // Gives the handle up without releasing it.
  Type Detach() {
    const Type handle = m_handle;
    m_handle = Traits::Empty();
    return handle;
  }

 private:
  Type m_handle = Traits::Empty();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static HANDLE Empty() { return nullptr; }
  static void Release(HANDLE handle) { ::CloseHandle(handle); }
};

// A kernel object: a file, a serial port, a process, a thread, an event.
using CHandle = CUniqueHandle<KernelHandleTraits>;

struct FontTraits {
  using Type = HFONT;
  static HFONT Empty() { return nullptr; }
  static void Release(HFONT font) { ::DeleteObject(font); }
};

class CFont : public CUniqueHandle<FontTraits> {
 public:
  bool CreateFontIndirect(const LOGFONTA& lf) {
    Reset(::CreateFontIndirectA(&lf));
    return Valid();
  }
};

// A process this program started, with its first thread: ended, if it still runs, and its
// handles closed when the owner goes, so that a program that fails never leaves it running.
class CStartedProcess {
 public:
  ~CStartedProcess() { Terminate(); }
  // Takes over the handles that CreateProcess gave (ending a process held before).
  void Take(const PROCESS_INFORMATION& info) {
    Terminate();
    m_process.Reset(info.hProcess);
    m_thread.Reset(info.hThread);
    m_id = info.dwProcessId;
  }
  bool Valid() const { return m_process.Valid(); }
  bool Running() const {
    return Valid() && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
  }
  // Ends the process if it still runs (waiting a few seconds for it to go) and closes both
  // handles.
  void Terminate() {
    if (Running()) {
      ::TerminateProcess(m_process.Get(), 1);
      ::WaitForSingleObject(m_process.Get(), 5000);
    }
    m_process.Close();
    m_thread.Close();
    m_id = 0;
  }
  HANDLE Process() const { return m_process.Get(); }
  HANDLE Thread() const { return m_thread.Get(); }
  DWORD Id() const { return m_id; }

 private:
  CHandle m_process;
  CHandle m_thread;
  DWORD m_id = 0;
};
