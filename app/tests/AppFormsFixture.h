// The whole program started as its main does, offscreen, on an injected clock: a fresh
// settings folder and a copy of a database the first-run set-up made, the forms created in
// their order, the scripted user-interaction service, and the modal windows answered by the
// test as a user would (filling their controls and pressing their buttons).
#pragma once

#include "Clock.h"
#include "Dates.h"
#include "Dialogs.h"
#include "Forms.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

// Answers the modal windows one after another: each action gets the modal form once its loop
// runs; the next action waits until that form has gone from the screen.
class TModalAnswers : public QObject {
public:
    TModalAnswers();
    void Push(std::function<void(TCustomForm* Form)> Act);
    int Pending() const { return int(acts.size()); }
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void turn();
    QTimer timer;
    std::deque<std::function<void(TCustomForm*)>> acts;
    QPointer<QWidget> answered; // the window of the form answered last, while it shows
    int activationWaits = 0;    // turns the modal form has waited for its activation
};

// Records, with every question, whether the wait window was on the screen then.
class TWaitAwareInteraction : public TScriptedInteraction {
public:
    int MessageBox(const QString& Text, const QString& Caption, int Flags) override;
    std::vector<bool> WaitShownAtQuestion;
};

class AppFormsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Copies the prepared database to the test's folder and writes settings naming it.
    void PrepareSettings();
    // CreateApplicationForms with the creation recorded; the wait window's showings counted.
    void Start();
    QString DbPath() const { return dir.filePath(QStringLiteral("kadrion.fdb")); }
    QStringList Texts() const;
    // Runs a statement on the program's database and commits.
    void Exec(const QString& Sql);

    QTemporaryDir dir;
    TWaitAwareInteraction ui;
    std::unique_ptr<TUserInteractionSwap> swap;
    TFakeClock clock{EncodeDate(2024, 3, 14) + 0.5};
    std::unique_ptr<TClockSwap> clockSwap;
    TModalAnswers modal;
    // Names of the components as they were made; the splash pause they had seen.
    QStringList created;
    std::vector<uint64_t> sleptAtCreation;
    int waitShowings = 0;

    static QTemporaryDir* prepared;
};
