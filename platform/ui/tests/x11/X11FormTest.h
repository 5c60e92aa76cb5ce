// A shown, active form on the X server for the ui scenarios.
#pragma once

#include "StdTestSupport.h"
#include "X11Test.h"

class X11FormTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        // An exception a control lets out fails the test instead of waiting in a message box.
        Application->OnException = [](TObject*, const Exception& E) {
            ADD_FAILURE() << "exception shown to the user: " << E.Message.toStdString();
        };
        form = CreateNewForm<TTestForm>(nullptr);
        form->SetCaption(QStringLiteral("Картка"));
        form->Show();
        ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
    }
    void TearDown() override {
        delete form;
        Application->OnException = nullptr;
        X11Test::TearDown();
    }
    TTestForm* form = nullptr;
};
