// The two ways the sort tests run a member: through the built server (parallel only above 2048 elements),
// and through an object of the server's own library with the parallel path forced from two elements on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "toolbox/parallel_sort.h"
#include "test_support.h"
#include "toolbox/vba.h"

namespace korvel::test {

struct Runner {
  const char* name;
  bool forced_parallel;
};

inline void PrintTo(const Runner& runner, std::ostream* out) { *out << runner.name; }

class SortRunTest : public ::testing::TestWithParam<Runner> {
 protected:
  void SetUp() override {
    if (GetParam().forced_parallel) {
      split_ = std::make_unique<ScopedSortSplitForTesting>(1, 4);
      ASSERT_EQ(S_OK, CreateObject<CVBA>(nullptr, __uuidof(IVBA), vba_.put_void()));
    } else {
      vba_ = Server::Get().Create<IVBA>(CLSID_VBA);
    }
    ASSERT_TRUE(vba_);
  }

  std::unique_ptr<ScopedSortSplitForTesting> split_;
  ComPtr<IVBA> vba_;
};

#define KORVEL_SORT_RUNS(Suite)                                                                           \
  INSTANTIATE_TEST_SUITE_P(Runs, Suite,                                                                    \
                           ::testing::Values(Runner{"Server", false}, Runner{"ForcedParallel", true}),     \
                           [](const ::testing::TestParamInfo<Runner>& info) { return std::string(info.param.name); })

}  // namespace korvel::test
