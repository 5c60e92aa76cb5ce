// The Qt application every ui test runs in, with the platform's Application initialised; the
// tests of the libraries above share it (kadrion_tests ... UI).
#include "Forms.h"
#include "TestSupport.h"

#include <QApplication>

namespace {

TQtAppOptions uiApplication() {
    TQtAppOptions o;
    o.After = [] {
        Application->Initialize();
        Application->SetTitle(QStringLiteral("Кадри"));
    };
    o.KeepToTheEnd = true; // forms the platform keeps may outlive the tests
    return o;
}

const auto* app = AddQtApplication<QApplication>("ui_tests", uiApplication());

} // namespace
