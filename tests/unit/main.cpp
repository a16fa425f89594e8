// Unit tests run in-process under Wine, with an application object of their own.
#include <gtest/gtest.h>

#include "support/TestApp.h"

namespace {
CTestApp theTestApp;
}

int main(int argc, char** argv) {
  theTestApp.Startup();
  theTestApp.Enable3dControls();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
