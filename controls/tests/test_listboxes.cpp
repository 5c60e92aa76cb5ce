// The two list box kinds: the same item rectangles, hit tests and selection answers through
// their shared operations, the horizontal range that follows the widest item, the window kept
// across recreation, the item list's errors, owner drawing and user input.
#include "RXCtrls.h"
#include "StdTestSupport.h"

#include <QApplication>

namespace {

using ListBoxTest = FormTest;

enum Kind { kRx, kText };

TListBoxAccess* makeList(TTestForm* Form, Kind K, bool Multi) {
    TWinControl* c = nullptr;
    if (K == kRx) {
        auto* b = Form->Add<TRxListBox>(10, 10, 150, 100);
        b->SetMultiSelect(Multi);
        c = b;
    } else {
        auto* b = Form->Add<TTextListBox>(10, 10, 150, 100);
        b->SetMultiSelect(Multi);
        c = b;
    }
    return ListBoxAccess(c);
}

void fill(TListBoxAccess* L, int N) {
    for (int i = 0; i < N; ++i)
        L->GetListItems()->Add(QStringLiteral("Рядок %1").arg(i));
}

TEST_F(ListBoxTest, BothKindsAnswerItemRectanglesAndHitsAlike) {
    for (Kind k : {kRx, kText}) {
        SCOPED_TRACE(k == kRx ? "rx list box" : "text list box");
        TListBoxAccess* l = makeList(form, k, false);
        TRect client = l->GetListControl()->GetClientRect();

        // an empty list: item 0 is the first slot at the top, anything else empty
        TRect first = l->ItemRect(0);
        EXPECT_EQ(first.Top, 0);
        EXPECT_GT(first.Height(), 0);
        EXPECT_EQ(l->ItemRect(1), TRect{});
        EXPECT_EQ(l->ItemAtPos(TPoint{5, 5}, true), -1);
        EXPECT_EQ(l->ItemAtPos(TPoint{5, 5}, false), 0);

        fill(l, 3);
        int h = l->ItemRect(0).Height();
        struct Case {
            int Index;
            TRect Want;
        };
        for (const Case& c : {Case{0, {0, 0, 0, h}}, Case{2, {0, 2 * h, 0, 3 * h}},
                              Case{3, {0, 3 * h, 0, 4 * h}}, Case{4, {}}, Case{7, {}}}) {
            TRect r = l->ItemRect(c.Index);
            EXPECT_EQ(r.Top, c.Want.Top) << c.Index;
            EXPECT_EQ(r.Bottom, c.Want.Bottom) << c.Index;
            if (c.Want.Bottom == 0) {
                EXPECT_EQ(r, TRect{}) << c.Index;
            }
        }

        struct Hit {
            TPoint P;
            bool Existing;
            int Want;
        };
        for (const Hit& t : {Hit{{5, h / 2}, true, 0}, Hit{{5, 2 * h + 1}, false, 2},
                             Hit{{5, 3 * h + 2}, true, -1}, Hit{{5, 3 * h + 2}, false, 3},
                             Hit{{-1, 2}, false, -1}, Hit{{5, client.Bottom + 3}, false, -1}})
            EXPECT_EQ(l->ItemAtPos(t.P, t.Existing), t.Want) << t.P.X << "," << t.P.Y;
        delete l->GetListControl();
    }
}

TEST_F(ListBoxTest, BothKindsSelectAlike) {
    for (Kind k : {kRx, kText}) {
        SCOPED_TRACE(k == kRx ? "rx list box" : "text list box");
        // single selection: Selected follows ItemIndex, deselecting another item does nothing
        TListBoxAccess* s = makeList(form, k, false);
        fill(s, 4);
        int clicks = 0;
        s->GetListControl()->OnClick = [&](TObject*) { ++clicks; };
        EXPECT_EQ(s->GetItemIndex(), -1);
        s->SetSelected(2, true);
        EXPECT_EQ(s->GetItemIndex(), 2);
        EXPECT_TRUE(s->GetSelected(2));
        EXPECT_FALSE(s->GetSelected(1));
        s->SetSelected(1, false);
        EXPECT_EQ(s->GetItemIndex(), 2);
        s->SetSelected(2, false);
        EXPECT_EQ(s->GetItemIndex(), -1);
        s->SetItemIndex(3);
        s->SetItemIndex(3);
        EXPECT_EQ(s->GetItemIndex(), 3);
        EXPECT_EQ(clicks, 0); // setting from code is not a click
        EXPECT_THROW(s->GetSelected(4), EStringListError);
        EXPECT_THROW(s->SetSelected(-1, true), EStringListError);

        // multi-selection: the selected states and their count
        TListBoxAccess* m = makeList(form, k, true);
        fill(m, 5);
        EXPECT_EQ(m->GetSelCount(), 0);
        m->SetSelected(1, true);
        m->SetSelected(3, true);
        EXPECT_EQ(m->GetSelCount(), 2);
        EXPECT_TRUE(m->GetSelected(3));
        m->SetSelected(1, false);
        EXPECT_EQ(m->GetSelCount(), 1);
        try {
            m->SetSelected(9, true);
            ADD_FAILURE() << "no error";
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message, QStringLiteral("List index out of bounds (9)"));
        }
        delete s->GetListControl();
        delete m->GetListControl();
    }
}

TEST_F(ListBoxTest, HorizontalRangeFollowsTheWidestItem) {
    auto* rx = form->Add<TRxListBox>(10, 10, 160, 100);
    rx->SetAutoScroll(true);
    auto* text = form->Add<TTextListBox>(180, 10, 160, 100);
    const QString longText = QStringLiteral("Прізвище, ім'я та по батькові (скорочене)");
    for (TStrings* items : {rx->GetItems(), text->GetItems()}) {
        items->Add(QStringLiteral("Стать"));
        items->Add(longText);
        items->Add(QStringLiteral("Дата народження"));
    }
    for (int widest : {rx->GetWidestItem(), text->GetWidestItem()}) {
        EXPECT_GT(widest, 200);
    }
    EXPECT_EQ(rx->Perform(LB_GETHORIZONTALEXTENT, 0, 0), rx->GetWidestItem());
    // the horizontal bar shows and scrolls the items
    EXPECT_TRUE(ScrollBarVisible(rx->GetHandle(), SB_HORZ));
    rx->Perform(WM_HSCROLL, SB_RIGHT, 0);
    EXPECT_LT(rx->ItemRect(0).Left, 0);

    // deleting the widest item goes back to the left edge and to the next widest
    int next = rx->GetWidestItem();
    rx->GetItems()->Delete(1);
    text->GetItems()->Delete(1);
    EXPECT_LT(rx->GetWidestItem(), next);
    EXPECT_EQ(rx->ItemRect(0).Left, 0);
    EXPECT_EQ(rx->GetWidestItem(), text->GetWidestItem());
    EXPECT_FALSE(ScrollBarVisible(rx->GetHandle(), SB_HORZ));
    rx->Clear();
    EXPECT_EQ(rx->GetWidestItem(), 0);
}

TEST_F(ListBoxTest, RecreatingTheWindowKeepsItemsTopAndCurrentItem) {
    auto* box = form->Add<TRxListBox>(10, 10, 150, 60);
    for (int i = 0; i < 20; ++i)
        box->GetItems()->AddObject(QStringLiteral("Працівник %1").arg(i, 2, 10, QChar('0')),
                                   reinterpret_cast<TObject*>(intptr_t(100 + i)));
    box->SetTopIndex(5);
    box->SetItemIndex(7);
    HWND before = box->GetHandle();
    box->SetSorted(true);
    EXPECT_NE(box->GetHandle(), before);
    ASSERT_EQ(box->GetItems()->Count(), 20);
    EXPECT_EQ(box->GetTopIndex(), 5);
    EXPECT_EQ(box->GetItemIndex(), 7);
    EXPECT_EQ(box->GetItems()->GetObject(7), reinterpret_cast<TObject*>(intptr_t(107)));
    EXPECT_TRUE(box->Perform(LB_GETCOUNT, 0, 0) == 20);
}

TEST_F(ListBoxTest, ItemListErrorsAndUpdates) {
    auto* box = form->Add<TRxListBox>(10, 10, 150, 60);
    TStrings* items = box->GetItems();
    items->Add(QStringLiteral("один"));
    EXPECT_THROW(items->Get(3), EStringListError);
    EXPECT_THROW(items->GetObject(-1), EStringListError);
    try {
        items->Insert(5, QStringLiteral("п'ять"));
        ADD_FAILURE() << "no error";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Unable to insert a line"));
    }
    EXPECT_EQ(items->Count(), 1); // the window kept its state
    items->BeginUpdate();
    items->Add(QStringLiteral("два"));
    items->EndUpdate();
    EXPECT_EQ(items->ToStringList(), (QStringList{"один", "два"}));
}

TEST_F(ListBoxTest, GraySelectionOfAnUnfocusedOwnerDrawnList) {
    auto* box = form->Add<TRxListBox>(10, 10, 150, 60);
    auto* other = form->Add<TEdit>(10, 100, 100, 21);
    box->SetStyle(lbOwnerDrawFixed);
    box->SetItemHeight(18);
    box->SetGraySelection(true);
    box->GetItems()->Add(QStringLiteral("Перший"));
    box->GetItems()->Add(QStringLiteral("Другий"));
    box->SetItemIndex(1);
    EXPECT_EQ(box->GetItemHeight(), 18);
    auto pixelOfItem1 = [&] {
        QApplication::processEvents();
        QImage img = form->GetHandle()->grab().toImage();
        TPoint p = box->ClientToParent(TPoint{box->GetClientWidth() - 4, 18 + 9});
        return img.pixelColor(p.X, p.Y);
    };
    other->SetFocus();
    EXPECT_EQ(pixelOfItem1(), ColorToQColor(clBtnFace));
    box->SetFocus();
    EXPECT_EQ(pixelOfItem1(), ColorToQColor(clHighlight));
}

TEST_F(ListBoxTest, MouseAndKeysSelect) {
    auto* box = form->Add<TRxListBox>(10, 10, 150, 100);
    box->SetMultiSelect(true);
    for (int i = 0; i < 6; ++i)
        box->GetItems()->Add(QStringLiteral("Поле %1").arg(i));
    int h = box->GetItemHeight();
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    Click(box, 10, h / 2);
    SendMouse(box, QEvent::MouseButtonPress, 10, 3 * h + h / 2, Qt::LeftButton, Qt::ShiftModifier);
    SendMouse(box, QEvent::MouseButtonRelease, 10, 3 * h + h / 2, Qt::LeftButton,
              Qt::ShiftModifier);
    EXPECT_EQ(box->GetSelCount(), 4);
    EXPECT_GE(clicks, 2);
    SendMouse(box, QEvent::MouseButtonPress, 10, 5 * h + 1, Qt::LeftButton, Qt::ControlModifier);
    SendMouse(box, QEvent::MouseButtonRelease, 10, 5 * h + 1, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(box->GetSelCount(), 5);
    EXPECT_TRUE(box->Focused());
    // a plain Down selects only the next item
    PressKey(box, Qt::Key_Down);
    EXPECT_EQ(box->GetSelCount(), 1);
    EXPECT_EQ(box->GetItemIndex(), 5);
    PressKey(box, Qt::Key_Home);
    PressKey(box, Qt::Key_Down, Qt::ShiftModifier);
    PressKey(box, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(box->GetSelCount(), 3);

    // the wheel scrolls a list taller than its window
    box->SetHeight(3 * h + 4);
    EXPECT_EQ(box->GetTopIndex(), 0);
    box->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_EQ(box->GetTopIndex(), 3);
    EXPECT_TRUE(ScrollBarVisible(box->GetHandle(), SB_VERT));
}

TEST_F(ListBoxTest, AutomaticDragKeepsTheSelectionOnAPressOnASelectedItem) {
    for (Kind k : {kRx, kText}) {
        SCOPED_TRACE(k == kRx ? "rx list box" : "text list box");
        TListBoxAccess* l = makeList(form, k, true);
        fill(l, 5);
        auto* c = l->GetListControl();
        c->SetDragMode(dmAutomatic);
        l->SetSelected(1, true);
        l->SetSelected(2, true);
        int h = l->ItemRect(0).Height();
        SendMouse(c, QEvent::MouseButtonPress, 10, 2 * h + 2);
        EXPECT_TRUE(c->Dragging());
        EXPECT_EQ(l->GetSelCount(), 2);
        c->EndDrag(false);
        // a press elsewhere selects, then the drag may start
        SendMouse(c, QEvent::MouseButtonPress, 10, 4 * h + 2);
        EXPECT_TRUE(l->GetSelected(4));
        EXPECT_TRUE(c->Dragging());
        c->EndDrag(false);
        delete c;
    }
}

} // namespace
