// Messages made from real Qt events, posted messages, window procedures, timers, focus and
// tab order, on a form built in code.
#include "UiTestSupport.h"

#include <QScrollBar>

namespace {

// A form with two windowed probes and a windowless one.
class TProbeForm : public TForm {
    KADRION_CLASS(TProbeForm)
    explicit TProbeForm(TComponent* AOwner) : TForm(AOwner) {
        BeginLoading();
        SetBounds(10, 10, 300, 200);
        SetCaption(QStringLiteral("Проба"));
        First = new TProbe(this);
        First->SetName(QStringLiteral("First"));
        First->SetBounds(10, 10, 100, 50);
        First->SetParent(this);
        Second = new TProbe(this);
        Second->SetName(QStringLiteral("Second"));
        Second->SetBounds(10, 70, 100, 50);
        Second->SetParent(this);
        Graphic = new TGraphicProbe(this);
        Graphic->SetBounds(150, 10, 40, 30);
        Graphic->SetParent(this);
        EndLoading();
    }
    TProbe* First;
    TProbe* Second;
    TGraphicProbe* Graphic;
};

const std::set<UINT> kInput = {WM_LBUTTONDOWN, WM_LBUTTONUP,  WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                               WM_RBUTTONUP,   WM_KEYDOWN,    WM_KEYUP,         WM_CHAR,
                               WM_CONTEXTMENU, WM_MOUSEWHEEL, WM_USER + 1,      WM_USER + 2,
                               WM_USER + 3};

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = CreateNewForm<TProbeForm>(nullptr);
        form->Show();
        QApplication::processEvents();
        form->First->Log.Clear();
        form->Second->Log.Clear();
        form->Graphic->Log.Clear();
    }
    void TearDown() override {
        delete form;
        QApplication::processEvents();
    }
    TProbeForm* form = nullptr;
};

TEST_F(MessagesTest, QtMouseAndKeyEventsArriveAsMessagesInOrder) {
    int clicks = 0, doubleClicks = 0;
    TProbe* p = form->First;
    p->OnClick = [&](TObject*) { ++clicks; };
    p->OnDblClick = [&](TObject*) { ++doubleClicks; };
    QChar typed;
    WORD keyDown = 0;
    p->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) { keyDown = Key; };
    p->OnKeyPress = [&](TObject*, QChar& Key) { typed = Key; };

    // a click, then a double click (Qt sends press, release, double click, release)
    Click(p, 5, 6);
    SendMouse(p, QEvent::MouseButtonPress, 5, 6);
    SendMouse(p, QEvent::MouseButtonRelease, 5, 6);
    SendMouse(p, QEvent::MouseButtonDblClick, 5, 6);
    SendMouse(p, QEvent::MouseButtonRelease, 5, 6);
    // the Cyrillic letter "ф" on its key (the key of A)
    SendKey(p, 0x0424, QStringLiteral("ф"));

    std::vector<UINT> expected = {WM_LBUTTONDOWN, WM_LBUTTONUP,     WM_LBUTTONDOWN,
                                  WM_LBUTTONUP,   WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                  WM_KEYDOWN,     WM_CHAR,          WM_KEYUP};
    EXPECT_EQ(p->Log.Only(kInput), expected);
    const LoggedMsg* down = p->Log.First(WM_LBUTTONDOWN);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(GET_X_LPARAM(down->LParam), 5);
    EXPECT_EQ(GET_Y_LPARAM(down->LParam), 6);
    EXPECT_EQ(p->Log.First(WM_KEYDOWN)->WParam, WPARAM('A'));
    EXPECT_EQ(p->Log.First(WM_CHAR)->WParam, WPARAM(u'ф'));
    EXPECT_EQ(keyDown, WORD('A'));
    EXPECT_EQ(typed, QChar(u'ф'));
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_TRUE(form->Second->Log.Only(kInput).empty());
}

TEST_F(MessagesTest, WindowlessControlGetsTheMouseOfItsArea) {
    int clicks = 0;
    TPoint at;
    form->Graphic->OnClick = [&](TObject*) { ++clicks; };
    form->Graphic->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) {
        at = TPoint{X, Y};
    };
    Click(form, 155, 17); // the form's client area, inside the graphic control
    EXPECT_EQ(form->Graphic->Log.Only(kInput), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(at, (TPoint{5, 7}));
    EXPECT_EQ(clicks, 1);
    // outside it the form itself has the click
    form->Graphic->Log.Clear();
    Click(form, 250, 150);
    EXPECT_TRUE(form->Graphic->Log.Only(kInput).empty());
}

TEST_F(MessagesTest, MouseCaptureKeepsTheMouseOnThePressedControl) {
    TProbe* p = form->First;
    SendMouse(p, QEvent::MouseButtonPress, 5, 5);
    EXPECT_EQ(GetCaptureControl(), p); // csCaptureMouse
    // a move over the other control still goes to the captured one
    SendMouse(form->Second, QEvent::MouseMove, 5, 5);
    EXPECT_EQ(p->Log.Count(WM_MOUSEMOVE), 1);
    EXPECT_EQ(form->Second->Log.Count(WM_MOUSEMOVE), 0);
    const LoggedMsg* mv = p->Log.First(WM_MOUSEMOVE);
    EXPECT_EQ(GET_Y_LPARAM(mv->LParam), 65); // Second lies 60 pixels lower
    SendMouse(p, QEvent::MouseButtonRelease, 5, 5);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MessagesTest, PostedMessageIsDeliveredOnceAndARemovedOneNever) {
    HWND h = form->First->GetHandle();
    ASSERT_TRUE(PostMessage(h, WM_USER + 1, 11, 12));
    ASSERT_TRUE(PostMessage(h, WM_USER + 2, 21, 22));
    ASSERT_TRUE(PostMessage(h, WM_USER + 3, 31, 32));
    EXPECT_TRUE(form->First->Log.Only(kInput).empty()); // nothing before the loop runs

    TMsg m;
    EXPECT_TRUE(PeekMessage(m, h, WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 21u);
    EXPECT_TRUE(PeekMessage(m, h, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_FALSE(PeekMessage(m, h, WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessage(m, form->Second->GetHandle(), 0, 0, PM_NOREMOVE));

    Application->ProcessMessages();
    Application->ProcessMessages();
    EXPECT_EQ(form->First->Log.Only(kInput), (std::vector<UINT>{WM_USER + 1, WM_USER + 3}));
    EXPECT_EQ(form->First->Log.First(WM_USER + 3)->LParam, 32);
    EXPECT_EQ(QueuedMessageCount(), 0);
}

TEST_F(MessagesTest, MessagesQueuedForADestroyedWindowAreDropped) {
    HWND h = form->Second->GetHandle();
    PostMessage(h, WM_USER + 1, 0, 0);
    form->Second->SetParent(nullptr); // destroys its window
    delete form->Second;
    form->Second = nullptr;
    EXPECT_FALSE(PostMessage(h, WM_USER + 1, 0, 0));
    Application->ProcessMessages();
    EXPECT_EQ(QueuedMessageCount(), 0);
}

TEST_F(MessagesTest, AWindowProcedureHookSeesMessagesAndCanSwallowThem) {
    HWND h = form->First->GetHandle();
    std::vector<UINT> seen;
    TWndProc previous;
    TWndProc hook = MakeWndProc([&](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        seen.push_back(msg);
        if (msg == WM_USER + 2) return 7; // handled here: the control never sees it
        return CallWindowProc(previous, w, msg, wp, lp);
    });
    previous = SetWindowProc(h, hook);
    EXPECT_EQ(previous, form->First->GetDefWndProc());
    EXPECT_EQ(SendMessage(h, WM_USER + 2, 0, 0), 7);
    SendMessage(h, WM_USER + 1, 0, 0);
    Click(form->First, 3, 3);
    EXPECT_EQ(form->First->Log.Only(kInput),
              (std::vector<UINT>{WM_USER + 1, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_LBUTTONDOWN), seen.end());
    // Perform goes to WindowProc directly, not through the window procedure
    seen.clear();
    form->First->Perform(WM_USER + 3, 0, 0);
    EXPECT_TRUE(seen.empty());
    // restoring
    EXPECT_EQ(SetWindowProc(h, previous), hook);
    seen.clear();
    SendMessage(h, WM_USER + 1, 0, 0);
    EXPECT_TRUE(seen.empty());
}

TEST_F(MessagesTest, WindowTimersTickThroughTheInjectedSource) {
    ManualTimers timers;
    HWND h = form->First->GetHandle();
    EXPECT_EQ(SetTimer(h, 7, 100), 7u);
    timers.Source.Advance(250);
    EXPECT_EQ(form->First->Log.Count(WM_TIMER), 2);
    EXPECT_EQ(form->First->Log.First(WM_TIMER)->WParam, 7u);
    // setting the same id again restarts it; killing stops it
    SetTimer(h, 7, 1000);
    EXPECT_EQ(timers.Source.ActiveCount(), 1);
    EXPECT_TRUE(KillTimer(h, 7));
    EXPECT_FALSE(KillTimer(h, 7));
    timers.Source.Advance(5000);
    EXPECT_EQ(form->First->Log.Count(WM_TIMER), 2);
    // a window that goes away takes its timers with it
    SetTimer(form->Second->GetHandle(), 1, 10);
    form->Second->DestroyHandle();
    EXPECT_EQ(timers.Source.ActiveCount(), 0);
}

TEST_F(MessagesTest, TabMovesTheFocusUnlessTheControlWantsTab) {
    std::vector<QString> trail;
    for (TProbe* p : {form->First, form->Second}) {
        p->OnEnter = [&trail](TObject* s) {
            trail.push_back(QStringLiteral("enter ") + static_cast<TComponent*>(s)->GetName());
        };
        p->OnExit = [&trail](TObject* s) {
            trail.push_back(QStringLiteral("exit ") + static_cast<TComponent*>(s)->GetName());
        };
    }
    form->First->SetFocus();
    ASSERT_TRUE(form->First->Focused());
    QApplication::processEvents();
    // Qt's focus follows, so keys typed for real go to the same window
    EXPECT_EQ(QApplication::focusWidget(), form->First->GetHandle());
    trail.clear();

    SendKey(form->First, Qt::Key_Tab, QStringLiteral("\t"));
    EXPECT_TRUE(form->Second->Focused());
    EXPECT_EQ(form->GetActiveControl(), form->Second);
    EXPECT_EQ(Screen->GetActiveControl(), form->Second);
    EXPECT_EQ(trail,
              (std::vector<QString>{QStringLiteral("exit First"), QStringLiteral("enter Second")}));
    // the Tab was a dialog key: the control never saw it as a key or a character
    EXPECT_EQ(form->First->Log.Count(WM_KEYDOWN), 0);
    EXPECT_EQ(form->First->Log.Count(WM_CHAR), 0);

    SendKey(form->Second, Qt::Key_Backtab, QString(), Qt::ShiftModifier);
    EXPECT_TRUE(form->First->Focused());

    // a control answering DLGC_WANTTAB keeps the key
    form->First->DlgCode = DLGC_WANTTAB;
    form->First->Log.Clear();
    SendKey(form->First, Qt::Key_Tab, QStringLiteral("\t"));
    EXPECT_TRUE(form->First->Focused());
    EXPECT_EQ(form->First->Log.First(WM_KEYDOWN)->WParam, WPARAM(VK_TAB));

    // arrows move among siblings unless DLGC_WANTARROWS
    form->First->DlgCode = 0;
    SendKey(form->First, Qt::Key_Down, QString());
    EXPECT_TRUE(form->Second->Focused());
    form->Second->DlgCode = DLGC_WANTARROWS;
    SendKey(form->Second, Qt::Key_Up, QString());
    EXPECT_TRUE(form->Second->Focused());
}

TEST_F(MessagesTest, KeyPreviewLetsTheFormSeeKeysFirst) {
    std::vector<QString> order;
    form->SetKeyPreview(true);
    form->OnKeyPress = [&](TObject*, QChar& Key) {
        order.push_back(QStringLiteral("form"));
        if (Key == u'x')
            Key = QChar(0); // swallowed
        else
            Key = Key.toUpper();
    };
    QChar got;
    form->First->OnKeyPress = [&](TObject*, QChar& Key) {
        order.push_back(QStringLiteral("control"));
        got = Key;
    };
    form->First->SetFocus();
    SendKey(form->First, Qt::Key_B, QStringLiteral("b"));
    EXPECT_EQ(got, QChar(u'B'));
    SendKey(form->First, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(order, (std::vector<QString>{QStringLiteral("form"), QStringLiteral("control"),
                                           QStringLiteral("form")}));
}

TEST_F(MessagesTest, ScrollBarsOfAWindow) {
    HWND h = form->First->GetHandle();
    int clientWidth = form->First->GetClientWidth();
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 95; // beyond the last reachable position
    EXPECT_EQ(SetScrollInfo(h, SB_VERT, si, true), 90);
    EXPECT_TRUE(ScrollBarVisible(h, SB_VERT));
    EXPECT_EQ(form->First->GetClientWidth(), clientWidth - GetSystemMetrics(SM_CXVSCROLL));

    TScrollInfo got;
    got.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(h, SB_VERT, got));
    EXPECT_EQ(got.nMax, 99);
    EXPECT_EQ(got.nPage, 10u);
    EXPECT_EQ(got.nPos, 90);

    // the arrow asks; the position stays until the program moves it
    form->First->Log.Clear();
    WindowScrollBar(h, SB_VERT)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    const LoggedMsg* m = form->First->Log.First(WM_VSCROLL);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(LOWORD(m->WParam), SB_LINEUP);
    EXPECT_EQ(form->First->Log.Count(WM_VSCROLL), 2); // and SB_ENDSCROLL
    EXPECT_EQ(GetScrollPos(h, SB_VERT), 90);

    // a range that fits in the page hides the bar again
    si.fMask = SIF_RANGE;
    si.nMax = 5;
    SetScrollInfo(h, SB_VERT, si, true);
    EXPECT_FALSE(ScrollBarVisible(h, SB_VERT));
    EXPECT_EQ(form->First->GetClientWidth(), clientWidth);
}

TEST_F(MessagesTest, PaintingShowsControlsAndWindowlessChildren) {
    QImage img = form->GetHandle()->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(20, 20)), ColorToQColor(clRed));       // First
    EXPECT_EQ(QColor(img.pixel(160, 20)), ColorToQColor(clBlue));     // the graphic control
    EXPECT_EQ(QColor(img.pixel(250, 180)), ColorToQColor(clBtnFace)); // the form's background
    form->First->PaintColor = clLime;
    form->First->Repaint();
    img = form->GetHandle()->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(20, 20)), ColorToQColor(clLime));
    EXPECT_GE(form->First->Log.Count(WM_PAINT), 1);

    // drawing outside painting shows at once and stays until the window is painted again
    int paints = form->First->Log.Count(WM_PAINT);
    TCanvas* c = form->First->GetCanvas();
    c->GetBrush()->SetColor(clYellow);
    c->FillRect(TRect{0, 0, 5, 5});
    img = form->First->GetHandle()->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(2, 2)), ColorToQColor(clYellow));
    EXPECT_EQ(QColor(img.pixel(8, 8)), ColorToQColor(clLime));
    EXPECT_EQ(form->First->Log.Count(WM_PAINT), paints); // shown as drawn, not painted over
    form->First->Invalidate();
    img = form->First->GetHandle()->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(2, 2)), ColorToQColor(clLime));
}

TEST_F(MessagesTest, ScrollWindowMovesThePixelsAndRepaintsOnlyTheUncoveredPart) {
    // rows of 10 pixels, red and blue by turns, counted from a scroll offset
    int offset = 0;
    TProbe* p = form->First; // 100 x 50
    p->PaintWith = [&](TCanvas* c) {
        for (int y = 0; y < 50; y += 10) {
            c->GetBrush()->SetColor(((y + offset) / 10) % 2 ? clBlue : clRed);
            c->FillRect(TRect{0, y, 100, y + 10});
        }
    };
    HWND h = p->GetHandle();
    QImage img = h->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(5, 5)), ColorToQColor(clRed));
    int paints = p->Log.Count(WM_PAINT);
    offset = 10;
    ASSERT_TRUE(ScrollWindow(h, 0, -10, nullptr, nullptr));
    // a wrong row colour in the moved part would show that it was not moved
    p->PaintWith = [&](TCanvas* c) {
        for (int y = 0; y < 50; y += 10) {
            c->GetBrush()->SetColor(y < 40 ? clLime : (((y + offset) / 10) % 2 ? clBlue : clRed));
            c->FillRect(TRect{0, y, 100, y + 10});
        }
    };
    img = h->grab().toImage();
    EXPECT_EQ(p->Log.Count(WM_PAINT), paints + 1);
    for (int y = 5; y < 50; y += 10)
        EXPECT_EQ(QColor(img.pixel(50, y)),
                  ColorToQColor(((y - 5 + offset) / 10) % 2 ? clBlue : clRed))
            << "row at " << y;
}

} // namespace
