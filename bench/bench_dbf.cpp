// Appending and reading back 1,000,000 seniority records (TABNOM C5, STAJ C3), each reported
// as a ratio against a baseline measured in the same run:
//   - exclusive appends and the read-back against writing (or reading) the same bytes with
//     plain buffered file I/O (x_plain; targets: appends within 2x, the read-back within 2x);
//   - shared-mode appends against the same plain buffered write (x_plain), and the system calls
//     a shared append makes, counted with strace (target: at most 5 a record).
//
// Each iteration times the baseline right before the engine's run, so both see the same
// machine load; x_plain is the engine's total time over the baseline's total across the
// iterations (x_plain_cpu the same from the thread's processor time, which a busy machine
// disturbs less).
#include "Dbf.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>

namespace {

constexpr int Records = 1000000;

QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    return dir;
}

QByteArray recordBytes(int i) {
    char buf[16];
    snprintf(buf, sizeof buf, " %05d%03d", i % 100000, i % 1000);
    return QByteArray(buf, 9);
}

// Wall-clock and thread processor seconds of one run.
struct Seconds {
    double wall = 0;
    double cpu = 0;
};

double threadCpu() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

template <class Body> Seconds timed(Body&& body) {
    auto start = std::chrono::steady_clock::now();
    double cpu = threadCpu();
    body();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            threadCpu() - cpu};
}

// Plain buffered writes of the same 97 header bytes, records and end marker.
Seconds plainWrite() {
    QByteArray path = workDir().filePath("plain.bin").toLocal8Bit();
    return timed([&] {
        FILE* f = fopen(path.constData(), "wb");
        char header[97] = {0};
        fwrite(header, 1, sizeof header, f);
        for (int i = 0; i < Records; ++i) {
            QByteArray r = recordBytes(i);
            fwrite(r.constData(), 1, 9, f);
        }
        fputc(0x1A, f);
        fclose(f);
    });
}

Seconds plainRead() {
    QByteArray path = workDir().filePath("plain.bin").toLocal8Bit();
    return timed([&] {
        FILE* f = fopen(path.constData(), "rb");
        char header[97];
        size_t got = fread(header, 1, sizeof header, f);
        char rec[9];
        long sum = 0;
        for (int i = 0; i < Records; ++i) {
            got += fread(rec, 1, 9, f);
            sum += rec[1];
        }
        fclose(f);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(got);
    });
}

// The texts the dataset path assigns.
void fieldTexts(int i, char* tab, char* staj) {
    snprintf(tab, 8, "%d", i % 100000);
    snprintf(staj, 8, "%d", i % 1000);
}

// Running totals of one benchmark: the engine's seconds and the baseline's.
struct Totals {
    Seconds engine;
    Seconds base;
    void addBase(Seconds s) {
        base.wall += s.wall;
        base.cpu += s.cpu;
    }
};

void report(benchmark::State& state, Totals& totals, Seconds s, const char* ratio) {
    state.SetIterationTime(s.wall);
    totals.engine.wall += s.wall;
    totals.engine.cpu += s.cpu;
    state.counters[ratio] = totals.engine.wall / totals.base.wall;
    state.counters[std::string(ratio) + "_cpu"] = totals.engine.cpu / totals.base.cpu;
    state.counters["records"] = Records;
}

void createTable(const QString& name) {
    TDbfTable t(nullptr);
    t.SetFilePath(workDir().path());
    t.SetTableName(name);
    t.GetFieldDefs()->Add("TABNOM", ftString, 5);
    t.GetFieldDefs()->Add("STAJ", ftString, 3);
    t.CreateTable();
}

// The dataset path the application takes: Append, two AsString assignments, Post.
void tableAppend(const QString& name, bool exclusive, int count) {
    TDbfTable t(nullptr);
    t.SetFilePath(workDir().path());
    t.SetTableName(name);
    t.SetExclusive(exclusive);
    t.Open();
    TField* tab = t.FieldByName("TABNOM");
    TField* staj = t.FieldByName("STAJ");
    char tabText[8], stajText[8];
    for (int i = 0; i < count; ++i) {
        fieldTexts(i, tabText, stajText);
        t.Append();
        tab->SetAsString(QString::fromLatin1(tabText));
        staj->SetAsString(QString::fromLatin1(stajText));
        t.Post();
    }
    t.Close();
}

// The table file alone: encode the two fields and append the record.
void fileAppend(const QString& name, bool exclusive, int count) {
    TDbfFile f(workDir().filePath(name));
    f.SetMode(exclusive ? pfExclusiveOpen : pfReadWriteOpen);
    f.Open();
    QByteArray rec(f.RecordSize(), ' ');
    for (int i = 0; i < count; ++i) {
        QByteArray r = recordBytes(i);
        QByteArray tab = r.mid(1, 5), staj = r.mid(6, 3);
        f.InitRecord(rec.data());
        f.SetFieldData(0, ftString, &tab, rec.data());
        f.SetFieldData(1, ftString, &staj, rec.data());
        f.InsertRecord(rec.data());
    }
    f.Close();
}

void append(bool dataset, const QString& name, bool exclusive, int count) {
    if (dataset)
        tableAppend(name, exclusive, count);
    else
        fileAppend(name, exclusive, count);
}

void BM_PlainBufferedWrite(benchmark::State& state) {
    Totals totals;
    for (auto _ : state) {
        totals.addBase(plainWrite());
        report(state, totals, plainWrite(), "x_plain");
    }
}

// Exclusive appends against the plain write; x_plain of the dataset path is the target.
void BM_ExclusiveAppend(benchmark::State& state) {
    bool dataset = state.range(0) != 0;
    state.SetLabel(dataset ? "dataset path (target: x_plain <= 2)" : "file path");
    Totals totals;
    for (auto _ : state) {
        createTable("excl.dbf");
        totals.addBase(plainWrite());
        report(state, totals, timed([&] { append(dataset, "excl.dbf", true, Records); }),
               "x_plain");
    }
}

// Shared-mode appends against the plain buffered write of the same bytes.
void BM_SharedAppend(benchmark::State& state) {
    bool dataset = state.range(0) != 0;
    state.SetLabel(dataset ? "dataset path" : "file path");
    Totals totals;
    for (auto _ : state) {
        createTable("shared.dbf");
        totals.addBase(plainWrite());
        report(state, totals, timed([&] { append(dataset, "shared.dbf", false, Records); }),
               "x_plain");
    }
}

void fillTable(const QString& name) {
    createTable(name);
    TDbfFile f(workDir().filePath(name));
    f.SetMode(pfExclusiveOpen);
    f.Open();
    QByteArray rec(f.RecordSize(), ' ');
    for (int i = 0; i < Records; ++i) {
        rec = recordBytes(i);
        f.InsertRecord(rec.data());
    }
}

void BM_TableReadBack(benchmark::State& state) {
    state.SetLabel("dataset path (target: x_plain <= 2)");
    if (!QFile::exists(workDir().filePath("read.dbf"))) fillTable("read.dbf");
    if (!QFile::exists(workDir().filePath("plain.bin"))) plainWrite();
    Totals totals;
    for (auto _ : state) {
        totals.addBase(plainRead());
        long sum = 0;
        Seconds s = timed([&] {
            TDbfTable t(nullptr);
            t.SetFilePath(workDir().path());
            t.SetTableName("read.dbf");
            t.SetExclusive(true);
            t.Open();
            TField* tab = t.FieldByName("TABNOM");
            t.First();
            while (!t.Eof()) {
                sum += tab->GetAsString().size();
                t.Next();
            }
            t.Close();
        });
        benchmark::DoNotOptimize(sum);
        report(state, totals, s, "x_plain");
    }
}

// The system calls of one shared append: this program run again under strace, appending
// Calls and then 2 x Calls records to a new table; the difference over Calls is what a record
// costs, without opening and closing. The counters are calls a record by kind.
std::map<QString, long> straceCounts(bool dataset, int count) {
    createTable("counted.dbf");
    QString out = workDir().filePath("strace.txt");
    QProcess p;
    p.start(QStringLiteral("strace"),
            {QStringLiteral("-f"), QStringLiteral("-c"), QStringLiteral("-o"), out,
             QCoreApplication::applicationFilePath(), QStringLiteral("--append-shared"),
             dataset ? QStringLiteral("table") : QStringLiteral("file"), QString::number(count),
             workDir().path()});
    std::map<QString, long> calls;
    if (!p.waitForFinished(600000) || p.exitCode() != 0) return calls;
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly)) return calls;
    for (const QByteArray& line : f.readAll().split('\n')) {
        QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 5 || parts[0].startsWith('%') || parts[0].startsWith('-')) continue;
        bool ok = false;
        long n = parts[3].toLong(&ok);
        if (ok && parts.last() != "total") calls[QString::fromLatin1(parts.last())] = n;
    }
    return calls;
}

void BM_SharedAppendSystemCalls(benchmark::State& state) {
    bool dataset = state.range(0) != 0;
    state.SetLabel(dataset ? "dataset path, calls a record (target: <= 5)"
                           : "file path, calls a record (target: <= 5)");
    constexpr int Calls = 2000;
    std::map<QString, long> once, twice;
    for (auto _ : state) {
        once = straceCounts(dataset, Calls);
        twice = straceCounts(dataset, 2 * Calls);
        state.SetIterationTime(1);
    }
    if (twice.empty()) {
        state.SkipWithError("strace did not run (is it installed?)");
        return;
    }
    double total = 0;
    for (const auto& [name, n] : twice) {
        double perRecord = double(n - once[name]) / Calls;
        if (perRecord >= 0.01) state.counters[name.toStdString()] = perRecord;
        total += perRecord;
    }
    state.counters["calls_record"] = total;
}

} // namespace

BENCHMARK(BM_PlainBufferedWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExclusiveAppend)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_SharedAppend)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_SharedAppendSystemCalls)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1);
BENCHMARK(BM_TableReadBack)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// "--append-shared table|file N DIR" appends N records to DIR/counted.dbf opened shared and
// exits (the run strace watches); anything else runs the benchmarks.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--append-shared") == 0) {
        QString dir = QString::fromLocal8Bit(argv[4]);
        QString name = QStringLiteral("counted.dbf");
        bool dataset = std::strcmp(argv[2], "table") == 0;
        int count = std::atoi(argv[3]);
        if (dataset) {
            TDbfTable t(nullptr);
            t.SetFilePath(dir);
            t.SetTableName(name);
            t.Open();
            for (int i = 0; i < count; ++i) {
                t.Append();
                t.FieldByName("TABNOM")->SetAsString(QString::number(i % 100000));
                t.Post();
            }
        } else {
            TDbfFile f(dir + u'/' + name);
            f.SetMode(pfReadWriteOpen);
            f.Open();
            QByteArray rec(f.RecordSize(), ' ');
            for (int i = 0; i < count; ++i)
                f.InsertRecord(rec.data());
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
