// An application object for the whole test run (printing, fonts and the printer list need one),
// on the offscreen platform when nothing else is asked for.
#pragma once

#include <QApplication>
#include <gtest/gtest.h>

class PrintEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char arg0[] = "print_tests";
        static char* argv[] = {arg0, nullptr};
        app = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete app;
        app = nullptr;
    }

private:
    QApplication* app = nullptr;
};
