// The dialogs of core/OpenDialog.h as real modal windows: made from an
// in-memory template on a thread of their own, so that the thread serving the
// automation call stays inside the call until the dialog has ended, as the
// applications' own prompts keep their open waiting.
#include <windows.h>

#include <thread>
#include <vector>

#include "core/OpenDialog.h"
#include "platform/unique_any.h"
#include "utilities/Strings.h"

namespace quillet::doubles {

namespace {

using UniqueWindow = os::UniqueAny<HWND, &::DestroyWindow>;

constexpr UINT_PTR kTimeoutTimer = 1;
constexpr int kEditId = 100;
constexpr const char* kFrameClass = "QuilletDoubleFrame";

struct Button {
  int id;
  const char* caption;
};

struct DialogLayout {
  std::string caption;
  bool edit = false;
  std::vector<Button> buttons;  // in the order the dialog's children are made
  std::string frameCaption;     // not empty: a frame window owns the dialog
};

// What the dialog's thread shares with its window procedure.
struct DialogRun {
  const DialogLayout* layout;
  UINT timeoutMs;
  DialogOutcome outcome;
};

HWND Control(HWND parent, const char* className, const char* caption, int id, int x, int y, int w, int h, DWORD style) {
  return ::CreateWindowExA(0, className, caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
}

std::string CaptionOf(HWND window) {
  char text[256] = {};
  if (window) ::GetWindowTextA(window, text, sizeof text);
  return text;
}

void End(HWND dialog, INT_PTR result) {
  ::KillTimer(dialog, kTimeoutTimer);
  ::EndDialog(dialog, result);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* run = reinterpret_cast<DialogRun*>(::GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      run = reinterpret_cast<DialogRun*>(lParam);
      ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      if (run->layout->edit) Control(dialog, "EDIT", "", kEditId, 10, 10, 200, 22, WS_BORDER | ES_AUTOHSCROLL);
      const auto& buttons = run->layout->buttons;
      for (size_t i = 0; i < buttons.size(); ++i)
        Control(dialog, "BUTTON", buttons[i].caption, buttons[i].id, 10 + 90 * static_cast<int>(i), 44, 80, 24,
                i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      ::SetTimer(dialog, kTimeoutTimer, run->timeoutMs, nullptr);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam != kTimeoutTimer || !run) break;
      run->outcome.timedOut = true;
      End(dialog, 0);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED || !run) break;
      // Enter and Escape arrive as IDOK and IDCANCEL without a control when
      // the dialog has no such button: closed, not pressed.
      run->outcome.pressed = CaptionOf(::GetDlgItem(dialog, LOWORD(wParam)));
      End(dialog, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      End(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

// A dialog template without items (the controls are made in WM_INITDIALOG).
std::vector<WORD> Template(const std::string& caption) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(t.data());
  header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  header->cx = 200;
  header->cy = 60;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  for (unsigned char c : caption) t.push_back(c);
  t.push_back(0);
  return t;
}

// The dialog's thread: the frame (if any), the dialog, and its modal loop.
bool Run(DialogRun& run) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  UniqueWindow frame;
  if (!run.layout->frameCaption.empty()) {
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = ::DefWindowProcA;
    frameClass.hInstance = instance;
    frameClass.lpszClassName = kFrameClass;
    ::RegisterClassA(&frameClass);  // fails harmlessly once it is registered
    frame.reset(::CreateWindowExA(0, kFrameClass, run.layout->frameCaption.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                  0, 400, 300, nullptr, nullptr, instance, nullptr));
    if (!frame) return false;
  }
  const std::vector<WORD> t = Template(run.layout->caption);
  return ::DialogBoxIndirectParamA(instance, reinterpret_cast<const DLGTEMPLATE*>(t.data()), frame.get(), DialogProc,
                                   reinterpret_cast<LPARAM>(&run)) != -1;
}

std::optional<DialogLayout> LayoutOf(AppKind app, const std::string& kind, const std::string& fileName) {
  DialogLayout layout;
  if (app == AppKind::Word && SameText(kind, "WordPerfect")) {
    layout.caption = "Convert File - WordPerfect 5.x";
    layout.edit = true;
    layout.buttons = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
  } else if (app == AppKind::Excel && SameText(kind, "Microsoft Visual Basic")) {
    layout.caption = "Microsoft Visual Basic";
    layout.buttons = {{101, "Continue"}, {102, "End"}, {103, "Debug"}};
  } else if (app == AppKind::PowerPoint && SameText(kind, "Password")) {
    layout.caption = "Password";
    layout.edit = true;
    layout.buttons = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    layout.frameCaption = fileName + " - Microsoft PowerPoint";
  } else {
    return std::nullopt;
  }
  return layout;
}

}  // namespace

std::optional<DialogOutcome> RaiseOpenDialog(AppKind app, const std::string& kind, const std::string& fileName,
                                             int32_t timeoutMs) {
  const std::optional<DialogLayout> layout = LayoutOf(app, kind, fileName);
  if (!layout) return std::nullopt;
  DialogRun run{&*layout, static_cast<UINT>(timeoutMs > 0 ? timeoutMs : 0), {}};
  run.outcome.caption = layout->caption;
  bool shown = false;
  std::thread([&] { shown = Run(run); }).join();
  if (!shown) return std::nullopt;
  return run.outcome;
}

}  // namespace quillet::doubles
