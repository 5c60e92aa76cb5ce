// Where a user's keys and wheel turns go: Alt with a letter reaches the accelerators of labels
// and buttons, whatever control has the focus and whichever layout typed the letter.
#include "StdCtrls.h"
#include "StdTestSupport.h"

#include <QLineEdit>

namespace {

using InputRoutingTest = FormTest;

TEST_F(InputRoutingTest, AltLetterReachesTheAcceleratorsNotTheFocusedEdit) {
    auto* name = form->Add<TEdit>(100, 10, 150, 22);
    auto* city = form->Add<TEdit>(100, 40, 150, 22);
    auto* cityLabel = new TLabel(form);
    cityLabel->SetParent(form);
    cityLabel->SetBounds(10, 42, 80, 17);
    cityLabel->SetCaption(QStringLiteral("&Місто:"));
    cityLabel->SetFocusControl(city);
    auto* save = form->Add<TButton>(10, 80, 90, 25);
    save->SetCaption(QStringLiteral("&Зберегти"));
    auto* list = form->Add<TListBox>(270, 10, 100, 80);
    list->GetItems()->Add(QStringLiteral("Київ"));
    int saves = 0;
    save->OnClick = [&](TObject*) { ++saves; };

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
    }
    // Without Alt the letter is text.
    name->SetFocus();
    name->SetText(QString());
    SendKey(name, 0x0417, QStringLiteral("з"));
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(name->GetText(), QStringLiteral("з"));
}

} // namespace
