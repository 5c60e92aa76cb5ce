// The wheel, list boxes and drop-down lists as a user drives them on the X server.
#include "StdCtrls.h"
#include "X11FormTest.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace {

using MouseOnX11 = X11FormTest;

TEST_F(MouseOnX11, TheWheelScrollsWhatIsUnderThePointer) {
    auto* focused = form->Add<TListBox>(10, 10, 120, 100);
    auto* under = form->Add<TListBox>(140, 10, 120, 100);
    auto* memo = form->Add<TMemo>(270, 10, 120, 100);
    auto* edit = form->Add<TEdit>(140, 130, 120, 22);
    for (int i = 0; i < 40; ++i) {
        focused->GetItems()->Add(QStringLiteral("Рядок %1").arg(i));
        under->GetItems()->Add(QStringLiteral("Рядок %1").arg(i));
        memo->GetLines()->Add(QStringLiteral("Рядок %1").arg(i));
    }
    memo->SetScrollBars(ssVertical);
    int formTurns = 0;
    form->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& Handled) {
        ++formTurns;
        Handled = true;
    };
    focused->SetFocus();
    X11::Flush();

    ASSERT_TRUE(X11::Wheel(under->GetHandle(), QPoint(30, 30), 2));
    EXPECT_EQ(under->GetTopIndex(), 6);
    EXPECT_EQ(focused->GetTopIndex(), 0);
    QScrollBar* bar = static_cast<QPlainTextEdit*>(memo->GetHandle())->verticalScrollBar();
    ASSERT_TRUE(X11::Wheel(memo->GetHandle(), QPoint(30, 30), 1));
    EXPECT_GT(bar->value(), 0);
    // an edit has nothing to scroll: its form gets the turn
    ASSERT_TRUE(X11::Wheel(edit->GetHandle(), QPoint(10, 10), 1));
    EXPECT_EQ(formTurns, 1);
    EXPECT_EQ(focused->GetTopIndex(), 0);
    EXPECT_TRUE(focused->Focused());
    X11::Screenshot(QStringLiteral("wheel-under-pointer"));
}

TEST_F(MouseOnX11, ListBoxKeysKeepTheChosenRowWhole) {
    auto* lb = form->Add<TListBox>(10, 10, 150, 110);
    for (int i = 0; i < 30; ++i)
        lb->GetItems()->Add(QStringLiteral("Співробітник %1").arg(i));
    lb->SetFocus();
    X11::Flush();
    for (const char* keys : {"Down", "Next", "Next", "End", "Prior", "Home"}) {
        SCOPED_TRACE(keys);
        ASSERT_TRUE(X11::Key(QString::fromLatin1(keys)));
        TRect r = lb->ItemRect(lb->GetItemIndex());
        EXPECT_GE(r.Top, 0);
        EXPECT_LE(r.Bottom, lb->GetClientHeight());
    }
    EXPECT_EQ(lb->GetItemIndex(), 0);
    lb->SetItemIndex(-1);
    X11::Screenshot(QStringLiteral("list-focused-nothing-chosen"));
}

TEST_F(MouseOnX11, ADropDownListDropsBelowWithItsRows) {
    auto* cb = form->Add<TComboBox>(10, 10, 160, 24);
    cb->SetStyle(csDropDownList);
    for (int i = 1; i <= 12; ++i)
        cb->GetItems()->Add(QStringLiteral("Відділ кадрів %1").arg(i));
    cb->SetItemIndex(2);
    cb->SetFocus();
    X11::Flush();
    X11::Screenshot(QStringLiteral("combo-focused"));
    ASSERT_TRUE(X11::Click(cb->GetHandle(), QPoint(40, 12)));
    ASSERT_TRUE(X11::WaitFor([cb] { return cb->GetDroppedDown(); }));
    QAbstractItemView* view = cb->ComboBox()->view();
    X11::WaitFor([view] { return view->window()->isVisible(); });
    EXPECT_NEAR(view->viewport()->height() / double(view->sizeHintForRow(0)), 8.0, 0.6);
    EXPECT_GE(view->window()->geometry().top(),
              cb->GetHandle()->mapToGlobal(QPoint(0, cb->GetHandle()->height())).y() - 1);
    X11::Screenshot(QStringLiteral("combo-dropped"));
    // Down and Return take the next row
    ASSERT_TRUE(X11::Key(QStringLiteral("Down Return")));
    EXPECT_FALSE(cb->GetDroppedDown());
    EXPECT_EQ(cb->GetItemIndex(), 3);
}

} // namespace
