// The grid's clipboard on the X server, as a user works it: Ctrl+A and Ctrl+C in the card list
// (keys the grid takes itself), the copy seen on the X clipboard, Shift+Insert in an empty list
// with frozen columns.
#include "CardListGrid.h"
#include "Clipbrd.h"
#include "DBGridEhImpExp.h"
#include "Dialogs.h"
#include "X11Test.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace {

// The clipboard keys the card list's grid takes itself.
void AddEditActions(TCardListForm* Form) {
    Form->Grid->SetEditActions(TDBGridEhEditActions{geaSelectAllEh, geaCopyEh, geaPasteEh});
}

class GridClipboardOnX11 : public X11Test {};

TEST_F(GridClipboardOnX11, CopiedEmployeesPasteIntoAnEmptyList) {
    std::unique_ptr<TCardListForm> from(MakeCardList(40));
    AddEditActions(from.get());
    from->SetBounds(20, 20, 900, 330);
    from->Show();
    ASSERT_TRUE(X11::WaitActive(from->GetHandle()));
    from->Grid->SetFocus();
    X11::Flush();
    ASSERT_TRUE(X11::Key(QStringLiteral("ctrl+a")));
    ASSERT_TRUE(
        X11::WaitFor([&] { return from->Grid->GetSelection()->GetSelectionType() == gskAll; }));
    ASSERT_TRUE(X11::Key(QStringLiteral("ctrl+c")));
    // the X clipboard holds the text with the first employee's surname and the other renderings
    const QMimeData* d = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(X11::WaitFor([&] {
        d = QApplication::clipboard()->mimeData();
        return d && d->hasText() &&
               d->text().contains(from->Employees->FieldByName("FAMILY")->GetAsString());
    }));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_VCLDBIF()));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_RICH_TEXT_FORMAT()));
    X11::Screenshot(QStringLiteral("clipboard-copied"));

    // the empty list has its frozen columns too: the paste starts at its first column
    std::unique_ptr<TCardListForm> to(MakeCardList(0, 8));
    AddEditActions(to.get());
    to->SetBounds(60, 380, 900, 330);
    to->Show();
    ASSERT_TRUE(X11::WaitActive(to->GetHandle()));
    to->Grid->SetFocus();
    X11::Flush();
    TScriptedInteraction dialogs;
    TUserInteractionSwap swap(&dialogs);
    ASSERT_TRUE(X11::Key(QStringLiteral("shift+Insert")));
    ASSERT_TRUE(X11::WaitFor([&] { return to->Employees->RecordCount() == 40; }));
    EXPECT_TRUE(dialogs.Asked.empty()) << dialogs.Last().Text.toStdString();
    for (const char* field : {"FAMILY", "NAME", "TAB", "BDATE", "ENDEND", "LOOK"}) {
        from->Employees->Last();
        to->Employees->Last();
        EXPECT_EQ(to->Employees->FieldByName(field)->GetAsString(),
                  from->Employees->FieldByName(field)->GetAsString())
            << field;
    }
    to->Employees->First();
    X11::Flush();
    X11::Screenshot(QStringLiteral("clipboard-pasted"));
}

} // namespace
