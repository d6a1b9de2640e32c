// Every loop test runs on the GUI thread with a test clock and a fresh application state.
#pragma once

#include <gtest/gtest.h>

#include "platform/loop/Application.h"

namespace looptest {

class LoopTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
  }
  void TearDown() override {
    rtl::Application->ProcessMessages();
    rtl::Application->OnIdle = nullptr;
    rtl::Application->OnException = nullptr;
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }
  rtl::TTestClock clock{1000.0};
};

}  // namespace looptest
