// The application object: start-up hooks, the message loop with the frame's pre-translation and
// idle-time updates, the settings-file accessors, the recent-file list and the file commands
// that belong to the application (new, open, recent file, exit).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CodePageText.h"
#include "CommandLine.h"
#include "Wnd.h"

class CFrameWnd;
class CDocument;
class CSingleDocTemplate;

namespace fw {
// The system code page's lead-byte test, for the searches of CodePageText.h.
bool IsSystemLeadByte(unsigned char c);
// Bytes of the character of the system code page that starts at text[byte]: two for a lead
// byte with a byte after it, else one.
size_t CharBytes(const std::string& text, size_t byte);
// The file beside `path` that a new version of it is written to before it takes the place of
// `path`, so that a write that fails half-way never harms the file.
std::string ReplacementPath(const std::string& path);
// Moves the complete `replacement` over `path`; false, with `replacement` removed, when it could
// not be done.
bool ReplaceWith(const std::string& replacement, const std::string& path);
}  // namespace fw

// Most recently used files, newest first, kept under "Recent File List" as "File1".."FileN".
class CRecentFileList {
 public:
  explicit CRecentFileList(int size = 4) : m_size(size) {}
  int Size() const { return m_size; }
  int Count() const { return static_cast<int>(m_files.size()); }
  const std::string& At(int i) const { return m_files[static_cast<size_t>(i)]; }
  void Add(const std::string& path);  // moves an entry already listed to the front
  void Remove(int i);
  // Menu text of entry i: "&<i+1> " and the path, shortened to `maxLength` characters.
  std::string MenuText(int i, size_t maxLength) const;
  std::vector<std::string> m_files;

 private:
  int m_size;
};

class CWinApp : public CCmdTarget {
 public:
  CWinApp();
  ~CWinApp() override;
  static CWinApp* Current() { return s_current; }

  // Runs the program: instance initialisation, then the message loop. Returns the exit code.
  int Main(HINSTANCE instance);
  // What Main does before InitInstance: module, application name, command line. Tests that
  // drive the application object in their own process call it, then InitInstance.
  void Initialize(HINSTANCE instance);
  virtual bool InitInstance() = 0;
  virtual int ExitInstance();
  // One round of idle work; returns true when more idle work is wanted.
  virtual bool OnIdle(long count);

  // Settings file accessors, each one call of the private-profile functions on the settings
  // file (on its copy while a batch is open, see CProfileBatch). Texts come back exactly as
  // they were written (ProfileTextToStore).
  int ReadInt(const char* section, const char* key, int defaultValue) const;
  std::string ReadText(const char* section, const char* key, const char* defaultValue) const;
  bool WriteInt(const char* section, const char* key, int value);
  bool WriteText(const char* section, const char* key, const char* value);
  // Gives the stored bytes; false when nothing (or nothing we could have written) is stored.
  bool ReadBinary(const char* section, const char* key, std::vector<std::uint8_t>& bytes) const;
  bool WriteBinary(const char* section, const char* key, const std::uint8_t* data, size_t size);
  // Number of settings writes that failed since the program started; callers compare it before
  // and after a batch of writes to tell the user once. A batch whose copy could not take the
  // file's place counts one more.
  unsigned WriteFailures() const { return m_writeFailures; }
  // False when the settings file exists but cannot be read (held open by another program,
  // say); a missing file is readable, as it holds nothing.
  bool ProfileReadable() const;

  // Reads the recent-file list (of `mruCount` entries).
  void LoadStdProfileSettings(int mruCount);
  void SaveStdProfileSettings();
  void AddToRecentFileList(const std::string& path);

  void AddDocTemplate(CSingleDocTemplate* docTemplate);  // takes ownership
  // Carries out the command line: a new document, or the named file opened.
  bool ProcessShellCommand(const tandem::text::CommandLineInfo& info);
  CDocument* OpenDocumentFile(const char* path);

  // A message box with the application name as caption, owned by the main window.
  int ShowMessage(const char* text, UINT type = MB_OK | MB_ICONEXCLAMATION) const;

  bool OnCmd(UINT id) override;
  bool OnUpdateCmd(CCmdUI& ui) override;

  HINSTANCE m_hInstance = nullptr;
  std::string m_commandLine;  // the arguments after the program name
  std::string m_appName;      // from string resource 57344
  std::string m_profilePath;  // full path of the settings file
  // Set when the run goes on without having read the settings file: the accessors then leave
  // the file alone, so that defaults never replace what it holds.
  bool m_profileUnread = false;
  CFrameWnd* m_pMainWnd = nullptr;
  CRecentFileList m_recentFiles;
  std::unique_ptr<CSingleDocTemplate> m_docTemplate;

 private:
  friend class CProfileBatch;
  // One write of a batch, as the copy should give it back: `erased` for a removed key.
  struct BatchWrite {
    std::string section;
    std::string key;
    std::string value;
    bool erased;
  };
  static CWinApp* s_current;
  int Run();
  void BeginProfileBatch();
  void EndProfileBatch();
  void PrepareBatchCopy();
  bool BatchCopyHoldsWhatWasWritten() const;
  const std::string& ActiveProfilePath() const;
  unsigned m_writeFailures = 0;
  int m_batchDepth = 0;
  bool m_batchBroken = false;  // the copy could not be made or written: nothing replaces the file
  std::string m_batchPath;     // the copy, while a batch is open
  std::vector<BatchWrite> m_batchWrites;
};

// Settings writes made while one lives go to a copy beside the settings file; when the last one
// goes, the copy replaces the file, but only after every value of the file and every value
// written reads back from it as expected. Otherwise (a full disk, a write that failed, a
// private-profile write that said it succeeded but cut the file) the file stays as it was, the
// copy is removed, and WriteFailures counts it. Batches nest; a write outside any is a batch of
// its own.
class CProfileBatch {
 public:
  explicit CProfileBatch(CWinApp* app = CWinApp::Current()) : m_app(app) {
    if (m_app) m_app->BeginProfileBatch();
  }
  ~CProfileBatch() {
    if (m_app) m_app->EndProfileBatch();
  }
  CProfileBatch(const CProfileBatch&) = delete;
  CProfileBatch& operator=(const CProfileBatch&) = delete;

 private:
  CWinApp* m_app;
};
