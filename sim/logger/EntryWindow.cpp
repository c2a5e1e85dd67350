#include "EntryWindow.h"

namespace {

constexpr char kFormClass[] = "ThunderRT6FormDC";
constexpr char kTextBoxClass[] = "ThunderRT6TextBox";
constexpr char kFrameClass[] = "ThunderRT6Frame";
constexpr int kCheckChild = 26;
constexpr int kFirstContainer = 10;
constexpr int kSecondContainer = 14;
constexpr int kFirstChildId = 100;

WNDPROC g_editProc = nullptr;

LRESULT CALLBACK TextBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(g_editProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
           int id) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), nullptr);
}

HWND TextBox(HWND parent, int x, int y, int w, int id) {
  return Child(parent, kTextBoxClass, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_UPPERCASE, x,
               y, w, 20, id);
}

}  // namespace

bool EntryWindow::RegisterClasses(HINSTANCE instance) {
  // The logger's text boxes are edit controls under a class name of their own.
  return standin::RegisterSuperclass(instance, "EDIT", kTextBoxClass, TextBoxProc, g_editProc) &&
         standin::RegisterForm(instance, kFormClass, FormProc) &&
         standin::RegisterForm(instance, kFrameClass, DefWindowProcA);
}

bool EntryWindow::Create(HINSTANCE instance, const EntryLayout& layout) {
  // Left 120, bottom 560: the window of the record examples.
  hwnd_ = CreateWindowExA(0, kFormClass, "Entry Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120,
                          400, 640, 160, nullptr, nullptr, instance, nullptr);
  if (hwnd_ == nullptr) return false;

  // Children are created in z-order from the first to the last, as the reader counts them.
  for (int i = 0; i < layout.children; ++i) {
    const int id = kFirstChildId + i;
    const int x = 4 + (i % 10) * 62, y = 4 + (i / 10) * 4;
    if (i == kCheckChild) {
      HWND check = Child(hwnd_, "BUTTON", "Run", BS_AUTOCHECKBOX | WS_TABSTOP, 540, 120, 80, 20, id);
      checkId_ = GetDlgCtrlID(check);
    } else if (layout.containers && i == kFirstContainer) {
      // Anchor box, then the report two steps on, the exchange nine, the free text eleven.
      HWND frame = Child(hwnd_, kFrameClass, "", 0, 4, 40, 630, 30, id);
      Child(frame, "STATIC", "Snt", 0, 0, 0, 30, 20, 1);
      anchor_ = TextBox(frame, 30, 4, 40, 2);
      for (int step = 1; step <= 12; ++step) {
        const int sx = 30 + step * 46;
        const int sid = 2 + step;
        if (step == 2) {
          report_ = TextBox(frame, sx, 4, 44, sid);
        } else if (step == 9) {
          exchange_ = TextBox(frame, sx, 4, 44, sid);
        } else if (step == 11) {
          free_ = TextBox(frame, sx, 4, 44, sid);
        } else if (step % 2 == 0) {
          TextBox(frame, sx, 4, 44, sid);
        } else {
          Child(frame, "STATIC", "", 0, sx, 4, 44, 20, sid);
        }
      }
    } else if (layout.containers && i == kSecondContainer) {
      HWND frame = Child(hwnd_, kFrameClass, "", 0, 4, 74, 300, 30, id);
      Child(frame, "STATIC", "Call", 0, 0, 4, 30, 20, 1);
      call_ = TextBox(frame, 34, 4, 120, 2);
    } else {
      Child(hwnd_, "STATIC", "", 0, x, y, 2, 2, id);
    }
  }
  return true;
}

bool EntryWindow::CreateSecondForm(HINSTANCE instance) {
  second_ = CreateWindowExA(0, kFormClass, "Bandmap", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 100,
                            300, 200, nullptr, nullptr, instance, nullptr);
  if (second_ == nullptr) return false;
  for (int i = 0; i < 5; ++i) Child(second_, "STATIC", "", 0, 4, 4 + i * 20, 100, 18, 200 + i);
  return true;
}

HWND EntryWindow::BoxByName(const char* name) const { return standin::BoxNamed(Boxes(), name); }

loggersim::Box EntryWindow::BoxOf(HWND w) const {
  const loggersim::Box box = standin::BoxOfWindow(Boxes(), w);
  if (box != loggersim::kBoxOther || w == nullptr) return box;
  if (w == hwnd_ || IsChild(hwnd_, w)) return loggersim::kBoxEntry;
  if (second_ != nullptr && (w == second_ || IsChild(second_, w))) return loggersim::kBoxSecondForm;
  return loggersim::kBoxOther;
}

std::vector<standin::NamedBox> EntryWindow::Boxes() const {
  return {{"call", loggersim::kBoxCall, call_},
          {"report", loggersim::kBoxReport, report_},
          {"exchange", loggersim::kBoxExchange, exchange_},
          {"free", loggersim::kBoxFree, free_},
          {"anchor", loggersim::kBoxAnchor, anchor_}};
}
