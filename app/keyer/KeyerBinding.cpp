// The main frame's binding to the keying interface library: loading it and its fifteen entry
// points, opening the device and pushing the parameters, the keyer parameter operations, and the
// CQ machine PTT link (the start notice and timer 2's watch of the CQ machine window).
#include <cstdio>

#include "App.h"
#include "EntryPointNames.h"
#include "KeyerConstants.h"
#include "KeyerMath.h"
#include "KeyportCall.h"
#include "MainFrame.h"
#include "SettingsKeys.h"
#include "resource.h"

namespace {

// An entry point under the first of its export names that the library has, or null when it has
// none of them.
template <typename... Params>
void Resolve(HMODULE module, const char* name, int(KEYPORT_CALL*& fn)(Params...)) {
  fn = nullptr;
  for (const std::string& exported :
       tandem::keyer::EntryPointNames(name, sizeof...(Params), sizeof(void*))) {
    // Through the generic function pointer type, as GetProcAddress results are meant to be cast.
    fn = reinterpret_cast<int(KEYPORT_CALL*)(Params...)>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, exported.c_str())));
    if (fn) return;
  }
}

}  // namespace

void CMainFrame::BindKeyer() {
  m_hKeyport = ::LoadLibraryA(tandem::keyer::kLibraryName);
  if (m_hKeyport) {
    Resolve(m_hKeyport, "keyportOpen", m_keyportOpen);
    Resolve(m_hKeyport, "keyportClose", m_keyportClose);
    Resolve(m_hKeyport, "keyportWriteData", m_keyportWriteData);
    Resolve(m_hKeyport, "keyportPutChar", m_keyportPutChar);
    Resolve(m_hKeyport, "keyportPutCode", m_keyportPutCode);
    Resolve(m_hKeyport, "keyportSetWPM", m_keyportSetWPM);
    Resolve(m_hKeyport, "keyportTxBusy", m_keyportTxBusy);
    Resolve(m_hKeyport, "keyportTxCancel", m_keyportTxCancel);
    Resolve(m_hKeyport, "keyportSetCallbackWindow", m_keyportSetCallbackWindow);
    Resolve(m_hKeyport, "keyportGetVersion", m_keyportGetVersion);
    Resolve(m_hKeyport, "keyportSetPTTParam", m_keyportSetPTTParam);
    Resolve(m_hKeyport, "keyportSetWeight", m_keyportSetWeight);
    Resolve(m_hKeyport, "keyportSetPaddle", m_keyportSetPaddle);
    Resolve(m_hKeyport, "keyportSetSideTone", m_keyportSetSideTone);
    Resolve(m_hKeyport, "keyportWriteCmd", m_keyportWriteCmd);

    // A library without keyportOpen leaves no device, as an unplugged interface does.
    m_device = KeyportCall(KEYPORT_NO_DEVICE, m_keyportOpen, tandem::keyer::kFirstDevice);
    KeyportCall(0, m_keyportSetWPM, m_device, m_wpm);
    ApplyPtt(m_ptt != 0, m_pttDelayP, m_pttDelayA);
    ApplyPaddle(m_paddleRvs != 0);
    ApplySideTone(m_sideTone != 0, m_toneLevel);
    CWinApp* app = CWinApp::Current();
    const std::string dot = app->ReadText(settings::kKeyer, settings::kWeightDot, "1.0");
    const std::string dash = app->ReadText(settings::kKeyer, settings::kWeightDash, "3.0");
    ApplyWeight(static_cast<float>(tandem::keyer::ParseDecimalPrefix(dot)),
                static_cast<float>(tandem::keyer::ParseDecimalPrefix(dash)));
    const int version = KeyportCall(0, m_keyportGetVersion, m_device);
    if (version > 0) m_version = tandem::keyer::VersionText(version);
    // Loaded but of no use: the operator would otherwise see the unknown version and nothing
    // keyed, with no hint that the library is the cause. A missing file keeps its own report.
    if (!m_keyportOpen) m_version = LoadResString(IDS_KEYPORT_UNUSABLE);
  }
  m_keyerMsg = ::RegisterWindowMessageA(KEYPORT_REPORT_MESSAGE);
  if (m_device != KEYPORT_NO_DEVICE) KeyportCall(0, m_keyportSetCallbackWindow, m_device, m_hWnd);
}

void CMainFrame::UnbindKeyer() {
  if (m_device != KEYPORT_NO_DEVICE) {
    KeyportCall(0, m_keyportClose, m_device);
    m_device = KEYPORT_NO_DEVICE;
  }
  if (m_hKeyport) {
    ::FreeLibrary(m_hKeyport);
    m_hKeyport = nullptr;
    // No call may go through an address of the unloaded library.
    m_keyportOpen = nullptr;
    m_keyportClose = nullptr;
    m_keyportWriteData = nullptr;
    m_keyportPutChar = nullptr;
    m_keyportPutCode = nullptr;
    m_keyportSetWPM = nullptr;
    m_keyportTxBusy = nullptr;
    m_keyportTxCancel = nullptr;
    m_keyportSetCallbackWindow = nullptr;
    m_keyportGetVersion = nullptr;
    m_keyportSetPTTParam = nullptr;
    m_keyportSetWeight = nullptr;
    m_keyportSetPaddle = nullptr;
    m_keyportSetSideTone = nullptr;
    m_keyportWriteCmd = nullptr;
  } else {
    std::fputs(tandem::keyer::kLoadErrorLine, stdout);
    std::fflush(stdout);
  }
}

void CMainFrame::ApplyWpm(int wpm) {
  m_wpm = wpm;
  KeyportCall(0, m_keyportSetWPM, m_device, wpm);
}

void CMainFrame::StepWpm(bool faster) {
  const int stepped = tandem::keyer::SteppedWpm(m_wpm, faster);
  if (stepped == m_wpm) return;
  m_wpm = stepped;
  KeyportCall(0, m_keyportSetWPM, m_device, m_wpm);
}

void CMainFrame::ApplyPtt(bool on, int before, int after) {
  m_ptt = on ? 1 : 0;
  m_pttDelayP = before;
  m_pttDelayA = after;
  const tandem::keyer::PttBytes bytes = tandem::keyer::PttParams(on, before, after);
  KeyportCall(0, m_keyportSetPTTParam, m_device, bytes.before, bytes.after);
}

void CMainFrame::ApplyPaddle(bool reverse) {
  m_paddleRvs = reverse ? 1 : 0;
  KeyportCall(0, m_keyportSetPaddle, m_device, static_cast<unsigned char>(reverse ? 1 : 0));
}

void CMainFrame::ApplySideTone(bool on, int level) {
  m_sideTone = on ? 1 : 0;
  m_toneLevel = level;
  KeyportCall(0, m_keyportSetSideTone, m_device, tandem::keyer::SideToneValue(on, level));
}

void CMainFrame::ApplyWeight(float dot, float dash) {
  KeyportCall(0, m_keyportSetWeight, m_device, tandem::keyer::WeightToHalfUnits(dot),
              tandem::keyer::WeightToHalfUnits(dash));
}

namespace {

// The CQ machine plays while its window shows the stop-playback button.
bool CqMachinePlaying() {
  HWND machine = ::FindWindowA(tandem::keyer::kCqMachineClass, tandem::keyer::kCqMachineTitle);
  if (!machine) return false;
  HWND stop = ::FindWindowExA(machine, nullptr, tandem::keyer::kCqMachineButtonClass,
                              tandem::keyer::kCqMachineButtonTitle);
  return stop != nullptr && ::IsWindowVisible(stop);
}

}  // namespace

void CMainFrame::OnCqMachineNotice() {
  // Any program can send the notice. PTT is held only while the CQ machine's playing window is
  // visible, never on the notice alone: a notice without a CQ machine playing would otherwise key
  // the transmitter until the program ends.
  m_cqMachineGraceTicks = tandem::keyer::kCqMachineGraceTicks;
  // A running watch starts over.
  ::SetTimer(m_hWnd, tandem::keyer::kCqMachineTimer, tandem::keyer::kCqMachineTimerMs, nullptr);
  OnCqMachineTimer();
}

void CMainFrame::OnCqMachineTimer() {
  if (CqMachinePlaying()) {
    if (!m_pttHeld && m_pttCqMachine) {
      KeyportCall(0, m_keyportWriteData, tandem::keyer::kWriteDataHandle,
                  tandem::keyer::kWriteDataPort,
                  static_cast<unsigned char>(KEYPORT_DATA_PTT_HOLD));
      m_pttHeld = 1;
    }
    m_cqMachineGraceTicks = 0;
    return;
  }
  // Not (or no longer) playing. Before the window has been seen playing the watch waits a little
  // for it; once it has played, or the wait is over, the watch ends.
  if (!m_pttHeld && m_cqMachineGraceTicks > 0) {
    --m_cqMachineGraceTicks;
    return;
  }
  ReleaseCqMachinePtt();
}

void CMainFrame::ApplyPttCqMachine(bool on) {
  m_pttCqMachine = on ? 1 : 0;
  if (!on) ReleaseCqMachinePtt();
}

void CMainFrame::ReleaseCqMachinePtt() {
  // Held means held by the link, whether or not the link is still switched on.
  if (m_pttHeld) {
    KeyportCall(0, m_keyportWriteData, tandem::keyer::kWriteDataHandle,
                tandem::keyer::kWriteDataPort,
                static_cast<unsigned char>(KEYPORT_DATA_PTT_RELEASE));
  }
  m_pttHeld = 0;
  ::KillTimer(m_hWnd, tandem::keyer::kCqMachineTimer);
}
