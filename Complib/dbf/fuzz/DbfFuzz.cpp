// Feeds arbitrary table, memo and index files to the dBase engine. Opening them, reading every
// record and every index entry, then appending, editing and deleting (opened exclusively and
// shared) must never crash, hang, read out of bounds or allocate without bound, whatever the
// bytes; a damaged file may only raise the engine's own errors.
//
// An input is three parts, the first two preceded by their length (4 bytes, little endian):
// the table "t.dbf", the memo file "t.dbt" and an index, written both as "t.mdx" (opened by the
// table when its header names a production index) and as "t.ndx" (opened by name).
//
// With KADRION_DBF_SEEDS naming a folder, the first run writes seed inputs there (tables at
// levels III, IV and VII with memos, an MDX tag and an NDX file) and exits.
#include "Dbf.h"
#include "Dates.h"
#include "Dbf_IdxFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MaxRows = 2000; // rows and index entries visited per input

const QString& workDir() {
    static QTemporaryDir dir(QDir::tempPath() + "/kadrion-dbf-fuzz-XXXXXX");
    static const QString path = dir.path();
    return path;
}

QString pathOf(const char* name) {
    return workDir() + "/" + name;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Splits an input into its three parts (missing parts are empty).
void splitInput(const uint8_t* data, size_t size, QByteArray parts[3]) {
    size_t pos = 0;
    for (int i = 0; i < 2; ++i) {
        if (size - pos < 4) return;
        uint32_t n;
        std::memcpy(&n, data + pos, 4);
        pos += 4;
        n = uint32_t(std::min<size_t>(n, size - pos));
        parts[i] = QByteArray(reinterpret_cast<const char*>(data + pos), qsizetype(n));
        pos += n;
    }
    parts[2] = QByteArray(reinterpret_cast<const char*>(data + pos), qsizetype(size - pos));
}

QByteArray joinInput(const QByteArray& dbf, const QByteArray& dbt, const QByteArray& index) {
    QByteArray out;
    for (const QByteArray* part : {&dbf, &dbt}) {
        uint32_t n = uint32_t(part->size());
        out.append(reinterpret_cast<const char*>(&n), 4);
        out.append(*part);
    }
    return out + index;
}

void placeFiles(const QByteArray parts[3]) {
    writeFile(pathOf("t.dbf"), parts[0]);
    writeFile(pathOf("t.dbt"), parts[1]);
    writeFile(pathOf("t.mdx"), parts[2]);
    writeFile(pathOf("t.ndx"), parts[2]);
}

void readRows(TDbfTable& t) {
    int n = 0;
    for (t.First(); !t.Eof() && n < MaxRows; t.Next(), ++n)
        for (int i = 0; i < t.GetFieldCount(); ++i)
            (void)t.Fields(i)->GetAsString();
}

void walkIndex(TIndexFile* index) {
    for (int slot = 0; slot < index->TagCount(); ++slot) {
        TIndexPath path = index->FirstPath(slot);
        for (int n = 0; n < MaxRows && !index->AtEnd(path); ++n) {
            (void)index->PathRecNo(path);
            (void)index->PathKey(path);
            if (!index->NextPath(slot, path)) break;
        }
    }
}

void readEverything() {
    TDbfTable t(nullptr);
    t.SetFilePath(workDir());
    t.SetTableName("t.dbf");
    t.SetReadOnly(true);
    t.Open();
    readRows(t);
    if (TIndexFile* mdx = t.GetDbfFile()->MdxFile()) {
        walkIndex(mdx);
        for (const QString& tag : mdx->GetIndexNames()) {
            t.SetIndexName(tag);
            readRows(t);
        }
        t.SetIndexName(QString());
    }
    walkIndex(t.GetDbfFile()->OpenIndex("t.ndx", QString(), {}, false));
}

// Appends, edits and deletes a record; shared, the table re-reads its header under its locks.
void writeSomething(bool exclusive) {
    TDbfTable t(nullptr);
    t.SetFilePath(workDir());
    t.SetTableName("t.dbf");
    t.SetExclusive(exclusive);
    t.Open();
    t.Append();
    for (int i = 0; i < t.GetFieldCount(); ++i) {
        try {
            t.Fields(i)->SetAsString(QStringLiteral("1"));
        } catch (const Exception&) {
        }
    }
    t.Post();
    t.First();
    t.Edit();
    if (t.GetFieldCount() > 0) t.Fields(0)->SetAsString(QStringLiteral("Ї'"));
    t.Post();
    t.Delete();
    t.Close();
}

// Runs a step; the engine's errors are expected for damaged files, anything else is a fault.
template <class Step> void guarded(Step step) {
    try {
        step();
    } catch (const Exception&) {
    }
}

void writeSeeds(const QString& folder) {
    struct Seed {
        int level;
        bool ndx;
    };
    int n = 0;
    for (Seed seed : {Seed{3, true}, Seed{4, false}, Seed{4, true}, Seed{7, false}}) {
        for (const char* name : {"t.dbf", "t.dbt", "t.mdx", "t.ndx"})
            QFile::remove(pathOf(name));
        TDbfTable t(nullptr);
        t.SetFilePath(workDir());
        t.SetTableName("t.dbf");
        t.SetTableLevel(seed.level);
        TFieldDefs* d = t.GetFieldDefs();
        d->Add("NAME", ftString, 8);
        d->Add("NUM", ftFloat, 10)->SetPrecision(2);
        d->Add("BORN", ftDate);
        d->Add("OK", ftBoolean);
        d->Add("NOTE", ftMemo);
        if (seed.level == 7) {
            d->Add("ID", ftAutoInc);
            d->Add("STAMP", ftDateTime);
        }
        if (!seed.ndx && seed.level >= 4) {
            TDbfIndexDef* tag = t.GetIndexes()->Add();
            tag->SetIndexFile("NAME");
            tag->SetSortField("NAME");
        }
        t.CreateTable();
        t.SetExclusive(true);
        t.Open();
        if (seed.ndx) t.GetDbfFile()->OpenIndex("t.ndx", "NAME", {}, true);
        for (int i = 0; i < 24; ++i) {
            t.Append();
            t.FieldByName("NAME")->SetAsString(QString::number(i * 7919 % 1000));
            t.FieldByName("NUM")->SetAsFloat(i * 1.5);
            t.FieldByName("BORN")->SetAsDateTime(EncodeDate(1990, 1 + i % 12, 1 + i % 28));
            t.FieldByName("OK")->SetAsBoolean(i % 2);
            t.FieldByName("NOTE")->SetAsString(QString("note %1 ").arg(i).repeated(i % 9));
            t.Post();
        }
        t.Close();
        QByteArray index = readFile(pathOf(seed.ndx ? "t.ndx" : "t.mdx"));
        writeFile(folder + QString("/seed-%1").arg(++n),
                  joinInput(readFile(pathOf("t.dbf")), readFile(pathOf("t.dbt")), index));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* seeds = std::getenv("KADRION_DBF_SEEDS")) {
        QDir().mkpath(QString::fromLocal8Bit(seeds));
        writeSeeds(QString::fromLocal8Bit(seeds));
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray parts[3];
    splitInput(data, size, parts);
    placeFiles(parts);
    guarded(readEverything);
    placeFiles(parts);
    guarded([] { writeSomething(true); });
    placeFiles(parts);
    guarded([] { writeSomething(false); });
    return 0;
}
