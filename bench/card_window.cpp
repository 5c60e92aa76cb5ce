// The employee card window over 99,999 generated employees, as many as five-digit personnel
// numbers allow (KADRION_BENCH_ROWS overrides the count), in the embedded database, against Qt's
// QTableView over a QSqlQueryModel (the QIBASE driver) on the same database and the same query, in
// one run, each iteration measuring both one after the other so that they see the same machine
// load.
//
//   OpenToFirstScreen   ours: the card window opened from the menu (its datasets, today's
//                       list sorted by surname) until the list's first screen is painted;
//                       Qt: the model set to the card's query and the view's first screen
//                       painted. Target: x_qt at most 1.0.
//   ScrollToLast        with the list open, going to the last employee and painting the
//                       screen that shows it; Qt: fetching until the model has every row,
//                       then scrolling to the bottom and painting. Target: x_qt at most 0.6.
//
// Offscreen unless QT_QPA_PLATFORM or DISPLAY says otherwise.
#include "CardUnit.h"
#include "Clock.h"
#include "DMUnit.h"
#include "Dialogs.h"
#include "EmployeeGen.h"
#include "FillDb.h"
#include "FirstRun.h"
#include "IBSQL.h"
#include "MainUnit.h"
#include "ParamValues.h"
#include "Startup.h"

#include <QApplication>
#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point Start) {
    return std::chrono::duration<double>(Clock::now() - Start).count();
}

const TDateTime Today = EncodeDate(2026, 12, 1);
QString cardSql; // the card list's query as it opens today

// The employees' cards written straight into KADR (the directories through the data module).
void fillEmployees(int Rows) {
    FillDatabase(TEmployeeGenerator::Directories(), {});
    TIBSQL ins(DM->Database, DM->IBTrans);
    DM->IBTrans->EnsureStarted();
    ins.Prepare(QStringLiteral(
        "insert into KADR (TAB, FAMILY, NAME, PATR, SEX, BDATE, BPLACE, TEL, ADRHOME, PASP, "
        "KODP_2, KODG_2, CPROF, KAT, EDUC, STATFAM, WWORK, ENDEND, WHYLEAVE, OKLAD) values "
        "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    TEmployeeGenerator gen(17, Today);
    for (int i = 1; i <= Rows; ++i) {
        const TGenEmployee e = gen.Next(i);
        ins.BindParams({text(e.Tab),
                        text(e.Family),
                        text(e.Name),
                        text(e.Patronymic),
                        text(e.Sex),
                        date(e.BirthDate),
                        text(e.BirthPlace),
                        text(e.Phone),
                        text(e.Address),
                        text(e.Passport),
                        number(e.Subdivision),
                        number(e.Group, true),
                        text(e.Position),
                        text(e.Category),
                        text(e.Education),
                        text(e.FamilyStatus),
                        date(e.HireDate),
                        date(e.DismissalDate),
                        text(e.DismissalReason),
                        val(Variant(e.Salary))});
        ins.ExecQuery();
    }
    DM->IBTrans->CommitRetaining();
}

void openCard() {
    MainForm->N2Click(MainForm->N2);
    QApplication::processEvents();
    CardForm->DBGridEh1->GetHandle()->repaint();
}

void closeCard() {
    CardForm->Close();
    QApplication::processEvents();
}

// The baseline: a view of the main window's size over a fresh model of the same query.
struct QtList {
    QTableView view;
    std::unique_ptr<QSqlQueryModel> model;
    QtList() {
        view.resize(MainForm->GetHandle()->size());
        view.show();
        QApplication::processEvents();
    }
    void open() {
        model = std::make_unique<QSqlQueryModel>();
        model->setQuery(QSqlQuery(cardSql, QSqlDatabase::database(QStringLiteral("bench"))));
        if (model->lastError().isValid()) {
            std::fprintf(stderr, "QIBASE: %s\n", qPrintable(model->lastError().text()));
            std::exit(1);
        }
        view.setModel(model.get());
        QApplication::processEvents();
        view.viewport()->repaint();
    }
    void close() {
        view.setModel(nullptr);
        model.reset();
    }
};

void BM_OpenToFirstScreen(benchmark::State& State) {
    QtList qt;
    double ours = 0, theirs = 0;
    // The open that comes first after both lists were closed costs the engine more (it takes
    // back the memory of the last sort), so the two take turns at going first.
    bool oursFirst = true;
    for (auto _ : State) {
        double o = 0, t = 0;
        auto timeOurs = [&] {
            const auto start = Clock::now();
            openCard();
            o = secondsSince(start);
        };
        auto timeQt = [&] {
            const auto start = Clock::now();
            qt.open();
            t = secondsSince(start);
        };
        if (oursFirst) {
            timeOurs();
            timeQt();
        } else {
            timeQt();
            timeOurs();
        }
        oursFirst = !oursFirst;
        State.SetIterationTime(o);
        ours += o;
        theirs += t;
        closeCard();
        qt.close();
    }
    const double n = double(State.iterations());
    State.counters["ours_ms"] = 1000 * ours / n;
    State.counters["qt_ms"] = 1000 * theirs / n;
    State.counters["x_qt"] = ours / theirs;
}
BENCHMARK(BM_OpenToFirstScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

void BM_ScrollToLast(benchmark::State& State) {
    QtList qt;
    double ours = 0, theirs = 0;
    for (auto _ : State) {
        openCard();
        qt.open();
        auto start = Clock::now();
        DM->IBQuery->Last();
        CardForm->DBGridEh1->GetHandle()->repaint();
        const double o = secondsSince(start);
        start = Clock::now();
        while (qt.model->canFetchMore())
            qt.model->fetchMore();
        qt.view.scrollToBottom();
        qt.view.setCurrentIndex(qt.model->index(qt.model->rowCount() - 1, 0));
        qt.view.viewport()->repaint();
        const double t = secondsSince(start);
        if (!DM->IBQuery->GetEof() || DM->IBQuery->RecNo() != qt.model->rowCount()) {
            std::fprintf(stderr, "the lists differ: %d rows, %d in Qt's\n", DM->IBQuery->RecNo(),
                         qt.model->rowCount());
            std::exit(1);
        }
        State.SetIterationTime(o);
        ours += o;
        theirs += t;
        closeCard();
        qt.close();
    }
    const double n = double(State.iterations());
    State.counters["ours_ms"] = 1000 * ours / n;
    State.counters["qt_ms"] = 1000 * theirs / n;
    State.counters["x_qt"] = ours / theirs;
}
BENCHMARK(BM_ScrollToLast)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("KADRION_CONFIG_DIR", dir.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    TScriptedInteraction quiet;
    TUserInteractionSwap swap(&quiet);
    if (PrepareFirstRun() != frDatabaseMade) return 1;
    TFakeClock clock(Today + 0.5);
    TClockSwap clockSwap(&clock);
    CreateApplicationForms();
    if (!DM->Database->GetConnected()) return 1;
    MainForm->Show();
    const int rows = qEnvironmentVariableIsSet("KADRION_BENCH_ROWS")
                         ? qEnvironmentVariableIntValue("KADRION_BENCH_ROWS")
                         : 99999;
    const auto start = Clock::now();
    fillEmployees(rows);
    std::fprintf(stderr, "bench_card: %d employees written in %.1f s\n", rows, secondsSince(start));
    // the card's own query as it opens, for the baseline
    openCard();
    cardSql = DM->IBQuery->GetSQL()->GetText();
    std::fprintf(stderr, "bench_card: the list has %d employees today\n", DM->CountQueryRows());
    closeCard();

    QSqlDatabase q = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), QStringLiteral("bench"));
    q.setDatabaseName(DM->Database->GetDatabaseName());
    q.setUserName(QStringLiteral("SYSDBA"));
    q.setPassword(QStringLiteral("quartzfen"));
    // Qt decodes UTF-8 text itself: the server translates WIN1251 for it.
    q.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (!q.open()) {
        std::fprintf(stderr, "QIBASE: %s\n", qPrintable(q.lastError().text()));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    q.close();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    FreeApplicationForms();
    return 0;
}
