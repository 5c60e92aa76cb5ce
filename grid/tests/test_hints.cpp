// The grid's tool tips and title hints: a cut-off text shows whole in a tip over its cell (at
// once), a text that fits shows none, a title's hint shows instead of a tip, Ctrl hides them all.
#include "GridTestSupport.h"
#include "UiTestSupport.h"

namespace {

class HintTest : public StaffColumnsTest {
protected:
    void SetUp() override {
        StaffColumnsTest::SetUp();
        Column(1)->SetToolTips(true);
        Column(1)->GetTitle()->SetToolTips(true);
        Column(1)->SetWidth(40); // "Іваненко" is cut off
        Column(0)->SetToolTips(true);
        QApplication::processEvents();
    }
    void TearDown() override {
        SetTrackedInputState({}, {});
        StaffColumnsTest::TearDown();
    }
    // What the grid answers for a hint over raw cell (ACol, ARow), starting from the grid's own.
    THintInfo Ask(int ACol, int ARow) {
        const TRect r = grid->CellRect(ACol, ARow);
        THintInfo info;
        info.HintControl = grid;
        info.CursorPos = TPoint{r.Left + 5, (r.Top + r.Bottom) / 2};
        info.HintStr = "grid";
        info.HintMaxWidth = 1000;
        grid->Perform(CM_HINTSHOW, 0, LPARAM(&info));
        return info;
    }
    int Pause(int ACol, int ARow) {
        const TRect r = grid->CellRect(ACol, ARow);
        grid->MouseMove({}, r.Left + 5, (r.Top + r.Bottom) / 2);
        int pause = 500;
        grid->Perform(CM_HINTSHOWPAUSE, 1, LPARAM(&pause));
        return pause;
    }
};

TEST_F(HintTest, CutTextsShowWholeAndTitlesShowTheirHints) {
    struct Case {
        const char* what;
        int col, row;
        std::function<void()> setUp;
        QString hint;
        bool tip; // shown in the tool tip window
        int pause;
    };
    const Case cases[] = {
        {"a cut-off surname", 2, 1, [] {}, "Іваненко", true, 0},
        {"a number that fits", 1, 1, [] {}, "", false, 0},
        {"a column without tool tips", 3, 1, [] {}, "grid", false, 500},
        {"a cut-off title", 2, 0, [&] { Column(1)->GetTitle()->SetCaption("Прізвище"); },
         "Прізвище", true, 0},
        {"a title with a hint shows the hint", 2, 0,
         [&] { Column(1)->GetTitle()->SetHint("Прізвище працівника|За паспортом"); },
         "Прізвище працівника", false, 500},
        {"Ctrl hides the tips", 2, 1, [&] { SetTrackedInputState(Qt::ControlModifier, {}); }, "",
         false, 0},
        {"a wide column shows all", 2, 1, [&] { Column(1)->SetWidth(200); }, "", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.setUp();
        QApplication::processEvents();
        const THintInfo info = Ask(c.col, c.row);
        EXPECT_EQ(info.HintStr, c.hint);
        EXPECT_EQ(bool(info.HintWindowClass), c.tip);
        if (c.tip) {
            EXPECT_EQ(info.CursorRect, grid->CellRect(c.col, c.row));
            EXPECT_EQ(info.HintPos.Y, grid->ClientToScreen(TPoint{0, info.CursorRect.Top - 1}).Y);
        }
        EXPECT_EQ(Pause(c.col, c.row), c.pause);
        SetTrackedInputState({}, {});
        Column(1)->SetWidth(40);
        Column(1)->GetTitle()->SetHint("");
    }
}

TEST_F(HintTest, TheTipTakesTheFontOfItsCell) {
    Column(1)->GetFont()->SetSize(16);
    const THintInfo big = Ask(2, 1);
    ASSERT_TRUE(big.HintWindowClass);
    std::unique_ptr<THintWindow> w(big.HintWindowClass(nullptr));
    const TRect large = w->CalcHintRect(1000, big.HintStr, big.HintData);
    Column(1)->GetFont()->SetSize(8);
    const THintInfo small = Ask(2, 1);
    const TRect little = w->CalcHintRect(1000, small.HintStr, small.HintData);
    EXPECT_GT(large.Height(), little.Height());
    EXPECT_GT(large.Width(), little.Width());
    EXPECT_EQ(w->GetFont()->GetColor(), clInfoText);
}

// The mouse resting on cells through the platform: the grid has no hint text of its own, yet
// a cut-off text shows its tip at once, another cell hides it, a fitting text shows none.
TEST_F(HintTest, TheMouseRestingOnACutCellShowsItsTip) {
    ManualTimers timers;
    grid->SetShowHint(true);
    ASSERT_TRUE(grid->GetHint().isEmpty());
    auto moveTo = [&](int ACol, int ARow) {
        const TRect r = grid->CellRect(ACol, ARow);
        SendMouse(grid, QEvent::MouseMove, r.Left + 5, (r.Top + r.Bottom) / 2);
        timers.Source.Advance(1);
    };
    auto shown = [&]() -> QString {
        THintWindow* w = Application->GetHintWindow();
        if (!w || !w->HandleAllocated() || !w->GetHandle()->isVisible()) return QString();
        return dynamic_cast<TToolTipsWindow*>(w) ? w->GetText() : QStringLiteral("?");
    };
    moveTo(2, 1);
    EXPECT_EQ(shown(), "Іваненко");
    moveTo(2, 2);
    EXPECT_EQ(shown(), "Петренко");
    moveTo(1, 2); // "00002" fits
    EXPECT_EQ(shown(), QString());
    moveTo(2, 1); // back to a cut one
    EXPECT_EQ(shown(), "Іваненко");
}

} // namespace
