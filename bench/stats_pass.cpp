// The staff statistics' pass ("Таблиця 1": 400 count cells over the staff working on a date)
// over 99,999 generated employees, against one plain SQL GROUP BY computing the same counts
// (line of work, category, sex, education and age band of every employee working on the date)
// run by isql-fb over the same database in the same run. The baseline is the statement's own
// elapsed time as isql reports it (SET STATS), so its process start and attach do not count.
// Each iteration measures both, alternating; the counters give the means and the ratio.
// Target: within 1.5 times the GROUP BY. KADRION_BENCH_ROWS overrides the count.
#include "Age.h"
#include "DMUnit.h"
#include "Dialogs.h"
#include "EmployeeGen.h"
#include "Schema.h"
#include "StaffStats.h"
#include "varer.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ibase.h>

namespace {

const QString Day = QStringLiteral("01.12.2026");

struct Env {
    QTemporaryDir dir;
    QTemporaryDir lockDir{QDir::tempPath() + QStringLiteral("/kadrion-fblock-XXXXXX")};
    QString path;
    std::unique_ptr<TDM> dm;
};
Env* env = nullptr;

// Facts the generator does not give (line of work, military registration, pensions) are drawn
// with its own random numbers, so the same run gives the same data.
void fill(int Rows) {
    TEmployeeGenerator gen(7);
    const char* naprs[] = {
        "тех. експлуатація",    "фінанси",         "економіка",       "марк. та прод.послуг",
        "план. та будівництво", "кадрові питання", "правові питання", ""};
    const char* sostavs[] = {"", "офіцери", "солдати", "сержанти", "прапорщики"};
    TIBQuery q(nullptr);
    q.SetDatabase(DM->Database);
    q.GetSQL()->SetText(QStringLiteral(
        "insert into KADR (TAB, FAMILY, NAME, PATR, SEX, BDATE, KAT, EDUC, NAPR, CPROF, ROZRAD, "
        "WWORK, ENDEND, WHYWHY, PENS, PENSP, V_UCHET, V_OFF, V_SOSTAV, V_SPO, V_PRIZ) values "
        "(:TAB, :FAMILY, :NAME, :PATR, :SEX, :BDATE, :KAT, :EDUC, :NAPR, :CPROF, :ROZRAD, "
        ":WWORK, :ENDEND, :WHYWHY, :PENS, :PENSP, :V_UCHET, :V_OFF, :V_SOSTAV, :V_SPO, :V_PRIZ)"));
    q.Prepare();
    auto text = [&](const char* Name, const QString& V) {
        if (V.isEmpty())
            q.ParamByName(QLatin1String(Name))->Clear();
        else
            q.ParamByName(QLatin1String(Name))->SetAsString(V);
    };
    auto date = [&](const char* Name, TDateTime V) {
        if (V == 0)
            q.ParamByName(QLatin1String(Name))->Clear();
        else
            q.ParamByName(QLatin1String(Name))->SetValue(Variant::FromDate(V));
    };
    for (int i = 1; i <= Rows; ++i) {
        const TGenEmployee e = gen.Next(i);
        text("TAB", e.Tab);
        text("FAMILY", e.Family);
        text("NAME", e.Name);
        text("PATR", e.Patronymic);
        text("SEX", e.Sex);
        date("BDATE", e.BirthDate);
        text("KAT", e.Category);
        text("EDUC", e.Education);
        text("NAPR", QString::fromUtf8(naprs[gen.Uniform(0, 7)]));
        text("CPROF", e.Position);
        text("ROZRAD", QString::number(gen.Uniform(0, 7)));
        date("WWORK", e.HireDate);
        date("ENDEND", e.DismissalDate);
        text("WHYWHY", e.DismissalReason);
        q.ParamByName(QStringLiteral("PENS"))->SetAsInteger(gen.Uniform(0, 9) == 0);
        text("PENSP", gen.Uniform(0, 9) == 0 ? QStringLiteral("За віком") : QString());
        q.ParamByName(QStringLiteral("V_UCHET"))->SetAsInteger(gen.Uniform(0, 2));
        q.ParamByName(QStringLiteral("V_OFF"))->SetAsInteger(gen.Uniform(0, 5) == 0);
        text("V_SOSTAV", QString::fromUtf8(sostavs[gen.Uniform(0, 4)]));
        text("V_SPO", gen.Uniform(0, 3) == 0 ? QStringLiteral("спецоблік") : QString());
        q.ParamByName(QStringLiteral("V_PRIZ"))->SetAsInteger(gen.Uniform(0, 20) == 0);
        q.ExecSQL();
    }
    DM->IBTrans->Commit();
}

// The same counts in one GROUP BY: every cell of the table is a sum over these groups.
QString groupBy() {
    const QString d = QStringLiteral("DATE '2026-12-01'");
    const QString age = QStringLiteral("(2026 - EXTRACT(YEAR FROM BDATE) - IIF(EXTRACT(MONTH FROM "
                                       "BDATE) * 100 + EXTRACT(DAY FROM BDATE) > 1201, 1, 0))");
    return QStringLiteral(
               "SET STATS ON;\n"
               "SELECT LINE, KAT, SEX, ED, BAND, COUNT(*) FROM (SELECT "
               "CASE WHEN NAPR IN ('фінанси', 'економіка') THEN 1 WHEN NAPR IN ("
               "'тех. експлуатація', 'марк. та прод.послуг', 'план. та будівництво', "
               "'кадрові питання', 'правові питання') THEN NAPR ELSE 0 END AS LINE, "
               "KAT, SEX, CASE WHEN EDUC = 'Повна вища' THEN 1 WHEN EDUC IN ('Неповна вища', "
               "'Базова вища') THEN 2 ELSE 0 END AS ED, "
               "CASE WHEN %1 IS NULL THEN 0 WHEN %1 <= 30 THEN 1 WHEN %1 <= 40 THEN 2 "
               "WHEN %1 <= 50 THEN 3 WHEN %1 <= 55 THEN 4 WHEN %1 <= 60 THEN 5 ELSE 6 END AS "
               "BAND FROM KADR WHERE (ENDEND IS NULL OR ENDEND >= %2) AND "
               "(WWORK IS NULL OR WWORK <= %2)) GROUP BY 1, 2, 3, 4, 5;\n")
        .arg(age, d);
}

double isqlSeconds(const QString& Script) {
    QProcess p;
    p.start(QStringLiteral("isql-fb"),
            {QStringLiteral("-q"), QStringLiteral("-ch"), QStringLiteral("UTF8"),
             QStringLiteral("-user"), QStringLiteral("SYSDBA"), env->path});
    p.write(Script.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        std::fprintf(stderr, "isql-fb failed: %s\n", p.readAllStandardError().constData());
        std::exit(1);
    }
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression re(QStringLiteral("Elapsed time\\s*=\\s*([0-9.]+)"));
    double seconds = -1;
    for (auto it = re.globalMatch(out); it.hasNext();)
        seconds = it.next().captured(1).toDouble();
    if (seconds < 0) {
        std::fprintf(stderr, "no elapsed time from isql-fb:\n%s\n", qPrintable(out.left(2000)));
        std::exit(1);
    }
    return seconds;
}

void BM_StaffTablePass(benchmark::State& State) {
    double ours = 0, baseline = 0;
    TCountMatrix m;
    for (auto _ : State) {
        DM->Database->Open();
        const auto start = std::chrono::steady_clock::now();
        m.Clear(400);
        StaffPass(WorkingAtFilter(Day), StrToDate(Day),
                  [&m](const TStaffFacts& F, int Age) { TallyTable1(m, F, Age); });
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        DM->Database->Close(); // the embedded engine opens the file for one process at a time
        const double b = isqlSeconds(groupBy());
        State.SetIterationTime(s);
        ours += s;
        baseline += b;
    }
    const double n = double(State.iterations());
    State.counters["staff_on_date"] = m[1];
    State.counters["pass_ms"] = 1000 * ours / n;
    State.counters["group_by_ms"] = 1000 * baseline / n;
    State.counters["x_group_by"] = ours / baseline;
}
BENCHMARK(BM_StaffTablePass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Application->Initialize();
    Env e;
    env = &e;
    qputenv("FIREBIRD_LOCK", QFile::encodeName(e.lockDir.path()));
    qputenv("KADRION_CONFIG_DIR", e.dir.path().toUtf8());
    e.path = e.dir.filePath(QStringLiteral("stats.fdb"));
    TScriptedInteraction quiet;
    TUserInteractionSwap swap(&quiet);
    e.dm = std::make_unique<TDM>(nullptr);
    DM = e.dm.get();
    DM->Database->SetDatabaseName(e.path);
    CreateNewBase();
    int rows = 99999;
    if (const int r = qEnvironmentVariableIntValue("KADRION_BENCH_ROWS"); r > 0)
        rows = std::min(r, 99999);
    std::fprintf(stderr, "filling %d employees...\n", rows);
    fill(rows);
    DM->Database->Close();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    e.dm.reset();
    DM = nullptr;
    fb_shutdown(0, fb_shutrsn_app_stopped);
    return 0;
}
