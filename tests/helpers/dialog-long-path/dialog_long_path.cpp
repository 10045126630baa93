// dialog-long-path.exe LENGTH: the system's open dialog with raw Win32 calls
// alone (none of Zimbrel's code): it opens in a fresh folder of the temporary
// folder, a name is typed that makes the whole path LENGTH characters long,
// and OK is pressed. Prints what the dialog gave back and ends with 0; a crash
// inside the dialog ends it with the exception's code instead.
//
// Wine 10.0's dialog crashes here for 260 characters and more (a null read in
// its own FILEDLG95_OnOpen); Wine 8 and Windows give the path back. The file
// dialog test runs this first to tell that system fault from a fault of ours.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <stdio.h>
#include <stdlib.h>

static char typed[MAX_PATH * 2];
static HHOOK hook;

static BOOL CALLBACK FindNameBox(HWND child, LPARAM found) {
  char cls[16] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (!lstrcmpiA(cls, "Edit") && (GetDlgCtrlID(child) == cmb13 || GetDlgCtrlID(child) == edt1)) *(HWND*)found = child;
  return TRUE;
}

// Once the dialog has settled: type the name and press OK.
static void CALLBACK TypeAndPressOk(HWND dialog, UINT, UINT_PTR id, DWORD) {
  KillTimer(dialog, id);
  HWND nameBox = 0;
  EnumChildWindows(dialog, FindNameBox, (LPARAM)&nameBox);
  if (nameBox) SetWindowTextA(nameBox, typed);
  PostMessageA(dialog, WM_COMMAND, nameBox ? IDOK : IDCANCEL, 0);
}

static LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    char cls[16] = "";
    GetClassNameA((HWND)wParam, cls, sizeof cls);
    if (!lstrcmpA(cls, "#32770")) SetTimer((HWND)wParam, 1, 50, TypeAndPressOk);
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

int main(int argc, char** argv) {
  int length = argc > 1 ? atoi(argv[1]) : 0;
  char folder[MAX_PATH];
  DWORD n = GetTempPathA(MAX_PATH - 40, folder);
  if (!n || n >= MAX_PATH - 40) return 2;
  wsprintfA(folder + n, "dialog-long-path-%lu", GetCurrentProcessId());
  int nameLength = length - lstrlenA(folder) - 1;
  if (!CreateDirectoryA(folder, 0) || nameLength < 5 || nameLength >= (int)sizeof typed) {
    RemoveDirectoryA(folder);
    fprintf(stderr, "usage: dialog-long-path LENGTH (a path length the temporary folder leaves room for)\n");
    return 2;
  }
  FillMemory(typed, nameLength - 4, 'n');
  lstrcpyA(typed + nameLength - 4, ".exe");

  static char buffer[10000];
  OPENFILENAMEA dialog;
  ZeroMemory(&dialog, sizeof dialog);
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  dialog.lpstrFile = buffer;
  dialog.nMaxFile = sizeof buffer;
  dialog.lpstrInitialDir = folder;
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  hook = SetWindowsHookExA(WH_CBT, WatchActivation, 0, GetCurrentThreadId());
  BOOL chosen = GetOpenFileNameA(&dialog);
  UnhookWindowsHookEx(hook);
  RemoveDirectoryA(folder);
  printf("GetOpenFileNameA: %d, %d characters\n", chosen, lstrlenA(buffer));
  return 0;
}
