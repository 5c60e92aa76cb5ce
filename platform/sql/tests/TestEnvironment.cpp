// The embedded database engine, for the SQL component tests and the server tests.
#include "EngineTestSupport.h"

namespace {
const auto* engine = ::testing::AddGlobalTestEnvironment(new EmbeddedEngineEnvironment);
} // namespace
