// Shared pieces of the control-library tests: a form with the clock standing at 15.06.2026
// 10:30 and the scripted dialogs, and input helpers for the keys and cells the date controls
// use.
#pragma once

#include "Clock.h"
#include "PickDate.h"
#include "StdTestSupport.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

inline TDateTime D(int Y, int M, int Dd) {
    return EncodeDate(Y, M, Dd);
}

// A key of the numeric pad (+, -).
inline void PressPad(TWinControl* C, QChar Ch) {
    SendKey(C, Ch == u'+' ? Qt::Key_Plus : Qt::Key_Minus, QString(Ch), Qt::KeypadModifier);
}

// Clicks the middle of a calendar cell.
inline void ClickCell(TRxCalendar* Cal, int Col, int Row) {
    TRect r = Cal->CellRect(Col, Row);
    Click(Cal, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}

// The cell of a day of the shown month.
inline TGridCoord CellOfDay(TRxCalendar* Cal, int Day) {
    for (int r = 1; r < 7; ++r)
        for (int c = 0; c < 7; ++c)
            if (Cal->DayOfCell(c, r) == Day) return TGridCoord{c, r};
    return TGridCoord{-1, -1};
}

// Answers the next modal form of class T: once it runs its modal loop, Act sees it, then it
// gets Result (again on every turn of the loop, in case showing it reset the result).
template <typename T> void AnswerModal(std::function<void(T*)> Act, TModalResult Result) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(0);
    auto acted = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, Act, Result, acted] {
        T* found = nullptr;
        for (int i = 0; i < Screen->GetFormCount(); ++i)
            if (auto* f = dynamic_cast<T*>(Screen->GetForms(i));
                f && f->GetFormState().Contains(fsModal))
                found = f;
        if (!found) {
            if (*acted) timer->deleteLater();
            return;
        }
        if (!*acted) {
            *acted = true;
            Act(found);
        }
        found->SetModalResult(Result);
    });
    timer->start();
}

class ControlsFormTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        Application->SetMainForm(form);
    }
    void TearDown() override {
        Application->SetMainForm(nullptr);
        FormTest::TearDown();
    }
    // The messages the user was shown, in order.
    QStringList Messages() const {
        QStringList l;
        for (const auto& a : dialogs.Script.Asked)
            l << a.Text;
        return l;
    }
    TFakeClock clock{EncodeDateTime(2026, 6, 15, 10, 30, 0, 0)};
    TClockSwap clockSwap{&clock};
    ScriptedDialogs dialogs;
};
