// A QGuiApplication for the whole test run (fonts and painting need one), on the offscreen
// platform when nothing else is asked for.
#pragma once

#include <QGuiApplication>
#include <gtest/gtest.h>

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QGuiApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char arg0[] = "gfx_tests";
        static char* argv[] = {arg0, nullptr};
        app = new QGuiApplication(argc, argv);
    }
    void TearDown() override {
        delete app;
        app = nullptr;
    }

private:
    QGuiApplication* app = nullptr;
};
