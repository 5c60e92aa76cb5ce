// The platform's application object for the ui scenarios on the X server.
#include "Forms.h"
#include "X11Test.h"

#include <QApplication>

namespace {
class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qApp) return; // no display: every test skips
        Application->Initialize();
        Application->SetTitle(QStringLiteral("Кадри"));
    }
};
const auto* registered = ::testing::AddGlobalTestEnvironment(new UiEnvironment);
} // namespace
