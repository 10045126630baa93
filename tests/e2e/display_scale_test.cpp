// The program's window at the display scales Windows offers (125%, 150%,
// 200%): the app-window test program, which starts as zimbrel.exe starts and
// carries its manifest, is run again with the display's DPI (the prefix's
// LogPixels) set to each, and checks its window there.
#include "tests/e2e/program_fixture.h"

namespace {

// The display's DPI for the programs started while it lives; the value there
// before is put back at the end.
class DisplayDpi {
 public:
  explicit DisplayDpi(DWORD dpi) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, 0, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, 0, &key_,
                    0);
    DWORD size = sizeof before_;
    had_ = RegQueryValueExA(key_, "LogPixels", 0, 0, (BYTE*)&before_, &size) == ERROR_SUCCESS;
    set_ = RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, (const BYTE*)&dpi, sizeof dpi) == ERROR_SUCCESS;
  }
  ~DisplayDpi() {
    if (had_) RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, (const BYTE*)&before_, sizeof before_);
    else RegDeleteValueA(key_, "LogPixels");
    RegCloseKey(key_);
  }
  bool set() const { return set_; }

 private:
  HKEY key_ = 0;
  DWORD before_ = 0;
  bool had_ = false, set_ = false;
};

TEST(DisplayScale, AtEachScaleTheWindowIsScaledWholeAndItsTextsFit) {
  for (DWORD dpi : {120, 144, 192}) {
    SCOPED_TRACE(std::to_string(dpi) + " DPI");
    DisplayDpi display(dpi);
    ASSERT_TRUE(display.set());
    SetEnvironmentVariableA("ZIMBREL_EXPECT_DPI", std::to_string(dpi).c_str());
    std::string output;
    long code = RunAndWait("\"" + BuildDir() + "\\test_app_window.exe\" --gtest_filter=WindowScale.At*", 60000,
                           &output);
    SetEnvironmentVariableA("ZIMBREL_EXPECT_DPI", 0);
    EXPECT_EQ(code, 0) << output;
  }
}

}  // namespace
