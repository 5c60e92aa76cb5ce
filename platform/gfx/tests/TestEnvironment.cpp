// A QGuiApplication for the whole test run: fonts and painting need one.
#include "TestSupport.h"

#include <QGuiApplication>

namespace {
const auto* app = AddQtApplication<QGuiApplication>("gfx_tests");
} // namespace
