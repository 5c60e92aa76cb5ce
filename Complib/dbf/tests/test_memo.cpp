// The memo file: block layouts of both levels, block counts, reuse and moves.
#include "DbfTestSupport.h"
#include "Dbf_Memo.h"

namespace {
std::unique_ptr<TDbtFile> createMemo(const QString& path, TXBaseVersion level) {
    auto m = std::make_unique<TDbtFile>(path, level, 512);
    m->SetMode(pfExclusiveCreate);
    m->Open();
    return m;
}
} // namespace

TEST(DbtFile, NewFileHeader) {
    QTemporaryDir dir;
    QString path = dir.filePath("m.dbt");
    createMemo(path, xBaseIV)->Close();
    QByteArray b = ReadAll(path);
    ASSERT_EQ(b.size(), 512);
    EXPECT_EQ(GetU32LE(b.constData()), 1u);
    EXPECT_EQ(GetU16LE(b.constData() + 20), 512);
    EXPECT_EQ(b[16], 0);
    createMemo(path, xBaseIII)->Close();
    EXPECT_EQ(ReadAll(path)[16], 3);
}

TEST(DbtFile, BlocksTakenAreExactlyTheBlocksWritten) {
    struct Case {
        TXBaseVersion level;
        int length;
        int blocks;
    };
    // dBase IV: 8 header bytes; dBase III: 2 terminator bytes
    const Case cases[] = {
        {xBaseIV, 1, 1},    {xBaseIV, 504, 1},  {xBaseIV, 505, 2},  {xBaseIV, 1016, 2},
        {xBaseIII, 510, 1}, {xBaseIII, 511, 2}, {xBaseIII, 512, 2}, {xBaseIII, 1022, 2},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QString path = dir.filePath("m.dbt");
        auto m = createMemo(path, c.level);
        QByteArray value(c.length, 'x');
        for (int i = 0; i < c.length; ++i)
            value[i] = char('a' + i % 26);
        int block = 0;
        m->WriteMemo(block, 0, value);
        EXPECT_EQ(block, 1);
        int second = 0;
        m->WriteMemo(second, 0, QByteArray("next"));
        EXPECT_EQ(second, 1 + c.blocks) << c.level << " " << c.length;
        EXPECT_EQ(m->ReadMemo(block), value) << c.level << " " << c.length;
        EXPECT_EQ(m->ReadMemo(second), QByteArray("next"));
        m->Close();
        EXPECT_EQ(ReadAll(path).size(), 512 * (2 + c.blocks));
    }
}

TEST(DbtFile, EmptyValueAndRewrites) {
    QTemporaryDir dir;
    auto m = createMemo(dir.filePath("m.dbt"), xBaseIV);
    int block = 7;
    m->WriteMemo(block, 100, QByteArray());
    EXPECT_EQ(block, 0);
    EXPECT_TRUE(m->ReadMemo(0).isEmpty());

    m->WriteMemo(block, 0, QByteArray(300, 'a'));
    ASSERT_EQ(block, 1);
    int other = 0;
    m->WriteMemo(other, 0, QByteArray("b"));
    ASSERT_EQ(other, 2);
    int before = block;
    m->WriteMemo(block, 300, QByteArray("short"));
    EXPECT_EQ(block, before) << "a shorter value reuses its block";
    EXPECT_EQ(m->ReadMemo(block), QByteArray("short"));
    m->WriteMemo(block, 5, QByteArray(2000, 'z'));
    EXPECT_EQ(block, 3) << "a longer value moves to the end";
    EXPECT_EQ(m->ReadMemo(block), QByteArray(2000, 'z'));
    EXPECT_EQ(m->ReadMemo(other), QByteArray("b"));
    EXPECT_EQ(m->NextFreeBlock(), 3u + 4u);
}

TEST(DbtFile, DBaseIIITerminatorSplitOverTwoBlocks) {
    QTemporaryDir dir;
    QString path = dir.filePath("m.dbt");
    createMemo(path, xBaseIII)->Close();
    QByteArray b = ReadAll(path);
    QByteArray block1(512, 'q');
    block1[511] = 0x1A;
    QByteArray block2(512, ' ');
    block2[0] = 0x1A;
    WriteAll(path, b + block1 + block2);
    TDbtFile m(path, xBaseIII);
    m.SetMode(pfReadOnly);
    m.Open();
    EXPECT_EQ(m.ReadMemo(1), QByteArray(511, 'q'));
}

TEST(DbtFile, BadLengthsAndBlocksAreErrors) {
    QTemporaryDir dir;
    QString path = dir.filePath("m.dbt");
    {
        auto m = createMemo(path, xBaseIV);
        int block = 0;
        m->WriteMemo(block, 0, QByteArray("abc"));
    }
    QByteArray b = ReadAll(path);
    PutU32LE(b.data() + 512 + 4, 0x7FFFFFF0); // a length far past the end
    WriteAll(path, b);
    TDbtFile m(path, xBaseIV);
    m.SetMode(pfReadOnly);
    m.Open();
    EXPECT_THROW(m.ReadMemo(1), EDbfError);
    EXPECT_THROW(m.ReadMemo(99), EDbfError);
}

TEST(DbtFile, ANextFreeBlockPastTheEndIsTakenAsTheEnd) {
    for (TXBaseVersion level : {xBaseIII, xBaseIV}) {
        QTemporaryDir dir;
        QString path = dir.filePath("m.dbt");
        createMemo(path, level)->Close();
        QByteArray b = ReadAll(path);
        PutU32LE(b.data(), 1000000); // a damaged header: half a gigabyte past the end
        WriteAll(path, b);
        TDbtFile m(path, level);
        m.SetMode(pfExclusiveOpen);
        m.Open();
        int block = 0;
        m.WriteMemo(block, 0, QByteArray("value"));
        EXPECT_EQ(block, 1) << level;
        EXPECT_EQ(m.ReadMemo(block), QByteArray("value"));
        m.Close();
        EXPECT_EQ(ReadAll(path).size(), 1024) << level;
        EXPECT_EQ(GetU32LE(ReadAll(path).constData()), 2u) << level;
    }
}

TEST(DbtFile, TwoSharedWritersNeverTakeTheSameBlocks) {
    QTemporaryDir dir;
    QString path = dir.filePath("m.dbt");
    createMemo(path, xBaseIV)->Close();
    TDbtFile a(path, xBaseIV), b(path, xBaseIV);
    a.SetMode(pfReadWriteOpen);
    b.SetMode(pfReadWriteOpen);
    a.Open();
    b.Open();
    std::vector<std::pair<int, QByteArray>> written;
    for (int i = 0; i < 20; ++i) {
        TDbtFile& m = i % 2 ? b : a;
        QByteArray value(100 + i * 97, char('a' + i));
        int block = 0;
        m.WriteMemo(block, 0, value);
        written.emplace_back(block, value);
    }
    for (const auto& [block, value] : written) {
        EXPECT_EQ(a.ReadMemo(block), value);
        EXPECT_EQ(b.ReadMemo(block), value);
    }
}
