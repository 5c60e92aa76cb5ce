// The precompiled headers of the test executables: the common ones and GoogleTest.
#pragma once

#include "Common.h"

#include <gtest/gtest.h>
