// Sharing between processes: concurrent appends, record locks and the share modes.
#include "DbfTestSupport.h"
#include "Dbf.h"

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
    a.SetMode(pfReadWriteOpen);
    b.SetMode(pfReadWriteOpen);
    a.Open();
    b.Open();
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
