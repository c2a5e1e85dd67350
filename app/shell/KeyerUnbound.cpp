// The keyer binding as it stands while the program is built without the keying-interface
// binding: no library is loaded, so no device is opened (m_device stays -1), the version text
// stays unknown and only the report message is registered. Replaced by the binding in
// app/keyer when that folder's sources.cmake sets TANDEM_KEYER_BINDING.
#include <cstdio>

#include "MainFrame.h"
#include "ShellConstants.h"

void CMainFrame::BindKeyer() {
  m_hKeyport = nullptr;
  m_keyerMsg = ::RegisterWindowMessageA(KEYPORT_REPORT_MESSAGE);
}

void CMainFrame::UnbindKeyer() {
  if (m_hKeyport) {
    ::FreeLibrary(m_hKeyport);
    m_hKeyport = nullptr;
  } else {
    std::fputs(shell::kKeyerLoadError, stdout);
    std::fflush(stdout);
  }
}
