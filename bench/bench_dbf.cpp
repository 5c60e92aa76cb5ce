// Appending and reading back 1,000,000 seniority records (TABNOM C5, STAJ C3), each reported
// as a ratio against writing (or reading) the same bytes with plain buffered file I/O in the
// same run. Target: appends in exclusive mode within 2x of the plain write.
//
// Each iteration times the plain write (or read) right before the engine's run, so both see
// the same machine load; x_plain is the engine's total time over the plain total across the
// iterations, and the exclusive-mode runs take several iterations to even out the noise.
#include "Dbf.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>

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

// Plain buffered writes of the same 97 header bytes, records and end marker.
double plainWriteSeconds() {
    QByteArray path = workDir().filePath("plain.bin").toLocal8Bit();
    auto start = std::chrono::steady_clock::now();
    FILE* f = fopen(path.constData(), "wb");
    char header[97] = {0};
    fwrite(header, 1, sizeof header, f);
    for (int i = 0; i < Records; ++i) {
        QByteArray r = recordBytes(i);
        fwrite(r.constData(), 1, 9, f);
    }
    fputc(0x1A, f);
    fclose(f);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double plainReadSeconds() {
    QByteArray path = workDir().filePath("plain.bin").toLocal8Bit();
    auto start = std::chrono::steady_clock::now();
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
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Running totals of one benchmark: the engine's seconds and the plain I/O's seconds.
struct Totals {
    double engine = 0;
    double plain = 0;
};

// Times the plain I/O for this iteration; call right before the engine's own run.
void pairBaseline(Totals& totals, bool read) {
    totals.plain += read ? plainReadSeconds() : plainWriteSeconds();
}

void report(benchmark::State& state, Totals& totals, double seconds) {
    state.SetIterationTime(seconds);
    totals.engine += seconds;
    state.counters["x_plain"] = totals.engine / totals.plain;
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

void BM_PlainBufferedWrite(benchmark::State& state) {
    Totals totals;
    for (auto _ : state) {
        pairBaseline(totals, false);
        report(state, totals, plainWriteSeconds());
    }
}

// The dataset path the application takes: Append, two AsString assignments, Post. Its
// x_plain in exclusive mode is the figure the target is about.
void BM_TableAppend(benchmark::State& state) {
    bool exclusive = state.range(0) != 0;
    state.SetLabel(exclusive ? "dataset path, exclusive (target: x_plain <= 2)"
                             : "dataset path, shared");
    Totals totals;
    for (auto _ : state) {
        createTable("staj.dbf");
        pairBaseline(totals, false);
        auto start = std::chrono::steady_clock::now();
        TDbfTable t(nullptr);
        t.SetFilePath(workDir().path());
        t.SetTableName("staj.dbf");
        t.SetExclusive(exclusive);
        t.Open();
        TField* tab = t.FieldByName("TABNOM");
        TField* staj = t.FieldByName("STAJ");
        for (int i = 0; i < Records; ++i) {
            t.Append();
            tab->SetAsString(QString::number(i % 100000));
            staj->SetAsString(QString::number(i % 1000));
            t.Post();
        }
        t.Close();
        report(state, totals,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

// The table file alone: encode the two fields and append the record.
void BM_FileAppend(benchmark::State& state) {
    bool exclusive = state.range(0) != 0;
    state.SetLabel(exclusive ? "file path, exclusive" : "file path, shared");
    Totals totals;
    for (auto _ : state) {
        createTable("file.dbf");
        pairBaseline(totals, false);
        auto start = std::chrono::steady_clock::now();
        TDbfFile f(workDir().filePath("file.dbf"));
        f.SetMode(exclusive ? pfExclusiveOpen : pfReadWriteOpen);
        f.Open();
        QByteArray rec(f.RecordSize(), ' ');
        for (int i = 0; i < Records; ++i) {
            QByteArray r = recordBytes(i);
            QByteArray tab = r.mid(1, 5), staj = r.mid(6, 3);
            f.InitRecord(rec.data());
            f.SetFieldData(0, ftString, &tab, rec.data());
            f.SetFieldData(1, ftString, &staj, rec.data());
            f.InsertRecord(rec.data());
        }
        f.Close();
        report(state, totals,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
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
    state.SetLabel("dataset path, read back");
    if (!QFile::exists(workDir().filePath("staj.dbf"))) fillTable("staj.dbf");
    if (!QFile::exists(workDir().filePath("plain.bin"))) plainWriteSeconds();
    Totals totals;
    for (auto _ : state) {
        pairBaseline(totals, true);
        auto start = std::chrono::steady_clock::now();
        TDbfTable t(nullptr);
        t.SetFilePath(workDir().path());
        t.SetTableName("staj.dbf");
        t.SetExclusive(true);
        t.Open();
        TField* tab = t.FieldByName("TABNOM");
        long sum = 0;
        t.First();
        while (!t.Eof()) {
            sum += tab->GetAsString().size();
            t.Next();
        }
        t.Close();
        benchmark::DoNotOptimize(sum);
        report(state, totals,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

} // namespace

// Exclusive-mode runs: five paired iterations each. Shared-mode runs take seconds (a lock and
// an unlock per record), so one iteration is enough to show their cost.
#define KADRION_ENGINE_BENCH(fn, arg, iterations)                                                  \
    BENCHMARK(fn)->Arg(arg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(iterations)

BENCHMARK(BM_PlainBufferedWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
KADRION_ENGINE_BENCH(BM_FileAppend, 1, 5);
KADRION_ENGINE_BENCH(BM_TableAppend, 1, 5);
KADRION_ENGINE_BENCH(BM_FileAppend, 0, 1);
KADRION_ENGINE_BENCH(BM_TableAppend, 0, 1);
BENCHMARK(BM_TableReadBack)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
