// Sharing between processes: concurrent appends, record locks and the share modes.
#include "DbfTestSupport.h"
#include "Dbf.h"

#include <cstring>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void createTable(const QString& dir) {
    TDbfTable t(nullptr);
    t.SetFilePath(dir);
    t.SetTableName("shared.dbf");
    t.GetFieldDefs()->Add("TAG", ftString, 6);
    t.GetFieldDefs()->Add("N", ftString, 4);
    t.CreateTable();
    t.Open();
    for (int i = 1; i <= 3; ++i) {
        t.Append();
        t.FieldByName("TAG")->SetAsString(QString("R%1").arg(i));
        t.Post();
    }
}

struct Pipe {
    int fd[2];
    Pipe() { EXPECT_EQ(pipe(fd), 0); }
    ~Pipe() {
        close(fd[0]);
        close(fd[1]);
    }
    void send() { EXPECT_EQ(write(fd[1], "x", 1), 1); }
    bool receive() {
        char c;
        return read(fd[0], &c, 1) == 1;
    }
};

// Runs body in a child process; the child's exit code is 0 when body returned true.
pid_t spawn(const std::function<bool()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        bool ok = false;
        try {
            ok = body();
        } catch (...) {
            ok = false;
        }
        _exit(ok ? 0 : 1);
    }
    return pid;
}

int waitChild(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void openShared(TDbfFile& f) {
    f.SetMode(pfReadWriteOpen);
    f.Open();
}

TDbfTable* openTable(TDbfTable& t, const QString& dir, bool exclusive = false,
                     bool readOnly = false) {
    t.SetFilePath(dir);
    t.SetTableName("shared.dbf");
    t.SetExclusive(exclusive);
    t.SetReadOnly(readOnly);
    t.Open();
    return &t;
}

} // namespace

TEST(DbfLocking, TwoProcessesAppendingKeepEveryRecord) {
    QTemporaryDir dir;
    createTable(dir.path());
    const int perProcess = 300;
    Pipe go;
    auto appender = [&](const QString& prefix) {
        TDbfTable t(nullptr);
        openTable(t, dir.path());
        for (int i = 1; i <= perProcess; ++i) {
            t.Append();
            t.FieldByName("TAG")->SetAsString(prefix + QString::number(i));
            t.FieldByName("N")->SetAsString(QString::number(i));
            t.Post();
        }
        return true;
    };
    pid_t child = spawn([&] {
        if (!go.receive()) return false;
        return appender("B");
    });
    go.send();
    appender("A");
    ASSERT_EQ(waitChild(child), 0);

    QByteArray b = ReadAll(dir.filePath("shared.dbf"));
    ASSERT_GE(b.size(), 32);
    char head[32];
    memcpy(head, b.constData(), sizeof head);
    int hs = GetU16LE(head + 8), rs = GetU16LE(head + 10);
    int total = 3 + 2 * perProcess;
    EXPECT_EQ(int(GetU32LE(head + 4)), total);
    ASSERT_EQ(b.size(), hs + total * rs + 1);
    EXPECT_EQ(b.back(), 0x1A);
    std::set<QByteArray> seen;
    for (int i = 0; i < total; ++i) {
        QByteArray rec = b.mid(hs + i * rs, rs);
        EXPECT_EQ(rec[0], ' ') << i;
        seen.insert(rec.mid(1, 6).trimmed());
    }
    EXPECT_EQ(int(seen.size()), total) << "every record once, none overwritten";
    EXPECT_TRUE(seen.count("A300") && seen.count("B300") && seen.count("A1") && seen.count("B1"));
}

TEST(DbfLocking, ARecordLockedInOneProcessIsRefusedInTheOther) {
    QTemporaryDir dir;
    createTable(dir.path());
    Pipe locked, done;
    pid_t child = spawn([&] {
        TDbfTable t(nullptr);
        openTable(t, dir.path());
        t.First();
        t.Edit();
        locked.send();
        done.receive();
        t.Cancel();
        return true;
    });
    ASSERT_TRUE(locked.receive());
    {
        TDbfTable t(nullptr);
        openTable(t, dir.path());
        t.First();
        try {
            t.Edit();
            ADD_FAILURE() << "edit of a locked record";
        } catch (const EDbfError& e) {
            EXPECT_EQ(e.Message, "Record locked.");
        }
        EXPECT_EQ(t.GetState(), dsBrowse);
        t.Next();
        t.Edit(); // another record is free
        t.FieldByName("N")->SetAsString("7");
        t.Post();
    }
    done.send();
    EXPECT_EQ(waitChild(child), 0);
}

TEST(DbfLocking, ExclusiveAndSharedOpensExcludeEachOther) {
    struct Case {
        bool childExclusive;
        bool parentExclusive;
        bool parentReadOnly;
        bool refused;
    };
    const Case cases[] = {
        {false, true, false, true},   // exclusive while another has it open
        {true, false, false, true},   // shared while another has it exclusively
        {true, false, true, true},    // read-only while another has it exclusively
        {false, false, false, false}, // shared with shared
        {false, false, true, false},  // read-only with shared
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        createTable(dir.path());
        Pipe opened, done;
        pid_t child = spawn([&] {
            TDbfTable t(nullptr);
            openTable(t, dir.path(), c.childExclusive);
            opened.send();
            done.receive();
            return true;
        });
        ASSERT_TRUE(opened.receive());
        TDbfTable t(nullptr);
        bool refused = false;
        try {
            openTable(t, dir.path(), c.parentExclusive, c.parentReadOnly);
        } catch (const EFOpenError& e) {
            refused = true;
            EXPECT_TRUE(e.Message.contains("in use by another process")) << e.Message.toStdString();
        }
        EXPECT_EQ(refused, c.refused) << c.childExclusive << c.parentExclusive << c.parentReadOnly;
        t.Close();
        done.send();
        EXPECT_EQ(waitChild(child), 0);
    }
}

TEST(DbfLocking, LocksWithinOneProcessAndExclusiveFilesLockNothing) {
    QTemporaryDir dir;
    createTable(dir.path());
    QString path = dir.filePath("shared.dbf");
    TDbfFile a(path), b(path);
    openShared(a);
    openShared(b);
    EXPECT_TRUE(a.LockRegion(2, false));
    EXPECT_FALSE(b.LockRegion(2, false)) << "two opens of one file exclude each other too";
    EXPECT_TRUE(b.LockRegion(3, false));
    a.UnlockRegion(2);
    EXPECT_TRUE(b.LockRegion(2, false));
    b.Close();
    a.Close();

    TDbfFile x(path);
    x.SetMode(pfExclusiveOpen);
    x.Open();
    EXPECT_TRUE(x.LockRegion(1, false));
    EXPECT_TRUE(x.LockRegion(1, false));

    // a missing file in shared mode with auto-create is created as create-shared
    TPagedFile p(dir.filePath("new.bin"));
    p.SetMode(pfReadWriteOpen);
    p.SetAutoCreate(true);
    p.OpenFile();
    EXPECT_EQ(p.Mode(), pfReadWriteCreate);
    EXPECT_TRUE(p.IsShared());
}

namespace {

// The records of shared.dbf as written (flag and TAG), and its header's count.
struct TableBytes {
    int count = 0;
    QList<QByteArray> tags;
    bool endMarker = false;
    explicit TableBytes(const QString& dir) {
        QByteArray b = ReadAll(dir + "/shared.dbf");
        if (b.size() < 32) return; // no header: nothing counted, no records
        char head[32];
        std::memcpy(head, b.constData(), sizeof head);
        int hs = GetU16LE(head + 8), rs = GetU16LE(head + 10);
        count = int(GetU32LE(head + 4));
        for (int at = hs; at + rs <= b.size(); at += rs)
            tags << b.mid(at, 1) + b.mid(at + 1, 6).trimmed();
        endMarker = b.size() == hs + tags.size() * rs + 1 && b.back() == 0x1A;
    }
};

int appendTag(TDbfFile& f, const QByteArray& tag) {
    QByteArray rec(f.RecordSize(), ' ');
    f.InitRecord(rec.data());
    f.SetFieldText(0, tag.constData(), int(tag.size()), rec.data());
    return f.InsertRecord(rec.data());
}

} // namespace

// Another program that reserves its record by the record's lock before it takes the header's
// lock (and writes the record after counting it) keeps that record: an append passes it by.
TEST(DbfLocking, AnAppendPassesARecordAnotherProgramHasReserved) {
    QTemporaryDir dir;
    createTable(dir.path());
    QString path = dir.filePath("shared.dbf");
    TDbfFile ours(path), other(path);
    openShared(ours);
    openShared(other);
    ASSERT_TRUE(other.LockRegion(4, false));
    EXPECT_EQ(appendTag(ours, "OURS"), 5);
    // the other program counts its record under the header's lock, then writes it
    ASSERT_TRUE(other.LockRegion(0, true));
    char count[4];
    ASSERT_EQ(other.ReadBlock(count, 4, 4), 4);
    PutU32LE(count, GetU32LE(count) + 1);
    other.WriteBlock(count, 4, 4);
    other.UnlockRegion(0);
    QByteArray rec(other.RecordSize(), ' ');
    other.SetFieldText(0, "OTHER", 5, rec.data());
    other.WriteBlock(rec.constData(), other.RecordSize(), other.CalcPageOffset(4));
    other.UnlockRegion(4);
    ours.Close();
    other.Close();
    TableBytes t(dir.path());
    EXPECT_EQ(t.count, 5);
    EXPECT_EQ(t.tags, (QList<QByteArray>{" R1", " R2", " R3", " OTHER", " OURS"}));
    EXPECT_TRUE(t.endMarker);
}

// A file holding more records than its header counts (written by a program that does not
// count) loses none of them to an append.
TEST(DbfLocking, AnAppendKeepsRecordsTheHeaderDoesNotCount) {
    QTemporaryDir dir;
    createTable(dir.path());
    QString path = dir.filePath("shared.dbf");
    QByteArray b = ReadAll(path);
    PutU32LE(b.data() + 4, 1);
    WriteAll(path, b);
    TDbfFile f(path);
    openShared(f);
    EXPECT_EQ(appendTag(f, "NEW"), 4);
    EXPECT_EQ(appendTag(f, "NEWER"), 5);
    f.Close();
    TableBytes t(dir.path());
    EXPECT_EQ(t.tags, (QList<QByteArray>{" R1", " R2", " R3", " NEW", " NEWER"}));
    EXPECT_EQ(t.count, 3) << "counts add up from what the header said";
}

// An appender with an index open (it adds keys under the header's lock) and one without
// (the few calls of a plain append) share the table: every record once, every key.
TEST(DbfLocking, AppendersWithAndWithoutAnIndexKeepEveryRecord) {
    QTemporaryDir dir;
    createTable(dir.path());
    QString path = dir.filePath("shared.dbf");
    {
        TDbfFile f(path);
        f.SetMode(pfExclusiveOpen);
        f.Open();
        ASSERT_NE(f.OpenIndex("tag.ndx", "TAG", {}, true), nullptr);
    }
    const int perProcess = 200;
    Pipe go;
    pid_t child = spawn([&] {
        if (!go.receive()) return false;
        TDbfFile f(path);
        openShared(f);
        for (int i = 1; i <= perProcess; ++i)
            appendTag(f, "B" + QByteArray::number(i));
        return true;
    });
    TDbfFile f(path);
    openShared(f);
    TIndexFile* ndx = f.OpenIndex("tag.ndx", "TAG", {}, false);
    ASSERT_NE(ndx, nullptr);
    go.send();
    for (int i = 1; i <= perProcess; ++i)
        appendTag(f, "A" + QByteArray::number(i));
    ASSERT_EQ(waitChild(child), 0);
    f.Close();
    TableBytes t(dir.path());
    int total = 3 + 2 * perProcess;
    EXPECT_EQ(t.count, total);
    EXPECT_EQ(t.tags.size(), total);
    EXPECT_TRUE(t.endMarker);
    std::set<QByteArray> seen(t.tags.begin(), t.tags.end());
    EXPECT_EQ(int(seen.size()), total) << "every record once, none overwritten";
    EXPECT_TRUE(seen.count(" A200") && seen.count(" B200"));
}
