// The lookup combo box over 500 employees and grouped speed buttons, driven on the X server as
// a user drives them: the drop-down opened with the mouse, scrolled by the wheel and its scroll
// bar, searched by typed Cyrillic letters, and the speed buttons latched by clicks.
#include "EmployeeGen.h"
#include "MemDS.h"
#include "RXCtrls.h"
#include "RxLookup.h"
#include "X11FormTest.h"

#include <QScrollBar>

namespace {

class LookupOnX11 : public X11FormTest {
protected:
    void SetUp() override {
        X11FormTest::SetUp();
        if (IsSkipped()) return;
        staff = new TMemDataSet(form);
        for (const char* f : {"TAB", "FAMILY", "NAME", "PATR"})
            staff->GetFieldDefs()->Add(QString::fromLatin1(f), ftString, 30);
        staff->Open();
        TEmployeeGenerator gen(7);
        for (const TGenEmployee& e : gen.Employees(500))
            staff->AppendRecord({e.Tab, e.Family, e.Name, e.Patronymic});
        staff->FieldByName(QStringLiteral("TAB"))->SetDisplayWidth(6);
        staff->FieldByName(QStringLiteral("FAMILY"))->SetDisplayWidth(14);
        staff->FieldByName(QStringLiteral("NAME"))->SetDisplayWidth(10);
        staff->First();
        src = new TDataSource(form);
        src->SetDataSet(staff);
        form->SetBounds(40, 40, 560, 380);
        combo = form->Add<TRxDBLookupCombo>(20, 20, 260, 24);
        combo->SetLookupSource(src);
        combo->SetLookupField(QStringLiteral("TAB"));
        combo->SetLookupDisplay(QStringLiteral("FAMILY;TAB;NAME;PATR"));
        combo->SetDisplayEmpty(QStringLiteral(" "));
        combo->SetDropDownWidth(-1);
        combo->OnChange = [this](TObject*) { ++changes; };
        combo->SetFocus();
        X11::Flush();
    }
    bool open() {
        return X11::Click(combo->GetHandle(), QPoint(combo->GetClientWidth() - 8, 10)) &&
               X11::WaitFor([this] {
                   TRxPopupDataList* l = combo->GetDataList();
                   return combo->GetListVisible() && l->HandleAllocated() &&
                          l->GetHandle()->isVisible();
               });
    }
    QString family() { return staff->FieldByName(QStringLiteral("FAMILY"))->GetAsString(); }
    TMemDataSet* staff = nullptr;
    TDataSource* src = nullptr;
    TRxDBLookupCombo* combo = nullptr;
    int changes = 0;
};

TEST_F(LookupOnX11, FiveHundredEmployeesByWheelScrollBarAndTypedSearch) {
    ASSERT_TRUE(open());
    TRxPopupDataList* l = combo->GetDataList();
    X11::Screenshot(QStringLiteral("lookup-dropped"));
    EXPECT_EQ(l->GetRowCount(), 8);
    EXPECT_GE(l->GetWidth(), combo->GetWidth());
    // the list stays under the combo and on the screen
    const TRect r = l->GetBoundsRect();
    EXPECT_GE(r.Top, combo->ClientToScreen(TPoint{0, combo->GetClientHeight()}).Y);
    ASSERT_TRUE(ScrollBarVisible(l->GetHandle(), SB_VERT));

    // the wheel over the list scrolls it
    const QString first = family();
    ASSERT_TRUE(X11::Wheel(l->GetHandle(), QPoint(40, 40), 3));
    EXPECT_TRUE(X11::WaitFor([&] { return family() != first; }));
    EXPECT_EQ(l->GetRecordIndex(), l->GetRecordCount() - 1);
    X11::Screenshot(QStringLiteral("lookup-wheel"));

    // a click low in the scroll bar turns a page
    QScrollBar* bar = WindowScrollBar(l->GetHandle(), SB_VERT);
    ASSERT_NE(bar, nullptr);
    const QString before = family();
    const QPoint low = bar->mapTo(l->GetHandle(), QPoint(bar->width() / 2, bar->height() - 25));
    ASSERT_TRUE(X11::Click(l->GetHandle(), low));
    EXPECT_TRUE(X11::WaitFor([&] { return family() != before; }));
    EXPECT_TRUE(combo->GetListVisible());

    // typed Cyrillic letters find the first family that starts with them
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("ua")));
    ASSERT_TRUE(X11::Type(QStringLiteral("ко")));
    EXPECT_TRUE(X11::WaitFor([&] { return l->GetTypedText().size() == 2; }));
    EXPECT_TRUE(family().startsWith(QStringLiteral("Ко"))) << family().toStdString();
    EXPECT_EQ(l->GetTypedText(), QStringLiteral("Ко"));
    X11::Screenshot(QStringLiteral("lookup-typed"));
    const QString found = l->GetValue();
    ASSERT_TRUE(X11::Key(QStringLiteral("Return")));
    EXPECT_FALSE(combo->GetListVisible());
    EXPECT_EQ(combo->GetValue(), found);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(combo->GetText().startsWith(QStringLiteral("Ко")));
    X11::Screenshot(QStringLiteral("lookup-chosen"));

    // a click on a row takes it; Escape on the closed combo clears it
    ASSERT_TRUE(open());
    const int ih = l->GetItemHeight();
    ASSERT_TRUE(X11::Click(l->GetHandle(), QPoint(30, 3 * ih + ih / 2)));
    EXPECT_TRUE(X11::WaitFor([&] { return !combo->GetListVisible(); }));
    EXPECT_EQ(changes, 2);
    ASSERT_TRUE(X11::Key(QStringLiteral("Escape")));
    EXPECT_EQ(combo->GetValue(), QString());
}

TEST_F(LookupOnX11, NearTheScreenEdgeTheListOpensAboveAndStaysOnTheScreen) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    form->SetBounds(sw - 300, sh - 140, 280, 120);
    X11::Flush();
    ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
    combo->SetFocus();
    ASSERT_TRUE(open());
    const TRect r = combo->GetDataList()->GetBoundsRect();
    EXPECT_LE(r.Bottom, combo->ClientToScreen(TPoint{0, 0}).Y);
    EXPECT_LE(r.Right, sw);
    EXPECT_GE(r.Left, 0);
    X11::Screenshot(QStringLiteral("lookup-above"));
    ASSERT_TRUE(X11::Key(QStringLiteral("Escape")));
    EXPECT_FALSE(combo->GetListVisible());
}

TEST_F(LookupOnX11, GroupedSpeedButtonsLatchByClicks) {
    std::vector<TRxSpeedButton*> buttons;
    int clicks = 0;
    const char* captions[] = {"Усі", "Працюють", "Звільнені"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new TRxSpeedButton(form);
        b->SetBounds(20 + i * 92, 200, 90, 26);
        b->SetCaption(QString::fromUtf8(captions[i]));
        b->SetGroupIndex(1);
        b->SetFlat(i == 2);
        b->OnClick = [&](TObject*) { ++clicks; };
        b->SetParent(form);
        buttons.push_back(b);
    }
    buttons[0]->SetDown(true);
    X11::Flush();
    ASSERT_TRUE(X11::Click(form->GetHandle(), QPoint(20 + 92 + 40, 212)));
    EXPECT_TRUE(X11::WaitFor([&] { return buttons[1]->GetDown(); }));
    EXPECT_FALSE(buttons[0]->GetDown());
    ASSERT_TRUE(X11::MoveTo(form->GetHandle(), QPoint(20 + 184 + 40, 212)));
    EXPECT_TRUE(X11::WaitFor([&] { return buttons[2]->GetMouseInControl(); }));
    X11::Screenshot(QStringLiteral("speed-buttons"));
    ASSERT_TRUE(X11::Click(form->GetHandle(), QPoint(20 + 184 + 40, 212)));
    EXPECT_TRUE(X11::WaitFor([&] { return buttons[2]->GetDown(); }));
    EXPECT_FALSE(buttons[1]->GetDown());
    EXPECT_EQ(clicks, 2);
}

} // namespace
