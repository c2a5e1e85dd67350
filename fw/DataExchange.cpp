#include "DataExchange.h"

#include <commctrl.h>

#include <cstdio>

#include "App.h"
#include "DataParse.h"
#include "FrameWnd.h"
#include "FwIds.h"

namespace {

// A number shown by `format`; read back through `parse`, whose refusal fails with message
// `refusal`.
template <typename Number, typename Format, typename Parse>
void ExchangeNumber(CDataExchange& dx, int id, Number& value, Format format, Parse parse,
                    UINT refusal) {
  if (dx.Failed()) return;
  HWND control = dx.PrepareCtrl(id);
  if (!dx.m_bSaveAndValidate) {
    ::SetWindowTextA(control, format(value).c_str());
    return;
  }
  if (const std::optional<Number> parsed = parse(CWnd::TextOf(control))) {
    value = *parsed;
  } else {
    dx.Fail(LoadResString(refusal));
  }
}

// A state the control gives for message `get` and takes with message `set`: as its wParam (a
// check box) or, `inLParam`, as its lParam beside a redraw flag (a slider).
void ExchangeState(CDataExchange& dx, int id, int& value, UINT get, UINT set, bool inLParam) {
  if (dx.Failed()) return;
  HWND control = dx.PrepareCtrl(id);
  if (dx.m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageA(control, get, 0, 0));
  } else {
    ::SendMessageA(control, set, inLParam ? TRUE : static_cast<WPARAM>(value), inLParam ? value : 0);
  }
}

bool IsEdit(HWND control) {
  char cls[16] = "";
  ::GetClassNameA(control, cls, sizeof(cls));
  return ::lstrcmpiA(cls, "Edit") == 0;
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int id) {
  m_lastControl = id;
  return ::GetDlgItem(m_hDlg, id);
}

void CDataExchange::Fail(const std::string& message) {
  if (m_failed) return;
  m_failed = true;
  const CWinApp* app = CWinApp::Current();
  const std::string caption = app ? app->m_appName : std::string();
  // Owned by the window the dialog belongs to (the sheet for a page), so that it stays modal.
  HWND owner = ::GetAncestor(m_hDlg, GA_ROOT);
  CModalScope modal;
  ::MessageBoxA(owner, message.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
  HWND control = ::GetDlgItem(m_hDlg, m_lastControl);
  if (control) {
    ::SetFocus(control);
    if (IsEdit(control)) ::SendMessageA(control, EM_SETSEL, 0, -1);
  }
}

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
  if (dx.Failed()) return;
  HWND control = dx.PrepareCtrl(id);
  if (dx.m_bSaveAndValidate) {
    value = CWnd::TextOf(control);
  } else {
    ::SetWindowTextA(control, value.c_str());
  }
}

void DDX_Text(CDataExchange& dx, int id, std::uint32_t& value) {
  ExchangeNumber(dx, id, value, tandem::text::FormatUnsigned, tandem::text::ParseUnsigned, FW_IDP_PARSE_UINT);
}

void DDX_Text(CDataExchange& dx, int id, float& value) {
  ExchangeNumber(dx, id, value, tandem::text::FormatReal, tandem::text::ParseReal, FW_IDP_PARSE_REAL);
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
  ExchangeState(dx, id, value, BM_GETCHECK, BM_SETCHECK, false);
}

void DDX_Slider(CDataExchange& dx, int id, int& value) {
  ExchangeState(dx, id, value, TBM_GETPOS, TBM_SETPOS, true);
}

void DDV_MinMaxUInt(CDataExchange& dx, std::uint32_t value, std::uint32_t low,
                    std::uint32_t high) {
  if (dx.Failed() || !dx.m_bSaveAndValidate) return;
  if (value >= low && value <= high) return;
  char lowText[16];
  char highText[16];
  std::snprintf(lowText, sizeof(lowText), "%lu", static_cast<unsigned long>(low));
  std::snprintf(highText, sizeof(highText), "%lu", static_cast<unsigned long>(high));
  dx.Fail(tandem::text::FormatLimits(LoadResString(FW_IDP_PARSE_INT_RANGE), lowText, highText));
}

void DDV_MinMaxFloat(CDataExchange& dx, float value, float low, float high) {
  if (dx.Failed() || !dx.m_bSaveAndValidate) return;
  if (value >= low && value <= high) return;
  dx.Fail(tandem::text::FormatLimits(LoadResString(FW_IDP_PARSE_REAL_RANGE), tandem::text::FormatReal(low),
                           tandem::text::FormatReal(high)));
}

void DDV_MaxChars(CDataExchange& dx, const std::string& value, int count) {
  if (dx.Failed()) return;
  if (!dx.m_bSaveAndValidate) {
    ::SendMessageA(::GetDlgItem(dx.m_hDlg, dx.LastControl()), EM_LIMITTEXT, count, 0);
    return;
  }
  if (value.size() <= static_cast<size_t>(count)) return;
  char countText[16];
  std::snprintf(countText, sizeof(countText), "%d", count);
  dx.Fail(tandem::text::FormatLimits(LoadResString(FW_IDP_PARSE_STRING_SIZE), countText, ""));
}
