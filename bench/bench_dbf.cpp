// Appending and reading back 1,000,000 seniority records (TABNOM C5, STAJ C3), each reported
// as a ratio against writing (or reading) the same bytes with plain buffered file I/O in the
// same run. Target: appends in exclusive mode within 2x of the plain write.
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

double baseline(bool read) {
    static double w = plainWriteSeconds();
    static double r = plainReadSeconds();
    return read ? r : w;
}

void report(benchmark::State& state, double seconds, bool read) {
    state.SetIterationTime(seconds);
    state.counters["x_plain"] = seconds / baseline(read);
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
    for (auto _ : state)
        report(state, plainWriteSeconds(), false);
}

// The dataset path the application takes: Append, two AsString assignments, Post. Its
// x_plain in exclusive mode is the figure the target is about.
void BM_TableAppend(benchmark::State& state) {
    bool exclusive = state.range(0) != 0;
    state.SetLabel(exclusive ? "dataset path, exclusive (target: x_plain <= 2)"
                             : "dataset path, shared");
    for (auto _ : state) {
        createTable("staj.dbf");
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
        report(state,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
               false);
    }
}

// The table file alone: encode the two fields and append the record.
void BM_FileAppend(benchmark::State& state) {
    bool exclusive = state.range(0) != 0;
    state.SetLabel(exclusive ? "file path, exclusive" : "file path, shared");
    for (auto _ : state) {
        createTable("file.dbf");
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
        report(state,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
               false);
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
    for (auto _ : state) {
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
        report(state,
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
               true);
    }
}

} // namespace

BENCHMARK(BM_PlainBufferedWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FileAppend)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_TableAppend)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_TableReadBack)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
