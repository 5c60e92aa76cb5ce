// Forms: modal loop, MDI frame and children, closing, exceptions from handlers, the
// application's idle work and timers, layout of aligned and anchored controls.
#include "UiTestSupport.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

namespace {

// A form whose click target is a probe; built in code.
class TClickForm : public TForm {
    KADRION_CLASS(TClickForm)
    explicit TClickForm(TComponent* AOwner) : TForm(AOwner) {
        BeginLoading();
        SetBounds(0, 0, 200, 100);
        Button = new TProbe(this);
        Button->SetBounds(10, 10, 80, 24);
        Button->SetParent(this);
        EndLoading();
    }
    TProbe* Button;
};

TEST(ExceptionsTest, AnExceptionFromAClickHandlerIsShownAndTheProgramGoesOn) {
    ScriptedDialogs dialogs;
    auto* form = CreateNewForm<TClickForm>(nullptr);
    form->Show();
    struct Case {
        std::function<void()> Throw;
        int Shown;    // message boxes expected
        QString Text; // the text shown
    };
    const std::vector<Case> cases = {
        {[] { throw Exception(QStringLiteral("Помилка збереження")); }, 1,
         QStringLiteral("Помилка збереження.")},
        {[] { throw Exception(QStringLiteral("Такий номер вже існує.")); }, 1,
         QStringLiteral("Такий номер вже існує.")},
        {[] { throw EConvertError(QStringLiteral("'x' is not a valid integer value")); }, 1,
         QStringLiteral("'x' is not a valid integer value.")},
        {[] { throw std::runtime_error("disk full"); }, 1, QStringLiteral("disk full.")},
        {[] { Abort(); }, 0, QString()},
    };
    for (const Case& c : cases) {
        dialogs.Script.Asked.clear();
        form->Button->OnClick = [&c](TObject*) { c.Throw(); };
        Click(form->Button, 5, 5);
        ASSERT_EQ(int(dialogs.Script.Asked.size()), c.Shown) << c.Text.toStdString();
        if (c.Shown) {
            const auto& asked = dialogs.Script.Last();
            EXPECT_EQ(asked.Text, c.Text);
            EXPECT_EQ(asked.Caption, QStringLiteral("Кадри"));
            EXPECT_EQ(asked.Flags & MB_ICONMASK, MB_ICONSTOP);
            EXPECT_EQ(asked.Buttons, (std::vector<TMsgDlgBtn>{mbOK}));
        }
        // the program goes on: the next click works and the capture was let go
        EXPECT_EQ(GetCapture(), nullptr);
    }
    int clicks = 0;
    form->Button->OnClick = [&](TObject*) { ++clicks; };
    Click(form->Button, 5, 5);
    EXPECT_EQ(clicks, 1);
    delete form;
}

TEST(ExceptionsTest, OnExceptionReplacesTheMessageBox) {
    ScriptedDialogs dialogs;
    QString seen;
    Application->OnException = [&](TObject*, const Exception& E) { seen = E.Message; };
    auto* form = CreateNewForm<TClickForm>(nullptr);
    form->Show();
    form->Button->OnClick = [](TObject*) { throw Exception(QStringLiteral("boom")); };
    Click(form->Button, 5, 5);
    Application->OnException = nullptr;
    EXPECT_EQ(seen, QStringLiteral("boom"));
    EXPECT_TRUE(dialogs.Script.Asked.empty());
    delete form;
}

// A dialog closed from inside its own modal loop.
class TDialogForm : public TForm {
    KADRION_CLASS(TDialogForm)
    explicit TDialogForm(TComponent* AOwner) : TForm(AOwner) {
        SetBorderStyle(bsDialog);
        SetPosition(poScreenCenter);
        SetBounds(0, 0, 200, 100);
        OnShow = [this](TObject*) { PostMessage(GetHandle(), WM_USER + 10, mrOk, 0); };
    }
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == WM_USER + 10) {
            ++Answers;
            SetModalResult(TModalResult(Message.WParam));
            return;
        }
        TForm::Dispatch(Message);
    }
    int Answers = 0;
};

TEST(ModalTest, ShowModalReturnsTheModalResultSetInsideTheLoop) {
    auto* dlg = CreateNewForm<TDialogForm>(nullptr);
    int closes = 0;
    dlg->OnClose = [&](TObject*, TCloseAction&) { ++closes; };
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_FALSE(dlg->GetVisible());
    EXPECT_FALSE(dlg->GetFormState().Contains(fsModal));
    EXPECT_EQ(closes, 1);
    // centred on the screen when shown
    EXPECT_EQ(dlg->GetLeft(), (Screen->GetWidth() - 200) / 2);
    // a visible form cannot be made modal
    dlg->Show();
    EXPECT_THROW(dlg->ShowModal(), EInvalidOperation);
    delete dlg;
}

TEST(ModalTest, CloseQueryRefusingKeepsTheModalLoopRunning) {
    auto* dlg = CreateNewForm<TDialogForm>(nullptr);
    int asked = 0;
    dlg->OnCloseQuery = [&](TObject*, bool& CanClose) {
        CanClose = ++asked > 1;
        if (!CanClose) // the user answers again
            PostMessage(dlg->GetHandle(), WM_USER + 10, mrRetry, 0);
    };
    EXPECT_EQ(dlg->ShowModal(), mrRetry);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(dlg->Answers, 2);
    delete dlg;
}

TEST(ModalTest, ATimerOfTheInjectedSourceEndsTheLoop) {
    ManualTimers timers;
    auto* dlg = CreateNewForm<TForm>(nullptr);
    auto* t = new TTimer(dlg);
    t->SetInterval(500);
    int ticks = 0;
    t->SetOnTimer([&](TObject*) {
        if (++ticks == 3) dlg->SetModalResult(mrCancel);
    });
    // time moves on only when the loop runs (no real waiting)
    dlg->OnShow = [&](TObject*) {
        QTimer::singleShot(0, [&] { timers.Source.Advance(1499); });
        QTimer::singleShot(0, [&] { timers.Source.Advance(1); });
    };
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    EXPECT_EQ(ticks, 3);
    t->SetEnabled(false);
    EXPECT_EQ(timers.Source.ActiveCount(), 0);
    delete dlg;
}

// ---- MDI ----

class TFrame : public TForm {
    KADRION_CLASS(TFrame)
    explicit TFrame(TComponent* AOwner) : TForm(AOwner) {
        BeginLoading();
        SetFormStyle(fsMDIForm);
        SetBounds(0, 0, 640, 480);
        EndLoading();
    }
};

class TChild : public TForm {
    KADRION_CLASS(TChild)
    explicit TChild(TComponent* AOwner) : TForm(AOwner) {
        BeginLoading();
        SetFormStyle(fsMDIChild);
        SetBounds(0, 0, 200, 150);
        Edit = new TProbe(this);
        Edit->SetBounds(5, 5, 50, 20);
        Edit->SetParent(this);
        EndLoading();
    }
    TProbe* Edit;
};

class MdiTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = CreateNewForm<TFrame>(nullptr);
        Application->SetMainForm(frame);
        frame->Show();
    }
    void TearDown() override {
        Application->SetMainForm(nullptr);
        delete frame;
        QApplication::processEvents();
    }
    TFrame* frame = nullptr;
};

TEST_F(MdiTest, TheFrameHoldsItsChildrenInActivationOrder) {
    auto* a = CreateNewForm<TChild>(frame);
    a->SetCaption(QStringLiteral("A"));
    auto* b = CreateNewForm<TChild>(frame);
    b->SetCaption(QStringLiteral("B"));
    ASSERT_NE(frame->GetMDIArea(), nullptr);
    EXPECT_EQ(frame->GetMDIArea()->subWindowList().size(), 2);
    EXPECT_EQ(frame->GetMDIChildCount(), 2);
    EXPECT_EQ(frame->GetMDIChildren(0), b); // the newest is active, so first
    EXPECT_EQ(frame->GetMDIChildren(1), a);
    EXPECT_EQ(frame->GetActiveMDIChild(), b);
    EXPECT_TRUE(a->GetVisible()); // MDI children show on creation
    EXPECT_THROW(frame->GetMDIChildren(2), EListError);

    a->SetFocus();
    EXPECT_EQ(frame->GetActiveMDIChild(), a);
    EXPECT_EQ(frame->GetMDIChildren(0), a);

    frame->Tile();
    EXPECT_NE(a->GetBoundsRect(), b->GetBoundsRect());

    // a child's bounds are those of its frame window inside the MDI client
    a->SetBounds(7, 9, 200, 150);
    QMdiSubWindow* sa = nullptr;
    for (QMdiSubWindow* s : frame->GetMDIArea()->subWindowList())
        if (s->widget() == a->GetHandle()) sa = s;
    ASSERT_NE(sa, nullptr);
    EXPECT_EQ(sa->pos(), QPoint(7, 9));
    EXPECT_EQ(a->GetHandle()->size(), QSize(200, 150));
}

TEST_F(MdiTest, ClosingAChildWhoseCloseQueryRefusesKeepsItOpen) {
    auto* a = CreateNewForm<TChild>(frame);
    auto* b = CreateNewForm<TChild>(frame);
    bool allow = false;
    int closeEvents = 0;
    b->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = allow; };
    b->OnClose = [&](TObject*, TCloseAction& Action) {
        ++closeEvents;
        EXPECT_EQ(Action, caMinimize); // an MDI child minimises by default
        Action = caFree;
    };
    b->Close();
    EXPECT_EQ(closeEvents, 0);
    EXPECT_EQ(frame->GetMDIChildCount(), 2);
    EXPECT_TRUE(b->GetVisible());

    // the frame's own close asks its children first
    EXPECT_FALSE(frame->CloseQuery());

    allow = true;
    b->Close();
    EXPECT_EQ(closeEvents, 1);
    Application->ProcessMessages(); // the release happens from the queue
    EXPECT_EQ(frame->GetMDIChildCount(), 1);
    EXPECT_EQ(frame->GetMDIChildren(0), a);
    EXPECT_EQ(frame->GetMDIArea()->subWindowList().size(), 1);
}

TEST(MdiErrorsTest, AChildNeedsAnMdiMainForm) {
    TCustomForm* saved = Application->GetMainForm();
    Application->SetMainForm(nullptr);
    auto* f = CreateNewForm<TForm>(nullptr);
    EXPECT_THROW(f->SetFormStyle(fsMDIChild), EInvalidOperation);
    delete f;
    Application->SetMainForm(saved);
}

// ---- the application ----

TEST(ApplicationTest, CreateFormMakesTheFirstFormTheMainFormAndRunsOnCreate) {
    struct TMain : public TForm {
        explicit TMain(TComponent* O) : TForm(O) {
            SelfSeen = Application->GetMainForm();
            OnCreate = [this](TObject*) { ++Created; };
        }
        TCustomForm* SelfSeen = nullptr;
        int Created = 0;
    };
    TCustomForm* saved = Application->GetMainForm();
    Application->SetMainForm(nullptr);
    TMain* main = nullptr;
    Application->CreateForm(main);
    EXPECT_EQ(Application->GetMainForm(), main);
    EXPECT_EQ(main->Created, 1);
    EXPECT_EQ(main->SelfSeen, nullptr); // it becomes the main form after its creation
    TMain* second = nullptr;
    Application->CreateForm(second);
    EXPECT_EQ(Application->GetMainForm(), main);
    EXPECT_EQ(second->GetOwner(), static_cast<TComponent*>(Application));
    delete second;
    delete main;
    EXPECT_EQ(Application->GetMainForm(), nullptr);
    Application->SetMainForm(saved);
}

TEST(ApplicationTest, OnIdleRunsWhenAskedAndItsExceptionsAreHandled) {
    ScriptedDialogs dialogs;
    int idles = 0;
    Application->OnIdle = [&](TObject*, bool& Done) {
        ++idles;
        EXPECT_TRUE(Done);
        if (idles == 2) throw Exception(QStringLiteral("idle failed"));
    };
    Application->DoIdle();
    Application->DoIdle();
    Application->OnIdle = nullptr;
    EXPECT_EQ(idles, 2);
    ASSERT_EQ(dialogs.Script.Asked.size(), 1u);
    EXPECT_EQ(dialogs.Script.Last().Text, QStringLiteral("idle failed."));
}

TEST(ApplicationTest, ReleasedFormIsDeletedFromTheQueue) {
    auto* f = CreateNewForm<TForm>(nullptr);
    bool destroyed = false;
    f->OnDestroy = [&](TObject*) { destroyed = true; };
    f->Show();
    f->Release();
    EXPECT_FALSE(destroyed);
    Application->ProcessMessages();
    EXPECT_TRUE(destroyed);
}

TEST(ScreenTest, CursorsAndFormsList) {
    EXPECT_EQ(Screen->GetCursors(crHourGlass).shape(), Qt::WaitCursor);
    Screen->SetCursors(1, QCursor(Qt::SplitHCursor));
    EXPECT_EQ(Screen->GetCursors(1).shape(), Qt::SplitHCursor);
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_GT(Screen->GetWidth(), 0);
    EXPECT_GT(Screen->GetPixelsPerInch(), 0);

    int before = Screen->GetFormCount();
    auto* f = CreateNewForm<TForm>(nullptr);
    EXPECT_EQ(Screen->GetFormCount(), before + 1);
    delete f;
    EXPECT_EQ(Screen->GetFormCount(), before);
}

// ---- layout ----

TEST(LayoutTest, AlignedAnchoredAndConstrainedChildren) {
    auto* f = CreateNewForm<TForm>(nullptr);
    f->SetBounds(0, 0, 300, 200);
    auto make = [f](TAlign A, int W, int H) {
        auto* c = new TProbe(f);
        c->SetBounds(0, 0, W, H);
        c->SetAlign(A);
        c->SetParent(f);
        return c;
    };
    TProbe* top = make(alTop, 10, 30);
    TProbe* bottom = make(alBottom, 10, 20);
    TProbe* left = make(alLeft, 50, 10);
    TProbe* client = make(alClient, 10, 10);
    EXPECT_EQ(top->GetBoundsRect(), (TRect{0, 0, 300, 30}));
    EXPECT_EQ(bottom->GetBoundsRect(), (TRect{0, 180, 300, 200}));
    EXPECT_EQ(left->GetBoundsRect(), (TRect{0, 30, 50, 180}));
    EXPECT_EQ(client->GetBoundsRect(), (TRect{50, 30, 300, 180}));

    auto* anchored = new TProbe(f);
    anchored->SetParent(f);
    anchored->SetBounds(250, 100, 40, 20);
    anchored->SetAnchors(TAnchors{akRight, akBottom});
    auto* stretched = new TProbe(f);
    stretched->SetParent(f);
    stretched->SetBounds(10, 100, 100, 20);
    stretched->SetAnchors(TAnchors{akLeft, akTop, akRight});

    f->SetBounds(0, 0, 400, 260); // 100 wider, 60 higher
    EXPECT_EQ(client->GetBoundsRect(), (TRect{50, 30, 400, 240}));
    EXPECT_EQ(anchored->GetBoundsRect(), (TRect{350, 160, 390, 180}));
    EXPECT_EQ(stretched->GetBoundsRect(), (TRect{10, 100, 210, 120}));

    left->GetConstraints()->SetMaxWidth(30);
    EXPECT_EQ(left->GetWidth(), 30);
    EXPECT_EQ(client->GetLeft(), 30);
    left->SetVisible(false);
    EXPECT_EQ(client->GetLeft(), 0);
    delete f;
}

} // namespace

namespace {

TEST(ActivationTest, OnActivateAndOnDeactivateFollowEachActivation) {
    std::vector<QString> trail;
    auto make = [&](const QString& name) {
        auto* f = CreateNewForm<TClickForm>(nullptr);
        f->SetName(name);
        f->OnActivate = [&trail, name](TObject*) { trail.push_back(QStringLiteral("+") + name); };
        f->OnDeactivate = [&trail, name](TObject*) { trail.push_back(QStringLiteral("-") + name); };
        return f;
    };
    TClickForm* a = make(QStringLiteral("A"));
    TClickForm* b = make(QStringLiteral("B"));
    a->Show();
    b->Show();
    EXPECT_EQ(Screen->GetActiveForm(), b);
    EXPECT_EQ(b->GetActiveControl(), b->Button); // the first tab stop takes the focus
    a->Button->SetFocus();                       // back to A
    EXPECT_EQ(Screen->GetActiveForm(), a);
    EXPECT_EQ(Screen->GetForms(0), a);
    b->Hide(); // hiding an inactive form changes nothing
    EXPECT_EQ(trail, (std::vector<QString>{QStringLiteral("+A"), QStringLiteral("-A"),
                                           QStringLiteral("+B"), QStringLiteral("-B"),
                                           QStringLiteral("+A")}));
    delete b;
    delete a;
}

} // namespace

namespace {

TEST(DataModuleTest, CreatedThroughTheApplicationAndDestroyedWithItsComponentsLast) {
    struct TDM : public TDataModule {
        explicit TDM(TComponent* O) : TDataModule(O) {
            Timer = new TTimer(this);
            Timer->SetName(QStringLiteral("Timer1"));
            OnCreate = [this](TObject*) { ++Created; };
        }
        TTimer* Timer;
        int Created = 0;
    };
    int before = Screen->GetDataModuleCount();
    TDM* dm = nullptr;
    Application->CreateForm(dm);
    EXPECT_EQ(dm->Created, 1);
    EXPECT_EQ(Screen->GetDataModuleCount(), before + 1);
    QString seen;
    dm->OnDestroy = [&](TObject* S) {
        seen = static_cast<TComponent*>(S)->FindComponent(QStringLiteral("Timer1"))
                   ? QStringLiteral("timer still there")
                   : QStringLiteral("timer gone");
    };
    FreeObject(dm);
    EXPECT_EQ(seen, QStringLiteral("timer still there"));
    EXPECT_EQ(Screen->GetDataModuleCount(), before);
}

} // namespace
