// Unit tests run in-process under Wine, with an application object of their own. The same
// program hosts the dialog for the stage tests: one in-process host of the dialog.
#include <gtest/gtest.h>

#include <string>

#include "Host.h"
#include "framework/WinApp.h"

namespace {
class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return FALSE; }  // the tests host the dialog themselves
} theTestApp;
}  // namespace

int main(int argc, char** argv) {
  theTestApp.Startup();
  theTestApp.Enable3dControls();
  if (argc == 2 && argv[1] == std::string("--stage-host")) return RunStageHost();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
