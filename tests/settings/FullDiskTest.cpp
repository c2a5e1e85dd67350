// The settings file and the log on a disk with no room left, in a folder with a Japanese name:
// a save that cannot be completed leaves the file on disk as it was and tells the operator; a
// save that has room goes through. The disk is a small file system mounted around the run and
// named by TANDEM_SMALL_DISK; without it these tests skip.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DocTemplate.h"
#include "ShellTestSupport.h"
#include "TandemView.h"

using shelltest::AppSession;
using testsupport::FileExists;
using testsupport::OwnDialogAnswerer;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

// "設定を保存できませんでした" and "に保存できません" in CP932
const char kSettingsNotSaved[] =
    "\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1"
    "\x82\xc5\x82\xb5\x82\xbd";
const char kLogNotSaved[] = "\x82\xc9\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";
// A folder named 設定表 ソ: 表 and ソ end in the byte of '\'.
const char kFolderName[] = "\x90\xdd\x92\xe8\x95\x5c \x83\x5c";

// A settings file as the program writes it, a little under 4 KB: memories of both banks, the
// keyer, the profile.
std::string SettingsFileOfFourKilobytes() {
  std::string text = "[Bank-A]\r\n";
  for (int i = 1; i <= 12; ++i) {
    text += "Fn" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=CQ TEST $M $M TEST " +
            std::string(140, static_cast<char>('A' + i)) + "\r\n";
  }
  text += "[Keyer]\r\nWPM=28\r\nCQ_INT=2500\r\n0=T\r\n1=A\r\n9=N\r\nPTT=1\r\n";
  text += "[Bank-B]\r\n";
  for (int i = 1; i <= 12; ++i) {
    text += "Fn" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=DE $M " +
            std::string(140, static_cast<char>('a' + i)) + "\r\n";
  }
  text += "[Profile]\r\nMyCallSign=JA1ZZZ\r\nNo=13M\r\n";
  return text;
}

class FullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* disk = std::getenv("TANDEM_SMALL_DISK");
    if (!disk || !*disk) GTEST_SKIP() << "no small disk was mounted for this run (TANDEM_SMALL_DISK)";
    disk_ = disk;
    for (char& c : disk_) {
      if (c == '/') c = '\\';
    }
    if (!FileExists(disk_ + "\\.mounted")) GTEST_SKIP() << "nothing could be mounted at " << disk_;
    folder_ = disk_ + "\\" + kFolderName;
    ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
  }
  void TearDown() override {
    if (folder_.empty()) return;
    for (const char* name : {"Tandem.ini", "Tandem.ini.new", "contest.txt", "contest.txt.new"}) {
      ::DeleteFileA((folder_ + "\\" + name).c_str());
    }
    ::DeleteFileA(Filler().c_str());
    ::RemoveDirectoryA(folder_.c_str());
  }

  std::string File(const char* name) const { return folder_ + "\\" + name; }
  std::string Filler() const { return disk_ + "\\filler"; }

  // Fills what room is left with one file, to the last byte the disk takes.
  void FillTheDisk() {
    HANDLE file = ::CreateFileA(Filler().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<char> chunk(65536, 'x');
    for (DWORD size = 65536; size > 0; size /= 2) {
      DWORD written = 0;
      while (::WriteFile(file, chunk.data(), size, &written, nullptr) && written == size) {
      }
    }
    ::CloseHandle(file);
    HANDLE probe = ::CreateFileA(File("probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool roomLeft = probe != INVALID_HANDLE_VALUE && ::WriteFile(probe, "x", 1, &written, nullptr) && written == 1;
    if (probe != INVALID_HANDLE_VALUE) ::CloseHandle(probe);
    ::DeleteFileA(File("probe").c_str());
    ASSERT_FALSE(roomLeft) << "the disk still takes bytes";
  }
  // Gives back `bytes` of the filler's room.
  void FreeRoom(LONG bytes) {
    HANDLE file = ::CreateFileA(Filler().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::SetFilePointer(file, -bytes, nullptr, FILE_END);
    ASSERT_TRUE(::SetEndOfFile(file));
    ::CloseHandle(file);
  }

  std::string disk_;
  std::string folder_;
};

bool Holds(const std::vector<std::string>& texts, const char* part) {
  for (const std::string& t : texts) {
    if (t.find(part) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

// At the close the settings do not fit: first no room at all, then room for a copy of the old
// file but not for the larger new one (where a direct write was cut at 4,096 bytes). Each time
// the operator is told and the file is the old one, byte for byte; with room the save goes
// through.
TEST_F(FullDisk, SettingsFileStaysWholeUntilANewOneHasTakenItsPlace) {
  const std::string before = SettingsFileOfFourKilobytes();
  ASSERT_GT(before.size(), 3900u);
  ASSERT_LT(before.size(), 4096u);
  ASSERT_TRUE(WriteFileBytes(File("Tandem.ini"), before));
  FillTheDisk();

  testsupport::CurrentFolder inFolder(folder_);
  ASSERT_TRUE(inFolder.Entered());
  for (int round = 0; round < 3; ++round) {
    if (round == 1) FreeRoom(4096);     // one page: the old file's copy fits, the new one does not
    if (round == 2) FreeRoom(64 * 1024);
    AppSession session;
    ASSERT_TRUE(session.Start());
    CMainFrame* frame = session.Frame();
    EXPECT_EQ(frame->m_memory[0].substr(0, 20), "CQ TEST $M $M TEST B") << "round " << round;
    frame->m_memory[1] = "QRZ? " + std::string(300, 'Q');  // the file grows past 4 KB
    frame->m_wpm = 33;
    std::vector<std::string> texts;
    {
      OwnDialogAnswerer answerer(IDOK);
      session.RequestClose();
      texts = answerer.Texts();
    }
    EXPECT_EQ(session.Frame(), nullptr) << "round " << round;
    EXPECT_FALSE(FileExists(File("Tandem.ini.new"))) << "round " << round << ": the copy was left behind";
    const std::string after = ReadFileBytes(File("Tandem.ini"));
    if (round < 2) {
      EXPECT_TRUE(Holds(texts, kSettingsNotSaved)) << "round " << round << ": the operator was not told";
      EXPECT_EQ(after, before) << "round " << round << ": the settings file was harmed";
    } else {
      EXPECT_FALSE(Holds(texts, kSettingsNotSaved)) << "room enough, yet a message";
      EXPECT_EQ(shelltest::IniText(File("Tandem.ini"), "Keyer", "WPM"), "33");
      EXPECT_EQ(shelltest::IniText(File("Tandem.ini"), "Bank-A", "Fn02"), "QRZ? " + std::string(300, 'Q'));
      EXPECT_EQ(shelltest::IniText(File("Tandem.ini"), "Profile", "No"), "13M") << "the rest of the file stays";
      EXPECT_EQ(shelltest::IniText(File("Tandem.ini"), "Bank-B", "Fn12").substr(0, 7), "DE $M m");
    }
  }
}

// A log saved onto the full disk: the message comes and the old log is still there, whole.
TEST_F(FullDisk, FailedLogSaveLeavesTheOldLog) {
  std::string old;
  while (old.size() < 20000) old += "CQ TEST JA1ZZZ JA1ZZZ TEST JA2XYZ UR 5NN [KN] TU JA1ZZZ TEST\r\n";
  ASSERT_TRUE(WriteFileBytes(File("contest.txt"), old));
  testsupport::CurrentFolder inFolder(folder_);
  AppSession session;
  ASSERT_TRUE(session.Start());
  CMainFrame* frame = session.Frame();
  CDocument* doc = frame->GetActiveDocument();
  ASSERT_NE(session.App().OpenDocumentFile(File("contest.txt").c_str()), nullptr);
  frame->GetLogView()->AppendToLog(std::string(30000, 'K').c_str());
  FillTheDisk();

  std::vector<std::string> texts;
  bool saved = true;
  {
    OwnDialogAnswerer answerer(IDOK);
    saved = doc->DoSave(File("contest.txt").c_str());
    texts = answerer.Texts();
  }
  EXPECT_FALSE(saved);
  EXPECT_TRUE(Holds(texts, kLogNotSaved)) << "the operator was not told";
  EXPECT_EQ(ReadFileBytes(File("contest.txt")), old) << "the old log was harmed";
  EXPECT_FALSE(FileExists(File("contest.txt.new")));
  EXPECT_TRUE(doc->IsModified()) << "the log still has to be saved";

  FreeRoom(128 * 1024);
  EXPECT_TRUE(doc->DoSave(File("contest.txt").c_str()));
  EXPECT_EQ(ReadFileBytes(File("contest.txt")), old + std::string(30000, 'K'));
}
