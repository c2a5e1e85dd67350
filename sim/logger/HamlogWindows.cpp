#include "HamlogWindows.h"

namespace {

constexpr char kMainFormClass[] = "TForm_A";
constexpr char kInputFormClass[] = "TInputForm";
constexpr char kEditClass[] = "TEdit";
constexpr char kButtonClass[] = "TButton";
constexpr char kCheckClass[] = "TCheckBox";

WNDPROC g_editProc = nullptr;
WNDPROC g_buttonProc = nullptr;

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(g_editProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(g_buttonProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

bool HamlogWindows::RegisterClasses(HINSTANCE instance) {
  using standin::RegisterSuperclass;
  return RegisterSuperclass(instance, "EDIT", kEditClass, EditProc, g_editProc) &&
         RegisterSuperclass(instance, "BUTTON", kButtonClass, ButtonProc, g_buttonProc) &&
         // A check box is a button with a style of its own; the same window procedure serves.
         RegisterSuperclass(instance, "BUTTON", kCheckClass, ButtonProc, g_buttonProc) &&
         standin::RegisterForm(instance, kMainFormClass, FormProc) &&
         standin::RegisterForm(instance, kInputFormClass, FormProc);
}

bool HamlogWindows::Create(HINSTANCE instance) {
  main_ = CreateWindowExA(0, kMainFormClass, "Turbo HAMLOG/Win", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                          40, 700, 300, nullptr, nullptr, instance, nullptr);
  input_ = CreateWindowExA(0, kInputFormClass, "Input", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 380, 640,
                           180, nullptr, nullptr, instance, nullptr);
  if (main_ == nullptr || input_ == nullptr) return false;
  // The main form has children of its own, but no save button.
  standin::ChildMaker m(main_, kEditClass);
  m.Label("Log", 4, 4, 40);
  m.TextBox(50, 4, 200);
  m.Make(kButtonClass, "&Find", WS_TABSTOP, 260, 4, 70);

  return MakeInputChildren();
}

bool HamlogWindows::MakeInputChildren() {
  standin::ChildMaker c(input_, kEditClass);
  HWND check = c.Make(kCheckClass, "Bank", BS_AUTOCHECKBOX | WS_TABSTOP, 540, 120, 80);
  checkId_ = GetDlgCtrlID(check);
  c.Label("Rmks", 4, 120, 40);
  c.Make(kButtonClass, "&Clear", WS_TABSTOP, 380, 120, 70);  // a button, but not the save button
  save_ = c.Make(kButtonClass, "&Save", WS_TABSTOP, 460, 120, 70);
  free_ = c.TextBox(50, 120, 320);        // save + 1
  c.Label("Code", 4, 92, 40);
  keys4_ = c.TextBox(50, 92, 60);         // free text + 2: the logger's own function keys
  exchange_ = c.TextBox(120, 92, 80);     // free text + 3
  c.Label("QTH", 210, 92, 30);
  c.Label("", 240, 92, 4);
  keys7_ = c.TextBox(250, 92, 80);        // exchange + 3: the logger's own function keys too
  mode_ = c.TextBox(340, 92, 60);         // exchange + 4
  c.Label("Freq", 410, 92, 30);
  further_ = c.TextBox(450, 92, 80);      // mode + 2
  report_ = c.TextBox(220, 4, 60);        // mode + 3
  c.Label("His", 180, 4, 30);
  c.Label("My", 290, 4, 30);
  call_ = c.TextBox(50, 4, 120);          // report + 3
  c.Label("Call", 4, 4, 40);
  c.TextBox(330, 4, 60);                  // more boxes follow that the reader does not count
  return check != nullptr && call_ != nullptr;
}

bool HamlogWindows::RebuildInput() {
  if (input_ == nullptr) return false;
  while (HWND child = GetWindow(input_, GW_CHILD)) DestroyWindow(child);
  return MakeInputChildren();
}

bool HamlogWindows::SetSaveTitle(const char* title) {
  return save_ != nullptr && SetWindowTextA(save_, title) != FALSE;
}

HWND HamlogWindows::BoxByName(const char* name) const { return standin::BoxNamed(Boxes(), name); }

loggersim::Box HamlogWindows::BoxOf(HWND w) const {
  const loggersim::Box box = standin::BoxOfWindow(Boxes(), w);
  if (box != loggersim::kBoxOther || w == nullptr) return box;
  if (w == input_ || IsChild(input_, w)) return loggersim::kBoxEntry;
  if (w == main_) return loggersim::kBoxSecondForm;
  return loggersim::kBoxOther;
}

std::vector<standin::NamedBox> HamlogWindows::Boxes() const {
  return {{"call", loggersim::kBoxCall, call_},         {"report", loggersim::kBoxReport, report_},
          {"mode", loggersim::kBoxMode, mode_},         {"exchange", loggersim::kBoxExchange, exchange_},
          {"free", loggersim::kBoxFree, free_},         {"keys4", loggersim::kBoxKeys4, keys4_},
          {"keys7", loggersim::kBoxKeys7, keys7_},      {"further", loggersim::kBoxFurther, further_}};
}
