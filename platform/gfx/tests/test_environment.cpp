#include "GuiEnvironment.h"

// Registered once for the whole executable.
static ::testing::Environment* const guiEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);
