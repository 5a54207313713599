// A stand-in for an office application, built as WINWORD.EXE: it raises one
// modal dialog and writes to a result file which button was pressed and what
// the edit fields hold, then exits with the pressed button's id.
//
//   WINWORD.EXE word RESULT        "Convert File - WordPerfect 5.x": edit 101, then a
//                                  panel with edit 201 and buttons 202, 203, then OK, Cancel
//   WINWORD.EXE powerpoint RESULT  a frame captioned "... - Microsoft PowerPoint" owning
//                                  a "Password" dialog: edit 101, OK, Cancel
//   WINWORD.EXE msgbox RESULT      a standard Yes/No/Cancel message box
//   WINWORD.EXE hung RESULT        the "word" dialog, after which the application hangs: it
//                                  handles no message for 30 s, then exits; the result file
//                                  says "asked" once a message sent to it waits for an answer
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* g_resultFile = nullptr;
HWND g_panelEdit = nullptr;

void WriteResult(int pressed, const std::string& edit101, const std::string& edit201) {
  if (FILE* f = std::fopen(g_resultFile, "wb")) {
    std::fprintf(f, "pressed=%d\nedit101=%s\nedit201=%s\n", pressed, edit101.c_str(), edit201.c_str());
    std::fclose(f);
  }
}

std::string TextOf(HWND window) {
  if (!window) return {};
  char buffer[256] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

// The panel hands its controls' notifications on to the dialog.
LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) return SendMessageA(GetParent(window), message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND Control(HWND parent, const char* className, const char* caption, int id, int x, int y, int w, int h,
             DWORD style = 0) {
  return CreateWindowExA(0, className, caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const bool withPanel = lParam != 0;
    Control(dialog, "STATIC", "&Password:", -1, 10, 10, 80, 20);
    Control(dialog, "EDIT", "", 101, 100, 10, 150, 22, WS_BORDER | ES_AUTOHSCROLL);
    if (withPanel) {
      HWND panel = CreateWindowExA(WS_EX_CONTROLPARENT, "QuilletPanel", "", WS_CHILD | WS_VISIBLE, 10, 40, 260, 80,
                                   dialog, reinterpret_cast<HMENU>(300), GetModuleHandleA(nullptr), nullptr);
      g_panelEdit = Control(panel, "EDIT", "", 201, 0, 0, 150, 22, WS_BORDER | ES_AUTOHSCROLL);
      Control(panel, "BUTTON", "&Options", 202, 0, 30, 80, 24, BS_PUSHBUTTON);
      Control(panel, "BUTTON", "&Help", 203, 90, 30, 80, 24, BS_PUSHBUTTON);
    }
    Control(dialog, "BUTTON", "OK", IDOK, 10, 130, 80, 24, BS_DEFPUSHBUTTON);
    Control(dialog, "BUTTON", "&Cancel", IDCANCEL, 100, 130, 80, 24, BS_PUSHBUTTON);
    return TRUE;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    const int id = LOWORD(wParam);
    WriteResult(id, TextOf(GetDlgItem(dialog, 101)), TextOf(g_panelEdit));
    EndDialog(dialog, id);
    return TRUE;
  }
  if (message == WM_CLOSE) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

// An in-memory dialog template without items: the controls are made in
// WM_INITDIALOG so that some of them can live inside a panel.
std::vector<WORD> DialogTemplate(const wchar_t* caption) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(t.data());
  header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  header->cdit = 0;
  header->cx = 200;
  header->cy = 110;
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  for (const wchar_t* c = caption; *c; ++c) t.push_back(static_cast<WORD>(*c));
  t.push_back(0);
  return t;
}

int RunDialog(HWND owner, const wchar_t* caption, bool withPanel) {
  const auto t = DialogTemplate(caption);
  return static_cast<int>(DialogBoxIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<const DLGTEMPLATE*>(t.data()), owner, DialogProc, withPanel ? 1 : 0));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 100;
  g_resultFile = argv[2];
  const std::string mode = argv[1];

  WNDCLASSA panelClass{};
  panelClass.lpfnWndProc = PanelProc;
  panelClass.hInstance = GetModuleHandleA(nullptr);
  panelClass.lpszClassName = "QuilletPanel";
  WNDCLASSA frameClass = panelClass;
  frameClass.lpfnWndProc = DefWindowProcA;
  frameClass.lpszClassName = "QuilletFrame";
  if (!RegisterClassA(&panelClass) || !RegisterClassA(&frameClass)) return 101;

  if (mode == "word") return RunDialog(nullptr, L"Convert File - WordPerfect 5.x", true);
  if (mode == "powerpoint") {
    HWND frame =
        CreateWindowExA(0, "QuilletFrame", "Sales.ppt - Microsoft PowerPoint", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                        400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!frame) return 102;
    const int pressed = RunDialog(frame, L"Password", false);
    DestroyWindow(frame);
    return pressed;
  }
  if (mode == "hung") {
    const auto t = DialogTemplate(L"Convert File - WordPerfect 5.x");
    if (!CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<const DLGTEMPLATE*>(t.data()), nullptr,
                                    DialogProc, 1))
      return 104;
    bool asked = false;
    for (int i = 0; i < 3000; ++i) {
      // Looks at the queue without handling anything in it.
      if (!asked && (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0) {
        asked = true;
        if (FILE* f = std::fopen(g_resultFile, "wb")) {
          std::fputs("asked\n", f);
          std::fclose(f);
        }
      }
      Sleep(10);
    }
    return 0;
  }
  if (mode == "msgbox") {
    const int pressed = MessageBoxA(nullptr, "Do you want to save the changes?", "Microsoft Word", MB_YESNOCANCEL);
    WriteResult(pressed, "", "");
    return pressed;
  }
  return 103;
}
