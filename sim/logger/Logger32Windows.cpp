#include "Logger32Windows.h"

namespace {

constexpr char kFrameClass[] = "ThunderRT6MDIForm";
constexpr char kFrameTitle[] = "Logger32";
constexpr char kFormClass[] = "ThunderRT6FormDC";
constexpr char kPanelClass[] = "ThunderRT6PictureBoxDC";
constexpr char kTextBoxClass[] = "ThunderRT6TextBox";
constexpr UINT kFirstMdiChildId = 50000;

HWND g_client = nullptr;  // the frame's MDI client, for the frame's default handling
WNDPROC g_editProc = nullptr;

LRESULT CALLBACK TextBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(g_editProc, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    CLIENTCREATESTRUCT ccs = {};
    ccs.idFirstChild = kFirstMdiChildId;
    g_client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                               WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 0, 0, hwnd, nullptr,
                               GetModuleHandleA(nullptr), &ccs);
    return g_client != nullptr ? 0 : -1;
  }
  if (msg == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefFrameProcA(hwnd, g_client, msg, wParam, lParam);
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

bool Logger32Windows::RegisterClasses(HINSTANCE instance) {
  return standin::RegisterSuperclass(instance, "EDIT", kTextBoxClass, TextBoxProc, g_editProc) &&
         standin::RegisterForm(instance, kFrameClass, FrameProc) &&
         standin::RegisterForm(instance, kFormClass, FormProc) &&
         standin::RegisterForm(instance, kPanelClass, DefWindowProcA);
}

bool Logger32Windows::Create(HINSTANCE instance) {
  frame_ = CreateWindowExA(0, kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                           100, 60, 760, 460, nullptr, nullptr, instance, nullptr);
  if (frame_ == nullptr) return false;
  client_ = g_client;
  form_ = CreateMDIWindowA(kFormClass, "Logging", WS_VISIBLE, 0, 0, 700, 300, client_, instance, 0);
  if (form_ == nullptr) return false;

  // A label with a title comes first: the panel is the first child without one.
  standin::ChildMaker inForm(form_, kTextBoxClass);
  inForm.Make("STATIC", "Callsign", 0, 4, 4, 80);
  HWND panel = CreateWindowExA(0, kPanelClass, "", WS_CHILD | WS_VISIBLE, 4, 28, 680, 200, form_, nullptr,
                               instance, nullptr);
  if (panel == nullptr) return false;

  standin::ChildMaker c(panel, kTextBoxClass);
  c.Make("STATIC", "Call", 0, 4, 4, 40);  // not a text box: the call box is the first one
  call_ = c.TextBox(50, 4, 120);
  c.Fillers(2, 180, 4);
  mode_ = c.TextBox(200, 4, 80);              // call + 3
  c.Fillers(10, 290, 4);
  report_ = c.TextBox(50, 40, 50);            // mode + 11
  next_ = c.TextBox(110, 40, 50);             // report + 1
  exchange_ = c.TextBox(170, 40, 80);         // report + 2
  keys4_ = c.TextBox(260, 40, 80);            // exchange + 1
  c.Fillers(2, 350, 40);
  free_ = c.TextBox(50, 76, 300);             // exchange + 4
  c.Fillers(1, 360, 76);
  further_ = c.TextBox(380, 76, 80);          // free text + 2
  return true;
}

bool Logger32Windows::RemoveEntry() {
  if (form_ == nullptr) return false;
  SendMessageA(client_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(form_), 0);
  form_ = call_ = mode_ = report_ = next_ = exchange_ = keys4_ = free_ = further_ = nullptr;
  return true;
}

HWND Logger32Windows::BoxByName(const char* name) const { return standin::BoxNamed(Boxes(), name); }

loggersim::Box Logger32Windows::BoxOf(HWND w) const {
  const loggersim::Box box = standin::BoxOfWindow(Boxes(), w);
  if (box != loggersim::kBoxOther || w == nullptr) return box;
  if (w == frame_ || IsChild(frame_, w)) return loggersim::kBoxEntry;
  return loggersim::kBoxOther;
}

std::vector<standin::NamedBox> Logger32Windows::Boxes() const {
  return {{"call", loggersim::kBoxCall, call_},         {"mode", loggersim::kBoxMode, mode_},
          {"report", loggersim::kBoxReport, report_},   {"next", loggersim::kBoxNext, next_},
          {"exchange", loggersim::kBoxExchange, exchange_}, {"keys4", loggersim::kBoxKeys4, keys4_},
          {"free", loggersim::kBoxFree, free_},         {"further", loggersim::kBoxFurther, further_}};
}
