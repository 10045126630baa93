// The UI driver's message boxes (driver.h): found, read (caption, text,
// buttons, and the icon through driver_icon.cpp), waited for and answered.
#include "tests/ui-driver/driver_internal.h"

#include <algorithm>

int DriverCountBoxes(const DriverApp* app) { return (int)DialogsOf(app->processId, true).size(); }

bool DriverReadBox(HWND handle, DriverBox* box) {
  if (!IsWindow(handle)) return Fail("the message box is gone");
  DialogParts parts = PartsOf(handle);
  box->handle = handle;
  box->owner = GetWindow(handle, GW_OWNER);
  box->caption = StoredText(handle);
  box->text.clear();
  for (HWND s : parts.statics) {
    std::string text = StoredText(s);
    if (!text.empty()) {
      box->text = text;
      break;
    }
  }
  std::sort(parts.buttons.begin(), parts.buttons.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  box->buttons.clear();
  for (HWND b : parts.buttons) box->buttons.push_back(StoredText(b));
  box->icon = 0;
  box->iconProblem.clear();
  if (parts.icon) ReadIcon(handle, parts.icon, box);
  return true;
}

HWND DriverFindBox(const DriverApp* app, DWORD timeoutMs) {
  HWND found = 0;
  WaitFor([&] {
    std::vector<HWND> boxes = DialogsOf(app->processId, true);
    found = boxes.empty() ? 0 : boxes[0];
    return found != 0;
  }, timeoutMs);
  if (!found) Fail("no message box appeared; " + lastClick);
  return found;
}

bool DriverWaitBox(const DriverApp* app, DWORD timeoutMs, DriverBox* box) {
  HWND found = 0;
  if (!WaitFor([&] {
        std::vector<HWND> boxes = DialogsOf(app->processId, true);
        found = boxes.empty() ? 0 : boxes[0];
        return found != 0;
      }, timeoutMs))
    return Fail("no message box appeared; " + lastClick);
  return DriverReadBox(found, box);
}

bool DriverAnswerBox(HWND handle, int id, DWORD timeoutMs) { return PressDialogButton(handle, id, timeoutMs); }
