// The date edit on a shown form (offscreen): typing, its keys, the drop-down calendar opened
// and closed with keys and the mouse, the bounds and their messages, OnChange from code.
#include "ControlsTestSupport.h"

namespace {

class DateEditTest : public ControlsFormTest {
protected:
    void SetUp() override {
        ControlsFormTest::SetUp();
        edit = form->Add<TDateEdit>(250, 10, 120, 21);
        edit->SetYearDigits(dyFour);
        edit->SetCalendarStyle(csPopup);
        edit->OnChange = [this](TObject*) { ++changes; };
        other = form->Add<TEdit>(10, 60, 120, 21);
        edit->SetFocus();
        QApplication::processEvents();
        changes = 0;
    }
    TPopupCalendar* popup() { return static_cast<TPopupCalendar*>(edit->GetPopup()); }
    TDateEdit* edit = nullptr;
    TEdit* other = nullptr;
    int changes = 0;
};

TEST_F(DateEditTest, TypedDigitsFillTheMask) {
    EXPECT_EQ(edit->GetText(), QStringLiteral("  .  .    "));
    EXPECT_EQ(edit->GetDate(), NullDate);
    edit->SelectAll();
    TypeText(edit, QStringLiteral("0503"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("05.03.    "));
    // a date with its year still blank is no date
    EXPECT_EQ(edit->GetDate(), NullDate);
    TypeText(edit, QStringLiteral("2026"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("05.03.2026"));
    EXPECT_EQ(edit->GetDate(), D(2026, 3, 5));
    EXPECT_EQ(changes, 8);
    // letters (Cyrillic or not) never go in
    edit->SetSelStart(0);
    TypeText(edit, QStringLiteral("жx"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("05.03.2026"));
    EXPECT_TRUE(edit->GetModified());
}

TEST_F(DateEditTest, PadKeysAndTStepTheDate) {
    PressPad(edit, u'+'); // an empty edit starts from today
    EXPECT_EQ(edit->GetDate(), D(2026, 6, 16));
    PressPad(edit, u'-');
    PressPad(edit, u'-');
    EXPECT_EQ(edit->GetDate(), D(2026, 6, 14));
    edit->SetDate(D(2026, 2, 28));
    PressPad(edit, u'+');
    EXPECT_EQ(edit->GetText(), QStringLiteral("01.03.2026"));
    TypeText(edit, QStringLiteral("t"));
    EXPECT_EQ(edit->GetDate(), D(2026, 6, 15));
    // the + of the main keyboard types nothing
    edit->SetDate(D(2026, 1, 1));
    SendKey(edit, Qt::Key_Plus, QStringLiteral("+"));
    EXPECT_EQ(edit->GetDate(), D(2026, 1, 1));
    // without direct input (the date is chosen in the calendar) the keys do nothing
    edit->SetDirectInput(false);
    PressPad(edit, u'+');
    TypeText(edit, QStringLiteral("T5"));
    EXPECT_EQ(edit->GetDate(), D(2026, 1, 1));
    edit->SetDirectInput(true);
    edit->SetReadOnly(true);
    PressPad(edit, u'+');
    EXPECT_EQ(edit->GetDate(), D(2026, 1, 1));
}

TEST_F(DateEditTest, SettingFromCodeFiresOnChange) {
    edit->SetDate(D(2024, 12, 31));
    EXPECT_EQ(edit->GetText(), QStringLiteral("31.12.2024"));
    EXPECT_EQ(changes, 1);
    edit->SetText(QStringLiteral("01.01.2025"));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(edit->GetDate(), D(2025, 1, 1));
    edit->SetDate(NullDate);
    EXPECT_EQ(edit->GetText(), QStringLiteral("  .  .    "));
    EXPECT_EQ(changes, 3);
    // an invalid value counts as no date
    edit->SetDate(-1e9);
    EXPECT_EQ(changes, 3);
    // with DefaultToday an empty edit reads as today and NullDate shows today
    edit->SetDefaultToday(true);
    EXPECT_EQ(edit->GetDate(), D(2026, 6, 15));
    EXPECT_EQ(edit->GetText(), QStringLiteral("  .  .    "));
    edit->SetDate(NullDate);
    EXPECT_EQ(edit->GetText(), QStringLiteral("15.06.2026"));
}

TEST_F(DateEditTest, BoundsClampOrReport) {
    edit->SetMinDate(D(2020, 1, 1));
    edit->SetDate(D(2019, 6, 15));
    EXPECT_EQ(edit->GetDate(), D(2020, 1, 1));
    // a lower bound set after the upper one moves it up
    edit->SetMaxDate(D(2020, 12, 31));
    edit->SetMinDate(D(2021, 3, 1));
    EXPECT_EQ(edit->GetMaxDate(), D(2021, 3, 1));
    EXPECT_EQ(edit->GetDate(), D(2021, 3, 1));

    edit->SetMinDate(NullDate);
    edit->SetMaxDate(NullDate);
    edit->SetDateAutoBetween(false);
    edit->SetDate(D(2022, 5, 5));
    struct Case {
        TDateTime Min, Max, Value;
        const char* Message;
    };
    const Case cases[] = {
        {D(2020, 1, 1), NullDate, D(2019, 6, 15),
         "\"15.06.2019\" - неверная дата. Значение должно быть не меньше \"01.01.2020\""},
        {NullDate, D(2020, 1, 1), D(2020, 1, 2),
         "\"02.01.2020\" - неверная дата. Значение должно быть не больше \"01.01.2020\""},
        {D(2020, 1, 1), D(2020, 2, 1), D(2020, 3, 1),
         "\"01.03.2020\" - неверная дата. Значение должно быть между \"01.01.2020\" и "
         "\"01.02.2020\""},
    };
    for (const Case& c : cases) {
        edit->SetMinDate(NullDate);
        edit->SetMaxDate(NullDate);
        edit->SetMinDate(c.Min);
        edit->SetMaxDate(c.Max);
        try {
            edit->SetDate(c.Value);
            ADD_FAILURE() << c.Message;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, QString::fromUtf8(c.Message));
        }
        EXPECT_EQ(edit->GetDate(), D(2022, 5, 5)); // not taken
    }
    // crossing bounds without clamping says what is wrong and changes nothing
    edit->SetMinDate(D(2020, 1, 1));
    edit->SetMaxDate(D(2020, 2, 1));
    try {
        edit->SetMinDate(D(2020, 3, 1));
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(
            e.Message,
            QStringLiteral("Минимальная дата не может быть позже максимальной \"01.02.2020\""));
    }
    EXPECT_EQ(edit->GetMinDate(), D(2020, 1, 1));
    EXPECT_THROW(edit->SetMaxDate(D(2019, 1, 1)), Exception);
    EXPECT_EQ(edit->GetMaxDate(), D(2020, 2, 1));
}

TEST_F(DateEditTest, TheKeyboardOpensAndDrivesTheCalendar) {
    edit->SetDate(D(2026, 3, 5));
    changes = 0;
    SendKey(edit, Qt::Key_Down, QString(), Qt::AltModifier);
    ASSERT_TRUE(edit->GetPopupVisible());
    ASSERT_TRUE(popup()->GetHandle()->isVisible());
    EXPECT_EQ(popup()->GetCalendar()->GetCalendarDate(), D(2026, 3, 5));
    EXPECT_EQ(popup()->GetTitleLabel()->GetCaption(), QStringLiteral("Березень, 2026"));
    // under the edit, right edges aligned
    const TPoint origin = edit->ClientToScreen(TPoint{0, 0});
    EXPECT_EQ(popup()->GetTop(), origin.Y + edit->GetHeight());
    EXPECT_EQ(popup()->GetLeft() + popup()->GetWidth(), origin.X + edit->GetWidth());
    // the edit keeps the keyboard: arrows, pad keys, Page keys and T go to the calendar
    EXPECT_EQ(Screen->GetActiveControl(), edit);
    PressKey(edit, Qt::Key_Right);
    PressKey(edit, Qt::Key_Down);
    EXPECT_EQ(popup()->GetCalendar()->GetCalendarDate(), D(2026, 3, 13));
    PressPad(edit, u'-');
    PressKey(edit, Qt::Key_PageDown);
    EXPECT_EQ(popup()->GetCalendar()->GetCalendarDate(), D(2026, 4, 12));
    PressKey(edit, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(popup()->GetTitleLabel()->GetCaption(), QStringLiteral("Квітень, 2025"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("05.03.2026")); // nothing taken yet
    EXPECT_EQ(changes, 0);
    PressKey(edit, Qt::Key_Return);
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_FALSE(popup()->GetHandle()->isVisible());
    EXPECT_EQ(edit->GetText(), QStringLiteral("12.04.2025"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(edit->GetSelLength(), 10);

    // Esc closes without taking the day, and does not undo the text
    SendKey(edit, Qt::Key_Down, QString(), Qt::AltModifier);
    ASSERT_TRUE(edit->GetPopupVisible());
    TypeText(edit, QStringLiteral("t"));
    EXPECT_EQ(popup()->GetCalendar()->GetCalendarDate(), D(2026, 6, 15));
    PressKey(edit, Qt::Key_Escape);
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_EQ(edit->GetText(), QStringLiteral("12.04.2025"));
    EXPECT_EQ(changes, 1);
}

TEST_F(DateEditTest, TheMouseOpensTheCalendarAndPicksADay) {
    // an empty edit opens the calendar at today
    TWinControl* button = edit->GetButtonContainer();
    Click(button, 5, 5);
    ASSERT_TRUE(edit->GetPopupVisible());
    TLocCalendar* cal = popup()->GetCalendar();
    EXPECT_EQ(cal->GetCalendarDate(), D(2026, 6, 15));
    // the next-month button, then a day
    TRxTimerSpeedButton* next = popup()->GetButton(2);
    Click(static_cast<TWinControl*>(next->GetParent()), next->GetLeft() + 5, next->GetTop() + 5);
    EXPECT_EQ(cal->GetMonth(), 7);
    TGridCoord c = CellOfDay(cal, 21);
    ClickCell(cal, c.X, c.Y);
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_EQ(edit->GetText(), QStringLiteral("21.07.2026"));
    EXPECT_EQ(changes, 1);

    // pressing the button while the calendar is open closes it, taking its day, and the click
    // does not open it again
    Click(button, 5, 5);
    ASSERT_TRUE(edit->GetPopupVisible());
    PressKey(edit, Qt::Key_Right);
    Click(button, 5, 5);
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_EQ(edit->GetText(), QStringLiteral("22.07.2026"));

    // a click elsewhere on the form closes it and takes nothing
    Click(button, 5, 5);
    PressKey(edit, Qt::Key_Right);
    Click(other, 5, 5);
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_EQ(edit->GetText(), QStringLiteral("22.07.2026"));
}

TEST_F(DateEditTest, ADayOutsideTheBoundsCannotBePicked) {
    edit->SetMinDate(D(2024, 3, 15));
    edit->SetDate(D(2024, 3, 20));
    Click(edit->GetButtonContainer(), 5, 5);
    TLocCalendar* cal = popup()->GetCalendar();
    EXPECT_FALSE(popup()->GetButton(0)->GetEnabled()); // previous year
    EXPECT_FALSE(popup()->GetButton(1)->GetEnabled()); // previous month
    EXPECT_TRUE(popup()->GetButton(2)->GetEnabled());
    TGridCoord c = CellOfDay(cal, 10);
    ClickCell(cal, c.X, c.Y);
    EXPECT_TRUE(edit->GetPopupVisible());
    EXPECT_EQ(cal->GetCalendarDate(), D(2024, 3, 20));
    c = CellOfDay(cal, 16);
    ClickCell(cal, c.X, c.Y);
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_EQ(edit->GetDate(), D(2024, 3, 16));
}

TEST_F(DateEditTest, TheCalendarNeverOutlivesItsForm) {
    Click(edit->GetButtonContainer(), 5, 5);
    ASSERT_TRUE(edit->GetPopupVisible());
    QWidget* w = popup()->GetHandle();
    form->Hide();
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_FALSE(w->isVisible());
    form->Show();
    QApplication::processEvents();
    edit->SetFocus();
    Click(edit->GetButtonContainer(), 5, 5);
    ASSERT_TRUE(edit->GetPopupVisible());
    QPointer<QWidget> guard(popup()->GetHandle());
    delete edit;
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    edit = nullptr;
    // cancel-mode from another control closes it too
    auto* second = form->Add<TDateEdit>(150, 10, 120, 21);
    second->SetCalendarStyle(csPopup);
    second->SetFocus();
    SendKey(second, Qt::Key_Down, QString(), Qt::AltModifier);
    ASSERT_TRUE(second->GetPopupVisible());
    second->Perform(CM_CANCELMODE, 0, LPARAM(static_cast<TControl*>(other)));
    EXPECT_FALSE(second->GetPopupVisible());
    // so does a click on a bare spot of the form, which moves no focus
    SendKey(second, Qt::Key_Down, QString(), Qt::AltModifier);
    ASSERT_TRUE(second->GetPopupVisible());
    Click(form, 5, form->GetClientHeight() - 5);
    EXPECT_FALSE(second->GetPopupVisible());
    EXPECT_EQ(form->GetActiveControl(), static_cast<TWinControl*>(second));

    // a form freed with the calendar open takes it away
    auto* card = CreateNewForm<TTestForm>(nullptr);
    card->Show();
    auto* third = card->Add<TDateEdit>(10, 10, 120, 21);
    third->SetCalendarStyle(csPopup);
    third->SetFocus();
    SendKey(third, Qt::Key_Down, QString(), Qt::AltModifier);
    ASSERT_TRUE(third->GetPopupVisible());
    QPointer<QWidget> cardPopup(third->GetPopup()->GetHandle());
    delete card;
    QApplication::processEvents();
    EXPECT_TRUE(cardPopup.isNull() || !cardPopup->isVisible());
}

TEST_F(DateEditTest, ABadDateKeepsTheFocusWithItsMessage) {
    edit->SelectAll();
    TypeText(edit, QStringLiteral("31022024"));
    PressKey(edit, Qt::Key_Tab);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("''31.02.2024'' is not a valid date.")});
    EXPECT_EQ(form->GetActiveControl(), edit);
    EXPECT_EQ(edit->GetSelLength(), 10);
    // a valid one is shown again in the edit format when leaving
    // typed free-form: a separator skips the rest of its field
    edit->SelectAll();
    TypeText(edit, QStringLiteral("5.3.26"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("5 .3 .26  "));
    PressKey(edit, Qt::Key_Tab);
    EXPECT_EQ(form->GetActiveControl(), other);
    EXPECT_EQ(edit->GetText(), QStringLiteral("05.03.2026"));
    EXPECT_EQ(Messages().size(), 1);
}

TEST_F(DateEditTest, HintsYearDigitsAndSettings) {
    for (int i = 0; i < 6; ++i)
        edit->GetCalendarHints()->Add(i == 1 ? QString() : QStringLiteral("Підказка %1").arg(i));
    EXPECT_EQ(edit->GetCalendarHints()->Count(), 4);
    EXPECT_EQ(popup()->GetButton(0)->GetHint(), QStringLiteral("Підказка 0"));
    EXPECT_EQ(popup()->GetButton(1)->GetHint(), QStringLiteral("Предыдущий месяц|"));
    EXPECT_EQ(popup()->GetButton(3)->GetHint(), QStringLiteral("Підказка 3"));

    edit->SetDate(D(2026, 3, 5));
    edit->SetYearDigits(dyTwo);
    EXPECT_EQ(edit->GetEditMask(), QStringLiteral("!99/99/99;1; "));
    EXPECT_EQ(edit->GetText(), QStringLiteral("05.03.26"));
    edit->SetBlanksChar(u'_');
    edit->SetYearDigits(dyFour);
    EXPECT_EQ(edit->GetText(), QStringLiteral("05.03.2026"));
    EXPECT_EQ(edit->GetEditText(), QStringLiteral("05.03.2026"));
    edit->SetDate(NullDate);
    EXPECT_EQ(edit->GetEditText(), QStringLiteral("__.__.____"));
    edit->SetDate(D(2026, 3, 5));

    // a change of the date order while the program runs reformats every date edit
    auto* second = form->Add<TDateEdit>(150, 10, 120, 21);
    second->SetDate(D(2026, 12, 25));
    TFormatSettings mdy = FormatSettings;
    mdy.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    mdy.DateSeparator = u'/';
    {
        TFormatSettingsSwap swap(mdy);
        SendMessage(form->GetHandle(), WM_WININICHANGE, 0, 0);
        EXPECT_EQ(edit->GetEditFormat(), QStringLiteral("MM/DD/YYYY"));
        EXPECT_EQ(edit->GetText(), QStringLiteral("03/05/2026"));
        EXPECT_EQ(second->GetText(), QStringLiteral("12/25/2026"));
        EXPECT_EQ(edit->GetDate(), D(2026, 3, 5));
    }
    SendMessage(form->GetHandle(), WM_WININICHANGE, 0, 0);
    EXPECT_EQ(edit->GetText(), QStringLiteral("05.03.2026"));
    EXPECT_EQ(second->GetText(), QStringLiteral("25.12.2026"));
}

TEST_F(DateEditTest, TheDialogStyleAsksInAModalDialog) {
    edit->SetCalendarStyle(csDialog);
    EXPECT_EQ(edit->GetPopup(), nullptr);
    edit->SetDate(D(2026, 3, 5));
    QString caption;
    auto answer = [&caption](bool Ok, std::function<void(TSelectDateDlg*)> Act) {
        AnswerModal<TSelectDateDlg>(
            [&caption, Act](TSelectDateDlg* d) {
                caption = d->GetCaption();
                Act(d);
            },
            Ok ? mrOk : mrCancel);
    };
    const TPoint origin = edit->ClientToScreen(TPoint{0, 0});
    answer(true, [&](TSelectDateDlg* d) {
        // under the edit, right edges aligned
        EXPECT_EQ(d->GetTop(), origin.Y + edit->GetHeight() - 1);
        EXPECT_EQ(d->GetLeft() + d->GetWidth(), origin.X + edit->GetWidth());
        EXPECT_EQ(d->GetDate(), D(2026, 3, 5));
        // Tab goes a month on, Ctrl+Page Down a year
        PressKey(d->Calendar, Qt::Key_Tab);
        PressKey(d->Calendar, Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(d->TitleLabel->GetCaption(), QStringLiteral("Квітень, 2027"));
    });
    Click(edit->GetButtonContainer(), 5, 5);
    EXPECT_EQ(caption, QStringLiteral("Выбор даты"));
    EXPECT_EQ(edit->GetDate(), D(2027, 4, 5));
    // Cancel keeps the date; OnAcceptDate may refuse or change it
    answer(false, [](TSelectDateDlg* d) { d->SetDate(D(2000, 1, 1)); });
    Click(edit->GetButtonContainer(), 5, 5);
    EXPECT_EQ(edit->GetDate(), D(2027, 4, 5));
    edit->OnAcceptDate = [](TObject*, TDateTime& Date, bool&) { Date = Date + 1; };
    answer(true, [](TSelectDateDlg* d) { d->SetDate(D(2000, 1, 1)); });
    Click(edit->GetButtonContainer(), 5, 5);
    EXPECT_EQ(edit->GetDate(), D(2000, 1, 2));
}

} // namespace
