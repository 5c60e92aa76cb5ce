// How the controls look on the X server's screen: the native text-input controls in the form's
// font and colours, and the focus mark of a drop-down list reached with Tab.
#include "Grids.h"
#include "Mask.h"
#include "StdCtrls.h"
#include "X11FormTest.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

namespace {

using LookOnX11 = X11FormTest;

// How many pixels of the control's window show the colour on the screen, as the X server
// composed it (not the widget's own rendering).
int OnScreen(TWinControl* C, QColor Colour) {
    X11::Flush();
    QWidget* w = C->GetHandle();
    const QPoint g = w->mapToGlobal(QPoint(0, 0));
    QImage img = QGuiApplication::primaryScreen()
                     ->grabWindow(0, g.x(), g.y(), w->width(), w->height())
                     .toImage();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixelColor(x, y) == Colour;
    return n;
}

TEST_F(LookOnX11, TextInputControlsShowTheFormsFontAndTheirColours) {
    form->GetFont()->SetName(QStringLiteral("Times New Roman"));
    form->GetFont()->SetSize(12);
    form->GetFont()->SetColor(clRed);
    auto* edit = form->Add<TEdit>(10, 10, 150, 24);
    auto* mask = form->Add<TMaskEdit>(170, 10, 100, 24);
    mask->SetEditMask(QStringLiteral("00000;0;_"));
    auto* combo = form->Add<TComboBox>(10, 40, 150, 24);
    auto* memo = form->Add<TMemo>(10, 70, 150, 60);
    auto* grid = form->Add<TStringGrid>(170, 70, 220, 100);
    grid->SetOptions(grid->GetOptions() + TGridOptions{goEditing});
    for (TWinControl* c : std::initializer_list<TWinControl*>{edit, mask, combo, memo, grid})
        c->SetColor(clYellow);
    X11::Flush();
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("ua")));

    // Typed into as a user types: each control after a click into it.
    struct Row {
        const char* What;
        TWinControl* Control;
        const char16_t* Typed;
    } rows[] = {
        {"edit", edit, u"Шевченко"},
        {"mask edit", mask, u"12345"},
        {"combo box", combo, u"Київ"},
        {"memo", memo, u"Примітка"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        ASSERT_TRUE(X11::Click(r.Control->GetHandle(), QPoint(4, 10)));
        ASSERT_TRUE(X11::Type(QString::fromUtf16(r.Typed)));
        EXPECT_EQ(r.Control->GetHandle()->font().family(), form->GetFont()->ToQFont().family());
        EXPECT_EQ(r.Control->GetHandle()->font().pixelSize(),
                  form->GetFont()->ToQFont().pixelSize());
    }
    // The grid's editor opens on the letter typed into a cell.
    ASSERT_TRUE(X11::Click(grid->GetHandle(), QPoint(90, 30)));
    ASSERT_TRUE(X11::Type(QStringLiteral("Львів")));
    ASSERT_NE(grid->GetInplaceEditor(), nullptr);
    ASSERT_TRUE(grid->GetEditorMode());
    EXPECT_EQ(grid->GetInplaceEditor()->GetHandle()->font().family(),
              form->GetFont()->ToQFont().family());
    // The grid keeps the typed text; the memo takes the focus (an edit entered selects its text).
    memo->SetFocus();
    X11::Screenshot(QStringLiteral("look-text-inputs"));

    for (TWinControl* c : std::initializer_list<TWinControl*>{edit, mask, combo, memo, grid}) {
        SCOPED_TRACE(c->GetHandle()->metaObject()->className());
        EXPECT_GT(OnScreen(c, QColor(255, 255, 0)), 100) << "the background";
        EXPECT_GT(OnScreen(c, QColor(255, 0, 0)), 5) << "the text";
    }
    EXPECT_EQ(edit->GetText(), QStringLiteral("Шевченко"));
    EXPECT_EQ(grid->GetCells(1, 1), QStringLiteral("Львів"));
}

TEST_F(LookOnX11, ADropDownListReachedWithTabShowsItsFocusMark) {
    auto* edit = form->Add<TEdit>(10, 10, 150, 24);
    auto* cb = form->Add<TComboBox>(10, 40, 160, 24);
    cb->SetStyle(csDropDownList);
    for (const char* s : {"Бухгалтерія", "Відділ кадрів", "Склад"})
        cb->GetItems()->Add(QString::fromUtf8(s));
    cb->SetItemIndex(1);
    edit->SetFocus();
    X11::Flush();
    const QColor mark = ColorToQColor(clHighlight);
    EXPECT_EQ(OnScreen(cb, mark), 0);
    ASSERT_TRUE(X11::Key(QStringLiteral("Tab")));
    ASSERT_TRUE(cb->Focused());
    EXPECT_GT(OnScreen(cb, mark), 100) << "the chosen item in the selection colour";
    X11::Screenshot(QStringLiteral("look-combo-focus"));
    ASSERT_TRUE(X11::Key(QStringLiteral("shift+Tab")));
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(OnScreen(cb, mark), 0);
}

} // namespace
