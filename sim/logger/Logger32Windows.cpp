#include "Logger32Windows.h"

namespace {

constexpr char kFrameClass[] = "ThunderRT6MDIForm";
constexpr char kFrameTitle[] = "Logger32";
constexpr char kFormClass[] = "ThunderRT6FormDC";
constexpr char kPanelClass[] = "ThunderRT6PictureBoxDC";
constexpr char kTextBoxClass[] = "ThunderRT6TextBox";
constexpr int kFirstChildId = 100;
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

// Lays out the panel's children one after another, in the order the reader counts them.
class ChildMaker {
 public:
  explicit ChildMaker(HWND parent) : parent_(parent) {}
  HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int w) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, 20, parent_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_++)),
                           GetModuleHandleA(nullptr), nullptr);
  }
  HWND Box(int x, int y, int w) {
    return Make(kTextBoxClass, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, x, y, w);
  }
  // Labels and other controls the reader steps over.
  void Fillers(int n, int x, int y) {
    for (int i = 0; i < n; ++i) Make("STATIC", "", 0, x + i * 6, y, 4);
  }

 private:
  HWND parent_;
  int id_ = kFirstChildId;
};

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
  ChildMaker inForm(form_);
  inForm.Make("STATIC", "Callsign", 0, 4, 4, 80);
  HWND panel = CreateWindowExA(0, kPanelClass, "", WS_CHILD | WS_VISIBLE, 4, 28, 680, 200, form_, nullptr,
                               instance, nullptr);
  if (panel == nullptr) return false;

  ChildMaker c(panel);
  c.Make("STATIC", "Call", 0, 4, 4, 40);  // not a text box: the call box is the first one
  call_ = c.Box(50, 4, 120);
  c.Fillers(2, 180, 4);
  mode_ = c.Box(200, 4, 80);              // call + 3
  c.Fillers(10, 290, 4);
  report_ = c.Box(50, 40, 50);            // mode + 11
  next_ = c.Box(110, 40, 50);             // report + 1
  exchange_ = c.Box(170, 40, 80);         // report + 2
  keys4_ = c.Box(260, 40, 80);            // exchange + 1
  c.Fillers(2, 350, 40);
  free_ = c.Box(50, 76, 300);             // exchange + 4
  c.Fillers(1, 360, 76);
  further_ = c.Box(380, 76, 80);          // free text + 2
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
