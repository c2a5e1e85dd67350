// The log view and document under Wine: appending, typing, file size limit, the modified flag,
// opening from the command line, closing with "CloseAnyway", and late values after double-byte
// text whichever way the control counts its positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FwIds.h"
#include "ShellTestSupport.h"
#include "TandemDoc.h"
#include "TandemView.h"

using shelltest::AppSession;
using shelltest::AskToSave;
using shelltest::kUntitled;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;
using testsupport::OwnDialogAnswerer;
using TempWorkDir = testsupport::TempWorkingFolder;

namespace {

// "ﾌｧｲﾙが大きすぎて開けません。" in CP932
const char kTooLarge[] =
    "\xcc\xa7\xb2\xd9\x82\xaa\x91\xe5\x82\xab\x82\xb7\x82\xac\x82\xc4\x8a\x4a\x82\xaf\x82\xdc"
    "\x82\xb9\x82\xf1\x81\x42";

DWORD SelStart(HWND edit) {
  DWORD start = 0, end = 0;
  ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start;
}

using LogView = shelltest::RunningProgram;

// Ctrl+Right in the edit control, as the keyboard gives it.
void PressCtrlRight(HWND edit) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  ::SetKeyboardState(keys);
  ::SendMessageA(edit, WM_KEYDOWN, VK_RIGHT, 0);
  keys[VK_CONTROL] = 0;
  ::SetKeyboardState(keys);
}

// Each test has a working folder of its own; Start() starts the program in this process and
// holds its frame, log view and document at hand.
class LogDocument : public ::testing::Test {
 protected:
  void Start() {
    ASSERT_TRUE(session.Start());
    frame = session.Frame();
    view = frame->GetLogView();
    doc = frame->GetActiveDocument();
  }

  TempWorkDir dir;
  AppSession session;
  CMainFrame* frame = nullptr;
  CTandemHLView* view = nullptr;
  CDocument* doc = nullptr;
};

}  // namespace

TEST_F(LogView, CreatedAsSpecified) {
  AppSession& session = session_;
  CTandemHLView* view = session.Frame()->GetLogView();
  ASSERT_NE(view, nullptr);
  const LONG style = ::GetWindowLongA(view->m_hWnd, GWL_STYLE);
  EXPECT_TRUE(style & ES_MULTILINE);
  EXPECT_TRUE(style & ES_UPPERCASE);
  EXPECT_FALSE(style & ES_AUTOHSCROLL) << "long lines wrap";
  EXPECT_FALSE(style & WS_HSCROLL);
  EXPECT_EQ(view->GetLimitText(), 1048575u);
  LOGFONTA lf = {};
  ::GetObjectA(view->m_font.Get(), sizeof(lf), &lf);
  EXPECT_EQ(lf.lfHeight, -15);
  EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(view->m_hWnd, WM_GETFONT, 0, 0)),
            view->m_font.Get());
  EXPECT_EQ(session.Frame()->GetActiveDocument()->GetTitle(), kUntitled);
}

TEST_F(LogView, AppendGoesToTheEndAndMarksModified) {
  AppSession& session = session_;
  CTandemHLView* view = session.Frame()->GetLogView();
  CDocument* doc = session.Frame()->GetActiveDocument();
  EXPECT_FALSE(doc->IsModified());

  view->AppendToLog("CQ TEST ");
  EXPECT_EQ(view->GetWholeText(), "CQ TEST ");
  EXPECT_TRUE(doc->IsModified());

  // The operator selects "TEST" in the middle; appending neither replaces nor lands there.
  ::SendMessageA(view->m_hWnd, EM_SETSEL, 3, 7);
  view->AppendToLog("XX1ABC");
  EXPECT_EQ(view->GetWholeText(), "CQ TEST XX1ABC");
  EXPECT_EQ(SelStart(view->m_hWnd), 14u) << "the caret ends after the appended text";

  // Clearing is no edit: a saved log cleared stays unmodified.
  doc->SetModifiedFlag(false);
  view->ClearLog();
  EXPECT_EQ(view->GetWholeText(), "");
  EXPECT_FALSE(doc->IsModified());
}

TEST_F(LogView, TypedLettersAreUpperCase) {
  AppSession& session = session_;
  CTandemHLView* view = session.Frame()->GetLogView();
  for (char c : std::string("cq de xx1abc")) {
    ::SendMessageA(view->m_hWnd, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
  }
  EXPECT_EQ(view->GetWholeText(), "CQ DE XX1ABC");
  EXPECT_TRUE(session.Frame()->GetActiveDocument()->IsModified()) << "typing is an edit";
}

TEST_F(LogDocument, NewAndSaveClearTheModifiedFlag) {
  ASSERT_NO_FATAL_FAILURE(Start());

  view->AppendToLog("TU 5NN");
  ASSERT_TRUE(doc->DoSave(dir.File("log1.txt").c_str()));
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(ReadFileBytes(dir.File("log1.txt")), "TU 5NN") << "raw bytes, nothing more";
  EXPECT_EQ(doc->GetTitle(), "log1.txt");
  EXPECT_EQ(session.App().m_recentFiles.Count(), 1);
  // The File menu lists it when it opens.
  HMENU file = ::GetSubMenu(::GetMenu(frame->m_hWnd), 0);
  ::SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  char item[256] = "";
  ::GetMenuStringA(file, FW_ID_FILE_MRU_FIRST, item, sizeof(item), MF_BYCOMMAND);
  EXPECT_EQ(std::string(item), "&1 ...\\log1.txt") << "a long path shortened to its file name";
  EXPECT_EQ(::GetMenuState(file, FW_ID_FILE_MRU_FIRST, MF_BYCOMMAND) & MF_GRAYED, 0u);

  // New asks about a modified log even with "CloseAnyway" set; No discards it.
  ::WritePrivateProfileStringA("Window", "CloseAnyway", "1", dir.File("Tandem.ini").c_str());
  view->AppendToLog(" 73");
  {
    OwnDialogAnswerer watcher(IDNO);
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, FW_ID_FILE_NEW, 0);
    EXPECT_EQ(watcher.Texts(), std::vector<std::string>{AskToSave("log1.txt")});
  }
  EXPECT_EQ(view->GetWholeText(), "");
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->GetTitle(), kUntitled);
  EXPECT_EQ(ReadFileBytes(dir.File("log1.txt")), "TU 5NN") << "not saved";

  // The recent-file list goes to the settings file when the program ends.
  session.End();
  EXPECT_EQ(shelltest::IniText(dir.File("Tandem.ini"), "Recent File List", "File1"),
            dir.File("log1.txt"));
}

TEST_F(LogDocument, LogNamedWithABackslashSecondByteKeepsItsName) {
  // 予定表.txt in a folder named ソ: 予, 表 and ソ end in the byte of '\\' in code page 932.
  const std::string name = "\x97\x5c\x92\xe8\x95\x5c.txt";
  const std::string folder = dir.File("\x83\x5c");
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  const std::string path = folder + "\\" + name;
  WriteFileBytes(path, "CQ TEST\r\n");

  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NE(session.App().OpenDocumentFile(path.c_str()), nullptr);
  EXPECT_EQ(doc->GetTitle(), name);
  frame->GetLogView()->AppendToLog("TU");
  ASSERT_TRUE(doc->DoSave(path.c_str()));
  EXPECT_EQ(ReadFileBytes(path), "CQ TEST\r\nTU");
  EXPECT_EQ(doc->GetTitle(), name);

  HMENU file = ::GetSubMenu(::GetMenu(frame->m_hWnd), 0);
  ::SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  char item[256] = "";
  ::GetMenuStringA(file, FW_ID_FILE_MRU_FIRST, item, sizeof(item), MF_BYCOMMAND);
  EXPECT_EQ(std::string(item), "&1 ...\\" + name);
  session.End();
  EXPECT_EQ(shelltest::IniText(dir.File("Tandem.ini"), "Recent File List", "File1"), path);
}

TEST_F(LogDocument, OpensUpToTheTextLimitAndRefusesMore) {
  // Lines of log text, as a long contest leaves them, up to exactly the limit.
  const std::string line = "CQ TEST DE XX9ABC XX9ABC TEST 5NN 001 TU QRZ? TEST K\r\n";
  std::string fits;
  while (fits.size() + line.size() <= 1048575) fits += line;
  fits.append(1048575 - fits.size(), 'E');
  ASSERT_EQ(fits.size(), 1048575u);
  WriteFileBytes(dir.File("fits.txt"), fits);
  WriteFileBytes(dir.File("big.txt"), fits + "T");
  WriteFileBytes(dir.File("empty.txt"), "");

  ASSERT_NO_FATAL_FAILURE(Start());

  ASSERT_NE(session.App().OpenDocumentFile(dir.File("fits.txt").c_str()), nullptr);
  EXPECT_EQ(view->GetWholeText(), fits);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->GetTitle(), "fits.txt");

  // The current log, its title and its modified state stay as they were.
  view->ClearLog();
  view->AppendToLog("KEEP ME");
  doc->SetTitle("mine.txt");
  ASSERT_TRUE(doc->IsModified());
  {
    OwnDialogAnswerer watcher(IDNO);
    EXPECT_EQ(session.App().OpenDocumentFile(dir.File("big.txt").c_str()), nullptr);
    EXPECT_EQ(watcher.Texts(), (std::vector<std::string>{AskToSave("mine.txt"), kTooLarge}))
        << "the save question, then the refusal";
  }
  EXPECT_EQ(view->GetWholeText(), "KEEP ME");
  EXPECT_EQ(doc->GetTitle(), "mine.txt");
  EXPECT_TRUE(doc->IsModified());

  // An empty file opens as an empty log.
  doc->SetModifiedFlag(false);
  ASSERT_NE(session.App().OpenDocumentFile(dir.File("empty.txt").c_str()), nullptr);
  EXPECT_EQ(view->GetWholeText(), "");
  EXPECT_EQ(doc->GetTitle(), "empty.txt");
}

TEST_F(LogDocument, CommandLineFileOpensAsTheLog) {
  WriteFileBytes(dir.File("contest log.txt"), "CQ TEST DE XX9ABC\r\n");
  ASSERT_TRUE(session.Start("\"" + dir.File("contest log.txt") + "\""));
  EXPECT_EQ(session.Frame()->GetLogView()->GetWholeText(), "CQ TEST DE XX9ABC\r\n");
  EXPECT_EQ(session.Frame()->GetActiveDocument()->GetTitle(), "contest log.txt");
}

TEST_F(LogDocument, TooLargeFileOnTheCommandLineEndsTheStart) {
  WriteFileBytes(dir.File("big.txt"), std::string(1048576, '\n'));
  OwnDialogAnswerer watcher(IDOK);
  EXPECT_FALSE(session.Start(dir.File("big.txt")));
  EXPECT_EQ(session.Frame(), nullptr);
  EXPECT_EQ(watcher.Texts(), std::vector<std::string>{kTooLarge});
}

TEST_F(LogDocument, CloseAnywayClosesAModifiedLogWithoutAsking) {
  ::WritePrivateProfileStringA("Window", "CloseAnyway", "1", dir.File("Tandem.ini").c_str());
  ASSERT_NO_FATAL_FAILURE(Start());
  session.Frame()->GetLogView()->AppendToLog("UNSAVED");
  OwnDialogAnswerer watcher(IDCANCEL);
  session.RequestClose();
  EXPECT_EQ(session.Frame(), nullptr) << "closed";
  EXPECT_TRUE(watcher.Texts().empty()) << "without a question";
}

TEST_F(LogDocument, CloseWithoutCloseAnywayAsksAndSavesOnYes) {
  ASSERT_NO_FATAL_FAILURE(Start());
  session.Frame()->GetLogView()->AppendToLog("QSO B4");
  ASSERT_TRUE(doc->DoSave(dir.File("log.txt").c_str()));
  session.Frame()->GetLogView()->AppendToLog(" TU");
  OwnDialogAnswerer watcher(IDYES);
  session.RequestClose();
  EXPECT_EQ(session.Frame(), nullptr);
  EXPECT_EQ(watcher.Texts(), std::vector<std::string>{AskToSave("log.txt")});
  EXPECT_EQ(ReadFileBytes(dir.File("log.txt")), "QSO B4 TU");
}

// A long log of one paragraph (as the program writes it) opens with exactly the file's bytes:
// double-byte characters and a line break across the places where the text is written in
// pieces, letters in lower case although the log upper-cases typed letters; it opens unmodified,
// with nothing to undo and the caret at the start, and typing is upper-cased again afterwards.
TEST_F(LogDocument, LongParagraphOpensExactly) {
  const std::string kanji = "\x93\x8C\x8B\x9E";  // "東京"
  std::string text(4095, 'E');
  text += kanji;  // its first character straddles byte 4096
  while (text.size() < 8191) text += "cq de xx9abc ";
  text.resize(8191);
  text += "\r\n";  // the line break straddles byte 8192
  while (text.size() < 30000) text += "XX1ABC UR 5NN [KN] " + kanji + " TU ";
  WriteFileBytes(dir.File("long.txt"), text);

  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NE(session.App().OpenDocumentFile(dir.File("long.txt").c_str()), nullptr);
  EXPECT_EQ(view->GetWholeText(), text);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(::SendMessageA(view->m_hWnd, EM_CANUNDO, 0, 0), 0);
  EXPECT_EQ(SelStart(view->m_hWnd), 0u);

  view->MoveCaretToEnd();
  ::SendMessageA(view->m_hWnd, WM_CHAR, 'a', 1);
  EXPECT_EQ(view->GetWholeText(), text + "A");
}

// Files the log would hold changed are refused, as a file too large is: the message names the
// file, and the current log, its title and its modified state stay.
TEST_F(LogDocument, FileTheLogWouldChangeIsRefused) {
  const std::string refused[] = {
      std::string("CQ TEST\0DE XX9ABC", 17),  // a zero byte would end the text there
      "TEST \x81\r\n73",                      // a lead byte whose partner is a line break
      "TEST \x85\x40",                        // a pair the code page leaves unassigned
      "END \x82",                             // a lead byte at the very end
  };
  ASSERT_NO_FATAL_FAILURE(Start());
  view->AppendToLog("KEEP ME");
  ASSERT_TRUE(doc->DoSave(dir.File("mine.txt").c_str()));
  view->AppendToLog(" TU");
  int n = 0;
  for (const std::string& bytes : refused) {
    const std::string name = dir.File(("bad" + std::to_string(n++) + ".txt").c_str());
    WriteFileBytes(name, bytes);
    OwnDialogAnswerer watcher(IDNO);
    EXPECT_EQ(session.App().OpenDocumentFile(name.c_str()), nullptr) << name;
    const auto texts = watcher.Texts();
    ASSERT_EQ(texts.size(), 2u) << "the save question, then the refusal";
    EXPECT_EQ(texts[0], AskToSave("mine.txt"));
    EXPECT_NE(texts[1].find(name), std::string::npos) << texts[1];
    EXPECT_EQ(view->GetWholeText(), "KEEP ME TU");
    EXPECT_EQ(doc->GetTitle(), "mine.txt");
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(ReadFileBytes(name), bytes) << "the file itself is untouched";
  }
}

// The refusal says what the file is, in the operator's words: text saved as UTF-8 or UTF-16 by an
// editor (with the way back), or no text at all; zero bytes are named only where there are some.
TEST_F(LogDocument, RefusalSaysWhatTheFileHolds) {
  struct Case {
    std::string bytes;
    const char* says;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF" "CQ TEST \xE6\x9D\xB1\xE4\xBA\xAC\r\n", "UTF-8"},
      {"JA1ZZZ \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", "UTF-8"},  // テスト, no mark
      {std::string("\xFF\xFE" "C\0Q\0 \0T\0E\0S\0T\0", 16), "UTF-16"},
      {std::string("CQ TEST\0DE XX9ABC", 17), "NUL"},
  };
  ASSERT_NO_FATAL_FAILURE(Start());
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = dir.File(("foreign" + std::to_string(n++) + ".txt").c_str());
    WriteFileBytes(name, c.bytes);
    OwnDialogAnswerer watcher(IDOK);
    EXPECT_EQ(session.App().OpenDocumentFile(name.c_str()), nullptr) << name;
    const auto texts = watcher.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(name), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find(c.says), std::string::npos) << texts[0];
    if (std::string(c.says) != "NUL") {
      EXPECT_EQ(texts[0].find("NUL"), std::string::npos) << texts[0];
    }
    EXPECT_EQ(ReadFileBytes(name), c.bytes);
  }
}

// Every byte value the log can hold, opened and saved again, comes back byte for byte: single
// bytes, line breaks of every kind, and each lead byte with partners across the trail range.
TEST_F(LogDocument, EveryByteTheLogHoldsRoundTrips) {
  auto holds = [](const std::string& unit) {
    wchar_t wide[4];
    const int n = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, unit.data(),
                                        static_cast<int>(unit.size()), wide, 4);
    if (n != 1) return false;
    char back[4];
    const int m = ::WideCharToMultiByte(CP_ACP, 0, wide, 1, back, sizeof(back), nullptr, nullptr);
    return std::string(back, static_cast<size_t>(m > 0 ? m : 0)) == unit;
  };
  std::string text;
  bool seen[256] = {};
  auto add = [&](const std::string& unit) {
    text += unit;
    for (unsigned char c : unit) seen[c] = true;
  };
  for (int b = 1; b < 256; ++b) {
    const std::string single(1, static_cast<char>(b));
    if (!::IsDBCSLeadByte(static_cast<BYTE>(b)) && holds(single)) add(single);
  }
  add("\r\n\r\r\n\n\r");
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!::IsDBCSLeadByte(static_cast<BYTE>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
      if (holds(pair)) add(pair);
    }
  }
  int covered = 0;
  for (int b = 1; b < 256; ++b) covered += seen[b] ? 1 : 0;
  EXPECT_GE(covered, 250) << "nearly every byte value has a place in the text";
  ASSERT_LT(text.size(), 1048575u);
  WriteFileBytes(dir.File("all.txt"), text);

  ASSERT_NO_FATAL_FAILURE(Start());
  {
    OwnDialogAnswerer watcher(IDOK);
    ASSERT_NE(session.App().OpenDocumentFile(dir.File("all.txt").c_str()), nullptr);
    EXPECT_TRUE(watcher.Texts().empty());
  }
  // Lower-case letters too: the log's upper-case style is for typing, not for a file.
  EXPECT_TRUE(session.Frame()->GetLogView()->GetWholeText() == text) << "what the log shows";
  ASSERT_TRUE(doc->DoSave(dir.File("again.txt").c_str()));
  EXPECT_TRUE(ReadFileBytes(dir.File("again.txt")) == text) << "is what Save writes";

  // A byte value the code page does not define: refused with a message, or kept exactly.
  for (int b = 1; b < 256; ++b) {
    if (seen[b]) continue;
    const std::string bytes = {'A', static_cast<char>(b), 'B'};
    WriteFileBytes(dir.File("odd.txt"), bytes);
    OwnDialogAnswerer watcher(IDOK);
    if (session.App().OpenDocumentFile(dir.File("odd.txt").c_str()) == nullptr) {
      const auto texts = watcher.Texts();
      ASSERT_EQ(texts.size(), 1u) << "byte " << b << " refused with a message";
      EXPECT_NE(texts[0].find(dir.File("odd.txt")), std::string::npos) << texts[0];
    } else {
      ASSERT_TRUE(doc->DoSave(dir.File("odd2.txt").c_str()));
      EXPECT_EQ(ReadFileBytes(dir.File("odd2.txt")), bytes) << "byte " << b;
    }
  }
  // Typed letters still become capitals after a file was opened.
  CTandemHLView* logView = session.Frame()->GetLogView();
  logView->ClearLog();
  ::SendMessageA(logView->m_hWnd, WM_CHAR, 'q', 1);
  EXPECT_EQ(logView->GetWholeText(), "Q");
}

namespace {

// Watches the log view's edits while a test runs: an edit in place far from the end, or a
// large piece written at once, would make the control lay out the rest of a long paragraph.
HWND g_rewriteView = nullptr;
size_t g_farEdits = 0;
size_t g_largestInsert = 0;
size_t g_replaceSels = 0;

// Characters in the control, as its positions count them.
size_t ControlLength(HWND edit) {
  const LRESULT last = ::SendMessageA(edit, EM_LINEINDEX, ::SendMessageA(edit, EM_GETLINECOUNT, 0, 0) - 1, 0);
  return static_cast<size_t>(last + ::SendMessageA(edit, EM_LINELENGTH, last, 0));
}

LRESULT CALLBACK WatchRewrite(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && msg->hwnd == g_rewriteView && msg->message == EM_REPLACESEL) {
    DWORD start = 0, end = 0;
    ::SendMessageA(msg->hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    const size_t length = ControlLength(msg->hwnd);
    const size_t inserted = std::strlen(reinterpret_cast<const char*>(msg->lParam));
    // Removing the end of the text is cheap however much goes.
    if (start + 4096 < length && !(end == length && inserted == 0)) ++g_farEdits;
    g_largestInsert = std::max(g_largestInsert, inserted);
    ++g_replaceSels;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Dispatches one message at a time until `done`, at most `ms` milliseconds.
bool StepUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD until = ::GetTickCount() + ms;
  while (!done()) {
    if (static_cast<LONG>(until - ::GetTickCount()) <= 0) return false;
    MSG msg;
    if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    } else {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }
  return true;
}

std::string ReplacedAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

// Replacements far back in a long one-paragraph log are never made in place: the end of the log
// is written again in pieces, one per timer step, and what arrives between the steps (a message
// appended, a new late value, the operator's edit at the front, a key typed at the end) ends up
// where it would have had every replacement been made at once. Text written again keeps its
// bytes (lower case, double-byte characters), while the late values are stored as the control
// stores typed text (upper case).
TEST_F(LogView, FarBackReplacementsRewriteTheEndInSteps) {
  const TempWorkDir& dir = dir_;
  AppSession& session = session_;
  CTandemHLView* view = session.Frame()->GetLogView();
  HWND edit = view->m_hWnd;
  const std::string kanji = "\x93\x8C\x8B\x9E";  // "東京"
  std::string log;
  while (log.size() < 60000) {
    log += "XX7OLD UR $R [KN] cq de xx9abc " + kanji + " ";
    for (int j = 0; j < 60; ++j) log += "CQ TEST XX9ABC TU 5NN 13M ";
  }
  log += "XX1ABC UR $R ";
  view->SetWholeText(log);
  view->MoveCaretToEnd();
  const std::string full = ReplacedAll(log, "$R", "5NN");

  g_rewriteView = edit;
  g_farEdits = g_largestInsert = g_replaceSels = 0;
  HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, WatchRewrite, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  view->ReplaceEverywhere("$R", "5nn");
  // The end is being written again: the control holds less than the whole log.
  ASSERT_TRUE(StepUntil([&] { return ControlLength(edit) < full.size() - 20000; }, 20000));
  ASSERT_GT(view->PendingReplacements(), 0u);

  // Between the steps: a message appended, and a late value it carries.
  view->AppendToLog("XX2DEF UR $R ");
  view->ReplaceEverywhere("$R", "579");
  EXPECT_LT(ControlLength(edit), full.size()) << "still under way";
  // The operator writes at the front (an edit of the operator's, not watched).
  g_rewriteView = nullptr;
  ::SendMessageA(edit, EM_SETSEL, 0, 0);
  ::SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("zz "));
  g_rewriteView = edit;
  ASSERT_TRUE(StepUntil([&] { return ControlLength(edit) > 40000; }, 20000));
  ASSERT_GT(view->PendingReplacements(), 0u);
  // A key typed at the end of what is written so far goes to the end of the whole log.
  const size_t shown = ControlLength(edit);
  ::SendMessageA(edit, EM_SETSEL, shown, static_cast<LPARAM>(shown));
  ::SendMessageA(edit, WM_CHAR, 'q', 1);
  const std::string expected = "ZZ " + full + "XX2DEF UR 579 Q";
  ::UnhookWindowsHookEx(hook);
  g_rewriteView = nullptr;

  EXPECT_EQ(view->PendingReplacements(), 0u);
  std::string raw(static_cast<size_t>(::GetWindowTextLengthA(edit)) + 1, '\0');
  raw.resize(static_cast<size_t>(::GetWindowTextA(edit, &raw[0], static_cast<int>(raw.size()))));
  EXPECT_EQ(raw, expected);
  EXPECT_EQ(view->GetWholeText(), expected);
  EXPECT_GT(g_replaceSels, 20u) << "written in pieces";
  EXPECT_EQ(g_farEdits, 0u) << "no edit in place far from the end";
  EXPECT_LE(g_largestInsert, 4096u);

  // Saving carries everything out first, whatever is still under way.
  view->AppendToLog("$R ");
  view->SetWholeText(log);
  view->MoveCaretToEnd();
  view->ReplaceEverywhere("$R", "599");
  ASSERT_TRUE(StepUntil([&] { return ControlLength(edit) < full.size() - 20000; }, 20000));
  view->AppendToLog("TU ");
  CDocument* doc = session.Frame()->GetActiveDocument();
  ASSERT_TRUE(doc->DoSave(dir.File("saved.txt").c_str()));
  EXPECT_EQ(ReadFileBytes(dir.File("saved.txt")), ReplacedAll(log, "$R", "599") + "TU ");
  EXPECT_EQ(view->PendingReplacements(), 0u);
  view->AppendToLog("!");
  EXPECT_EQ(view->GetWholeText(), ReplacedAll(log, "$R", "599") + "TU !") << "caret at the end";
}

namespace {
HWND g_framedView = nullptr;
bool g_frameDrawn = false;

LRESULT CALLBACK WatchFrame(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && msg->hwnd == g_framedView && msg->message == WM_NCPAINT) g_frameDrawn = true;
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

// The steps of a far-back rewrite are drawn now and then rather than after each one: a full
// repaint of a long log costs the control about what a step costs. The view stays visible, and
// the finished text is drawn once the last step is done, with the scroll bar that the steps set
// without drawing it.
TEST_F(LogView, RewriteStepsAreDrawnNowAndThen) {
  AppSession& session = session_;
  CTandemHLView* view = session.Frame()->GetLogView();
  HWND edit = view->m_hWnd;
  ASSERT_TRUE(::IsWindowVisible(edit));
  std::string log = "XX7OLD UR $R [KN] ";
  while (log.size() < 60000) log += "CQ TEST XX9ABC TU 5NN 13M ";
  view->SetWholeText(log);
  view->MoveCaretToEnd();
  ::UpdateWindow(edit);

  g_framedView = edit;
  HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, WatchFrame, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  view->ReplaceEverywhere("$R", "5nn");
  int steps = 0;
  int paints = 0;
  bool drawnAfterLastStep = false;
  const DWORD until = ::GetTickCount() + 60000;
  while (view->PendingReplacements() > 0 || ::GetUpdateRect(edit, nullptr, FALSE)) {
    if (static_cast<LONG>(::GetTickCount() - until) >= 0) {
      ADD_FAILURE() << "the rewrite did not end";
      break;
    }
    MSG msg;
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      continue;
    }
    if (msg.hwnd == edit && msg.message == WM_TIMER) {
      ++steps;
      drawnAfterLastStep = false;
      g_frameDrawn = false;
    }
    if (msg.hwnd == edit && msg.message == WM_PAINT) {
      ++paints;
      drawnAfterLastStep = true;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  ::UnhookWindowsHookEx(hook);
  g_framedView = nullptr;
  EXPECT_GE(steps, 20) << "written in steps";
  EXPECT_LE(paints, steps / 2);
  EXPECT_TRUE(drawnAfterLastStep);
  EXPECT_TRUE(g_frameDrawn) << "the scroll bar";
  EXPECT_TRUE(::IsWindowVisible(edit));
  EXPECT_EQ(view->GetWholeText(), ReplacedAll(log, "$R", "5NN"));
}

// The log's lines wrap between words, as the program writes them (separated by spaces); a word
// wider than the view is broken where the width ends, and the caret moves word by word.
TEST_F(LogView, LongLinesWrapBetweenWords) {
  AppSession& session = session_;
  CTandemHLView* view = session.Frame()->GetLogView();
  HWND edit = view->m_hWnd;
  std::string text;
  for (int i = 0; text.size() < 3000; ++i) text += i % 3 ? "CQ TEST XX9ABC " : "JA1ZZZ UR 5NN 13M [KN] ";
  const std::string longWord(400, 'E');
  text += longWord + " TU";
  view->SetWholeText(text);
  const LRESULT lines = ::SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
  ASSERT_GT(lines, 10) << "the text wraps";
  const size_t wordStart = text.size() - 3 - longWord.size();
  for (LRESULT line = 1; line < lines; ++line) {
    const size_t start = static_cast<size_t>(::SendMessageA(edit, EM_LINEINDEX, line, 0));
    ASSERT_LT(start, text.size());
    const bool inLongWord = start > wordStart && start < wordStart + longWord.size();
    EXPECT_TRUE(text[start - 1] == ' ' || inLongWord) << "line " << line << " starts at " << start;
  }
  // Ctrl+Right from the start goes to the next word.
  ::SendMessageA(edit, EM_SETSEL, 0, 0);
  PressCtrlRight(edit);
  EXPECT_EQ(SelStart(edit), 7u);  // "JA1ZZZ |UR"
}

namespace {

// Windows' ANSI edit control on a double-byte system counts its positions in bytes, Wine's
// counts a double-byte character as one. While a ByteCountingLog lives, the log view's control
// created meanwhile counts as Windows' does: it is subclassed as it is created (before the view
// asks it how it counts), and the positions of the edit messages go in and come out as bytes.
// A position that the program gives inside a double-byte character is counted.
WNDPROC g_editProc = nullptr;
HWND g_byteControl = nullptr;
size_t g_splitPositions = 0;

std::string InnerText(HWND wnd) {
  const LRESULT length = ::CallWindowProcA(g_editProc, wnd, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT got = ::CallWindowProcA(g_editProc, wnd, WM_GETTEXT, text.size(),
                                        reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(got));
  return text;
}

size_t CharLength(const std::string& text, size_t byte) {
  return ::IsDBCSLeadByte(static_cast<BYTE>(text[byte])) && byte + 1 < text.size() ? 2 : 1;
}

size_t CharsToBytes(const std::string& text, size_t chars) {
  size_t byte = 0;
  for (; chars > 0 && byte < text.size(); --chars) byte += CharLength(text, byte);
  return byte + chars;  // past the end stays past the end
}

LONG_PTR BytesToChars(const std::string& text, LONG_PTR bytes) {
  if (bytes < 0) return bytes;  // -1: no position, or the end
  const size_t wanted = static_cast<size_t>(bytes);
  size_t byte = 0;
  size_t chars = 0;
  while (byte < wanted && byte < text.size()) {
    const size_t next = byte + CharLength(text, byte);
    if (next > wanted) {
      ++g_splitPositions;
      break;
    }
    byte = next;
    ++chars;
  }
  return static_cast<LONG_PTR>(chars + (wanted > text.size() ? wanted - text.size() : 0));
}

LRESULT CALLBACK ByteCountingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto inner = [wnd](UINT m, WPARAM w, LPARAM l) { return ::CallWindowProcA(g_editProc, wnd, m, w, l); };
  switch (msg) {
    case EM_GETSEL: {
      DWORD start = 0, end = 0;
      inner(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      const std::string text = InnerText(wnd);
      start = static_cast<DWORD>(CharsToBytes(text, start));
      end = static_cast<DWORD>(CharsToBytes(text, end));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELONG(start, end);
    }
    case EM_SETSEL: {
      const std::string text = InnerText(wnd);
      return inner(msg, static_cast<WPARAM>(BytesToChars(text, static_cast<int>(wParam))),
                   BytesToChars(text, static_cast<int>(lParam)));
    }
    case EM_LINEINDEX: {
      const LRESULT chars = inner(msg, wParam, lParam);
      return chars < 0 ? chars : static_cast<LRESULT>(CharsToBytes(InnerText(wnd), static_cast<size_t>(chars)));
    }
    case EM_LINELENGTH: {
      if (static_cast<int>(wParam) < 0) return inner(msg, wParam, lParam);
      const std::string text = InnerText(wnd);
      const WPARAM at = static_cast<WPARAM>(BytesToChars(text, static_cast<int>(wParam)));
      const LRESULT start = inner(EM_LINEINDEX, static_cast<WPARAM>(inner(EM_LINEFROMCHAR, at, 0)), 0);
      const LRESULT chars = inner(EM_LINELENGTH, at, 0);
      return static_cast<LRESULT>(CharsToBytes(text, static_cast<size_t>(start + chars)) -
                                  CharsToBytes(text, static_cast<size_t>(start)));
    }
    case EM_LINEFROMCHAR:
    case EM_POSFROMCHAR:
      if (static_cast<int>(wParam) < 0) return inner(msg, wParam, lParam);
      return inner(msg, static_cast<WPARAM>(BytesToChars(InnerText(wnd), static_cast<int>(wParam))), lParam);
    case EM_CHARFROMPOS: {
      const LRESULT found = inner(msg, wParam, lParam);
      const size_t bytes = CharsToBytes(InnerText(wnd), LOWORD(found));
      return MAKELONG(static_cast<WORD>(bytes), HIWORD(found));
    }
    default:
      return inner(msg, wParam, lParam);
  }
}

LRESULT CALLBACK SubclassTheLogControl(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && !g_byteControl) {
    HWND wnd = reinterpret_cast<HWND>(wParam);
    const CREATESTRUCTA* cs = reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs;
    char cls[16] = "";
    if (::GetClassNameA(wnd, cls, sizeof(cls)) && ::lstrcmpiA(cls, "Edit") == 0 &&
        (cs->style & ES_MULTILINE) && cs->hMenu == reinterpret_cast<HMENU>(FW_IDW_PANE_FIRST)) {
      g_byteControl = wnd;
      g_editProc = reinterpret_cast<WNDPROC>(
          ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ByteCountingProc)));
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class ByteCountingLog {
 public:
  explicit ByteCountingLog(bool on) {
    g_byteControl = nullptr;
    g_splitPositions = 0;
    if (on) m_hook = ::SetWindowsHookExA(WH_CBT, SubclassTheLogControl, nullptr, ::GetCurrentThreadId());
  }
  ~ByteCountingLog() { Created(); }
  // Once the program has started: no other window is changed.
  void Created() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
    m_hook = nullptr;
  }

 private:
  HHOOK m_hook = nullptr;
};

// The control's text as it stands, without waiting for what the view still has to do.
std::string RawText(HWND edit) {
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(edit)) + 1, '\0');
  text.resize(static_cast<size_t>(::GetWindowTextA(edit, &text[0], static_cast<int>(text.size()))));
  return text;
}

// Selection of the control as bytes of its text, whichever way it counts.
std::string SelectedText(HWND edit, bool bytes) {
  DWORD start = 0, end = 0;
  ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::string text = RawText(edit);
  const size_t from = bytes ? start : CharsToBytes(text, start);
  const size_t to = bytes ? end : CharsToBytes(text, end);
  return from <= to && to <= text.size() ? text.substr(from, to - from) : "<outside the text>";
}

// Selects the first `part` after byte `after` of the control's text.
void Select(HWND edit, bool bytes, const std::string& part, size_t after) {
  const std::string text = RawText(edit);
  const size_t from = text.find(part, after);
  ASSERT_NE(from, std::string::npos);
  const size_t start = bytes ? from : BytesToChars(text, static_cast<LONG_PTR>(from));
  const size_t end = bytes ? from + part.size() : BytesToChars(text, static_cast<LONG_PTR>(from + part.size()));
  ::SendMessageA(edit, EM_SETSEL, start, static_cast<LPARAM>(end));
}

// "ソ表十能予" end in 0x5C, "ポ" in 0x7C; "ﾜﾌﾞﾝ" is half-width kana (single bytes), as the Wabun
// paddle echo writes it; "東京" for a Japanese memory text.
const char kBackslashNames[] = "\x83\x5C\x95\x5C\x8F\x5C\x94\x5C\x97\x5C";
const char kPo[] = "\x83\x7C";
const char kWabun[] = "\xDC\xCC\xDE\xDD";
const char kTokyo[] = "\x93\x8C\x8B\x9E";

// A late report after double-byte text, with the log view's control counting positions in bytes
// (as Windows' ANSI control does) or in characters (as Wine's does): the report reaches the log
// through the frame's keyer report handler, and its edits are made by the program's own loop,
// near the end in place and far back by writing the end again in pieces. Each "$R" and nothing
// else is replaced; the kana before and after, and the operator's selection on it, stay.
void LateReportAfterKana(bool byteControl) {
  TempWorkDir dir;
  ByteCountingLog counting(byteControl);
  AppSession session;
  ASSERT_TRUE(session.Start());
  counting.Created();
  CMainFrame* frame = session.Frame();
  CTandemHLView* view = frame->GetLogView();
  HWND edit = view->m_hWnd;
  ASSERT_EQ(g_byteControl == edit, byteControl);
  view->SetWholeText(kPo);
  ASSERT_EQ(ControlLength(edit), byteControl ? 2u : 1u) << "the control counts as intended";
  view->ClearLog();
  EXPECT_EQ(view->PositionsCountBytes(), byteControl) << "the view finds out how";
  frame->m_call = "XX1ABC";
  frame->m_report = "599";
  frame->m_subst9 = "N";
  auto keyerReports = [&] {
    for (int i = 0; i < 100 && !frame->m_sendQueue.empty(); ++i) {
      ::SendMessageA(frame->m_hWnd, frame->m_keyerMsg, 0, 0);
    }
    EXPECT_EQ(frame->m_sendQueue, "");
  };
  const std::string names = kBackslashNames;

  // Near the end: a Japanese memory text after Wabun echo, keyed with its report late.
  frame->m_bankA = 1;
  frame->SetMemory(0, 3, names + " $C UR $R " + kPo + kTokyo + " [KN]");
  frame->LayoutFnButtons(0, 8);
  view->AppendToLog((std::string(kWabun) + " " + names + " ").c_str());
  ::SendMessageA(frame->m_wndFnBar.GetItem(1003), BM_CLICK, 0, 0);
  const std::string logged = RawText(edit);
  ASSERT_EQ(logged, std::string(kWabun) + " " + names + " " + names + " XX1ABC UR $R " + kPo + kTokyo + " [KN] ");
  Select(edit, byteControl, kTokyo, logged.find("$R"));
  keyerReports();
  ASSERT_TRUE(shelltest::PumpUntil([&] { return view->PendingReplacements() == 0; }));
  const std::string nearEnd = ReplacedAll(logged, "$R", "5NN");
  EXPECT_TRUE(RawText(edit) == nearEnd) << RawText(edit);
  EXPECT_EQ(SelectedText(edit, byteControl), kTokyo) << "the selection moves with its text";

  // Far back in a long log that is mostly double-byte text: the end is written again. The end
  // differs by one byte between the rounds, so that a piece counted in bytes would end inside a
  // character in one of them.
  for (const char* end : {"XX2DEF UR $R ", "XX2DEF UR $R  "}) {
    std::string log = std::string(kWabun) + " " + names + " XX7OLD UR $R " + kPo + " ";
    while (log.size() < 80000) {
      for (int i = 0; i < 60; ++i) log += names + kTokyo + kPo;
      log += kTokyo + std::string(" TU ");
    }
    log += end;
    view->SetWholeText(log);
    Select(edit, byteControl, kPo, log.find("$R"));
    g_splitPositions = 0;
    frame->m_sendQueue = "$R";
    keyerReports();
    ASSERT_TRUE(shelltest::PumpUntil([&] { return view->PendingReplacements() == 0; }, 60000));
    const std::string expected = ReplacedAll(log, "$R", "5NN");
    EXPECT_TRUE(RawText(edit) == expected) << "end \"" << end << "\"";
    EXPECT_EQ(SelectedText(edit, byteControl), kPo) << "the selection moves with its text";
    EXPECT_EQ(g_splitPositions, 0u) << "no position inside a double-byte character";
    ASSERT_TRUE(frame->GetActiveDocument()->DoSave(dir.File("log.txt").c_str()));
    EXPECT_TRUE(ReadFileBytes(dir.File("log.txt")) == expected) << "saved as it is shown";
  }
}

}  // namespace

TEST(LogPositions, LateReportAfterKanaOnAControlCountingCharacters) { LateReportAfterKana(false); }

TEST(LogPositions, LateReportAfterKanaOnAControlCountingBytes) { LateReportAfterKana(true); }

// After double-byte text too, the log's lines wrap between words and the caret moves word by
// word: Wine's control hands its word-break rule the text as bytes and the places in it as
// characters.
TEST_F(LogView, LinesWrapBetweenWordsAfterKanaToo) {
  CTandemHLView* view = session_.Frame()->GetLogView();
  HWND edit = view->m_hWnd;
  const bool bytes = view->PositionsCountBytes();
  const std::string names = kBackslashNames;
  std::string text;
  for (int i = 0; text.size() < 3000; ++i) {
    text += i % 2 ? "CQ TEST XX9ABC " : names + " " + kTokyo + kPo + " UR 5NN " + kWabun + " ";
  }
  view->SetWholeText(text);
  const LRESULT lines = ::SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
  ASSERT_GT(lines, 10) << "the text wraps";
  for (LRESULT line = 1; line < lines; ++line) {
    const size_t start = static_cast<size_t>(::SendMessageA(edit, EM_LINEINDEX, line, 0));
    const size_t byte = bytes ? start : CharsToBytes(text, start);
    ASSERT_LT(byte, text.size());
    EXPECT_EQ(text[byte - 1], ' ') << "line " << line << " starts at byte " << byte;
  }
  // Ctrl+Right from a word far into the text goes to the start of the next word.
  const size_t word = text.find(names, 2000);
  const size_t next = word + names.size() + 1;
  auto position = [&](size_t at) { return bytes ? at : static_cast<size_t>(BytesToChars(text, static_cast<LONG_PTR>(at))); };
  ::SendMessageA(edit, EM_SETSEL, position(word), static_cast<LPARAM>(position(word)));
  PressCtrlRight(edit);
  EXPECT_EQ(SelStart(edit), position(next));
}
