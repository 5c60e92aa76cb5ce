// A native Qt control as a window handle, mouse enter/leave, hints and the caret.
#include "UiTestSupport.h"

#include <QLineEdit>

namespace {

// An edit whose window is a QLineEdit, as the standard edits will be.
class TNativeEdit : public TWinControl {
    KADRION_CLASS(TNativeEdit)
    explicit TNativeEdit(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }
    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override {
        auto* e = new QLineEdit(ParentWidget);
        e->setText(text);
        return e;
    }
    QString GetTextBuf() override {
        return HandleAllocated() ? static_cast<QLineEdit*>(GetHandle())->text() : text;
    }
    void SetTextBuf(const QString& Value) override {
        text = Value;
        if (HandleAllocated()) static_cast<QLineEdit*>(GetHandle())->setText(Value);
    }
    void WndProc(TMessage& Message) override {
        Log.Add(Message);
        TWinControl::WndProc(Message);
    }
    MessageLog Log;
};

class TEditForm : public TForm {
    KADRION_CLASS(TEditForm)
    explicit TEditForm(TComponent* AOwner) : TForm(AOwner) {
        BeginLoading();
        SetBounds(0, 0, 300, 120);
        Edit = new TNativeEdit(this);
        Edit->SetBounds(10, 10, 150, 22);
        Edit->SetParent(this);
        Left = new TProbe(this);
        Left->SetBounds(10, 50, 50, 30);
        Left->SetParent(this);
        Right = new TGraphicProbe(this);
        Right->SetBounds(100, 50, 50, 30);
        Right->SetParent(this);
        EndLoading();
    }
    TNativeEdit* Edit;
    TProbe* Left;
    TGraphicProbe* Right;
};

class NativeTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = CreateNewForm<TEditForm>(nullptr);
        form->Show();
        form->Edit->SetFocus();
    }
    void TearDown() override { delete form; }
    TEditForm* form = nullptr;
};

TEST_F(NativeTest, TheNativeControlTypesWhatTheMessagesLetThrough) {
    TNativeEdit* e = form->Edit;
    e->OnKeyPress = [](TObject*, QChar& Key) {
        if (Key == u'x')
            Key = QChar(0); // refused
        else
            Key = Key.toUpper();
    };
    SendKey(e, 0x0424, QStringLiteral("ф"));
    SendKey(e, Qt::Key_X, QStringLiteral("x"));
    SendKey(e, Qt::Key_1, QStringLiteral("1"));
    EXPECT_EQ(e->GetText(), QStringLiteral("Ф1"));
    EXPECT_EQ(e->Log.Count(WM_CHAR), 3);

    // a key handled by OnKeyDown never reaches the control
    e->OnKeyDown = [](TObject*, WORD& Key, TShiftState) {
        if (Key == VK_BACK) Key = 0;
    };
    SendKey(e, Qt::Key_Backspace, QString(QChar(8)));
    EXPECT_EQ(e->GetText(), QStringLiteral("Ф1"));
    e->OnKeyDown = nullptr;
    SendKey(e, Qt::Key_Backspace, QString(QChar(8)));
    EXPECT_EQ(e->GetText(), QStringLiteral("Ф"));

    // the text survives a new window
    e->RecreateWnd();
    EXPECT_EQ(e->GetText(), QStringLiteral("Ф"));
}

TEST_F(NativeTest, MouseEnterAndLeaveFollowTheControlUnderTheMouse) {
    std::vector<QString> trail;
    form->Left->OnMouseEnter = [&](TObject*) { trail.push_back(QStringLiteral("enter left")); };
    form->Left->OnMouseLeave = [&](TObject*) { trail.push_back(QStringLiteral("leave left")); };
    form->Right->OnMouseEnter = [&](TObject*) { trail.push_back(QStringLiteral("enter right")); };
    form->Right->OnMouseLeave = [&](TObject*) { trail.push_back(QStringLiteral("leave right")); };
    SendMouse(form->Left, QEvent::MouseMove, 5, 5);
    SendMouse(form->Left, QEvent::MouseMove, 6, 5);
    SendMouse(form, QEvent::MouseMove, 110, 60);  // over the windowless control
    SendMouse(form, QEvent::MouseMove, 250, 100); // the form itself
    EXPECT_EQ(trail,
              (std::vector<QString>{QStringLiteral("enter left"), QStringLiteral("leave left"),
                                    QStringLiteral("enter right"), QStringLiteral("leave right")}));
    EXPECT_EQ(form->Right->Log.Count(CM_MOUSEENTER), 1);
}

TEST_F(NativeTest, AHintShowsItsShortPartAfterTheHintPause) {
    ManualTimers timers;
    form->Left->SetHint(QStringLiteral("Прізвище|Прізвище працівника"));
    form->Left->SetShowHint(true);
    QString longHint;
    Application->OnHint = [&](TObject*) { longHint = Application->GetHint(); };
    SendMouse(form->Left, QEvent::MouseMove, 5, 5);
    EXPECT_EQ(longHint, QStringLiteral("Прізвище працівника"));
    Application->OnHint = nullptr;
    auto showing = [] {
        THintWindow* h = Application->GetHintWindow();
        return h && h->HandleAllocated() && h->GetHandle()->isVisible();
    };
    EXPECT_FALSE(showing());
    timers.Source.Advance(Application->GetHintPause() - 1);
    EXPECT_FALSE(showing());
    timers.Source.Advance(1); // the pause has passed
    THintWindow* w = Application->GetHintWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetCaption(), QStringLiteral("Прізвище"));
    EXPECT_TRUE(showing());
    EXPECT_GT(w->GetWidth(), 6);
    Application->CancelHint();
    EXPECT_FALSE(showing());
}

TEST_F(NativeTest, TheCaretIsDrawnInvertedOverThePainting) {
    HWND h = form->Left->GetHandle();
    ASSERT_TRUE(CreateCaret(h, 2, 10));
    SetCaretPos(4, 3);
    EXPECT_FALSE(CaretVisible());
    ShowCaret(h);
    EXPECT_TRUE(CaretVisible());
    QImage img = h->grab().toImage();
    QColor red = ColorToQColor(clRed);
    QColor inverted(255 - red.red(), 255 - red.green(), 255 - red.blue());
    EXPECT_EQ(QColor(img.pixel(5, 5)), inverted);
    EXPECT_EQ(QColor(img.pixel(8, 5)), red);
    HideCaret(h);
    img = h->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(5, 5)), red);
    DestroyCaret();
}

} // namespace
