// The native text-input controls show the control's font and colours like the controls we draw.
#include "Grids.h"
#include "Mask.h"
#include "StdCtrls.h"
#include "StdTestSupport.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

using NativeLookTest = FormTest;

// True when some pixel of the widget's picture has the colour.
bool Shows(QWidget* W, QColor C) {
    QImage img = W->grab().toImage();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == C) return true;
    return false;
}

TEST_F(NativeLookTest, TextInputControlsTakeTheFontAndColoursOfTheControl) {
    form->GetFont()->SetName(QStringLiteral("Times New Roman"));
    form->GetFont()->SetSize(12);
    auto* edit = form->Add<TEdit>(10, 10, 150, 24);
    edit->SetText(QStringLiteral("Шевченко"));
    auto* mask = form->Add<TMaskEdit>(170, 10, 100, 24);
    mask->SetText(QStringLiteral("12345"));
    auto* combo = form->Add<TComboBox>(10, 40, 150, 24);
    combo->GetItems()->Add(QStringLiteral("Київ"));
    combo->SetItemIndex(0);
    auto* memo = form->Add<TMemo>(10, 70, 150, 60);
    memo->GetLines()->Add(QStringLiteral("Примітка"));
    auto* grid = form->Add<TStringGrid>(170, 70, 200, 100);
    grid->SetOptions(grid->GetOptions() + TGridOptions{goEditing});
    grid->SetCells(1, 1, QStringLiteral("Львів"));
    grid->SetCol(1);
    grid->SetRow(1);
    grid->SetFocus();
    grid->SetEditorMode(true);
    ASSERT_NE(grid->GetInplaceEditor(), nullptr);
    grid->GetInplaceEditor()->Deselect(); // the text itself, not the selection colours

    std::vector<std::pair<const char*, TWinControl*>> controls = {
        {"edit", edit},
        {"mask edit", mask},
        {"combo box", combo},
        {"memo", memo},
        {"grid's editor", grid->GetInplaceEditor()}};
    for (auto& [what, c] : controls) {
        SCOPED_TRACE(what);
        // ParentFont: the form's font, mapped as the canvas maps it
        const QFont want = form->GetFont()->ToQFont();
        EXPECT_EQ(c->GetHandle()->font().family(), want.family());
        EXPECT_EQ(c->GetHandle()->font().pixelSize(), want.pixelSize());
    }
    // A font and colour of its own, set after the window exists.
    for (auto& [what, c] : controls) {
        SCOPED_TRACE(what);
        c->GetFont()->SetColor(clRed);
        c->SetColor(clYellow);
        c->GetFont()->SetStyle(TFontStyles{fsBold});
        QApplication::processEvents();
        EXPECT_TRUE(c->GetHandle()->font().bold());
        EXPECT_TRUE(Shows(c->GetHandle(), QColor(255, 255, 0))) << "the background";
        EXPECT_TRUE(Shows(c->GetHandle(), QColor(255, 0, 0))) << "the text";
        EXPECT_EQ(c->GetHandle()->palette().color(QPalette::Highlight), ColorToQColor(clHighlight));
    }
    // The form's font changes: a control that has its own keeps it, ParentFont follows.
    auto* follower = form->Add<TEdit>(10, 140, 150, 24);
    form->GetFont()->SetSize(14);
    EXPECT_EQ(follower->GetHandle()->font().pixelSize(), form->GetFont()->ToQFont().pixelSize());
    EXPECT_NE(edit->GetHandle()->font().pixelSize(), form->GetFont()->ToQFont().pixelSize());
}

} // namespace
