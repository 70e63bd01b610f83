#include "XThreadFixture.h"

namespace xtest {

const ::testing::Environment* const kSimulators =
    ::testing::AddGlobalTestEnvironment(new SimEnvironment);

} // namespace xtest
