#include "AppFormsFixture.h"

#include "DMUnit.h"
#include "DeskUnit.h"
#include "FirstRun.h"
#include "Startup.h"
#include "varer.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QWidget>
#include <ibase.h>

QTemporaryDir* AppFormsTest::prepared = nullptr;

TModalAnswers::TModalAnswers() {
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [this] { turn(); });
}

void TModalAnswers::Push(std::function<void(TCustomForm*)> Act) {
    acts.push_back(std::move(Act));
    timer.start();
}

bool TModalAnswers::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == answered && Event->type() == QEvent::Hide) {
        answered->removeEventFilter(this);
        answered = nullptr;
    }
    return false;
}

void TModalAnswers::turn() {
    if (answered) return;
    if (acts.empty()) {
        timer.stop();
        return;
    }
    for (int i = 0; i < Screen->GetFormCount(); ++i) {
        TCustomForm* f = Screen->GetForms(i);
        if (f->GetFormState().Contains(fsModal) && f->GetHandle()->isVisible()) {
            // A user acts on a window the window system has made active (its activation
            // handler has run); a platform that never activates it gets it after a while.
            if (!f->GetHandle()->isActiveWindow() && ++activationWaits < 200) return;
            activationWaits = 0;
            answered = f->GetHandle();
            answered->installEventFilter(this);
            auto act = std::move(acts.front());
            acts.pop_front();
            act(f);
            return;
        }
    }
}

int TWaitAwareInteraction::MessageBox(const QString& Text, const QString& Caption, int Flags) {
    WaitShownAtQuestion.push_back(WaitWindowShown());
    return TScriptedInteraction::MessageBox(Text, Caption, Flags);
}

void AppFormsTest::SetUpTestSuite() {
    // One database made by the first-run set-up, copied for every test.
    prepared = new QTemporaryDir;
    qputenv("KADRION_CONFIG_DIR", prepared->path().toUtf8());
    qputenv("XDG_DATA_HOME", prepared->path().toUtf8());
    TScriptedInteraction quiet;
    TUserInteractionSwap swap(&quiet);
    ASSERT_EQ(PrepareFirstRun(), frDatabaseMade);
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("KADRION_CONFIG_DIR");
    ClearSettings();
}

void AppFormsTest::TearDownTestSuite() {
    delete prepared;
    prepared = nullptr;
}

void AppFormsTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    qputenv("KADRION_CONFIG_DIR", dir.path().toUtf8());
    ClearSettings();
    swap = std::make_unique<TUserInteractionSwap>(&ui);
    clockSwap = std::make_unique<TClockSwap>(&clock);
}

void AppFormsTest::TearDown() {
    if (DM) DM->Database->SetConnected(false);
    FreeApplicationForms();
    clockSwap.reset();
    swap.reset();
    ClearSettings();
    qunsetenv("KADRION_CONFIG_DIR");
}

void AppFormsTest::PrepareSettings() {
    ASSERT_TRUE(QFile::copy(prepared->filePath(QStringLiteral("kadrion/kadrion.fdb")), DbPath()));
    QFile::setPermissions(DbPath(), QFile::ReadOwner | QFile::WriteOwner);
    ClearSettings();
    PathFileSvr = DbPath();
    FullNameSvr = DbPath();
    SaveSettings();
    ClearSettings();
}

void AppFormsTest::Start() {
    CreateApplicationForms([this](TComponent* C) {
        created.append(C->GetName());
        sleptAtCreation.push_back(clock.Slept);
    });
    ShowWaitWindow();
    HideWaitWindow();
    DeskForm->OnShow = [this](TObject*) { ++waitShowings; };
}

QStringList AppFormsTest::Texts() const {
    QStringList out;
    for (const auto& a : ui.Asked)
        out.append(a.Text);
    return out;
}

void AppFormsTest::Exec(const QString& Sql) {
    TIBQuery q(nullptr);
    q.SetDatabase(DM->Database);
    q.GetSQL()->SetText(Sql);
    q.ExecSQL();
    DM->IBTrans->CommitRetaining();
}
