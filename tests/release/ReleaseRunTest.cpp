// The unpacked release zip as an operator gets it. tests/release/check_packages.sh unpacks it
// into a fresh Wine prefix and names the folders in the environment:
//   TANDEM_RELEASE      the unpacked zip: the 32-bit build at its top, the 64-bit one in 64bit\,
//                       under a path that holds spaces and Japanese names
//   TANDEM_RELEASE_RUN  the folder whose Tandem is run: the build of this program's own
//                       architecture, so that its hook maps into this program's logger stand-in
// Every shipped program and library carries its version resource; Tandem started from its
// folder, with the emulator copied beside it as the manual says, keys a message the logger asks
// for and keeps its Tandem.ini in that folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CodePageText.h"
#include "KeyportControl.h"
#include "LoggerSimClient.h"
#include "TandemSession.h"
#include "TestSupport.h"

namespace {

constexpr char kSettingsFile[] = "Tandem.ini";

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every .exe and .dll under folder, as paths relative to it.
void Binaries(const std::string& folder, const std::string& rel, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\" + rel + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Binaries(folder, rel + name + "\\", out);
    } else if (name.size() > 4) {
      const std::string ext = name.substr(name.size() - 4);
      if (lstrcmpiA(ext.c_str(), ".exe") == 0 || lstrcmpiA(ext.c_str(), ".dll") == 0) out.push_back(rel + name);
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

std::string QueryString(const std::vector<char>& info, const std::string& block, const char* key) {
  const std::string path = "\\StringFileInfo\\" + block + "\\" + key;
  char* value = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &len) || value == nullptr)
    return "<none>";
  return std::string(value, strnlen(value, len));
}

bool HasLeadByte(const std::string& s) {
  for (unsigned char c : s)
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) return true;
  return false;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Checks one file's version resource; failures name the file.
void ExpectVersionResource(const std::string& path) {
  SCOPED_TRACE(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource";
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  ASSERT_GE(len, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD ms = MAKELONG(TANDEM_VERSION_MINOR, TANDEM_VERSION_MAJOR);
  const DWORD ls = MAKELONG(0, TANDEM_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, ms);
  EXPECT_EQ(fixed->dwFileVersionLS, ls);
  EXPECT_EQ(fixed->dwProductVersionMS, ms);
  EXPECT_EQ(fixed->dwProductVersionLS, ls);
  const bool dll = lstrcmpiA(path.substr(path.size() - 4).c_str(), ".dll") == 0;
  EXPECT_EQ(fixed->dwFileType, dll ? DWORD(VFT_DLL) : DWORD(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 8u) << "the translation list should name two blocks";
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 932);
  EXPECT_EQ(translation[2], 0x0409);
  EXPECT_EQ(translation[3], 1252);

  const std::string name = path.substr(path.find_last_of('\\') + 1);
  for (const char* block : {"041103a4", "040904e4"}) {
    SCOPED_TRACE(block);
    EXPECT_EQ(QueryString(info, block, "FileVersion"), TANDEM_VERSION);
    EXPECT_EQ(QueryString(info, block, "ProductVersion"), TANDEM_VERSION);
    EXPECT_EQ(QueryString(info, block, "ProductName"), "Tandem");
    EXPECT_EQ(lstrcmpiA(QueryString(info, block, "OriginalFilename").c_str(), name.c_str()), 0)
        << QueryString(info, block, "OriginalFilename");
  }
  // The Japanese description reads back as Japanese text in the system code page.
  const std::string ja = QueryString(info, "041103a4", "FileDescription");
  EXPECT_TRUE(HasLeadByte(ja)) << ja;
  const std::string en = QueryString(info, "040904e4", "FileDescription");
  EXPECT_TRUE(IsAscii(en) && en.find("Tandem") == 0) << en;
  EXPECT_NE(ja, en);
}

TEST(ReleasePackage, EveryShippedProgramAndLibraryCarriesItsVersion) {
  const std::string folder = Env("TANDEM_RELEASE");
  ASSERT_FALSE(folder.empty()) << "TANDEM_RELEASE is not set";
  std::vector<std::string> files;
  Binaries(folder, "", files);
  for (const char* build : {"", "64bit\\"}) {
    for (const char* must : {"Tandem.exe", "TandemHook.dll", "emulator\\keyport.dll", "emulator\\keyport_paddle.exe"}) {
      const std::string name = std::string(build) + must;
      EXPECT_NE(std::find(files.begin(), files.end(), name), files.end()) << name << " in " << folder;
    }
  }
  for (const std::string& f : files) ExpectVersionResource(folder + "\\" + f);
}

TEST(ReleasePackage, TandemRunsFromTheUnpackedFolderWithTheEmulatorBesideIt) {
  const std::string folder = Env("TANDEM_RELEASE_RUN");
  ASSERT_FALSE(folder.empty()) << "TANDEM_RELEASE_RUN is not set";
  const std::string settings = folder + "\\" + kSettingsFile;
  // As unpacked: no library beside Tandem.exe that could shadow the interface's, no settings yet.
  ASSERT_FALSE(Exists(folder + "\\keyport.dll"));
  ASSERT_FALSE(Exists(settings));

  // The manual's practice set-up: the emulator copied beside Tandem.exe.
  ASSERT_TRUE(CopyFileA((folder + "\\emulator\\keyport.dll").c_str(), (folder + "\\keyport.dll").c_str(), TRUE));

  LoggerSimClient sim;
  ASSERT_TRUE(sim.Start(LoggerSimPathBesideThisProgram())) << sim.error();

  testsupport::TempFolder temp("tandem-release-");
  ASSERT_TRUE(temp.Valid());
  const std::string trace = temp.File("keyport-trace.txt");
  // Started as a double click in Explorer starts it: from its own folder, which is then its
  // working folder.
  testsupport::ChildProcess tandem;
  ASSERT_TRUE(tandem.Start("\"" + folder + "\\Tandem.exe\"", folder,
                           {{"KEYPORT_TRACE", trace}, {"KEYPORT_AUDIO", "0"}, {"KEYPORT_TIMESCALE", "10"}}))
      << "cannot start Tandem.exe in " << folder;

  HWND main = nullptr;
  ASSERT_TRUE(LoggerSimClient::PumpUntil(
                  [&] { return (main = testsupport::FindMainWindow(tandem.Id())) != nullptr || !tandem.Running(); },
                  30000) &&
              main != nullptr)
      << (tandem.Running() ? "Tandem showed no main window" : "Tandem ended during start-up");
  char title[64];
  std::snprintf(title, sizeof title, KEYPORT_CONTROL_TITLE_PREFIX "%lu", tandem.Id());
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return FindWindowA(KEYPORT_CONTROL_CLASS, title) != nullptr; }, 30000))
      << "the emulator beside Tandem.exe was not opened";

  // F2 in the logger's call box: the hook, mapped into the logger from the unpacked folder, reports
  // it, and Tandem keys the reply with the logger's report.
  ASSERT_EQ(sim.Command("text call JA2XYZ"), 1);
  ASSERT_EQ(sim.Command("text report 578"), 1);
  ASSERT_EQ(sim.Command("focus call"), 1);
  testsupport::Press(VK_F2);
  std::string handed;
  EXPECT_TRUE(LoggerSimClient::PumpUntil(
      [&] {
        handed = HandedToKeyer(testsupport::ReadTrace(trace));
        return handed.find("UR 578 <") != std::string::npos;
      },
      30000))
      << "handed to the keyer: " << handed;

  // The real exit: close the window and decline to save the log when asked.
  PostMessageA(main, WM_CLOSE, 0, 0);
  HWND prompt = nullptr;
  ASSERT_TRUE(LoggerSimClient::PumpUntil(
      [&] {
        prompt = testsupport::FindTopLevel(
            tandem.Id(), [](HWND w) { return testsupport::IsDialog(w) && IsWindowVisible(w); });
        return prompt != nullptr || !tandem.Running();
      },
      30000));
  if (prompt != nullptr) {
    HWND no = GetDlgItem(prompt, IDNO);
    ASSERT_NE(no, nullptr) << "the save question has no No button";
    PostMessageA(no, BM_CLICK, 0, 0);
  }
  DWORD exitCode = STILL_ACTIVE;
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return !tandem.Running(); }, 30000)) << "Tandem did not end";
  ASSERT_TRUE(tandem.WaitForExit(0, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  sim.Stop();

  // The settings were written into the folder Tandem was started from, and nowhere else.
  const std::string ini = ReadWholeFile(settings);
  EXPECT_NE(ini.find("[Bank-A]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Fn02=$C UR $R [KN]"), std::string::npos) << ini;
  char here[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, here);
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  for (const std::string& elsewhere : {std::string(here), std::string(windows), ThisProgramFolder()})
    EXPECT_FALSE(Exists(elsewhere + "\\" + kSettingsFile)) << elsewhere;
  // Nor beside the folder under a name run together with the folder's own, as a path joined
  // without its separator would give.
  const std::string parent = folder.substr(0, tandem::text::FindLastCharOf(folder, "\\"));
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((parent + "\\*" + kSettingsFile).c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "a settings file beside the folder: " << fd.cFileName;
    FindClose(h);
  }
}

}  // namespace
