// A shown, active form on the X server for the ui scenarios.
#pragma once

#include "StdTestSupport.h"
#include "X11Test.h"

class X11FormTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        form = CreateNewForm<TTestForm>(nullptr);
        form->SetCaption(QStringLiteral("Картка"));
        form->Show();
        ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
    }
    void TearDown() override {
        delete form;
        X11Test::TearDown();
    }
    TTestForm* form = nullptr;
};
