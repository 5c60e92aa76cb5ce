// The grid's mouse on the X server, as a user works it: Ctrl+A highlights every row, a frozen
// column's title border dragged wider, a drag across the lower edges of the titles selecting
// columns.
#include "CardListGrid.h"
#include "X11Test.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace {

class GridMouseOnX11 : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        form.reset(MakeCardList(60));
        grid = form->Grid;
        grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
        grid->SetEditActions(TDBGridEhEditActions{geaSelectAllEh, geaCopyEh});
        form->SetBounds(20, 20, 900, 400);
        form->Show();
        ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
        grid->SetFocus();
        X11::Flush();
    }
    // Presses the left button at From, moves to To in steps and releases it there.
    bool Drag(QPoint From, QPoint To) {
        QWidget* w = grid->GetHandle();
        if (!X11::MoveTo(w, From) || !X11::XDoTool({QStringLiteral("mousedown"), "1"}))
            return false;
        for (int i = 1; i <= 4; ++i)
            if (!X11::MoveTo(w, From + (To - From) * i / 4)) return false;
        const bool up = X11::XDoTool({QStringLiteral("mouseup"), "1"});
        X11::Flush();
        return up;
    }
    std::unique_ptr<TCardListForm> form;
    TDBGridEh* grid = nullptr;
};

TEST_F(GridMouseOnX11, SelectAllSizingAndColumnSelection) {
    // Ctrl+A: a row other than the current one is drawn highlighted
    ASSERT_TRUE(X11::Key(QStringLiteral("ctrl+a")));
    ASSERT_TRUE(X11::WaitFor([&] { return grid->GetSelection()->GetSelectionType() == gskAll; }));
    X11::Flush();
    const TRect cell = grid->CellRect(5, 4);
    const QImage shot = grid->GetHandle()->grab().toImage();
    const QColor at = shot.pixelColor(cell.Left + 2, cell.Top + 2);
    const TColor hl = TColor(ColorToRGB(clHighlight));
    EXPECT_EQ(at.red(), int(hl & 0xFF));
    EXPECT_EQ(at.green(), int((hl >> 8) & 0xFF));
    EXPECT_EQ(at.blue(), int((hl >> 16) & 0xFF));
    X11::Screenshot(QStringLiteral("grid-select-all"));
    ASSERT_TRUE(X11::Key(QStringLiteral("Down")));

    // the frozen "Ім'я" column dragged 30 pixels wider by its title border
    TColumnEh* name = grid->GetColumns()->GetItems(1);
    const int before = name->GetWidth();
    const TRect title = grid->CellRect(2, 0);
    ASSERT_TRUE(
        Drag(QPoint(title.Right + 1, title.Top + 4), QPoint(title.Right + 31, title.Top + 4)));
    EXPECT_TRUE(X11::WaitFor([&] { return name->GetWidth() == before + 30; }));
    X11::Screenshot(QStringLiteral("grid-frozen-sized"));

    // a drag along the lower edges of three titles selects their columns
    const TRect a = grid->CellRect(5, 0), c = grid->CellRect(7, 0);
    ASSERT_TRUE(Drag(QPoint((a.Left + a.Right) / 2, a.Bottom - 2),
                     QPoint((c.Left + c.Right) / 2, c.Bottom - 2)));
    EXPECT_TRUE(X11::WaitFor([&] {
        return grid->GetSelection()->GetSelectionType() == gskColumns &&
               grid->GetSelection()->GetColumns()->Count() == 3;
    }));
    X11::Screenshot(QStringLiteral("grid-columns-selected"));
}

} // namespace
