// Window hooks on real windows (offscreen): the order the listeners hear a message in, a
// listener that takes a message for itself, the window's end and its new window, and control
// hooks freed only later, from the hook list's own window.
#include "ControlsTestSupport.h"
#include "RxHook.h"

namespace {

constexpr UINT WM_PROBE = WM_USER + 7;

// A window that counts the messages its own procedure got.
class TProbeControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    void Dispatch(TMessage& M) override {
        if (M.Msg == WM_PROBE || M.Msg == WM_QUIT || M.Msg == WM_DESTROY) Own.push_back(M.Msg);
        TCustomControl::Dispatch(M);
    }
    std::vector<UINT> Own;
};

class HookTest : public ControlsFormTest {
protected:
    void SetUp() override {
        ControlsFormTest::SetUp();
        probe = form->Add<TProbeControl>(10, 10, 100, 50);
        probe->HandleNeeded();
    }
    void TearDown() override {
        FreeHookList();
        ControlsFormTest::TearDown();
    }
    // A listener that writes "<name>+" before and "<name>-" after a message into the log;
    // Takes: the message ids it marks handled before the window sees them.
    TRxWindowHook* listener(const QString& Name, std::vector<UINT> Takes = {}) {
        auto* h = new TRxWindowHook(form);
        h->BeforeMessage = [this, Name, Takes](TObject*, TMessage& M, bool& Handled) {
            if (M.Msg != WM_PROBE && M.Msg != WM_QUIT && M.Msg != WM_DESTROY) return;
            log << Name + QStringLiteral("+");
            if (std::find(Takes.begin(), Takes.end(), M.Msg) != Takes.end()) Handled = true;
        };
        h->AfterMessage = [this, Name](TObject*, TMessage& M, bool&) {
            if (M.Msg != WM_PROBE && M.Msg != WM_QUIT && M.Msg != WM_DESTROY) return;
            log << Name + QStringLiteral("-");
        };
        h->SetWinControl(probe);
        return h;
    }
    TProbeControl* probe = nullptr;
    QStringList log;
};

TEST_F(HookTest, TheLaterListenerHearsFirstAndMayKeepAMessage) {
    TRxWindowHook* a = listener(QStringLiteral("a"));
    TRxWindowHook* b = listener(QStringLiteral("b"), {WM_PROBE});
    ASSERT_NE(a->GetControlHook(), nullptr);
    EXPECT_EQ(a->GetControlHook(), b->GetControlHook());
    EXPECT_EQ(HookListInstance()->Count(), 1);
    EXPECT_TRUE(a->GetActive());

    struct Case {
        UINT Msg;
        const char* Log;
        size_t Own;
    } cases[] = {
        // b keeps the probe: a and the window never see it
        {WM_PROBE, "b+", 0},
        // the quit message skips the before-phase, reaches the window and the after-phase
        {WM_QUIT, "b- a-", 1},
    };
    for (const Case& c : cases) {
        log.clear();
        SendMessage(probe->GetHandle(), c.Msg, 0, 0);
        EXPECT_EQ(log.join(u' '), QString::fromLatin1(c.Log)) << c.Msg;
        EXPECT_EQ(probe->Own.size(), c.Own) << c.Msg;
    }
    // without b, a hears it before and after the window
    b->SetActive(false);
    log.clear();
    SendMessage(probe->GetHandle(), WM_PROBE, 0, 0);
    EXPECT_EQ(log.join(u' '), QStringLiteral("a+ a-"));
    EXPECT_EQ(probe->Own.back(), WM_PROBE);
    // active again: b is the latest listener once more
    b->SetActive(true);
    log.clear();
    SendMessage(probe->GetHandle(), WM_PROBE, 0, 0);
    EXPECT_EQ(log.join(u' '), QStringLiteral("b+"));
}

TEST_F(HookTest, TheWindowsEndReachesEveryoneAndTheNewWindowIsHookedAgain) {
    listener(QStringLiteral("a"));
    TRxWindowHook* b = listener(QStringLiteral("b"), {WM_DESTROY});
    QWidget* oldWindow = probe->GetHandle();
    probe->RecreateWnd();
    probe->HandleNeeded();
    // b took WM_DESTROY, yet the window got it, and both listeners heard its end
    EXPECT_EQ(log.join(u' '), QStringLiteral("b+ b- a-"));
    ASSERT_FALSE(probe->Own.empty());
    EXPECT_EQ(probe->Own.back(), WM_DESTROY);
    ASSERT_NE(probe->GetHandle(), oldWindow);
    // the new window is subclassed once the posted message is handled
    QApplication::processEvents();
    EXPECT_EQ(GetWindowProc(probe->GetHandle()), b->GetControlHook()->GetHookProc());
    log.clear();
    SendMessage(probe->GetHandle(), WM_PROBE, 0, 0);
    EXPECT_EQ(log.join(u' '), QStringLiteral("b+ a+ b- a-"));
}

TEST_F(HookTest, DetachingLeavesALaterSubclassAndFreesTheHookLater) {
    TRxWindowHook* a = listener(QStringLiteral("a"));
    TControlHook* shared = a->GetControlHook();
    const TWndProc hooked = GetWindowProc(probe->GetHandle());
    EXPECT_EQ(hooked, shared->GetHookProc());
    // someone else subclasses the window after the hook
    int seen = 0;
    TWndProc other = MakeWndProc([&](HWND W, UINT M, WPARAM WP, LPARAM LP) {
        if (M == WM_PROBE) ++seen;
        return CallWindowProc(hooked, W, M, WP, LP);
    });
    SetWindowProc(probe->GetHandle(), other);
    a->SetWinControl(nullptr);
    EXPECT_EQ(GetWindowProc(probe->GetHandle()), other);
    EXPECT_EQ(a->GetControlHook(), nullptr);
    // the control hook without listeners goes only when its message is handled
    EXPECT_TRUE(HookListInstance()->Contains(shared));
    QApplication::processEvents();
    EXPECT_FALSE(HookListInstance()->Contains(shared));
    EXPECT_EQ(HookListInstance()->Count(), 0);
    SetWindowProc(probe->GetHandle(), probe->GetDefWndProc());

    // a hook on its own form is stored as such
    auto* onForm = new TRxWindowHook(form);
    EXPECT_FALSE(onForm->GetIsForm());
    onForm->SetIsForm(true);
    EXPECT_EQ(onForm->GetWinControl(), form);
    EXPECT_TRUE(onForm->GetIsForm());
    // a control freed under its hook leaves the hook without a control
    TRxWindowHook* c = listener(QStringLiteral("c"));
    delete probe;
    probe = nullptr;
    EXPECT_EQ(c->GetWinControl(), nullptr);
    QApplication::processEvents();
}

} // namespace
