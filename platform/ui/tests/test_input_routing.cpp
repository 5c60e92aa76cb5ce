// Where a user's keys and wheel turns go: Alt with a letter reaches the accelerators of labels
// and buttons, whatever control has the focus and whichever layout typed the letter.
#include "StdCtrls.h"
#include "StdTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

using InputRoutingTest = FormTest;

TEST_F(InputRoutingTest, AltLetterReachesTheAcceleratorsNotTheFocusedEdit) {
    TAcceleratorCard card(form);
    TEdit* name = card.Name;
    TEdit* city = card.City;
    TButton* save = card.Save;
    int& saves = card.Saves;
    auto* list = form->Add<TListBox>(270, 10, 100, 80);
    list->GetItems()->Add(QStringLiteral("Київ"));
    auto* combo = form->Add<TComboBox>(270, 100, 100, 22);

    struct Row {
        const char* What;
        TWinControl* Focused;
        int QtKey;
        const char16_t* Text; // what the layout types for the key
        int WantSaves;
        TWinControl* WantFocus; // a button's accelerator focuses the button
    } rows[] = {
        {"Alt+з under the Ukrainian layout, in an edit", name, 0x0417, u"з", 1, save},
        {"Alt+м moves to the label's control", name, 0x041C, u"м", 0, city},
        {"Alt+p under the US layout: the same key", city, Qt::Key_P, u"p", 1, save},
        {"Alt+v under the US layout: the label's key", name, Qt::Key_V, u"v", 0, city},
        {"from a list box, which draws itself", list, 0x0417, u"з", 1, save},
        {"from a combo box's edit", combo, 0x0417, u"з", 1, save},
        {"a letter no caption carries does nothing", name, 0x0416, u"ж", 0, name},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        name->SetText(QStringLiteral("Шевченко"));
        r.Focused->SetFocus();
        saves = 0;
        SendKey(r.Focused, r.QtKey, QString::fromUtf16(r.Text), Qt::AltModifier);
        EXPECT_EQ(saves, r.WantSaves);
        EXPECT_TRUE(r.WantFocus->Focused());
        // nothing was typed into the edit that had the focus
        EXPECT_EQ(name->GetText(), QStringLiteral("Шевченко"));
        EXPECT_EQ(city->GetText(), QString());
        EXPECT_EQ(combo->GetText(), QString());
    }
    // Without Alt the letter is text.
    name->SetFocus();
    name->SetText(QString());
    SendKey(name, 0x0417, QStringLiteral("з"));
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(name->GetText(), QStringLiteral("з"));
}

// A wheel turn as Qt delivers it: to the widget under the pointer (a scroll area's viewport),
// at a point of it. (Handing on what a widget leaves is tested on the X server.)
void Wheel(TWinControl* C, int X, int Y, int Delta) {
    QWidget* w = C->GetHandle();
    QPoint p = WidgetPoint(C, X, Y);
    if (QWidget* child = w->childAt(p)) {
        p = child->mapFrom(w, p);
        w = child;
    }
    QWheelEvent e(QPointF(p), QPointF(w->mapToGlobal(p)), QPoint(), QPoint(0, Delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(InputRoutingTest, TheWheelScrollsTheControlUnderThePointerNotTheFocusedOne) {
    auto* focused = form->Add<TListBox>(10, 10, 120, 100);
    auto* under = form->Add<TListBox>(140, 10, 120, 100);
    auto* memo = form->Add<TMemo>(270, 10, 120, 100);
    for (int i = 0; i < 40; ++i) {
        focused->GetItems()->Add(QStringLiteral("Рядок %1").arg(i));
        under->GetItems()->Add(QStringLiteral("Рядок %1").arg(i));
        memo->GetLines()->Add(QStringLiteral("Рядок %1").arg(i));
    }
    memo->SetScrollBars(ssVertical);
    focused->SetFocus();
    QApplication::processEvents();

    Wheel(under, 20, 20, -120); // a turn towards the user
    EXPECT_EQ(under->GetTopIndex(), 3);
    EXPECT_EQ(focused->GetTopIndex(), 0);
    Wheel(under, 20, 20, 120);
    EXPECT_EQ(under->GetTopIndex(), 0);

    // a native control under the pointer scrolls itself
    QScrollBar* bar = static_cast<QPlainTextEdit*>(memo->GetHandle())->verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);
    Wheel(memo, 20, 20, -120);
    EXPECT_GT(bar->value(), 0);
    EXPECT_EQ(focused->GetTopIndex(), 0);
    EXPECT_TRUE(focused->Focused());
}

} // namespace
