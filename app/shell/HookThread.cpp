#include "HookThread.h"

#include <new>

namespace {

// The request that ends the thread: a thread message carrying the channel's address, so that a
// message some other program posts to the thread (WM_QUIT among them) never ends it.
constexpr UINT kStopRequest = WM_APP + 0x2F1;

// How long the thread rests after a failed GetMessage before it asks again.
constexpr DWORD kRetryRestMs = 10;

// Waits for `thread` to end, at most `ms`, answering what other threads send to this one
// meanwhile: a hook call on the thread may be sending the frame a report, and would otherwise
// wait out its own limit before the thread sees the stop request.
bool WaitAnswering(HANDLE thread, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) break;
    const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, ms - spent, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

}  // namespace

// What the caller and the thread share. Whoever lets go last frees it, so that a thread that did
// not end in time never writes into freed memory. `hook` is cleared, under the lock, once the
// caller no longer waits for the thread: from then on the thread leaves the hook alone, and the
// caller (whose object may go) does what is left itself.
struct CHookThread::Channel {
  explicit Channel(CHlHook* h) : hook(h) {
    InitializeCriticalSection(&lock);
    answered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~Channel() {
    if (answered) CloseHandle(answered);
    DeleteCriticalSection(&lock);
  }
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  CRITICAL_SECTION lock;
  CHlHook* hook;
  HANDLE answered;          // set once the thread has tried to install the hook
  bool installTried = false;
  HHOOK installed = nullptr;
  bool removeTried = false;
  BOOL removed = FALSE;
  volatile LONG holders = 2;  // the caller and the thread
};

void CHookThread::Release(Channel* channel) {
  if (InterlockedDecrement(&channel->holders) == 0) delete channel;
}

DWORD WINAPI CHookThread::Pump(LPVOID param) {
  Channel* channel = static_cast<Channel*>(param);
  MSG msg;
  // The thread's queue exists before the hook does, so the stop request always has a queue to
  // land in.
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  EnterCriticalSection(&channel->lock);
  if (channel->hook) channel->installed = channel->hook->Start();
  channel->installTried = true;
  const bool installed = channel->installed != nullptr;
  LeaveCriticalSection(&channel->lock);
  SetEvent(channel->answered);

  // Only retrieving: what other programs' hook calls need is that this thread waits for
  // messages, never for anything else.
  while (installed) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) {
      Sleep(kRetryRestMs);  // an error to survive, not a quit
      continue;
    }
    if (got == 0) continue;  // only our own request ends the thread
    if (msg.hwnd == nullptr && msg.message == kStopRequest &&
        msg.lParam == reinterpret_cast<LPARAM>(channel)) {
      EnterCriticalSection(&channel->lock);
      if (channel->hook) channel->removed = channel->hook->Stop();
      channel->removeTried = true;
      LeaveCriticalSection(&channel->lock);
      break;
    }
    DispatchMessageA(&msg);
  }
  Release(channel);
  return 0;
}

HHOOK CHookThread::Start() {
  if (m_installed) return m_installed;
  Channel* channel = new (std::nothrow) Channel(&m_hook);
  HANDLE thread = nullptr;
  DWORD id = 0;
  if (channel && channel->answered) thread = CreateThread(nullptr, 0, Pump, channel, 0, &id);
  if (thread == nullptr) {
    delete channel;
    m_installed = m_hook.Start();
    m_onCaller = m_installed != nullptr;
    m_threadId = m_onCaller ? GetCurrentThreadId() : 0;
    return m_installed;
  }

  HANDLE answerOrEnd[2] = {channel->answered, thread};
  WaitForMultipleObjects(2, answerOrEnd, FALSE, kStartLimitMs);
  EnterCriticalSection(&channel->lock);
  const HHOOK installed = channel->installed;
  if (!channel->installTried) channel->hook = nullptr;  // too late: the thread installs nothing
  LeaveCriticalSection(&channel->lock);

  if (installed == nullptr) {
    // Refused, or no answer in time: the thread ends by itself, having nothing to hold.
    WaitForSingleObject(thread, kStopLimitMs);
    CloseHandle(thread);
    Release(channel);
    return nullptr;
  }
  m_channel = channel;
  m_thread = thread;
  m_threadId = id;
  m_installed = installed;
  return installed;
}

BOOL CHookThread::Stop() {
  if (m_installed == nullptr) return FALSE;
  if (m_onCaller) {
    const BOOL removed = m_hook.Stop();
    if (removed) {
      m_installed = nullptr;
      m_threadId = 0;
      m_onCaller = false;
    }
    return removed;
  }

  Channel* channel = m_channel;
  HANDLE thread = m_thread;
  const DWORD id = m_threadId;
  m_channel = nullptr;
  m_thread = nullptr;
  m_threadId = 0;
  m_installed = nullptr;

  if (PostThreadMessageA(id, kStopRequest, 0, reinterpret_cast<LPARAM>(channel))) {
    WaitAnswering(thread, kStopLimitMs);
  }
  EnterCriticalSection(&channel->lock);
  BOOL removed = channel->removed;
  if (!channel->removeTried) {
    // The thread did not come to the request in time. Any thread of the process may remove the
    // hook; the thread, whenever it gets there, leaves it alone.
    channel->hook = nullptr;
    removed = m_hook.Stop();
  }
  LeaveCriticalSection(&channel->lock);
  CloseHandle(thread);
  Release(channel);
  return removed;
}
