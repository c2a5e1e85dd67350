#include "App.h"

#include <commdlg.h>

#include <cctype>
#include <cstdio>
#include <iterator>
#include <map>

#include "DocTemplate.h"
#include "FrameWnd.h"
#include "FwIds.h"
#include "ProfileCodec.h"

CWinApp* CWinApp::s_current = nullptr;

namespace {
const char kRecentSection[] = "Recent File List";
const size_t kRecentDisplayLength = 30;
const size_t kTextBufferSize = 4096;  // longest text read: 4095 bytes and the terminator

const char kReplacementSuffix[] = ".new";
const DWORD kLargestProfileRead = 1u << 22;  // far above any settings file of ours

bool SamePath(const std::string& a, const std::string& b) {
  return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// Drops what the private-profile functions hold of `path` in memory, so that the next read
// comes from the disk (and a file replaced meanwhile is not taken for the old one).
void ForgetProfileCache(const std::string& path) {
  ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

// A value, or with a null `key` the NUL-separated list of keys (with a null `section` too, of
// sections), read whole: the buffer grows until nothing is cut.
std::string ReadWholeProfileString(const char* section, const char* key, const std::string& path) {
  for (DWORD size = 4096;; size *= 4) {
    std::vector<char> buffer(size);
    const DWORD n = ::GetPrivateProfileStringA(section, key, "", buffer.data(), size, path.c_str());
    // A cut value comes back size - 1 long, a cut list size - 2.
    const bool cut = key ? n + 1 >= size : n + 2 >= size;
    if (!cut || size >= kLargestProfileRead) return std::string(buffer.data(), n);
  }
}

std::vector<std::string> SplitNulList(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start < list.size()) {
    const size_t end = list.find('\0', start);
    const size_t stop = end == std::string::npos ? list.size() : end;
    if (stop > start) items.push_back(list.substr(start, stop - start));
    start = stop + 1;
  }
  return items;
}

// The profile functions match section and key names without regard to case.
std::string NameKey(const std::string& name) {
  std::string key = name;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

// Every value of a settings file as the reading gives it back, by section and key.
using ProfileContents = std::map<std::pair<std::string, std::string>, std::string>;

ProfileContents ReadProfileContents(const std::string& path) {
  ProfileContents contents;
  for (const std::string& section : SplitNulList(ReadWholeProfileString(nullptr, nullptr, path))) {
    for (const std::string& key :
         SplitNulList(ReadWholeProfileString(section.c_str(), nullptr, path))) {
      contents.emplace(std::make_pair(NameKey(section), NameKey(key)),
                       ReadWholeProfileString(section.c_str(), key.c_str(), path));
    }
  }
  return contents;
}
}  // namespace

// ---- recent files ----

void CRecentFileList::Add(const std::string& path) {
  for (size_t i = 0; i < m_files.size(); ++i) {
    if (SamePath(m_files[i], path)) {
      m_files.erase(m_files.begin() + static_cast<long>(i));
      break;
    }
  }
  m_files.insert(m_files.begin(), path);
  if (m_files.size() > static_cast<size_t>(m_size)) m_files.resize(static_cast<size_t>(m_size));
}

void CRecentFileList::Remove(int i) {
  if (i >= 0 && i < Count()) m_files.erase(m_files.begin() + i);
}

std::string CRecentFileList::MenuText(int i, size_t maxLength) const {
  std::string name = At(i);
  if (name.size() > maxLength) {
    // Keep the file name, which says most; put "...\" in front when there is room.
    const std::string file(tandem::text::FileNamePart(name, fw::IsSystemLeadByte));
    name = file.size() + 4 <= maxLength ? "...\\" + file : file;
  }
  // '&' in a file name would become a mnemonic; double it.
  std::string escaped;
  for (char c : name) {
    if (c == '&') escaped.push_back('&');
    escaped.push_back(c);
  }
  char prefix[8];
  std::snprintf(prefix, sizeof(prefix), "&%d ", i + 1);
  return prefix + escaped;
}

bool fw::IsSystemLeadByte(unsigned char c) {
  // Asked of the system once: the answer holds while the program runs.
  static const struct Table {
    bool lead[256];
    Table() : lead() {
      for (int b = 0; b < 256; ++b) lead[b] = ::IsDBCSLeadByte(static_cast<BYTE>(b)) != 0;
    }
  } table;
  return table.lead[c];
}

size_t fw::CharBytes(const std::string& text, size_t byte) {
  return IsSystemLeadByte(static_cast<unsigned char>(text[byte])) && byte + 1 < text.size() ? 2 : 1;
}

std::string fw::ReplacementPath(const std::string& path) { return path + kReplacementSuffix; }

bool fw::ReplaceWith(const std::string& replacement, const std::string& path) {
  if (::MoveFileExA(replacement.c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  ::DeleteFileA(replacement.c_str());
  return false;
}

// ---- application ----

CWinApp::CWinApp() { s_current = this; }

CWinApp::~CWinApp() {
  if (s_current == this) s_current = nullptr;
}

void CWinApp::Initialize(HINSTANCE instance) {
  m_hInstance = instance;
  if (m_appName.empty()) m_appName = LoadResString(FW_IDS_APP_TITLE);
  m_commandLine = tandem::text::SkipProgramName(::GetCommandLineA());
}

int CWinApp::Main(HINSTANCE instance) {
  Initialize(instance);
  int code = 0;
  if (InitInstance()) code = Run();
  const int exitCode = ExitInstance();
  return code != 0 ? code : exitCode;
}

int CWinApp::Run() {
  MSG msg = {};
  bool idle = true;
  long idleCount = 0;
  int failedGets = 0;
  const int kFailedGetsBeforePause = 100;
  for (;;) {
    // Idle work runs once each time the queue has run empty after a message that may have
    // changed something on screen.
    while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) idle = false;
    }
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got == -1) {
      // A message that could not be retrieved (another process sent more data than the
      // system would carry, say) is lost, not a reason to end without saving anything.
      if (++failedGets >= kFailedGetsBeforePause) {
        ::Sleep(10);  // a failure that repeats must not take the processor
        failedGets = 0;
      }
      continue;
    }
    failedGets = 0;
    // A notification carries a pointer that is valid only while it is sent within this
    // process; one that was posted points at nothing of ours.
    if (msg.message == WM_NOTIFY) continue;
    bool consumed = false;
    if (m_pMainWnd && m_pMainWnd->m_hWnd && msg.hwnd) {
      // The frame's windows, and those of its floating bars (windows it owns that run in
      // this loop rather than a modal one of their own).
      HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
      if (root == m_pMainWnd->m_hWnd || ::GetWindow(root, GW_OWNER) == m_pMainWnd->m_hWnd) {
        consumed = m_pMainWnd->PreTranslateMessage(&msg);
      }
    }
    if (!consumed) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    if (msg.message != WM_PAINT && msg.message != 0x0118 /* system timer (caret) */) {
      idle = true;
      idleCount = 0;
    }
  }
  return static_cast<int>(msg.wParam);
}

int CWinApp::ExitInstance() {
  SaveStdProfileSettings();
  m_docTemplate.reset();
  return 0;
}

bool CWinApp::OnIdle(long count) {
  if (count == 0 && m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->OnIdleUpdate();
  return false;
}

int CWinApp::ReadInt(const char* section, const char* key, int defaultValue) const {
  return static_cast<int>(
      ::GetPrivateProfileIntA(section, key, defaultValue, ActiveProfilePath().c_str()));
}

std::string CWinApp::ReadText(const char* section, const char* key,
                              const char* defaultValue) const {
  std::vector<char> buffer(kTextBufferSize);
  const DWORD n = ::GetPrivateProfileStringA(section, key, defaultValue, buffer.data(),
                                             static_cast<DWORD>(buffer.size()),
                                             ActiveProfilePath().c_str());
  return std::string(buffer.data(), n);
}

bool CWinApp::WriteInt(const char* section, const char* key, int value) {
  char text[16];
  std::snprintf(text, sizeof(text), "%d", value);
  return WriteText(section, key, text);
}

bool CWinApp::ProfileReadable() const {
  const DWORD attributes = ::GetFileAttributesA(m_profilePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  HANDLE file = ::CreateFileA(m_profilePath.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

bool CWinApp::WriteText(const char* section, const char* key, const char* value) {
  if (m_profileUnread) return false;
  CProfileBatch batch(this);  // a batch of its own when none is open
  if (m_batchPath.empty()) PrepareBatchCopy();
  bool ok = !m_batchBroken;
  if (ok) {
    const std::string stored = value ? tandem::text::ProfileTextToStore(value) : std::string();
    ok = ::WritePrivateProfileStringA(section, key, value ? stored.c_str() : nullptr,
                                      m_batchPath.c_str()) != 0;
  }
  if (ok) {
    m_batchWrites.push_back({section ? section : "", key ? key : "", value ? value : "",
                             value == nullptr});
  } else {
    ++m_writeFailures;
    m_batchBroken = true;  // a copy with some writes missing must not replace the file
  }
  return ok;
}

const std::string& CWinApp::ActiveProfilePath() const {
  const bool onCopy = m_batchDepth > 0 && !m_batchPath.empty() && !m_batchBroken;
  return onCopy ? m_batchPath : m_profilePath;
}

void CWinApp::BeginProfileBatch() {
  if (m_batchDepth++ > 0) return;
  // The copy is made by the first write, so that a batch that writes nothing costs nothing.
  m_batchPath.clear();
  m_batchBroken = false;
  m_batchWrites.clear();
}

void CWinApp::PrepareBatchCopy() {
  m_batchPath = fw::ReplacementPath(m_profilePath);
  ForgetProfileCache(m_batchPath);
  ::DeleteFileA(m_batchPath.c_str());  // left by a run that ended in the middle of a batch
  const DWORD attributes = ::GetFileAttributesA(m_profilePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // No file yet: the copy starts empty. Anything else that hides the file fails the batch.
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) m_batchBroken = true;
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) ||
             !::CopyFileA(m_profilePath.c_str(), m_batchPath.c_str(), FALSE)) {
    m_batchBroken = true;  // a full disk fails here, before anything is written
  }
}

void CWinApp::EndProfileBatch() {
  if (m_batchDepth <= 0 || --m_batchDepth > 0) return;
  bool replaced = false;
  if (!m_batchBroken && !m_batchWrites.empty()) {
    // What the disk holds of the copy is checked, not what the profile functions remember.
    ForgetProfileCache(m_batchPath);
    replaced = BatchCopyHoldsWhatWasWritten() && fw::ReplaceWith(m_batchPath, m_profilePath);
    if (!replaced) ++m_writeFailures;
  }
  if (!m_batchPath.empty()) {
    if (!replaced) {
      ::DeleteFileA(m_batchPath.c_str());
      ForgetProfileCache(m_batchPath);
    }
    ForgetProfileCache(m_profilePath);  // the file may be the copy now
  }
  m_batchPath.clear();
  m_batchBroken = false;
  m_batchWrites.clear();
}

bool CWinApp::BatchCopyHoldsWhatWasWritten() const {
  // The file's values with the batch's writes laid over them, against the copy's values.
  ProfileContents expected = ReadProfileContents(m_profilePath);
  for (const BatchWrite& write : m_batchWrites) {
    const std::string section = NameKey(write.section);
    if (write.key.empty()) {  // the whole section removed
      for (auto it = expected.begin(); it != expected.end();) {
        it = it->first.first == section ? expected.erase(it) : std::next(it);
      }
      continue;
    }
    const auto name = std::make_pair(section, NameKey(write.key));
    if (write.erased) {
      expected.erase(name);
    } else {
      expected[name] = write.value;
    }
  }
  return ReadProfileContents(m_batchPath) == expected;
}

bool CWinApp::ReadBinary(const char* section, const char* key,
                         std::vector<std::uint8_t>& bytes) const {
  // No length limit of its own: a placement record needs 88 letters, far below the buffer.
  const std::string text = ReadText(section, key, "");
  if (text.empty()) {
    bytes.clear();
    return false;
  }
  return tandem::text::DecodeProfileBinary(text, bytes);
}

bool CWinApp::WriteBinary(const char* section, const char* key, const std::uint8_t* data,
                          size_t size) {
  return WriteText(section, key, tandem::text::EncodeProfileBinary(data, size).c_str());
}

void CWinApp::LoadStdProfileSettings(int mruCount) {
  m_recentFiles = CRecentFileList(mruCount);
  for (int i = 1; i <= mruCount; ++i) {
    char key[16];
    std::snprintf(key, sizeof(key), "File%d", i);
    const std::string path = ReadText(kRecentSection, key, "");
    if (!path.empty()) m_recentFiles.m_files.push_back(path);
  }
}

void CWinApp::SaveStdProfileSettings() {
  if (m_profilePath.empty()) return;
  CProfileBatch batch(this);
  for (int i = 1; i <= m_recentFiles.Size(); ++i) {
    char key[16];
    std::snprintf(key, sizeof(key), "File%d", i);
    if (i <= m_recentFiles.Count()) {
      WriteText(kRecentSection, key, m_recentFiles.At(i - 1).c_str());
    } else if (!ReadText(kRecentSection, key, "").empty()) {
      WriteText(kRecentSection, key, nullptr);  // a dropped entry
    }
  }
}

void CWinApp::AddToRecentFileList(const std::string& path) { m_recentFiles.Add(path); }

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate) {
  m_docTemplate.reset(docTemplate);
}

bool CWinApp::ProcessShellCommand(const tandem::text::CommandLineInfo& info) {
  if (!m_docTemplate) return false;
  if (info.fileName.empty()) return m_docTemplate->OpenDocumentFile(nullptr) != nullptr;
  return OpenDocumentFile(info.fileName.c_str()) != nullptr;
}

CDocument* CWinApp::OpenDocumentFile(const char* path) {
  if (!m_docTemplate) return nullptr;
  return m_docTemplate->OpenDocumentFile(path);
}

int CWinApp::ShowMessage(const char* text, UINT type) const {
  HWND owner = (m_pMainWnd && m_pMainWnd->m_hWnd) ? m_pMainWnd->m_hWnd : nullptr;
  if (owner) owner = ::GetLastActivePopup(owner);
  CModalScope modal;
  return ::MessageBoxA(owner, text, m_appName.c_str(), type);
}

bool CWinApp::OnCmd(UINT id) {
  switch (id) {
    case FW_ID_FILE_NEW:
      if (m_docTemplate) m_docTemplate->OpenDocumentFile(nullptr);
      return true;
    case FW_ID_FILE_OPEN: {
      std::string path;
      if (PromptForFileName(path, false, "")) OpenDocumentFile(path.c_str());
      return true;
    }
    case FW_ID_APP_EXIT:
      if (m_pMainWnd && m_pMainWnd->m_hWnd) ::PostMessageA(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
      return true;
    default:
      break;
  }
  if (id >= FW_ID_FILE_MRU_FIRST && id <= FW_ID_FILE_MRU_LAST) {
    const int index = static_cast<int>(id - FW_ID_FILE_MRU_FIRST);
    if (index >= m_recentFiles.Count()) return true;
    const std::string path = m_recentFiles.At(index);
    // A recent file that can no longer be read at all leaves the list; one that could be read
    // but was refused (too large, say) stays.
    if (!OpenDocumentFile(path.c_str()) &&
        ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      m_recentFiles.Remove(index);
    }
    return true;
  }
  return false;
}

bool CWinApp::OnUpdateCmd(CCmdUI& ui) {
  switch (ui.m_nID) {
    case FW_ID_FILE_NEW:
    case FW_ID_FILE_OPEN:
    case FW_ID_APP_EXIT:
      ui.Enable(true);
      return true;
    default:
      break;
  }
  if (ui.m_nID >= FW_ID_FILE_MRU_FIRST && ui.m_nID <= FW_ID_FILE_MRU_LAST) {
    ui.Enable(static_cast<int>(ui.m_nID - FW_ID_FILE_MRU_FIRST) < m_recentFiles.Count());
    return true;
  }
  return false;
}
