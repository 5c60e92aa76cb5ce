// The keys a user presses, through the X server, under the US and the Ukrainian layout.
#include "Grids.h"
#include "StdCtrls.h"
#include "X11FormTest.h"

namespace {

using KeysOnX11 = X11FormTest;

TEST_F(KeysOnX11, AltLetterReachesButtonsAndLabelsUnderEitherLayout) {
    TAcceleratorCard card(form);
    TEdit* name = card.Name;
    TEdit* city = card.City;
    TButton* save = card.Save;
    int& saves = card.Saves;

    struct Row {
        const char* Layout;
        const char* Keys;
        int WantSaves;
        TWinControl* WantFocus;
    } rows[] = {
        {"ua", "alt+Cyrillic_ze", 1, save},
        {"ua", "alt+Cyrillic_em", 0, city},
        {"us", "alt+p", 1, save}, // the key of З
        {"us", "alt+v", 0, city}, // the key of М
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.Layout) + " " + r.Keys);
        ASSERT_TRUE(X11::SetLayout(QString::fromLatin1(r.Layout)));
        name->SetFocus();
        name->SetText(QStringLiteral("Шевченко"));
        saves = 0;
        ASSERT_TRUE(X11::Key(QString::fromLatin1(r.Keys)));
        EXPECT_EQ(saves, r.WantSaves);
        EXPECT_TRUE(r.WantFocus->Focused());
        EXPECT_EQ(name->GetText(), QStringLiteral("Шевченко"));
        EXPECT_EQ(city->GetText(), QString());
    }
    // Typed without Alt, the letters are text.
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("ua")));
    city->SetFocus();
    ASSERT_TRUE(X11::Type(QStringLiteral("Київ")));
    EXPECT_EQ(city->GetText(), QStringLiteral("Київ"));
    EXPECT_EQ(saves, 0);
    X11::Screenshot(QStringLiteral("keys-alt-letter"));
}

TEST_F(KeysOnX11, ReturnAndEscapeInAStringGridsEditorPressTheFormsButtons) {
    // As on the platform: the editor leaves Return and Escape to the form's default and cancel
    // buttons, and the text typed into the cell stays there.
    auto* grid = form->Add<TStringGrid>(10, 10, 300, 120);
    grid->SetOptions(grid->GetOptions() + TGridOptions{goEditing});
    auto* ok = form->Add<TButton>(320, 10, 80, 25);
    ok->SetCaption(QStringLiteral("OK"));
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = form->Add<TButton>(320, 40, 80, 25);
    cancel->SetCaption(QStringLiteral("Скасувати"));
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("ua")));
    struct Row {
        const char* Key;
        const char* Typed;
        TModalResult Want;
    } rows[] = {{"Return", "Ткач", mrOk}, {"Escape", "Їжак", mrCancel}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Key);
        form->SetModalResult(mrNone);
        grid->SetFocus();
        ASSERT_TRUE(X11::Key(QStringLiteral("F2")));
        ASSERT_TRUE(grid->GetEditorMode());
        ASSERT_TRUE(X11::Type(QString::fromUtf8(r.Typed)));
        if (r.Want == mrOk) X11::Screenshot(QStringLiteral("string-grid-editor"));
        ASSERT_TRUE(X11::Key(QString::fromLatin1(r.Key)));
        EXPECT_EQ(form->GetModalResult(), r.Want);
        EXPECT_EQ(grid->GetCells(grid->GetCol(), grid->GetRow()), QString::fromUtf8(r.Typed));
        grid->HideEditor();
        grid->SetCol(grid->GetCol() + 1);
    }
}

} // namespace
