// One application object for the whole test program: started before the first test and ended
// after the last, as the program does.
#include <gtest/gtest.h>

#include "services/toolkit/toolkit.h"

namespace {

class ToolkitEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_NE(rk::tk::StartToolkit(), 0); }
  void TearDown() override { rk::tk::EndToolkit(); }
};

// gtest takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

}  // namespace
