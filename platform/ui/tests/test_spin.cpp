// The spin edit: its value kept within the bounds, typing, the arrow keys and its buttons.
#include "Spin.h"
#include "StdTestSupport.h"

namespace {

class SpinEditTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        spin = form->Add<TSpinEdit>(10, 10, 80, 22);
        spin->SetMinValue(1990);
        spin->SetMaxValue(2100);
        spin->SetFocus();
    }
    TSpinEdit* spin = nullptr;
};

TEST_F(SpinEditTest, TheValueStaysWithinTheBoundsWhateverItComesFrom) {
    struct Case {
        const char* Text;
        long Value;
    };
    for (const Case& c : {Case{"2024", 2024}, Case{"1985", 1990}, Case{"2500", 2100},
                          Case{"", 1990}, Case{"двадцять", 1990}, Case{" 2001 ", 2001}}) {
        spin->SetText(QString::fromUtf8(c.Text));
        EXPECT_EQ(spin->GetValue(), c.Value) << c.Text;
    }
    spin->SetValue(3000);
    EXPECT_EQ(spin->GetText(), QStringLiteral("2100"));
    // Without bounds any value goes.
    spin->SetMaxValue(0);
    spin->SetMinValue(0);
    spin->SetValue(-7);
    EXPECT_EQ(spin->GetValue(), -7);
}

TEST_F(SpinEditTest, TypingKeepsDigitsAndTheArrowsAndButtonsStepWithinTheBounds) {
    spin->SetValue(2099);
    spin->SelectAll();
    TypeText(spin, QStringLiteral("20x2я4"));
    EXPECT_EQ(spin->GetText(), QStringLiteral("2024"));
    PressKey(spin, Qt::Key_Up);
    EXPECT_EQ(spin->GetValue(), 2025);
    PressKey(spin, Qt::Key_Down);
    PressKey(spin, Qt::Key_Down);
    EXPECT_EQ(spin->GetValue(), 2023);

    spin->SetValue(2099);
    TSpinButton* b = spin->GetButton();
    ASSERT_NE(b, nullptr);
    EXPECT_GT(b->GetLeft(), spin->GetWidth() / 2);
    Click(b, b->GetWidth() / 2, 2); // the upper half
    Click(b, b->GetWidth() / 2, 2);
    EXPECT_EQ(spin->GetValue(), 2100);
    Click(b, b->GetWidth() / 2, b->GetHeight() - 2); // the lower half
    EXPECT_EQ(spin->GetValue(), 2099);

    // Typed out of the bounds, the value comes back within them when the edit is left.
    spin->SetText(QStringLiteral("1900"));
    auto* other = form->Add<TEdit>(10, 40, 80, 22);
    other->SetFocus();
    EXPECT_EQ(spin->GetText(), QStringLiteral("1990"));
}

} // namespace
