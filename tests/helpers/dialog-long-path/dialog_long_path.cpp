// dialog-long-path.exe LENGTH FOLDER: the system's open dialog with raw Win32
// calls alone (none of Zimbrel's code), as Zimbrel calls it (GetOpenFileNameW):
// it opens in FOLDER, a name is typed that makes the whole path LENGTH
// characters long, and OK is pressed. Prints what the dialog gave back and
// ends with 0; a crash inside the dialog ends it with the exception's code
// instead; 2 when it could not do its job (no such folder, no room for the
// name), which tells nothing about the dialog.
//
// Wine 10.0's dialog crashes here for 260 characters and more (a null read in
// its own FILEDLG95_OnOpen); Wine 8 and Windows give the path back. The file
// dialog test runs this first to tell that system fault from a fault of ours.
// The test makes FOLDER and removes it: a run that crashes leaves nothing of
// its own behind.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <stdio.h>
#include <stdlib.h>

static wchar_t typed[MAX_PATH * 2];
static HHOOK hook;

static BOOL CALLBACK FindNameBox(HWND child, LPARAM found) {
  wchar_t cls[16] = L"";
  GetClassNameW(child, cls, 16);
  if (!lstrcmpiW(cls, L"Edit") && (GetDlgCtrlID(child) == cmb13 || GetDlgCtrlID(child) == edt1)) *(HWND*)found = child;
  return TRUE;
}

// Once the dialog has settled: type the name and press OK.
static void CALLBACK TypeAndPressOk(HWND dialog, UINT, UINT_PTR id, DWORD) {
  KillTimer(dialog, id);
  HWND nameBox = 0;
  EnumChildWindows(dialog, FindNameBox, (LPARAM)&nameBox);
  if (nameBox) SetWindowTextW(nameBox, typed);
  PostMessageW(dialog, WM_COMMAND, nameBox ? IDOK : IDCANCEL, 0);
}

static LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    wchar_t cls[16] = L"";
    GetClassNameW((HWND)wParam, cls, 16);
    if (!lstrcmpW(cls, L"#32770")) SetTimer((HWND)wParam, 1, 50, TypeAndPressOk);
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

int main(int argc, char** argv) {
  int length = argc > 2 ? atoi(argv[1]) : 0;
  wchar_t folder[MAX_PATH] = L"";
  if (argc > 2) MultiByteToWideChar(CP_ACP, 0, argv[2], -1, folder, MAX_PATH);
  DWORD attributes = GetFileAttributesW(folder);
  int nameLength = length - lstrlenW(folder) - 1;
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) || nameLength < 5 ||
      nameLength >= MAX_PATH * 2) {
    fprintf(stderr, "usage: dialog-long-path LENGTH FOLDER (an existing folder that leaves room for the name)\n");
    return 2;
  }
  for (int i = 0; i < nameLength - 4; i++) typed[i] = L'n';
  lstrcpyW(typed + nameLength - 4, L".exe");

  static wchar_t buffer[10000];
  OPENFILENAMEW dialog;
  ZeroMemory(&dialog, sizeof dialog);
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  dialog.lpstrFile = buffer;
  dialog.nMaxFile = sizeof buffer / sizeof buffer[0];
  dialog.lpstrInitialDir = folder;
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  hook = SetWindowsHookExW(WH_CBT, WatchActivation, 0, GetCurrentThreadId());
  BOOL chosen = GetOpenFileNameW(&dialog);
  UnhookWindowsHookEx(hook);
  printf("GetOpenFileNameW: %d, %d characters\n", chosen, lstrlenW(buffer));
  return 0;
}
