// Preparing a 10,000-row list report of generated employees (A4, six columns, a page header
// and footer, a heading and a total line per subdivision: about 250 pages) from an in-memory
// dataset, and printing it to PDF, each against a baseline measured in the same run:
//
// - BM_Prepare: the build of the prepared pages, against walking the same rows and formatting
//   the same texts (row numbers, dates, amounts, the subdivision totals) into strings.
//   x_format is our total time over the baseline's across the iterations (target: 3 or less).
// - BM_PrepareAndPdf: the build plus the PDF output, against the same table laid out by
//   python3-reportlab's platypus into a PDF (bench/report_reportlab.py, timed inside the
//   script from reading the rows to the finished file, so the interpreter's start is not
//   counted). x_reportlab is our total time over reportlab's (target: below 1).
//
// Each iteration times the baseline right before our run, so both see the same machine load.
// Build with -DKADRION_BENCH=ON in a Release build directory, then run build-bench/bench/
// bench_report (python3-reportlab must be installed for the second pair).
#include "EmployeeGen.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "MemDS.h"
#include "Printers.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Rows = 10000;
constexpr int RowHeight = 24;

struct TRow {
    QString Dept, Tab, Fio, Position;
    TDateTime Hired = 0;
    double Salary = 0;
};

struct TSetup {
    TComponent owner{nullptr};
    TMemDataSet* table = nullptr;
    TfrReport* report = nullptr;
    std::vector<TRow> rows;
    QTemporaryDir dir;
    QString rowsFile;
};

double seconds(std::chrono::steady_clock::time_point Start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

void addBand(TfrPage* Page, int Type, int Top, int Height, const QString& Source = QString(),
             int Flags = 0) {
    auto* b = static_cast<TfrBandView*>(frCreateObject(gtBand, QString()));
    b->ParentPage = Page;
    Page->Objects.Add(b);
    b->SetBounds(0, Top, 700, Height);
    b->SetBandType(Type);
    b->SetDataSet(Source);
    b->Flags = Flags;
    b->Name = u"Band%1"_s.arg(Top);
}

void addMemo(TfrPage* Page, int Left, int Top, int Width, int Height, const QString& Text,
             int Style = 0) {
    auto* m = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
    m->ParentPage = Page;
    Page->Objects.Add(m);
    m->SetBounds(Left, Top, Width, Height);
    m->Memo.SetText(Text);
    m->Font.Name = u"Arial"_s;
    m->Font.Size = 8;
    m->Font.Style = Style;
    m->Name = u"Memo%1"_s.arg(Page->Objects.Count());
}

TSetup& setup() {
    static TSetup* s = [] {
        auto* s = new TSetup;
        const TGenDirectories dirs = TEmployeeGenerator::Directories();
        std::map<int, QString> subdivisions;
        for (const TGenSubdivision& d : dirs.Subdivisions)
            subdivisions[d.Code] = d.Name;
        std::map<QString, QString> positions;
        for (const TGenPosition& p : dirs.Positions)
            positions[p.Code] = p.Name;
        for (const TGenEmployee& e : TEmployeeGenerator(11).Employees(Rows))
            s->rows.push_back({subdivisions[e.Subdivision], e.Tab,
                               e.Family + u' ' + e.Name + u' ' + e.Patronymic,
                               positions.count(e.Position) ? positions[e.Position] : e.Position,
                               e.HireDate, e.Salary});
        std::stable_sort(s->rows.begin(), s->rows.end(),
                         [](const TRow& a, const TRow& b) { return a.Dept < b.Dept; });

        s->table = new TMemDataSet(&s->owner);
        s->table->GetFieldDefs()->Add(u"DEPT"_s, ftString, 60);
        s->table->GetFieldDefs()->Add(u"TAB"_s, ftString, 5);
        s->table->GetFieldDefs()->Add(u"FIO"_s, ftString, 80);
        s->table->GetFieldDefs()->Add(u"POSADA"_s, ftString, 80);
        s->table->GetFieldDefs()->Add(u"HIRED"_s, ftDate);
        s->table->GetFieldDefs()->Add(u"OKLAD"_s, ftFloat);
        s->table->Open();
        QFile f(s->dir.filePath(u"rows.tsv"_s));
        f.open(QIODevice::WriteOnly);
        QTextStream out(&f);
        for (const TRow& r : s->rows) {
            s->table->AppendRecord({Variant(r.Dept), Variant(r.Tab), Variant(r.Fio),
                                    Variant(r.Position), Variant(r.Hired), Variant(r.Salary)});
            out << r.Dept << '\t' << r.Tab << '\t' << r.Fio << '\t' << r.Position << '\t'
                << FormatDateTime(u"dd.mm.yyyy"_s, r.Hired) << '\t'
                << QString::number(r.Salary, 'f', 2) << '\n';
        }
        out.flush();
        s->rowsFile = f.fileName();
        auto* ds = new TfrDBDataSet(&s->owner);
        ds->SetName(u"Staff"_s);
        ds->SetDataSet(s->table);

        s->report = new TfrReport(&s->owner);
        s->report->SetName(u"StaffList"_s);
        s->report->ShowProgress = false;
        s->report->Pages.Add();
        TfrPage* p = s->report->Pages[0];
        p->ChangePaper(DMPAPER_A4, 0, 0, poPortrait, -1);
        const int x[6] = {0, 43, 101, 325, 498, 577};
        const int w[6] = {43, 58, 224, 173, 79, 79};
        const QString captions[6] = {u"№"_s,      u"Таб. №"_s,    u"Прізвище, ім'я, по батькові"_s,
                                     u"Посада"_s, u"Прийнятий"_s, u"Оклад"_s};
        const QString cells[6] = {
            u"[LINE#]"_s,      u"[TAB]"_s, u"[FIO]"_s, u"[POSADA]"_s, u"[HIRED #Ddd.mm.yyyy]"_s,
            u"[OKLAD #N0,2]"_s};
        addBand(p, btPageHeader, 0, 24, {}, flBandOnFirstPage);
        for (int i = 0; i < 6; ++i)
            addMemo(p, x[i], 0, w[i], 24, captions[i], frfsBold);
        addBand(p, btGroupHeader, 40, 24, u"[DEPT]"_s);
        addMemo(p, 0, 40, 656, 24, u"[DEPT]"_s, frfsBold);
        addBand(p, btMasterData, 80, RowHeight, u"Staff"_s);
        for (int i = 0; i < 6; ++i)
            addMemo(p, x[i], 80, w[i], RowHeight, cells[i]);
        addBand(p, btGroupFooter, 120, 24);
        addMemo(p, 0, 120, 656, 24,
                u"Разом по підрозділу: [COUNT(Band80)] працівників, [SUM([OKLAD]) #N0,2]"_s);
        addBand(p, btPageFooter, 160, 24, {}, flBandOnFirstPage | flBandOnLastPage);
        addMemo(p, 0, 160, 300, 24, u"Сторінка [PAGE#]"_s);
        return s;
    }();
    return *s;
}

// The baseline: the same rows walked and the same texts formatted, totals per subdivision.
double formatRows(std::vector<QString>& Texts) {
    TMemDataSet* t = setup().table;
    Texts.clear();
    const auto start = std::chrono::steady_clock::now();
    QString dept;
    int line = 0;
    double sum = 0;
    for (t->First(); !t->Eof(); t->Next()) {
        const QString d = t->FieldByName(u"DEPT"_s)->GetAsString();
        if (d != dept) {
            if (!dept.isEmpty())
                Texts.push_back(u"Разом по підрозділу: %1 працівників, %2"_s.arg(line).arg(
                    FormatFloat(u"0.00"_s, sum)));
            Texts.push_back(d);
            dept = d;
            line = 0;
            sum = 0;
        }
        const double salary = t->FieldByName(u"OKLAD"_s)->GetAsFloat();
        sum += salary;
        Texts.push_back(QString::number(++line));
        Texts.push_back(t->FieldByName(u"TAB"_s)->GetAsString());
        Texts.push_back(t->FieldByName(u"FIO"_s)->GetAsString());
        Texts.push_back(t->FieldByName(u"POSADA"_s)->GetAsString());
        Texts.push_back(
            FormatDateTime(u"dd.mm.yyyy"_s, t->FieldByName(u"HIRED"_s)->GetAsDateTime()));
        Texts.push_back(FormatFloat(u"0.00"_s, salary));
    }
    Texts.push_back(
        u"Разом по підрозділу: %1 працівників, %2"_s.arg(line).arg(FormatFloat(u"0.00"_s, sum)));
    return seconds(start);
}

double prepare() {
    const auto start = std::chrono::steady_clock::now();
    if (!setup().report->PrepareReport()) std::abort();
    return seconds(start);
}

double prepareAndPdf(const QString& File) {
    const auto start = std::chrono::steady_clock::now();
    TfrReport* r = setup().report;
    if (!r->PrepareReport()) std::abort();
    Printer()->SetFileName(File);
    r->PrintPreparedReport(QString(), 1, 0, true);
    Printer()->SetFileName(QString());
    return seconds(start);
}

// reportlab's own time (from reading the rows to the finished PDF) and its page count.
std::pair<double, int> reportlab(const QString& File) {
    QProcess p;
    p.start(u"/usr/bin/python3"_s, {QStringLiteral(KADRION_SOURCE_DIR "/bench/report_reportlab.py"),
                                    setup().rowsFile, File});
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        fprintf(stderr, "reportlab failed: %s\n", p.readAllStandardError().constData());
        std::abort();
    }
    const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(u' ');
    return {out.value(0).toDouble(), out.value(1).toInt()};
}

void BM_Prepare(benchmark::State& state) {
    state.SetLabel("prepared pages (target: x_format <= 3)");
    std::vector<QString> texts;
    double ours = 0, base = 0;
    for (auto _ : state) {
        base += formatRows(texts);
        const double t = prepare();
        ours += t;
        state.SetIterationTime(t);
    }
    state.counters["pages"] = setup().report->EMFPages.Count();
    state.counters["baseline_s"] = base / double(state.iterations());
    state.counters["x_format"] = ours / base;
}

void BM_PrepareAndPdf(benchmark::State& state) {
    state.SetLabel("prepared pages and PDF (target: x_reportlab < 1)");
    const QString ourFile = setup().dir.filePath(u"ours.pdf"_s);
    const QString theirFile = setup().dir.filePath(u"reportlab.pdf"_s);
    double ours = 0, base = 0;
    int theirPages = 0;
    for (auto _ : state) {
        const auto [t, n] = reportlab(theirFile);
        base += t;
        theirPages = n;
        const double o = prepareAndPdf(ourFile);
        ours += o;
        state.SetIterationTime(o);
    }
    state.counters["pages"] = setup().report->EMFPages.Count();
    state.counters["reportlab_pages"] = theirPages;
    state.counters["reportlab_s"] = base / double(state.iterations());
    state.counters["x_reportlab"] = ours / base;
}

} // namespace

BENCHMARK(BM_Prepare)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PrepareAndPdf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Only the PDF printer: the machine's print queues play no part.
    SetPrintQueueSource([] { return std::vector<TPrintQueue>(); });
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    setup();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
