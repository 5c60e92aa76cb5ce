// The Qt application every grid test runs in (offscreen unless the environment says otherwise).
#include "Forms.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "grid_tests";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        Application->Initialize();
        Application->SetTitle(QStringLiteral("Кадри"));
    }
    QApplication* app = nullptr;
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
} // namespace
