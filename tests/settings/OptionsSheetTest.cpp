// The Options sheet on the real main frame under Wine, worked as an operator works it: the menu
// command, clicks on tabs, boxes and buttons, typing, access keys. What it changes is read back
// from the frame, the settings file, the hook library's shared block and the keyer emulator's
// trace.
#include <gtest/gtest.h>

#include <atomic>

#include "OptionsIds.h"
#include "OptionsTestSupport.h"
#include "resource.h"

using namespace optionstest;

namespace {

// Texts as the operator reads them.
const wchar_t kCaption[] =  // KEYPORT 連携 for N1MM Loggerのオプション
    L"KEYPORT \u9023\u643A for N1MM Logger\u306E\u30AA\u30D7\u30B7\u30E7\u30F3";
const wchar_t kPage1Title[] = L"CW\u30E1\u30C3\u30BB\u30FC\u30B8\u30E1\u30E2\u30EA";  // CWメッセージメモリ
const wchar_t kPage2Title[] = L"\u30AD\u30FC\u30E4\u8A2D\u5B9A";  // キーヤ設定
const wchar_t kPage3Title[] = L"\u305D\u306E\u4ED6";                // その他
const wchar_t kRealRange[] =  // %1 から %2 までの数字を入力してください。
    L"%1 \u304B\u3089 %2 \u307E\u3067\u306E\u6570\u5B57\u3092\u5165\u529B\u3057\u3066\u304F"
    L"\u3060\u3055\u3044\u3002";
const wchar_t kIntRange[] =  // %1 から %2 までの整数を入力してください。
    L"%1 \u304B\u3089 %2 \u307E\u3067\u306E\u6574\u6570\u3092\u5165\u529B\u3057\u3066\u304F"
    L"\u3060\u3055\u3044\u3002";
const wchar_t kNotUnsigned[] =  // 正の整数を入力してください。
    L"\u6B63\u306E\u6574\u6570\u3092\u5165\u529B\u3057\u3066\u304F\u3060\u3055\u3044\u3002";
const wchar_t kNotNumber[] =  // 数字を入力してください。
    L"\u6570\u5B57\u3092\u5165\u529B\u3057\u3066\u304F\u3060\u3055\u3044\u3002";

// Default memories of the settings file.
const char kBankAF1[] = "CQ DE $M $M $M PSE K";
const char kBankBF1[] = "DE $M $M [AR]";

using OptionsSheet = EmulatorSession;

// The access key takes the focus to the logger list; one step up chooses the logger above, the
// list's `expected` entry.
void StepUpTheLoggerList(const Sheet& sheet, HWND box, LRESULT expected) {
  Press('R', kAlt);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(sheet.hwnd) == box; }));
  Press(VK_UP);
  EXPECT_TRUE(WaitUntil([&] { return ::SendMessageA(box, CB_GETCURSEL, 0, 0) == expected; }));
}

}  // namespace

TEST_F(OptionsSheet, OkAtOnceAppliesTheMemoryPageOnlyAndWritesNothing) {
  Start("[Profile]\r\nMyCallSign=JA1OLD\r\nNo=123\r\n"
        "[Keyer]\r\nCQ_INT=3000\r\n1=I\r\nWPM=30\r\n");
  const std::string fileBefore = testsupport::ReadFileBytes(IniPath());
  const unsigned actionBefore = HookAction();

  RunSheet(frame_, [&](const Sheet& sheet) {
    EXPECT_EQ(WindowText(sheet.hwnd), Ansi(kCaption));
    EXPECT_EQ(sheet.TabText(0), Ansi(kPage1Title));
    EXPECT_EQ(sheet.TabText(1), Ansi(kPage2Title));
    EXPECT_EQ(sheet.TabText(2), Ansi(kPage3Title));
    EXPECT_EQ(sheet.PageIndex(), 0);
    // Only the side-tone list makes Apply usable.
    EXPECT_FALSE(::IsWindowEnabled(sheet.ApplyButton()));
    EXPECT_TRUE(Checked(sheet.Item(IDC_OPT_BANK_A)));
    EXPECT_FALSE(Checked(sheet.Item(IDC_OPT_BANK_B)));
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_MEMORY_FIRST)), kBankAF1);
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_MYCALL)), "JA1OLD");
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_CQ_INTERVAL)), "3");

    EXPECT_TRUE(sheet.TypeAfterAccessKey('1', IDC_OPT_MEMORY_FIRST, "CQ TEST"));
    EXPECT_TRUE(sheet.Retype(IDC_OPT_MYCALL, ""));
    EXPECT_TRUE(sheet.TypeAfterAccessKey('n', IDC_OPT_NUMBER, ""));
    EXPECT_TRUE(sheet.Retype(IDC_OPT_SUBST1, ""));
    EXPECT_TRUE(sheet.Retype(IDC_OPT_SUBST9, "N"));
    // One character at most: the second one is not taken.
    EXPECT_FALSE(sheet.Retype(IDC_OPT_SUBST0, "OT"));
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_SUBST0)), "O");
    EXPECT_TRUE(sheet.TypeAfterAccessKey('i', IDC_OPT_CQ_INTERVAL, "2.5"));
    // The other bank too, so the bar's refresh shows whichever bank is in use.
    Press('S', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return Checked(sheet.Item(IDC_OPT_BANK_B)); }));
    EXPECT_TRUE(sheet.Retype(IDC_OPT_MEMORY_FIRST, "CQ B"));
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });

  EXPECT_EQ(frame_->m_myCall, "JA1OLD");  // empty: kept
  EXPECT_EQ(frame_->m_number, "");        // empty: cleared
  EXPECT_EQ(frame_->m_subst1, "I");       // empty: kept
  EXPECT_EQ(frame_->m_subst9, "N");
  EXPECT_EQ(frame_->m_subst0, "O");
  EXPECT_EQ(frame_->m_cqInterval, 2500);
  EXPECT_EQ(frame_->m_memory[0], "CQ TEST");
  EXPECT_EQ(frame_->m_memory[12], "CQ B");
  EXPECT_EQ(WindowText(frame_->m_wndFnBar.GetItem(IDC_FN_FIRST)), frame_->m_bankA ? "CQ TEST" : "CQ B");
  // Nothing of the other pages and nothing in the file.
  EXPECT_EQ(testsupport::ReadFileBytes(IniPath()), fileBefore);
  EXPECT_EQ(frame_->m_wpm, 30);
  EXPECT_TRUE(CallNames().empty());
  EXPECT_EQ(HookAction(), actionBefore);
}

TEST_F(OptionsSheet, MemoryAndKeyerPagesThenOkWriteTheEditedMemories) {
  Start();
  RunSheet(frame_, [&](const Sheet& sheet) {
    EXPECT_TRUE(sheet.TypeAfterAccessKey('1', IDC_OPT_MEMORY_FIRST, "TEST F1"));
    ASSERT_TRUE(sheet.ClickTab(1));
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_WPM)), "20");
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_WEIGHT_DOT)), "1");
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_WEIGHT_DASH)), "3");
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_PTT_BEFORE)), "25");
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_PTT_AFTER)), "200");
    HWND list = sheet.Item(IDC_OPT_TONE_LIST);
    const char* pitches[] = {"3906", "1953", "1302", "977", "781", "651", "558",
                             "488",  "434",  "391",  "355", "326", "300"};
    ASSERT_EQ(::SendMessageA(list, CB_GETCOUNT, 0, 0), 13);
    for (int i = 0; i < 13; ++i) {
      char text[16] = "";
      ::SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      EXPECT_STREQ(text, pitches[i]);
    }
    EXPECT_EQ(::SendMessageA(list, CB_GETCURSEL, 0, 0), 7);
    EXPECT_FALSE(::IsWindowVisible(sheet.Item(IDC_OPT_PTT_CQ_MACHINE)));
    // Paddle echo into the log, as the operator turns it on.
    EXPECT_FALSE(Checked(sheet.Item(IDC_OPT_PADDLE_KBD)));
    Click(sheet.Item(IDC_OPT_PADDLE_KBD));
    EXPECT_TRUE(WaitUntil([&] { return Checked(sheet.Item(IDC_OPT_PADDLE_KBD)); }));
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });

  EXPECT_EQ(Ini("Bank-A", "Fn01"), "TEST F1");
  EXPECT_EQ(Ini("Keyer", "WPM"), "20");
  EXPECT_EQ(Ini("Keyer", "WeightDot"), "1.0");
  EXPECT_EQ(Ini("Keyer", "WeightDash"), "3.0");
  EXPECT_EQ(frame_->m_paddleKbd, 1);
  EXPECT_EQ(Ini("Keyer", "PaddleKbd"), "1");
  // The keyer gets every parameter, in the order of the page's apply.
  const std::vector<std::string> expected = {"keyportSetWPM", "keyportSetPTTParam",
                                             "keyportSetPaddle", "keyportSetSideTone",
                                             "keyportSetWeight"};
  EXPECT_EQ(CallNames(), expected);
  EXPECT_EQ(Calls("keyportSetWPM"), std::vector<std::string>{"20"});
  EXPECT_EQ(Calls("keyportSetPTTParam"), std::vector<std::string>{"25 200"});
  EXPECT_EQ(Calls("keyportSetPaddle"), std::vector<std::string>{"1"});
  EXPECT_EQ(Calls("keyportSetSideTone"), std::vector<std::string>{"8"});
  EXPECT_EQ(Calls("keyportSetWeight"), std::vector<std::string>{"2 6"});
  // The page never shown wrote nothing.
  EXPECT_EQ(Ini("Keyer", "CwAlways"), "<missing>");
  EXPECT_EQ(Ini("Keyer", "end_GM"), "<missing>");
  EXPECT_EQ(Ini("Window", "CloseAnyway"), "<missing>");
}

TEST_F(OptionsSheet, BankSwitchAndBackKeepsAnEditAndCancelDiscardsIt) {
  Start();
  RunSheet(frame_, [&](const Sheet& sheet) {
    EXPECT_TRUE(sheet.TypeAfterAccessKey('1', IDC_OPT_MEMORY_FIRST, "EDITED"));
    Press('S', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return Checked(sheet.Item(IDC_OPT_BANK_B)); }));
    EXPECT_FALSE(Checked(sheet.Item(IDC_OPT_BANK_A)));
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_MEMORY_FIRST)), kBankBF1);
    // A second click on the bank shown changes nothing.
    Click(sheet.Item(IDC_OPT_BANK_B));
    Press('Q', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return Checked(sheet.Item(IDC_OPT_BANK_A)); }));
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_MEMORY_FIRST)), "EDITED");
    Press(VK_ESCAPE);
    EXPECT_TRUE(sheet.WaitClosed());
  });
  EXPECT_EQ(frame_->m_memory[0], kBankAF1);
  EXPECT_EQ(frame_->m_memory[12], kBankBF1);
  EXPECT_TRUE(CallNames().empty());
}

TEST_F(OptionsSheet, ApplyOnTheMemoryPageShowsTheOtherBankAndStays) {
  Start();
  std::atomic<int> toneLevelAfterApply{-2};
  RunSheet(frame_, [&](const Sheet& sheet) {
    EXPECT_TRUE(sheet.TypeAfterAccessKey('1', IDC_OPT_MEMORY_FIRST, "APPLIED"));
    ASSERT_TRUE(sheet.ClickTab(1));
    // Alt+Z goes to the list; a new pitch makes Apply usable.
    Press('Z', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(sheet.hwnd) == sheet.Item(IDC_OPT_TONE_LIST); }));
    EXPECT_FALSE(::IsWindowEnabled(sheet.ApplyButton()));
    Press(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(sheet.ApplyButton()) != FALSE; }));
    ASSERT_TRUE(sheet.ClickTab(0));
    sheet.Apply();
    EXPECT_TRUE(WaitUntil([&] { return Checked(sheet.Item(IDC_OPT_BANK_B)); }));
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_MEMORY_FIRST)), kBankBF1);
    EXPECT_TRUE(::IsWindow(sheet.hwnd));
    toneLevelAfterApply = frame_->m_toneLevel;
    // Back on the first bank the applied text stands; Cancel keeps what Apply did.
    Press('Q', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(sheet.Item(IDC_OPT_MEMORY_FIRST)) == "APPLIED"; }));
    sheet.Cancel();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  EXPECT_EQ(toneLevelAfterApply, 8);
  EXPECT_EQ(frame_->m_memory[0], "APPLIED");
  EXPECT_EQ(frame_->m_toneLevel, 8);
  EXPECT_EQ(Calls("keyportSetSideTone"), std::vector<std::string>{"9"});
  EXPECT_EQ(Ini("Bank-A", "Fn01"), "APPLIED");
  EXPECT_EQ(Ini("Keyer", "ToneLevel"), "8");
}

TEST_F(OptionsSheet, WeightsAreRoundedToHalvesAndResetWhenTheDotIsNotShorter) {
  Start();
  struct Case {
    const char* dot;
    const char* dash;
    const char* storedDot;
    const char* storedDash;
    const char* halves;  // what the keyer receives
  };
  const Case cases[] = {{"1.2", "3.3", "1.0", "3.5", "2 7"},
                        {"0.2", "3", "0.5", "3.0", "1 6"},
                        {"3.0", "3.0", "1.0", "3.0", "2 6"},
                        {"4.8", "5.0", "1.0", "3.0", "2 6"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.dot) + " / " + c.dash);
    MarkCalls();
    RunSheet(frame_, [&](const Sheet& sheet) {
      ASSERT_TRUE(sheet.ClickTab(1));
      EXPECT_TRUE(sheet.TypeAfterAccessKey('t', IDC_OPT_WEIGHT_DOT, c.dot));
      // Tab goes on to the dash, its text selected.
      Press(VK_TAB);
      EXPECT_TRUE(WaitUntil([&] { return FocusOf(sheet.hwnd) == sheet.Item(IDC_OPT_WEIGHT_DASH); }));
      TypeText(c.dash);
      EXPECT_TRUE(WaitUntil([&] { return WindowText(sheet.Item(IDC_OPT_WEIGHT_DASH)) == c.dash; }));
      sheet.Ok();
      EXPECT_TRUE(sheet.WaitClosed());
    });
    EXPECT_EQ(Ini("Keyer", "WeightDot"), c.storedDot);
    EXPECT_EQ(Ini("Keyer", "WeightDash"), c.storedDash);
    EXPECT_EQ(Calls("keyportSetWeight"), std::vector<std::string>{c.halves});
  }
}

TEST_F(OptionsSheet, ARefusedValueNamesItsLimitsAndKeepsTheSheet) {
  Start();
  RunSheet(frame_, [&](const Sheet& sheet) {
    EXPECT_TRUE(sheet.Retype(IDC_OPT_CQ_INTERVAL, "0.5"));
    sheet.Ok();
    EXPECT_EQ(AnswerMessageBox(), WithLimits(kRealRange, "1", "10"));
    EXPECT_TRUE(::IsWindow(sheet.hwnd));
    // The focus is back in the field, its text selected: typing replaces it.
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(sheet.hwnd) == sheet.Item(IDC_OPT_CQ_INTERVAL); }));
    TypeText("x");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(sheet.Item(IDC_OPT_CQ_INTERVAL)) == "x"; }));
    sheet.Ok();
    EXPECT_EQ(AnswerMessageBox(), Ansi(kNotNumber));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(sheet.hwnd) == sheet.Item(IDC_OPT_CQ_INTERVAL); }));
    TypeText("2.5");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(sheet.Item(IDC_OPT_CQ_INTERVAL)) == "2.5"; }));
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  EXPECT_EQ(frame_->m_cqInterval, 2500);
}

TEST_F(OptionsSheet, LeavingAPageChecksItFirst) {
  Start("[Keyer]\r\nWPM=80\r\n");
  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.ClickTab(1));
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_WPM)), "80");
    sheet.ClickTab(2, false);
    EXPECT_EQ(AnswerMessageBox(), WithLimits(kIntRange, "5", "50"));
    EXPECT_EQ(sheet.PageIndex(), 1);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(sheet.hwnd) == sheet.Item(IDC_OPT_WPM); }));
    TypeText("-5");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(sheet.Item(IDC_OPT_WPM)) == "-5"; }));
    sheet.ClickTab(0, false);
    EXPECT_EQ(AnswerMessageBox(), Ansi(kNotUnsigned));
    EXPECT_EQ(sheet.PageIndex(), 1);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(sheet.hwnd) == sheet.Item(IDC_OPT_WPM); }));
    TypeText("25");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(sheet.Item(IDC_OPT_WPM)) == "25"; }));
    EXPECT_TRUE(sheet.ClickTab(0));
    sheet.Cancel();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  // Cancelled: nothing reached the frame or the keyer.
  EXPECT_EQ(frame_->m_wpm, 80);
  EXPECT_TRUE(CallNames().empty());
}

TEST_F(OptionsSheet, ToneLevelOutsideTheListKeepsTheSideToneAudible) {
  Start("[Keyer]\r\nToneLevel=20\r\n");
  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.ClickTab(1));
    EXPECT_EQ(::SendMessageA(sheet.Item(IDC_OPT_TONE_LIST), CB_GETCURSEL, 0, 0), -1);
    EXPECT_TRUE(Checked(sheet.Item(IDC_OPT_SIDETONE)));
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  // No selection: the default pitch, 488 Hz, list position 7.
  EXPECT_EQ(Calls("keyportSetSideTone"), std::vector<std::string>{"8"});
  EXPECT_EQ(frame_->m_toneLevel, 7);
  EXPECT_EQ(Ini("Keyer", "ToneLevel"), "7");

  // Only the cleared box silences it.
  MarkCalls();
  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.ClickTab(1));
    EXPECT_EQ(::SendMessageA(sheet.Item(IDC_OPT_TONE_LIST), CB_GETCURSEL, 0, 0), 7);
    Press('S', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return !Checked(sheet.Item(IDC_OPT_SIDETONE)); }));
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  EXPECT_EQ(Calls("keyportSetSideTone"), std::vector<std::string>{"0"});
  EXPECT_EQ(frame_->m_sideTone, 0);
  EXPECT_EQ(frame_->m_toneLevel, 7);
}

TEST_F(OptionsSheet, OtherPageLoggerLinkTopmostAndGreetingHours) {
  Start("[Keyer]\r\nend_GM=30\r\n[Window]\r\nzLogKey=1\r\nViewTop=2\r\n");
  EXPECT_EQ(HookAction(), 1u);  // TAB reported while the link is on
  EXPECT_FALSE(::GetWindowLongA(frame_->m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);

  RunSheet(frame_, [&](const Sheet& sheet) {
    // The hour from the file is checked as the page opens.
    sheet.ClickTab(2, false);
    EXPECT_EQ(AnswerMessageBox(), WithLimits(kIntRange, "9", "15"));
    EXPECT_TRUE(WaitUntil([&] { return sheet.PageIndex() == 2; }));
    EXPECT_TRUE(Checked(sheet.Item(IDC_OPT_LOGGER_LINK)));
    EXPECT_TRUE(Checked(sheet.Item(IDC_OPT_TAB_F2)));
    EXPECT_TRUE(::IsWindowEnabled(sheet.Item(IDC_OPT_TAB_F2)));
    EXPECT_FALSE(Checked(sheet.Item(IDC_OPT_TOPMOST)));  // the window's state, not "ViewTop"
    EXPECT_TRUE(Checked(sheet.Item(IDC_OPT_FN8)));
    EXPECT_FALSE(::IsWindowEnabled(sheet.Item(IDC_OPT_CW_ALWAYS)));
    EXPECT_FALSE(::IsWindowVisible(sheet.Item(IDC_OPT_HOOK_ANYWAY)));
    EXPECT_EQ(WindowText(sheet.Item(IDC_OPT_END_GM)), "30");

    EXPECT_TRUE(sheet.Retype(IDC_OPT_END_GM, "11"));
    Click(sheet.Item(IDC_OPT_LOGGER_LINK));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(sheet.Item(IDC_OPT_TAB_F2)); }));
    EXPECT_TRUE(Checked(sheet.Item(IDC_OPT_TAB_F2)));
    Press('A', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return Checked(sheet.Item(IDC_OPT_TOPMOST)); }));
    Click(sheet.Item(IDC_OPT_FN12));
    EXPECT_TRUE(WaitUntil([&] { return Checked(sheet.Item(IDC_OPT_FN12)); }));
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });

  EXPECT_EQ(HookAction(), 2u);  // the link is off, whatever the TAB box says
  EXPECT_EQ(frame_->m_spyHlKey, 0);
  EXPECT_EQ(frame_->m_zLogKey, 1);
  EXPECT_TRUE(::GetWindowLongA(frame_->m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(frame_->m_viewTop, 1);
  EXPECT_EQ(frame_->m_fn12, 1);
  EXPECT_EQ(frame_->m_endGM, 11);
  EXPECT_EQ(Ini("Keyer", "SpyHlKey"), "0");
  EXPECT_EQ(Ini("Keyer", "end_GM"), "11");
  EXPECT_EQ(Ini("Keyer", "end_GA"), "18");
  EXPECT_EQ(Ini("Keyer", "end_GE"), "0");
  EXPECT_EQ(Ini("Keyer", "CwAlways"), "0");
  EXPECT_EQ(Ini("Window", "CloseAnyway"), "0");
  EXPECT_EQ(Ini("Window", "LogTime"), "0");
  EXPECT_TRUE(CallNames().empty());  // nothing of this page goes to the keyer

  // The box follows the window, also when the field says otherwise.
  frame_->ToggleTopmost();
  frame_->m_viewTop = 1;
  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.ClickTab(2));
    EXPECT_FALSE(Checked(sheet.Item(IDC_OPT_TOPMOST)));
    EXPECT_FALSE(::IsWindowEnabled(sheet.Item(IDC_OPT_TAB_F2)));
    // The link back on: the TAB box is usable and the hook reports TAB again.
    Press('S', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(sheet.Item(IDC_OPT_TAB_F2)) != FALSE; }));
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  EXPECT_EQ(HookAction(), 1u);
  EXPECT_EQ(frame_->m_viewTop, 0);
  EXPECT_FALSE(::GetWindowLongA(frame_->m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(OptionsSheet, OtherPageChoosesTheLoggerWhoseKeysAreFollowed) {
  Start("[Window]\r\nFollowLogger=2\r\n");
  EXPECT_EQ(HookFollowedLogger(), 2);
  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.ClickTab(2));
    HWND box = sheet.Item(IDC_OPT_FOLLOW_LOGGER);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(::SendMessageA(box, CB_GETCOUNT, 0, 0), 3);
    char name[32] = {};
    ::SendMessageA(box, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, "N1MM Logger");
    ::SendMessageA(box, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, "Turbo HAMLOG/Win");
    EXPECT_EQ(::SendMessageA(box, CB_GETCURSEL, 0, 0), 2);  // what the file says
    // One step up chooses Turbo HAMLOG/Win.
    StepUpTheLoggerList(sheet, box, 1);
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  EXPECT_EQ(frame_->m_followLogger, 1);
  EXPECT_EQ(HookFollowedLogger(), 1);
  EXPECT_EQ(Ini("Window", "FollowLogger"), "1");

  // Cancel keeps the choice.
  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.ClickTab(2));
    HWND box = sheet.Item(IDC_OPT_FOLLOW_LOGGER);
    EXPECT_EQ(::SendMessageA(box, CB_GETCURSEL, 0, 0), 1);
    StepUpTheLoggerList(sheet, box, 0);
    sheet.Cancel();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  EXPECT_EQ(frame_->m_followLogger, 1);
  EXPECT_EQ(HookFollowedLogger(), 1);
}

TEST_F(OptionsSheet, TheCwBarButtonOpensIt) {
  Start();
  ::SendMessageA(frame_->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_VIEW_CWBAR, 0), 0);
  HWND button = frame_->m_wndCwBar.GetItem(IDC_OPTIONS_BUTTON);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(button) != FALSE; }));
  std::atomic<bool> opened{false};
  shelltest::Operate([&] {
    Click(button);
    Sheet sheet;
    sheet.hwnd = FindSheet();
    opened = sheet.hwnd != nullptr && WindowText(sheet.hwnd) == Ansi(kCaption);
    if (sheet.hwnd) {
      sheet.Cancel();
      sheet.WaitClosed();
    }
    CloseLeftovers();
  });
  EXPECT_TRUE(opened);
}

TEST_F(OptionsSheet, AFileThatCannotTakeTheChangesIsReportedAndTheValuesStayInEffect) {
  Start();
  // A folder where the file should be: every write fails.
  ASSERT_TRUE(::CreateDirectoryA(IniPath().c_str(), nullptr));
  std::vector<std::string> messages;
  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.ClickTab(1));
    EXPECT_TRUE(sheet.TypeAfterAccessKey('w', IDC_OPT_WPM, "33"));
    ASSERT_TRUE(sheet.ClickTab(2));
    Press('L', kAlt);
    EXPECT_TRUE(WaitUntil([&] { return Checked(sheet.Item(IDC_OPT_LOG_TIME)); }));
    sheet.Ok();
    // One message for each page that writes, each naming the file.
    for (std::string text = AnswerMessageBox(); !text.empty(); text = AnswerMessageBox(3000)) {
      messages.push_back(text);
    }
    EXPECT_TRUE(sheet.WaitClosed());
  });
  ASSERT_EQ(messages.size(), 2u);
  for (const std::string& text : messages) EXPECT_NE(text.find(IniPath()), std::string::npos) << text;
  EXPECT_EQ(frame_->m_wpm, 33);
  EXPECT_EQ(frame_->m_logTime, 1);
  EXPECT_EQ(Calls("keyportSetWPM"), std::vector<std::string>{"33"});
  ASSERT_TRUE(::RemoveDirectoryA(IniPath().c_str()));
}
