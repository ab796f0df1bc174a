// main of every Wine test program: a child scenario when asked for one, else
// the GoogleTest run.
#include <gtest/gtest.h>

#include "child_process.h"

int main(int argc, char** argv) {
  int exitCode = 0;
  if (RunChildScenarioFromArguments(&exitCode)) return exitCode;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
