// The UI driver's reading of a message box's icon (driver_internal.h): which
// of the system's icons the box shows, judged from the screen's pixels.
#include "tests/ui-driver/driver_internal.h"

#include <algorithm>
#include <cstdio>

// ---- a box's icon -----------------------------------------------------------------------

// Which of the system's icons a box shows is judged by the icon control's
// pixels: the other process's icon handle cannot be compared from here (not
// under Wine), so each candidate is drawn here and compared where it is
// opaque. Pixels say something only when they are the box's own: the reading
// is taken once the box is shown, nothing lies over the icon and the control
// has just been painted again; when that cannot be had, the box's
// iconProblem says why (what covered it, which window).

// The file name of a process's program, "" when it cannot be asked.
static std::string ProgramOf(DWORD processId) {
  std::string name;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return name;
  char path[MAX_PATH * 2] = "";
  DWORD size = sizeof path;
  if (QueryFullProcessImageNameA(process, 0, path, &size)) name = BaseName(path);
  CloseHandle(process);
  return name;
}

// A window as a failure message names it: class, title, process and place.
static std::string Describe(HWND window, DWORD programId) {
  if (!window) return "no window";
  RECT r = {};
  GetWindowRect(window, &r);
  DWORD process = ProcessOf(window);
  return "\"" + ClassOf(window) + "\" \"" + DriverEscape(StoredText(window).substr(0, 40)) + "\" of " +
         (process == programId ? std::string("the program")
                               : "process " + std::to_string(process) + " (" + ProgramOf(process) + ")") +
         " at (" +
         std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

// The first window that lies over part of rect (the icon's, on the screen):
// a visible top-level window above the box in the z-order, or a window other
// than the box that the system finds at one of the rectangle's corners or its
// middle. 0 when nothing covers it.
static HWND CoverOf(HWND box, const RECT& rect) {
  int steps = 0;   // the z-order may change during the walk
  for (HWND w = GetWindow(box, GW_HWNDPREV); w && steps < 4096; w = GetWindow(w, GW_HWNDPREV), steps++) {
    RECT r, overlap;
    if (IsWindowVisible(w) && !IsIconic(w) && GetWindowRect(w, &r) && IntersectRect(&overlap, &r, &rect)) return w;
  }
  const POINT points[] = {{rect.left, rect.top},
                          {rect.right - 1, rect.top},
                          {rect.left, rect.bottom - 1},
                          {rect.right - 1, rect.bottom - 1},
                          {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}};
  for (POINT p : points) {
    HWND at = WindowFromPoint(p);
    if (at && GetAncestor(at, GA_ROOT) != box) return GetAncestor(at, GA_ROOT);
  }
  return 0;
}

// A w x h bitmap of 32-bit pixels, top row first.
static BITMAPINFO TopDownPixels(int w, int h) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  return bi;
}

// The w x h pixels at rect's corner of the screen, top row first.
static std::vector<DWORD> CaptureScreen(const RECT& rect) {
  int w = rect.right - rect.left, h = rect.bottom - rect.top;
  std::vector<DWORD> pixels;
  HDC screen = GetDC(0);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi = TopDownPixels(w, h);
  DWORD* bits = 0;
  HBITMAP bitmap = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, 0, 0) : 0;
  if (bitmap) {
    HGDIOBJ old = SelectObject(dc, bitmap);
    if (BitBlt(dc, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY)) {
      GdiFlush();
      pixels.assign(bits, bits + w * h);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
  }
  if (dc) DeleteDC(dc);
  ReleaseDC(0, screen);
  return pixels;
}

struct IconMatch {
  LONG icon = -1;        // the flag of the system's icon the pixels show, -1 for none
  LONG nearest = -1;     // the candidate that matched best, however poorly
  double share = 0;      // its share of opaque pixels shown alike
};

// Which system icon the w x h pixels show: each candidate is drawn here over
// black and over white, at the control's size both stretched from the
// standard size (as a static control draws it) and in the image nearest that
// size; its opaque pixels (alike on both) must be shown alike, nine in ten.
static IconMatch MatchIcon(const std::vector<DWORD>& shown, int w, int h) {
  IconMatch match;
  BITMAPINFO bi = TopDownPixels(w, h);
  HDC screen = GetDC(0);
  HDC dc = CreateCompatibleDC(screen);
  DWORD *onBlack = 0, *onWhite = 0;
  HBITMAP blackBitmap = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&onBlack, 0, 0) : 0;
  HBITMAP whiteBitmap = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&onWhite, 0, 0) : 0;
  if (dc && blackBitmap && whiteBitmap && shown.size() == (size_t)w * h) {
    HGDIOBJ old = SelectObject(dc, blackBitmap);
    static const struct { LPCSTR id; LONG flag; } icons[] = {
        {IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION},
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_ASTERISK, MB_ICONASTERISK}};
    RECT all = {0, 0, w, h};
    for (const auto& candidate : icons) {
      const HICON images[] = {LoadIconA(0, candidate.id),
                              (HICON)LoadImageA(0, candidate.id, IMAGE_ICON, w, h, LR_SHARED)};
      for (HICON icon : images) {
        if (!icon) continue;
        SelectObject(dc, blackBitmap);
        FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
        DrawIconEx(dc, 0, 0, icon, w, h, 0, 0, DI_NORMAL);
        SelectObject(dc, whiteBitmap);
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
        DrawIconEx(dc, 0, 0, icon, w, h, 0, 0, DI_NORMAL);
        GdiFlush();
        int opaque = 0, same = 0;
        for (int i = 0; i < w * h; i++) {
          if ((onBlack[i] & 0xFFFFFF) != (onWhite[i] & 0xFFFFFF)) continue;
          opaque++;
          DWORD a = onBlack[i], b = shown[i];
          int difference = 0;
          for (int shift = 0; shift < 24; shift += 8)
            difference = std::max(difference, std::abs((int)((a >> shift) & 255) - (int)((b >> shift) & 255)));
          if (difference <= 24) same++;
        }
        double share = opaque > w * h / 8 ? (double)same / opaque : 0;
        if (share > match.share) {
          match.share = share;
          match.nearest = candidate.flag;
          match.icon = share > 0.9 ? candidate.flag : -1;
        }
      }
    }
    SelectObject(dc, old);
  }
  if (blackBitmap) DeleteObject(blackBitmap);
  if (whiteBitmap) DeleteObject(whiteBitmap);
  if (dc) DeleteDC(dc);
  ReleaseDC(0, screen);
  return match;
}

// How pixels look, for a failure message: their commonest colour and its share.
static std::string PixelSummary(const std::vector<DWORD>& pixels) {
  if (pixels.empty()) return "none could be read";
  std::vector<DWORD> sorted(pixels);
  for (DWORD& p : sorted) p &= 0xFFFFFF;
  std::sort(sorted.begin(), sorted.end());
  DWORD commonest = sorted[0];
  size_t best = 0;
  for (size_t i = 0, j; i < sorted.size(); i = j) {
    for (j = i; j < sorted.size() && sorted[j] == sorted[i]; j++) {}
    if (j - i > best) best = j - i, commonest = sorted[i];
  }
  char text[64];
  snprintf(text, sizeof text, "#%06lX in %u of %u", (unsigned long)commonest, (unsigned)best, (unsigned)pixels.size());
  return text;
}

// Has the box's thread paint the icon control again, as UpdateWindow would:
// the control is invalidated, then sent WM_PAINT (with a time-out, so a hung
// box cannot hold the driver). When the message returns, the control has
// drawn itself; true then.
static bool Repaint(HWND control) {
  RedrawWindow(control, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(control, WM_PAINT, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

// How long a window over the icon is waited for to close or go below: the
// console of a packer that has ended may take seconds to show and close
// again under Wine 10, the more so on a loaded machine.
static const DWORD COVER_WAIT_MS = 20000;
// How long a shown, uncovered, repainted icon is looked at until its pixels
// match (a repaint may reach the screen a moment after it was made).
static const DWORD PAINT_WAIT_MS = 1500;

// Reads the box's icon into box->icon, or -1 with box->iconProblem saying why.
void ReadIcon(HWND box, HWND control, DriverBox* out) {
  const DWORD programId = ProcessOf(box);
  std::string problem;
  std::vector<DWORD> pixels;
  IconMatch match;
  int w = 0, h = 0;
  DWORD raisedAt = 0;
  DWORD start = GetTickCount(), uncoveredSince = 0;
  for (;;) {
    DWORD now = GetTickCount();
    if (now - start >= COVER_WAIT_MS || (uncoveredSince && now - uncoveredSince >= PAINT_WAIT_MS)) break;
    if (!IsWindow(box)) {
      problem = "the box went away while its icon was read";
      break;
    }
    // A box without an icon keeps its icon control, hidden.
    if (IsWindowVisible(box) && !(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE)) {
      out->icon = 0;
      out->iconProblem.clear();
      return;
    }
    RECT r;
    if (!IsWindowVisible(control) || !GetWindowRect(control, &r)) {
      problem = "the box is not shown";
      uncoveredSince = 0;
      Sleep(10);
      continue;
    }
    w = r.right - r.left;
    h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || w > 256 || h > 256) {
      problem = "the icon control is " + std::to_string(w) + "x" + std::to_string(h) + " pixels";
      break;
    }
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, inside;
    if (!IntersectRect(&inside, &r, &screen) || !EqualRect(&inside, &r)) {
      problem = "the icon lies partly off the screen";
      break;
    }
    if (HWND cover = CoverOf(box, r)) {
      problem = "the icon was covered by " + Describe(cover, programId);
      uncoveredSince = 0;
      // A window of the program itself (its main window, disabled under a
      // box it shows without an owner, brought to the front) stays over the
      // box: a person clicks the box to bring it up, and so does this (again
      // each second, should the system have let the request go). A window
      // of another process (a packer's console) is waited for.
      if (ProcessOf(cover) == programId && (!raisedAt || now - raisedAt >= 1000)) {
        raisedAt = now ? now : 1;
        SetForegroundWindow(box);
      }
      Sleep(10);
      continue;
    }
    if (!uncoveredSince) uncoveredSince = now;
    if (!Repaint(control)) {
      problem = "the box did not repaint its icon (its program does not answer)";
      Sleep(10);
      continue;
    }
    // Nothing may have come over the icon between the look and the capture.
    pixels = CaptureScreen(r);
    if (CoverOf(box, r)) continue;
    match = MatchIcon(pixels, w, h);
    if (match.icon != -1) {
      out->icon = match.icon;
      out->iconProblem.clear();
      return;
    }
    problem = "the icon's " + std::to_string(w) + "x" + std::to_string(h) +
              " pixels, shown uncovered and repainted, match none of the system's icons (nearest: " +
              std::to_string(match.nearest) + ", " + std::to_string((int)(match.share * 100)) +
              "% of its opaque pixels alike; commonest colour " + PixelSummary(pixels) + ")";
    Sleep(10);
  }
  out->icon = -1;
  out->iconProblem = problem + " (looked at for " + std::to_string(GetTickCount() - start) + " ms)";
}
