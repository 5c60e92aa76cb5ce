// The combo edit with a plain drop-down: the button's width and glyphs, where the drop-down
// opens near the screen's edges, direct input and read-only, accepting and cancelling.
#include "Clipbrd.h"
#include "ControlsTestSupport.h"

#include <QLineEdit>

namespace {

// A drop-down that holds a text value.
class TTextPopup : public TPopupWindow {
public:
    explicit TTextPopup(TWinControl* AOwner) : TPopupWindow(AOwner) { SetBounds(0, 0, 200, 100); }
    Variant GetValue() override { return Value; }
    void SetValue(const Variant& V) override {
        Received = V;
        Value = QStringLiteral("вибрано");
    }
    Variant Value;
    Variant Received;
};

class TTextComboEdit : public TCustomComboEdit {
public:
    explicit TTextComboEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {
        popup = new TTextPopup(this);
        popup->OnCloseUp = [this](TObject* S, bool A) { PopupCloseUp(S, A); };
    }
    TTextPopup* Popup() { return static_cast<TTextPopup*>(popup); }
};

class ComboEditTest : public ControlsFormTest {
protected:
    void SetUp() override {
        ControlsFormTest::SetUp();
        edit = form->Add<TTextComboEdit>(150, 10, 120, 21);
        edit->OnButtonClick = [this](TObject*) { ++buttonClicks; };
        edit->OnChange = [this](TObject*) { ++changes; };
        other = form->Add<TEdit>(10, 60, 100, 21);
        edit->SetFocus();
        QApplication::processEvents();
    }
    void openWithKey() { SendKey(edit, Qt::Key_Down, QString(), Qt::AltModifier); }
    TTextComboEdit* edit = nullptr;
    TEdit* other = nullptr;
    int buttonClicks = 0;
    int changes = 0;
};

TEST_F(ComboEditTest, TheButtonWidthAndItsGlyphs) {
    TWinControl* box = edit->GetButtonContainer();
    EXPECT_TRUE(box->GetVisible());
    EXPECT_EQ(edit->GetButtonWidth(), 21);
    // inside the frame at the right edge, the text kept clear of it
    EXPECT_EQ(box->GetLeft() + box->GetWidth(), edit->GetWidth() - 2);
    EXPECT_EQ(edit->LineEdit()->textMargins().right(), 21);
    edit->SetButtonWidth(30);
    EXPECT_EQ(box->GetLeft(), edit->GetWidth() - 2 - 30);
    edit->SetButtonWidth(edit->GetClientWidth()); // as wide as the edit: ignored
    EXPECT_EQ(edit->GetButtonWidth(), 30);
    for (int w : {0, 1}) {
        edit->SetButtonWidth(w);
        EXPECT_FALSE(box->GetVisible());
        EXPECT_EQ(edit->LineEdit()->textMargins().right(), 0);
        openWithKey(); // ClickKey does nothing without a button
        EXPECT_FALSE(edit->GetPopupVisible());
        EXPECT_EQ(buttonClicks, 0);
    }
    edit->SetButtonWidth(21);
    EXPECT_TRUE(box->GetVisible());

    edit->SetGlyphKind(gkEllipsis);
    EXPECT_EQ(edit->GetGlyph()->GetWidth(), 15);
    EXPECT_EQ(edit->GetGlyph()->GetHeight(), 4);
    EXPECT_EQ(edit->GetNumGlyphs(), 1);
    edit->SetNumGlyphs(3);
    EXPECT_EQ(edit->GetNumGlyphs(), 1);
    edit->SetGlyphKind(gkDropDown);
    EXPECT_EQ(edit->GetButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
    TBitmap own(12, 12);
    edit->SetGlyph(&own);
    EXPECT_EQ(edit->GetGlyphKind(), gkCustom);
}

TEST_F(ComboEditTest, TheDropDownFitsOnTheScreen) {
    const int sw = Screen->GetWidth(), sh = Screen->GetHeight();
    struct Case {
        int X, Y; // where the edit's form goes (negative: from the right or bottom edge)
        TPopupAlign Align;
        const char* What;
    };
    const Case cases[] = {
        {200, 100, epaRight, "below, right edges aligned"},
        {200, -60, epaRight, "near the bottom: above"},
        {160, 100, epaRight, "near the left edge: left edges aligned instead"},
        {-420 + 150 - 20, 100, epaLeft, "left edges aligned"},
        {-150, 100, epaLeft, "left aligned past the right edge: pushed left"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const int fx = c.X < 0 ? sw + c.X : c.X, fy = c.Y < 0 ? sh + c.Y : c.Y;
        form->SetBounds(fx - 150, fy - 10, 420, 320);
        QApplication::processEvents();
        edit->SetPopupAlign(c.Align);
        openWithKey();
        ASSERT_TRUE(edit->GetPopupVisible());
        const TPoint e = edit->ClientToScreen(TPoint{0, 0});
        TTextPopup* p = edit->Popup();
        if (e.Y + edit->GetHeight() + p->GetHeight() > sh) {
            EXPECT_EQ(p->GetTop() + p->GetHeight(), e.Y);
        } else {
            EXPECT_EQ(p->GetTop(), e.Y + edit->GetHeight());
        }
        EXPECT_GE(p->GetLeft(), 0);
        EXPECT_LE(p->GetLeft() + p->GetWidth(), sw);
        if (c.Align == epaRight && e.X + edit->GetWidth() - p->GetWidth() >= 0) {
            EXPECT_EQ(p->GetLeft() + p->GetWidth(), e.X + edit->GetWidth());
        }
        if (c.Align == epaRight && e.X + edit->GetWidth() - p->GetWidth() < 0) {
            EXPECT_EQ(p->GetLeft(), e.X);
        }
        if (c.Align == epaLeft && e.X + p->GetWidth() <= sw) {
            EXPECT_EQ(p->GetLeft(), e.X);
        }
        if (c.Align == epaLeft && e.X + p->GetWidth() > sw) {
            EXPECT_EQ(p->GetLeft() + p->GetWidth(), e.X + edit->GetWidth());
        }
        PressKey(edit, Qt::Key_Escape);
        EXPECT_FALSE(edit->GetPopupVisible());
    }
}

TEST_F(ComboEditTest, AcceptingAndCancelling) {
    edit->SetText(QStringLiteral("старе"));
    changes = 0;
    openWithKey();
    ASSERT_TRUE(edit->GetPopupVisible());
    EXPECT_EQ(edit->Popup()->Received.AsString(), QStringLiteral("старе"));
    // typing is off while the drop-down is open (the button opens it so)
    Click(edit->GetButtonContainer(), 5, 5);
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_EQ(edit->GetText(), QStringLiteral("вибрано"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(buttonClicks, 1);
    edit->SetText(QString());
    Click(edit->GetButtonContainer(), 5, 5);
    EXPECT_TRUE(edit->Popup()->Received.IsNull()); // an empty text is a null value
    EXPECT_TRUE(edit->LineEdit()->isReadOnly());
    PressKey(edit, Qt::Key_Escape);
    EXPECT_FALSE(edit->LineEdit()->isReadOnly());
    EXPECT_EQ(edit->GetText(), QString());
    // losing the focus closes it without taking the value
    Click(edit->GetButtonContainer(), 5, 5);
    other->SetFocus();
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_EQ(edit->GetText(), QString());
    EXPECT_EQ(form->GetActiveControl(), other);
}

TEST_F(ComboEditTest, DirectInputAndReadOnly) {
    edit->SetText(QStringLiteral("Київ"));
    edit->SetDirectInput(false);
    other->SetFocus();
    edit->SetFocus();
    EXPECT_EQ(edit->GetSelLength(), 0); // entering does not select
    TypeText(edit, QStringLiteral("ab"));
    Clipboard()->SetAsText(QStringLiteral("Львів"));
    edit->Perform(WM_PASTE, 0, 0);
    edit->SelectAll();
    edit->Perform(WM_CUT, 0, 0);
    EXPECT_EQ(edit->GetText(), QStringLiteral("Київ"));
    // the button and ClickKey still work
    openWithKey();
    EXPECT_TRUE(edit->GetPopupVisible());
    PressKey(edit, Qt::Key_Return);
    EXPECT_EQ(edit->GetText(), QStringLiteral("вибрано"));

    edit->SetDirectInput(true);
    edit->SetReadOnly(true);
    Click(edit->GetButtonContainer(), 5, 5);
    openWithKey();
    edit->PopupDropDown(false);
    EXPECT_FALSE(edit->GetPopupVisible());
    EXPECT_EQ(buttonClicks, 1);
    TypeText(edit, QStringLiteral("x"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("вибрано"));
    edit->SetReadOnly(false);
    edit->SetSelStart(0);
    TypeText(edit, QStringLiteral("Я"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("Явибрано"));
}

} // namespace
