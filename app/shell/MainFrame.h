// The main frame: the program's only top-level window and the holder of its whole run-time
// state (message memories, keyer parameters, the exchange taken from the logger, the send
// queue, the speed, and the bindings to the hook library and the keying interface library).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "DialogBar.h"
#include "FrameWnd.h"
#include "HlHook.h"
#include "HookThread.h"
#include "KeyActions.h"
#include "KeyportApi.h"
#include "CwText.h"
#include "SendLedger.h"
#include "ToolBar.h"
#include "WpmStatusBar.h"

class CTandemHLView;

class CMainFrame : public CFrameWnd {
 public:
  CMainFrame();
  ~CMainFrame() override;

  bool PreCreateWindow(CREATESTRUCTA& cs) override;
  void GetMessageString(UINT id, std::string& text) const override;

  // Labels and places the twelve function-key buttons for `bank` (0 Bank-A, 1 Bank-B) with
  // `count` (8 or 12) of them across the frame's width.
  void LayoutFnButtons(int bank, int count);
  // Toggles the always-on-top state and records it in m_viewTop.
  void ToggleTopmost();
  // Hands the hook `action`, or the ignore-keys action when key operations are not wanted.
  void ApplyHookAction(UINT action);
  // Chooses the logger whose windows the hook reads (tandem::FollowedLogger; any other value
  // means N1MM Logger), keeps it in m_followLogger and hands it to the hook.
  void ApplyFollowLogger(int logger);
  // Twelve or eight function-key buttons (the view menu's two commands).
  void SetFnTwelve(bool twelve);
  // Switches between Bank-A and Bank-B, on the buttons and in the logger's entry window.
  void SwitchBank();
  // Writes the bank in use into the logger's check control (posted; never waits for the logger).
  void MirrorBankToLogger();

  // The Options sheet (menu command and the CW bar's button), and the stores of its first page:
  // the call sign and each substitution only when the text is not empty, the number always.
  void OnOptions();
  void SetMyCall(const std::string& call);
  void SetNumber(const std::string& number);
  void SetSubst0(const std::string& text);
  void SetSubst1(const std::string& text);
  void SetSubst9(const std::string& text);

  // Settings file: every key the frame holds, read once at construction and written at exit.
  void LoadSettings();
  // Writes the frame's settings; when `report` is set and a write failed, tells the user once.
  // Returns false when a write failed.
  bool SaveSettings(bool report = true);
  // Tells the user that the settings file could not be written, when writes failed since the
  // failure count was `failuresBefore`. Returns false in that case.
  bool ReportSettingsWriteFailure(unsigned failuresBefore) const;

  // The keying interface library: bound at the end of the window creation, released in the
  // destructor after the settings are saved.
  void BindKeyer();
  void UnbindKeyer();

  CTandemHLView* GetLogView() const;

  // Keyer parameters (app/keyer): each stores what the frame keeps and hands it to the keyer.
  void ApplyWpm(int wpm);
  void StepWpm(bool faster);
  void ApplyPtt(bool on, int before, int after);
  void ApplyPaddle(bool reverse);
  void ApplySideTone(bool on, int level);
  void ApplyWeight(float dot, float dash);
  int GetWpm() const { return m_wpm; }
  // CQ machine PTT link: the start notice from the entry-record handler, and timer 2's watch.
  void OnCqMachineNotice();
  void OnCqMachineTimer();
  // Esc, the link switched off, and the end of the program: lets go of a PTT held for the CQ
  // machine and ends the watch.
  void ReleaseCqMachinePtt();
  // The Options sheet's switch of the link; switched off, it lets go of a PTT it holds.
  void ApplyPttCqMachine(bool on);
  // The watch of the followed logger (timer 3, app/link/LoggerWatch.cpp): a logger of the other
  // bitness in the foreground is named in the status bar while it runs, and once per run in a
  // box shown from the posted notice.
  void StartLoggerWatch();
  void OnLoggerWatchTimer();
  void OnOtherBitnessNotice();

  // CW message engine (app/cw): memories, expansion, streaming, CQ repeat, paddle echo.
  void OnFn01();
  void OnFn02();
  void OnFn03();
  void OnFn04();
  void OnFn05();
  void OnFn06();
  void OnFn07();
  void OnFn08();
  void OnFn09();
  void OnFn10();
  void OnFn11();
  void OnFn12();
  void OnFnKey(int buttonId);
  void SendFnMessage(int buttonId, bool repeat);
  void EditFnMessage(int buttonId);
  void OnSendButton();
  void SetMemory(int bank, int index, const std::string& text);
  std::string GetMemory(int bank, int index) const;
  void SetGreetingHours(int gm, int ga, int ge);
  void SetCwAlways(bool on);
  void SendToken(std::string& keyText);
  void AppendLogTimeStamp();
  void OnKeyerReport(WPARAM wParam, LPARAM lParam);
  void OnCqRepeatTimer();
  void CancelSending();
  void TypeAheadChar(char c);
  bool DropLastQueued();
  void ToggleKana();
  void SetCqInterval(float seconds);
  float GetCqInterval() const;

  // The keyer report and the two timers, then everything else as the base handles it.
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // Logger link: the entry record (WM_COPYDATA) and the CQ repeat start of the logger's and the
  // main window's Ctrl+Z.
  LRESULT OnCopyData(HWND sender, const COPYDATASTRUCT* data);
  void StartCqRepeat();
  // The main window's own keyboard and mouse shortcuts, ahead of translation and dispatch.
  bool PreTranslateMessage(MSG* msg) override;

  // Fields, in the order the rest of the program relies on.
  std::string m_memory[24];  // Bank-A F1..F12, then Bank-B F1..F12
  int m_paddleRvs = 0;
  int m_paddleKbd = 0;
  int m_ptt = 0;
  int m_pttCqMachine = 0;
  int m_pttDelayP = 0;  // ms
  int m_pttDelayA = 0;  // ms
  int m_sideTone = 0;
  int m_toneLevel = 0;
  int m_viewTop = 0;
  int m_zLogKey = 0;
  int m_spyHlKey = 0;
  int m_fn12 = 0;
  int m_logTime = 0;
  int m_cwAlways = 0;
  int m_hookAnyway = 0;
  int m_followLogger = 0;  // the logger the hook follows: 0 N1MM Logger, 1 Turbo HAMLOG/Win, 2 Logger32
  CWpmStatusBar m_wndStatusBar;
  CToolBar m_wndToolBar;
  CHlHook m_hook;
  CHookThread m_hookThread{m_hook};  // installs and removes m_hook from a thread of its own
  CDialogBar m_wndFnBar;
  CDialogBar m_wndCwBar;
  HMODULE m_hKeyport = nullptr;
  KeyportOpenFn m_keyportOpen = nullptr;
  KeyportCloseFn m_keyportClose = nullptr;
  KeyportWriteDataFn m_keyportWriteData = nullptr;
  KeyportPutCharFn m_keyportPutChar = nullptr;
  KeyportPutCodeFn m_keyportPutCode = nullptr;
  KeyportSetWPMFn m_keyportSetWPM = nullptr;
  KeyportTxBusyFn m_keyportTxBusy = nullptr;
  KeyportTxCancelFn m_keyportTxCancel = nullptr;
  KeyportSetCallbackWindowFn m_keyportSetCallbackWindow = nullptr;
  KeyportGetVersionFn m_keyportGetVersion = nullptr;
  KeyportSetPTTParamFn m_keyportSetPTTParam = nullptr;
  KeyportSetWeightFn m_keyportSetWeight = nullptr;
  KeyportSetPaddleFn m_keyportSetPaddle = nullptr;
  KeyportSetSideToneFn m_keyportSetSideTone = nullptr;
  KeyportWriteCmdFn m_keyportWriteCmd = nullptr;
  UINT m_keyerMsg = 0;
  HWND m_loggerWnd = nullptr;  // the logger window of the last entry record; null until one
  int m_kanaOn = 0;
  int m_bankA = 0;  // 1: Bank-A in use; the bank index in use is 1 - m_bankA
  int m_cqRepeat = 0;
  int m_pttHeld = 0;
  // Ticks of the CQ machine watch that wait for the machine to show that it plays, after a notice
  // that came before its playing window did; then the watch ends without having held anything.
  int m_cqMachineGraceTicks = 0;
  int m_wpm = 0;
  int m_pending = 0;
  std::string m_sendQueue;
  std::string m_myCall;
  std::string m_call;
  std::string m_report;
  std::string m_mode;
  std::string m_exch;
  std::string m_number;
  std::string m_subst0;
  std::string m_subst1;
  std::string m_subst9;
  std::string m_version;
  int m_cqInterval = 0;  // ms
  int m_device = 0;
  int m_endGM = 0;
  int m_endGA = 0;
  int m_endGE = 0;
  bool m_settingsSaved = false;  // the close request has saved the settings

  // ---- What the log tells of what went out (app/cw): the keying of each text written to the
  // log, followed on the keyer's reports, so that a cancel or the paddle's break-in shows in the
  // log where keying stopped.
  tandem::cw::SendLedger m_sentLedger;
  // At most one time stamp a minute reaches the log: the last one written.
  tandem::cw::LogStampGate m_stampGate;
  // The late replacements of the log ("$R", "$A") that keying makes: the text and its value.
  using LogReplacements = std::vector<std::pair<std::string, std::string>>;
  // While SendFnMessage keys the first tokens of a message, which happens before the message is
  // written to the log, the replacements those tokens make are held here and made right after
  // the message is written, so the log ends as if it had been written first. Null otherwise.
  LogReplacements* m_heldReplacements = nullptr;

 protected:
  int OnCreate(CREATESTRUCTA* cs) override;
  void OnClose() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnSizing(UINT edge, RECT* rect) override;
  bool OnCmd(UINT id) override;
  bool OnUpdateCmd(CCmdUI& ui) override;
  // The CW bar's spin control steps the speed.
  bool OnNotify(NMHDR* header, LRESULT* result) override;

 private:
  void OnUpdateWpmPane(CCmdUI& ui);
  // The link pane: none, linked, a logger of the other bitness, or a mode that is not keyed.
  void OnUpdateLinkPane(CCmdUI& ui);
  // True while the logger of the last entry record runs.
  bool RecordLoggerRuns() const;
  void RestorePlacement();
  void SavePlacement();
  void ShowManual();

  // The record handler's memory between records: the last call seen and the logger's bank box as
  // the previous record showed it.
  tandem::link::RecordMemory m_recordMemory;
  // An entry record arrived from the followed logger, and that logger has not gone since.
  bool m_recordArrived = false;
  // The logger watch's findings.
  HWND m_otherBitnessWnd = nullptr;  // a followed logger of the other bitness, while it runs
  int m_otherBitnessBits = 0;        // its bitness, 32 or 64
  bool m_otherBitnessBoxShown = false;
  // The followed logger's window last looked at, its program and that program's bitness (0 when
  // the system did not tell).
  HWND m_watchedWnd = nullptr;
  DWORD m_watchedPid = 0;
  int m_watchedBits = 0;
};
