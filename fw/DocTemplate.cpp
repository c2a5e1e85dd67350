#include "DocTemplate.h"

#include <commdlg.h>

#include <vector>

#include "App.h"
#include "EditView.h"
#include "FrameWnd.h"
#include "FwIds.h"

namespace {

// Replaces "%1" in a framework message with `arg`.
std::string Format1(UINT id, const std::string& arg) {
  std::string text = LoadResString(id);
  const size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, arg);
  return text;
}

std::string FileTitle(const std::string& path) {
  return std::string(tandem::text::FileNamePart(path, fw::IsSystemLeadByte));
}

}  // namespace

// ---- archive ----

std::uint64_t CArchive::Length() const {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(m_file, &size)) return 0;
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool CArchive::Read(void* buffer, DWORD size) {
  DWORD got = 0;
  return ::ReadFile(m_file, buffer, size, &got, nullptr) && got == size;
}

bool CArchive::Write(const void* data, DWORD size) {
  DWORD written = 0;
  return ::WriteFile(m_file, data, size, &written, nullptr) && written == size;
}

// ---- document ----

bool CDocument::OnNewDocument() {
  m_path.clear();
  SetModifiedFlag(false);
  return true;
}

bool CDocument::OnOpenDocument(const char* path) {
  HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    CWinApp::Current()->ShowMessage(Format1(FW_IDP_FAILED_TO_OPEN, path).c_str());
    return false;
  }
  CArchive ar(file, CArchive::Load, path);
  const bool ok = Serialize(ar);
  ::CloseHandle(file);
  if (ok) SetModifiedFlag(false);
  return ok;
}

bool CDocument::OnSaveDocument(const char* path) {
  // The text goes to a new file beside the old one, which takes the old one's place only once
  // it is whole on the disk: a save that fails (a full disk, say) leaves the old file as it was.
  const std::string replacement = fw::ReplacementPath(path);
  HANDLE file = ::CreateFileA(replacement.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    CWinApp::Current()->ShowMessage(Format1(FW_IDP_FAILED_TO_SAVE, path).c_str());
    return false;
  }
  CArchive ar(file, CArchive::Store, path);
  bool ok = Serialize(ar);
  if (ok && !::FlushFileBuffers(file)) ok = false;
  if (!::CloseHandle(file)) ok = false;
  if (ok) {
    ok = fw::ReplaceWith(replacement, path);
  } else {
    ::DeleteFileA(replacement.c_str());
  }
  if (!ok) {
    CWinApp::Current()->ShowMessage(Format1(FW_IDP_FAILED_TO_SAVE, path).c_str());
    return false;
  }
  SetModifiedFlag(false);
  return true;
}

bool CDocument::CanCloseFrame(CFrameWnd* frame) {
  (void)frame;
  return SaveModified();
}

bool CDocument::SaveModified() {
  if (!IsModified()) return true;
  const std::string question = Format1(FW_IDP_ASK_TO_SAVE, m_title);
  switch (CWinApp::Current()->ShowMessage(question.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL:
      return false;
    case IDYES:
      return DoFileSave();
    default:
      return true;  // No: go on without saving
  }
}

bool CDocument::DoFileSave() {
  // A log without a file, or whose file became read-only, is saved under a new name.
  const DWORD attributes = m_path.empty() ? INVALID_FILE_ATTRIBUTES
                                          : ::GetFileAttributesA(m_path.c_str());
  if (m_path.empty() ||
      (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))) {
    return DoSave(nullptr);
  }
  return DoSave(m_path.c_str());
}

bool CDocument::DoSave(const char* path) {
  std::string target = path ? path : "";
  if (target.empty()) {
    std::string initial = m_path.empty() ? m_title : m_path;
    if (!PromptForFileName(target, true, initial)) return false;
  }
  if (!OnSaveDocument(target.c_str())) return false;
  SetPathName(target);
  return true;
}

void CDocument::SetPathName(const std::string& path, bool addToRecent) {
  char full[MAX_PATH];
  const DWORD n = ::GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
  m_path = (n > 0 && n < sizeof(full)) ? std::string(full, n) : path;
  m_title = FileTitle(m_path);
  if (addToRecent) CWinApp::Current()->AddToRecentFileList(m_path);
}

void CDocument::SetDefaultTitle() {
  m_path.clear();
  m_title = LoadResString(FW_IDS_UNTITLED);
}

bool CDocument::OnCmd(UINT id) {
  switch (id) {
    case FW_ID_FILE_SAVE:
      DoFileSave();
      return true;
    case FW_ID_FILE_SAVE_AS:
      DoSave(nullptr);
      return true;
    default:
      return false;
  }
}

bool CDocument::OnUpdateCmd(CCmdUI& ui) {
  if (ui.m_nID == FW_ID_FILE_SAVE || ui.m_nID == FW_ID_FILE_SAVE_AS) {
    ui.Enable(true);
    return true;
  }
  return false;
}

// ---- template ----

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocumentFactory newDocument,
                                       FrameFactory newFrame, ViewFactory newView)
    : m_resourceId(resourceId),
      m_newDocument(newDocument),
      m_newFrame(newFrame),
      m_newView(newView) {}

CSingleDocTemplate::~CSingleDocTemplate() { delete m_document; }

CDocument* CSingleDocTemplate::OpenDocumentFile(const char* path) {
  const bool created = m_document == nullptr;
  CFrameWnd* frame = nullptr;
  if (created) {
    m_document = m_newDocument();
    frame = m_newFrame();
    CView* view = m_newView();
    view->m_pDocument = m_document;
    m_document->m_view = view;
    if (!frame->LoadFrame(m_resourceId, m_document, view)) {
      // A frame whose creation failed is still ours to delete (with its view).
      delete frame;
      delete m_document;
      m_document = nullptr;
      return nullptr;
    }
  } else if (!m_document->SaveModified()) {
    return nullptr;
  }

  bool ok;
  if (!path) {
    m_document->SetDefaultTitle();
    ok = m_document->OnNewDocument();
  } else {
    const bool wasModified = m_document->IsModified();
    ok = m_document->OnOpenDocument(path);
    if (ok) {
      m_document->SetPathName(path);
    } else {
      // The document refused before changing anything; it stays as it was.
      m_document->SetModifiedFlag(wasModified);
    }
  }
  if (!ok) {
    if (created) {
      frame->DestroyWindow();
    }
    return nullptr;
  }
  if (created) frame->InitialUpdateFrame();
  return m_document;
}

// ---- file dialog ----

bool PromptForFileName(std::string& path, bool save, const std::string& initialName) {
  // Filter: the name, then the pattern, each zero-terminated, then an empty string.
  std::string filter = LoadResString(FW_IDS_ALLFILTER);
  filter.push_back('\0');
  filter += "*.*";
  filter.push_back('\0');
  filter.push_back('\0');
  std::vector<char> buffer(MAX_PATH, '\0');
  if (initialName.size() < buffer.size()) initialName.copy(buffer.data(), initialName.size());
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof(ofn);
  CWinApp* app = CWinApp::Current();
  ofn.hwndOwner = (app && app->m_pMainWnd) ? app->m_pMainWnd->m_hWnd : nullptr;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  CModalScope modal;
  const BOOL ok = save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
  if (!ok) return false;
  path = buffer.data();
  return true;
}
