// The embedded database engine, for the personnel databases the tests make.
#include "EngineTestSupport.h"

namespace {
const auto* engine = ::testing::AddGlobalTestEnvironment(new EmbeddedEngineEnvironment);
} // namespace
