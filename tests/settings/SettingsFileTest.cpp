// The settings file under Wine: defaults, a full round trip in the order of the file, keys the
// frame does not write, the odd stored values, long and empty memories, the placement record,
// and a file that cannot be written.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ProfileCodec.h"
#include "ShellTestSupport.h"

using shelltest::AppSession;
using shelltest::IniText;
using testsupport::FileExists;
using testsupport::OwnDialogAnswerer;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;
using TempWorkDir = testsupport::TempWorkingFolder;

namespace {

// The application object with its settings path set, as start-up leaves it, and frames built
// without a window (construction loads, SaveSettings writes).
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    m_app.Initialize(::GetModuleHandleA(nullptr));
    m_app.m_profilePath = m_dir.File("Tandem.ini");
  }
  std::unique_ptr<CMainFrame> Load() { return std::make_unique<CMainFrame>(); }
  std::string Ini() const { return m_app.m_profilePath; }
  void Put(const char* section, const char* key, const char* value) {
    ::WritePrivateProfileStringA(section, key, value, Ini().c_str());
  }

  TempWorkDir m_dir;
  CTandemHLApp m_app;
};

// "設定を保存できませんでした" and "設定ファイルを読めません" in CP932
const char kNotSaved[] =
    "\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1"
    "\x82\xc5\x82\xb5\x82\xbd";
const char kUnreadable[] =
    "\x90\xdd\x92\xe8\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x93\xc7\x82\xdf\x82\xdc"
    "\x82\xb9\x82\xf1";

// Keys of one section in file order.
std::vector<std::string> KeysOf(const std::string& file, const std::string& section) {
  std::istringstream in(ReadFileBytes(file));
  std::vector<std::string> keys;
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      inside = line == "[" + section + "]";
    } else if (inside && line.find('=') != std::string::npos) {
      keys.push_back(line.substr(0, line.find('=')));
    }
  }
  return keys;
}

}  // namespace

// The number settings the frame writes: their key, field, value without a file, and a value to
// store instead (odd ones too: a speed out of range and a negative delay are kept as they are).
struct NumberSetting {
  const char* key;
  int CMainFrame::*field;
  int byDefault;
  int stored;
};
const NumberSetting kNumbers[] = {
    {"WPM", &CMainFrame::m_wpm, 20, 80},
    {"CQ_INT", &CMainFrame::m_cqInterval, 2500, 4000},
    {"PTT", &CMainFrame::m_ptt, 1, 0},
    {"PTT_CQ_machine", &CMainFrame::m_pttCqMachine, 0, 1},
    {"PTTDelayP", &CMainFrame::m_pttDelayP, 25, -5},
    {"PTTDelayA", &CMainFrame::m_pttDelayA, 200, 255},
    {"PaddleRvs", &CMainFrame::m_paddleRvs, 1, 0},
    {"PaddleKbd", &CMainFrame::m_paddleKbd, 0, 1},
    {"SideTone", &CMainFrame::m_sideTone, 1, 0},
    {"ToneLevel", &CMainFrame::m_toneLevel, 7, 12},
    {"HookAnyway", &CMainFrame::m_hookAnyway, 0, 1},
    {"ViewTop", &CMainFrame::m_viewTop, 0, 1},
    {"Fn12", &CMainFrame::m_fn12, 0, 1},
    {"zLogKey", &CMainFrame::m_zLogKey, 0, 1},
    {"SpyHlKey", &CMainFrame::m_spyHlKey, 1, 0},
    {"FollowLogger", &CMainFrame::m_followLogger, 0, 2},
};

// The text settings that go the same way: digit substitutions, own call sign, number.
struct TextSetting {
  const char* name;
  std::string CMainFrame::*field;
  const char* byDefault;
  const char* stored;
};
const TextSetting kTexts[] = {
    {"subst0", &CMainFrame::m_subst0, "0", "O"},
    {"subst1", &CMainFrame::m_subst1, "1", "A"},
    {"subst9", &CMainFrame::m_subst9, "9", "N"},
    {"myCall", &CMainFrame::m_myCall, "XX9ABC/1", "XX1ABC"},
    {"number", &CMainFrame::m_number, "", "123"},
};

TEST_F(SettingsFile, DefaultsWithoutAFile) {
  auto frame = Load();
  EXPECT_FALSE(FileExists(Ini())) << "loading never creates the file";
  EXPECT_EQ(frame->m_memory[0], "CQ DE $M $M $M PSE K");
  EXPECT_EQ(frame->m_memory[3], "Fn04");
  EXPECT_EQ(frame->m_memory[12], "DE $M $M [AR]");
  EXPECT_EQ(frame->m_memory[23], "Fn12");
  for (const NumberSetting& n : kNumbers) EXPECT_EQ((*frame).*n.field, n.byDefault) << n.key;
  for (const TextSetting& t : kTexts) EXPECT_EQ((*frame).*t.field, t.byDefault) << t.name;
  EXPECT_EQ(frame->m_cwAlways, 0) << "the default 0 replaces the preset 1";
  EXPECT_EQ(frame->m_logTime, 0);
  EXPECT_EQ(frame->m_endGM, 12);
  EXPECT_EQ(frame->m_endGA, 18);
  EXPECT_EQ(frame->m_endGE, 0);
  // Presets that no key overwrites.
  EXPECT_EQ(frame->m_report, "599");
  EXPECT_EQ(frame->m_mode, "CW");
  EXPECT_EQ(frame->m_version, "KEYPORT Ver.?");
  EXPECT_EQ(frame->m_device, -1);
  EXPECT_EQ(frame->m_bankA, 0);
  EXPECT_EQ(frame->m_loggerWnd, nullptr);

  ASSERT_TRUE(frame->SaveSettings());
  EXPECT_TRUE(FileExists(Ini())) << "the first write creates it";
}

TEST_F(SettingsFile, FullRoundTripInFileOrder) {
  {
    auto frame = Load();
    for (int i = 0; i < 24; ++i) frame->m_memory[i] = "MEMORY " + std::to_string(i);
    for (const NumberSetting& n : kNumbers) (*frame).*n.field = n.stored;
    for (const TextSetting& t : kTexts) (*frame).*t.field = t.stored;
    ASSERT_TRUE(frame->SaveSettings());
  }
  auto frame = Load();
  for (int i = 0; i < 24; ++i) EXPECT_EQ(frame->m_memory[i], "MEMORY " + std::to_string(i));
  for (const NumberSetting& n : kNumbers) EXPECT_EQ((*frame).*n.field, n.stored) << n.key;
  for (const TextSetting& t : kTexts) EXPECT_EQ((*frame).*t.field, t.stored) << t.name;
  EXPECT_EQ(IniText(Ini(), "Keyer", "PTTDelayP"), "-5");

  const std::vector<std::string> keyer = {"WPM", "CQ_INT", "0", "1", "9", "PTT", "PTT_CQ_machine",
                                          "PTTDelayP", "PTTDelayA", "PaddleRvs", "PaddleKbd",
                                          "SideTone", "ToneLevel", "SpyHlKey"};
  EXPECT_EQ(KeysOf(Ini(), "Keyer"), keyer);
  EXPECT_EQ(KeysOf(Ini(), "Profile"), (std::vector<std::string>{"MyCallSign", "No"}));
  EXPECT_EQ(KeysOf(Ini(), "Window"),
            (std::vector<std::string>{"HookAnyway", "ViewTop", "Fn12", "zLogKey", "FollowLogger"}));
  EXPECT_EQ(KeysOf(Ini(), "Bank-A").size(), 12u);
  EXPECT_EQ(KeysOf(Ini(), "Bank-B").front(), "Fn01");
}

TEST_F(SettingsFile, KeysTheFrameDoesNotWriteStayUntouched) {
  Put("Keyer", "CwAlways", "1");
  Put("Window", "LogTime", "1");
  Put("Keyer", "end_GM", "10");
  Put("Keyer", "end_GA", "16");
  Put("Keyer", "end_GE", "3");
  Put("Window", "CloseAnyway", "1");
  Put("Keyer", "WeightDot", "2.5");
  Put("Keyer", "WeightDash", "abc");
  Put("Other", "Mine", "keep");
  {
    auto frame = Load();
    EXPECT_EQ(frame->m_cwAlways, 1);
    EXPECT_EQ(frame->m_logTime, 1);
    EXPECT_EQ(frame->m_endGM, 10);
    EXPECT_EQ(frame->m_endGA, 16);
    EXPECT_EQ(frame->m_endGE, 3);
    frame->m_cwAlways = 0;
    frame->m_logTime = 0;
    frame->m_endGM = 12;
    ASSERT_TRUE(frame->SaveSettings());
  }
  EXPECT_EQ(IniText(Ini(), "Keyer", "CwAlways"), "1");
  EXPECT_EQ(IniText(Ini(), "Window", "LogTime"), "1");
  EXPECT_EQ(IniText(Ini(), "Keyer", "end_GM"), "10");
  EXPECT_EQ(IniText(Ini(), "Keyer", "end_GA"), "16");
  EXPECT_EQ(IniText(Ini(), "Keyer", "end_GE"), "3");
  EXPECT_EQ(IniText(Ini(), "Window", "CloseAnyway"), "1");
  EXPECT_EQ(IniText(Ini(), "Keyer", "WeightDot"), "2.5");
  EXPECT_EQ(IniText(Ini(), "Keyer", "WeightDash"), "abc");
  EXPECT_EQ(IniText(Ini(), "Other", "Mine"), "keep");
}

TEST_F(SettingsFile, StoredTwoForFn12AndViewTop) {
  Put("Window", "Fn12", "2");
  Put("Window", "ViewTop", "2");
  {
    auto frame = Load();
    EXPECT_EQ(frame->m_fn12, 0) << "only exactly 1 means twelve keys";
    EXPECT_EQ(frame->m_viewTop, 2) << "kept as it is";
    ASSERT_TRUE(frame->SaveSettings());
  }
  EXPECT_EQ(IniText(Ini(), "Window", "Fn12"), "0");
  EXPECT_EQ(IniText(Ini(), "Window", "ViewTop"), "2");
}

// A followed logger the program does not know (a newer file, a typing error) follows N1MM Logger.
TEST_F(SettingsFile, UnknownFollowedLoggerFollowsN1mm) {
  Put("Window", "FollowLogger", "7");
  EXPECT_EQ(Load()->m_followLogger, 0);
  Put("Window", "FollowLogger", "1");
  EXPECT_EQ(Load()->m_followLogger, 1);
}

TEST_F(SettingsFile, EmptiedMemoryStaysEmptyAndLongMemoryComesBackCut) {
  const std::string longText(5000, 'K');
  {
    auto frame = Load();
    frame->m_memory[3] = "";
    frame->m_memory[13] = longText;
    frame->m_myCall = "";
    ASSERT_TRUE(frame->SaveSettings());
  }
  const std::string file = ReadFileBytes(Ini());
  EXPECT_NE(file.find("Fn04=\r\n"), std::string::npos) << "an empty value, not a missing key";
  EXPECT_NE(file.find("Fn02=" + longText + "\r\n"), std::string::npos) << "written in full";
  auto frame = Load();
  EXPECT_EQ(frame->m_memory[3], "") << "no fall-back to the default";
  EXPECT_EQ(frame->m_myCall, "");
  EXPECT_EQ(frame->m_memory[13], std::string(4095, 'K'));
}

TEST_F(SettingsFile, FailedWriteIsReportedOnceNamingTheFile) {
  // A folder where the file should be: every write fails (file attributes would not stop a
  // process that runs with full rights).
  ASSERT_TRUE(::CreateDirectoryA(Ini().c_str(), nullptr));
  auto frame = Load();
  frame->m_wpm = 31;
  bool saved = true;
  std::vector<std::string> texts;
  {
    OwnDialogAnswerer answerer(IDOK);
    saved = frame->SaveSettings();
    texts = answerer.Texts();
  }
  EXPECT_FALSE(saved);
  ASSERT_EQ(texts.size(), 1u) << "one message for the whole batch";
  EXPECT_EQ(texts[0].find(kNotSaved), 0u) << texts[0];
  EXPECT_NE(texts[0].find(Ini()), std::string::npos) << texts[0];
  EXPECT_EQ(frame->m_wpm, 31) << "the values stay in memory";

  // Writable again: no message.
  ASSERT_TRUE(::RemoveDirectoryA(Ini().c_str()));
  OwnDialogAnswerer answerer(IDOK);
  EXPECT_TRUE(frame->SaveSettings());
  EXPECT_TRUE(answerer.Texts().empty());
  EXPECT_EQ(IniText(Ini(), "Keyer", "WPM"), "31");
}

TEST_F(SettingsFile, BinaryValuesRoundTrip) {
  const std::uint8_t bytes[] = {44, 0, 0, 0, 0xFF, 0x80, 7};
  ASSERT_TRUE(m_app.WriteBinary("Window", "blob", bytes, sizeof(bytes)));
  EXPECT_EQ(IniText(Ini(), "Window", "blob"), "MCAAAAAAPPAIHA");
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(m_app.ReadBinary("Window", "blob", back));
  EXPECT_EQ(back, std::vector<std::uint8_t>(bytes, bytes + sizeof(bytes)));
  EXPECT_FALSE(m_app.ReadBinary("Window", "none", back)) << "nothing stored";
}

// The placement record at start-up: a complete one is applied, anything else is ignored.
// The main window's rectangle when the program starts with `pos` as the stored placement.
void StartWithPos(const std::string& pos, RECT* r) {
  TempWorkDir dir;
  ::WritePrivateProfileStringA("Window", "pos", pos.c_str(), dir.File("Tandem.ini").c_str());
  AppSession session;
  ASSERT_TRUE(session.Start());
  ::GetWindowRect(session.Frame()->m_hWnd, r);
}

TEST(SettingsPlacement, DamagedPosIsIgnored) {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof(wp);
  wp.showCmd = SW_SHOWNORMAL;
  wp.rcNormalPosition = RECT{50, 70, 650, 270};
  const std::string good =
      tandem::text::EncodeProfileBinary(reinterpret_cast<const std::uint8_t*>(&wp), sizeof(wp));
  const std::string damaged[] = {good.substr(0, 86), good + "AA", good.substr(0, 87),
                                 good.substr(0, 80) + "ZZZZZZZZ"};
  for (const std::string& pos : damaged) {
    RECT r;
    ASSERT_NO_FATAL_FAILURE(StartWithPos(pos, &r));
    EXPECT_EQ(r.right - r.left, 729) << pos.size() << " letters: default size";
    EXPECT_EQ(r.bottom - r.top, 150);
  }
  RECT r;
  ASSERT_NO_FATAL_FAILURE(StartWithPos(good, &r));
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 70);
  EXPECT_EQ(r.right, 650);
  EXPECT_EQ(r.bottom, 270);
}

namespace {

// The settings file held open without sharing, as a backup or sync tool holds it.
HANDLE LockFile(const std::string& path) {
  return ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

const char kOperatorsFile[] =
    "[Profile]\r\nMyCallSign=XX1ABC\r\n[Keyer]\r\nWPM=32\r\n[Bank-A]\r\nFn01=CQ XX1ABC TEST\r\n";

// The operator's settings file, held by another program from before the start.
class SettingsLocked : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFileBytes(ini, kOperatorsFile);
    lock = LockFile(ini);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  }

  TempWorkDir dir;
  const std::string ini = dir.File("Tandem.ini");
  HANDLE lock = nullptr;
};

}  // namespace

// Started while another program holds the file: the operator is told and goes on; the run
// uses the defaults and writes nothing at all over the file, on the close request and exit.
TEST_F(SettingsLocked, GoingOnLeavesTheFileAlone) {
  std::vector<std::string> texts;
  {
    OwnDialogAnswerer answerer(IDCANCEL);  // go on without the file
    AppSession session;
    ASSERT_TRUE(session.Start());
    texts = answerer.Texts();
    CMainFrame* frame = session.Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->m_myCall, "XX9ABC/1") << "the defaults, for this run";
    // The operator changes the speed (PageUp) and opens a log: both would be written.
    ASSERT_TRUE(shelltest::BringToFront(frame->m_hWnd));
    testsupport::Press(VK_PRIOR);
    EXPECT_TRUE(shelltest::PumpUntil([&] { return frame->m_wpm == 21; }));
    session.App().AddToRecentFileList(dir.File("log.txt"));
    ::CloseHandle(lock);  // released while the program runs: still nothing is written
    lock = nullptr;
    session.RequestClose();
    EXPECT_EQ(session.Frame(), nullptr);
    session.End();
    EXPECT_EQ(answerer.Texts().size(), texts.size()) << "no message at exit";
  }
  if (lock) ::CloseHandle(lock);
  ASSERT_EQ(texts.size(), 1u) << "told once, at start-up";
  EXPECT_EQ(texts[0].find(kUnreadable), 0u) << texts[0];
  EXPECT_NE(texts[0].find(ini), std::string::npos) << texts[0];
  EXPECT_EQ(ReadFileBytes(ini), kOperatorsFile) << "the operator's file, unchanged";
}

// Retry after the other program let go reads the operator's own settings.
TEST_F(SettingsLocked, RetryReadsTheFileOnceItIsFree) {
  std::string text;
  std::thread answer([&] {
    HWND box = testsupport::WaitForOwnDialog([](HWND) { return true; }, 20000);
    if (!box) return;
    text = testsupport::MessageBoxText(box);
    ::CloseHandle(lock);
    lock = nullptr;
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDRETRY, BN_CLICKED), 0);
  });
  AppSession session;
  const bool started = session.Start();
  answer.join();
  if (lock) ::CloseHandle(lock);
  ASSERT_TRUE(started);
  EXPECT_EQ(text.find(kUnreadable), 0u) << "asked first: " << text;
  CMainFrame* frame = session.Frame();
  EXPECT_EQ(frame->m_myCall, "XX1ABC");
  EXPECT_EQ(frame->m_wpm, 32);
  EXPECT_EQ(frame->m_memory[0], "CQ XX1ABC TEST");
  // The speed pane shows the file's speed; PageDown slows it.
  EXPECT_TRUE(shelltest::PumpUntil([&] { return frame->m_wndStatusBar.GetPaneText(1) == "WPM: 32"; }));
  ASSERT_TRUE(shelltest::BringToFront(frame->m_hWnd));
  testsupport::Press(VK_NEXT);
  EXPECT_TRUE(shelltest::PumpUntil([&] { return frame->m_wpm == 31; }));
  session.RequestClose();
  EXPECT_EQ(IniText(ini, "Keyer", "WPM"), "31") << "a file that was read is written again";
  EXPECT_EQ(IniText(ini, "Profile", "MyCallSign"), "XX1ABC");
}

// What the operator types into a memory comes back after a restart exactly: quotes around it,
// spaces and tabs at its edges, '=' and ';' at its start, double-byte text ending in the byte of
// '\', a lone quote. The own call sign and the number go the same way.
TEST_F(SettingsFile, TextsComeBackExactlyAsTyped) {
  const std::vector<std::string> texts = {
      "\"QRZ?\"", "'73'", "  5NN  ", "=5NN", ";TEST", "\"", "'", "\"\"", "\tTU\t",
      "CQ \"TEST\"", "\x95\x5c \x83\x5c", "\x83\x5c ", " \x8f\x5c", "'QRZ?", "TU'", "[KN]=;"};
  ASSERT_LE(texts.size(), 24u);
  {
    auto frame = Load();
    for (size_t i = 0; i < texts.size(); ++i) frame->m_memory[i] = texts[i];
    frame->m_myCall = " JA1ZZZ ";
    frame->m_number = "'001'";
    ASSERT_TRUE(frame->SaveSettings());
  }
  auto frame = Load();
  for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(frame->m_memory[i], texts[i]) << "memory " << i;
  EXPECT_EQ(frame->m_myCall, " JA1ZZZ ");
  EXPECT_EQ(frame->m_number, "'001'");
  // Plain texts are stored as they are, so the file reads as before.
  EXPECT_NE(ReadFileBytes(Ini()).find("Fn10=CQ \"TEST\"\r\n"), std::string::npos);
}

// A file written by hand, or by an older version, with quotes around a value reads as it always
// did: the quotes are not part of the value.
TEST_F(SettingsFile, QuotedValueOfAnOlderFileReadsWithoutItsQuotes) {
  Put("Bank-A", "Fn01", "\"CQ TEST $M\"");
  EXPECT_EQ(Load()->m_memory[0], "CQ TEST $M");
}

// A copy left beside the file by a run that ended in the middle of a save neither stops the next
// save nor stays.
TEST_F(SettingsFile, CopyLeftByAnEndedRunIsReplaced) {
  ASSERT_TRUE(WriteFileBytes(Ini() + ".new", "[Keyer]\r\nWPM=9\r\n[Broken"));
  Put("Other", "Mine", "keep");
  {
    auto frame = Load();
    frame->m_wpm = 27;
    ASSERT_TRUE(frame->SaveSettings());
  }
  EXPECT_FALSE(FileExists(Ini() + ".new"));
  EXPECT_EQ(IniText(Ini(), "Keyer", "WPM"), "27");
  EXPECT_EQ(IniText(Ini(), "Other", "Mine"), "keep");
  EXPECT_EQ(IniText(Ini(), "Broken", "x"), "<missing>");
}
