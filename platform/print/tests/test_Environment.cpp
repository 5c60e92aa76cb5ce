#include "PrintEnvironment.h"

// Registered once for the whole executable.
static ::testing::Environment* const printEnvironment =
    ::testing::AddGlobalTestEnvironment(new PrintEnvironment);
