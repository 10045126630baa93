// The real program's start-up for the app-window test program: AppStartUp once
// before its first test and AppShutDown after its last (the runtime starts once
// in a process), whichever of its tests run.
#pragma once
#include <gtest/gtest.h>

#include "app/main_window.h"

class AppWindowEnvironment : public testing::Environment {
 public:
  static bool& Started() {
    static bool started;
    return started;
  }
  void SetUp() override { Started() = AppStartUp(); }
  void TearDown() override { AppShutDown(); }
};
