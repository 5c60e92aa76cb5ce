// The small report dialogs: what each activation shows, and what their buttons leave.
#include "Clock.h"
#include "Dates.h"
#include "ReportDlgs.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Shows a dialog modally; Act plays the user once its loop runs.
TModalResult runModal(TForm* F, const std::function<void()>& Act) {
    QTimer t;
    t.setSingleShot(false);
    t.setInterval(0);
    bool done = false;
    QObject::connect(&t, &QTimer::timeout, [&] {
        if (!done && F->GetFormState().Contains(fsModal)) {
            done = true;
            Act();
        }
    });
    t.start();
    return F->ShowModal();
}

TEST(ReportDialogsTest, EveryActivationShowsTodayWhateverWasChosenBefore) {
    TFakeClock clock(EncodeDate(2024, 3, 14) + 0.25);
    TClockSwap swap(&clock);
    std::unique_ptr<TTimeForm> time(CreateNewForm<TTimeForm>(nullptr));
    std::unique_ptr<TPeriodForm> period(CreateNewForm<TPeriodForm>(nullptr));
    std::unique_ptr<TQuetForm> quet(CreateNewForm<TQuetForm>(nullptr));
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(runModal(time.get(),
                           [&] {
                               EXPECT_EQ(time->DateEdit1->GetText(), "14.03.2024") << round;
                               time->DateEdit1->SetText(QStringLiteral("01.01.2020"));
                               time->BitBtn1->Click();
                           }),
                  mrOk);
        EXPECT_EQ(time->DateEdit1->GetDate(), EncodeDate(2020, 1, 1));
        EXPECT_EQ(runModal(period.get(),
                           [&] {
                               EXPECT_EQ(period->DateEdit1->GetText(), "14.03.2024") << round;
                               EXPECT_EQ(period->DateEdit2->GetText(), "14.03.2024") << round;
                               period->DateEdit1->SetText(QStringLiteral("01.02.2023"));
                               period->BitBtn2->Click();
                           }),
                  mrCancel);
        EXPECT_EQ(runModal(quet.get(),
                           [&] {
                               EXPECT_EQ(quet->ComboBox1->GetItemIndex(), 2) << round;
                               EXPECT_EQ(quet->ComboBox1->GetText(), "березень") << round;
                               EXPECT_EQ(quet->SpinEdit1->GetValue(), 2024) << round;
                               quet->ComboBox1->SetItemIndex(11);
                               quet->SpinEdit1->SetValue(2031);
                               quet->BitBtn1->Click();
                           }),
                  mrOk);
        EXPECT_EQ(quet->ComboBox1->GetItemIndex(), 11);
        EXPECT_EQ(quet->SpinEdit1->GetValue(), 2031);
        clock.SetNow(EncodeDate(2024, 3, 14) + 0.75); // later the same day
    }
}

TEST(ReportDialogsTest, AYearAloneIsAskedWithTheMonthOffAndContinueTurnsItBackOn) {
    std::unique_ptr<TQuetForm> quet(CreateNewForm<TQuetForm>(nullptr));
    quet->Label1->SetEnabled(false);
    quet->ComboBox1->SetEnabled(false);
    EXPECT_EQ(runModal(quet.get(),
                       [&] {
                           EXPECT_FALSE(quet->ComboBox1->GetEnabled());
                           quet->SpinEdit1->SetValue(1985); // below the range
                           quet->BitBtn1->Click();
                       }),
              mrOk);
    EXPECT_EQ(quet->SpinEdit1->GetValue(), 1990);
    EXPECT_TRUE(quet->Label1->GetEnabled());
    EXPECT_TRUE(quet->ComboBox1->GetEnabled());
}

} // namespace
