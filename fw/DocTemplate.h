// Documents and the single-document template: one document, one frame, one view, reused by
// the new and open commands; saving, opening, the question about saving a modified document.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "Wnd.h"

class CFrameWnd;
class CView;

// An open file handed to a document's Serialize, for reading (Load) or writing (Store).
class CArchive {
 public:
  enum Mode { Load, Store };
  CArchive(HANDLE file, Mode mode, const std::string& path)
      : m_file(file), m_mode(mode), m_path(path) {}
  bool IsStoring() const { return m_mode == Store; }
  // Length of the file in bytes (loading).
  std::uint64_t Length() const;
  bool Read(void* buffer, DWORD size);
  bool Write(const void* data, DWORD size);
  const std::string& Path() const { return m_path; }

 private:
  HANDLE m_file;
  Mode m_mode;
  std::string m_path;
};

class CDocument : public CCmdTarget {
 public:
  ~CDocument() override = default;

  // Prepares an empty document; false keeps the previous state.
  virtual bool OnNewDocument();
  // Reads `path` through Serialize. A file that cannot be opened, or that Serialize refuses,
  // leaves the document as it was: Serialize must not change anything before it has checked
  // what it reads. Reports its own errors.
  virtual bool OnOpenDocument(const char* path);
  virtual bool OnSaveDocument(const char* path);
  // Reads or writes the document's data; false when it refused (after telling the user).
  virtual bool Serialize(CArchive& ar) = 0;
  // Whether the frame may close: asks about a modified document.
  virtual bool CanCloseFrame(CFrameWnd* frame);
  // Asks whether to save a modified document; false when the user cancels or saving fails.
  virtual bool SaveModified();

  bool DoSave(const char* path);  // null path: ask for a file name
  bool DoFileSave();

  void SetModifiedFlag(bool modified = true) { m_modified = modified; }
  bool IsModified() const { return m_modified; }
  void SetTitle(const std::string& title) { m_title = title; }
  const std::string& GetTitle() const { return m_title; }
  void SetPathName(const std::string& path, bool addToRecent = true);
  void SetDefaultTitle();

  bool OnCmd(UINT id) override;
  bool OnUpdateCmd(CCmdUI& ui) override;

  CView* m_view = nullptr;  // the only view; cleared when the view's window is gone

 private:
  std::string m_title;
  std::string m_path;
  bool m_modified = false;
};

class CSingleDocTemplate {
 public:
  using DocumentFactory = CDocument* (*)();
  using FrameFactory = CFrameWnd* (*)();
  using ViewFactory = CView* (*)();

  CSingleDocTemplate(UINT resourceId, DocumentFactory newDocument, FrameFactory newFrame,
                     ViewFactory newView);
  ~CSingleDocTemplate();
  CSingleDocTemplate(const CSingleDocTemplate&) = delete;
  CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

  // Null path: a new document. The first call creates the document, the frame and the view;
  // later calls reuse them. Returns null when nothing was opened.
  CDocument* OpenDocumentFile(const char* path);

  UINT m_resourceId;
  CDocument* m_document = nullptr;

 private:
  DocumentFactory m_newDocument;
  FrameFactory m_newFrame;
  ViewFactory m_newView;
};

// The common file dialog for opening (save false) or saving; offers all files only.
bool PromptForFileName(std::string& path, bool save, const std::string& initialName);
