#include "Classes.h"
#include "Streams.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <cmath>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

TEST(TStreamTest, LittleEndianValuesHaveExactBytes) {
    TMemoryStream ms;
    ms.WriteByte(0xAB);
    ms.WriteInt16(-2);
    ms.WriteWord(0x1234);
    ms.WriteInt32(0x01020304);
    ms.WriteDWord(0xFFFFFFFEu);
    ms.WriteInt64(-1);
    ms.WriteDouble(1.0);
    ms.WriteExtended(1.0);
    ms.WriteBytes("xy");
    const QByteArray expected("\xAB"
                              "\xFE\xFF"
                              "\x34\x12"
                              "\x04\x03\x02\x01"
                              "\xFE\xFF\xFF\xFF"
                              "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                              "\x00\x00\x00\x00\x00\x00\xF0\x3F"
                              "\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x3F"
                              "xy",
                              1 + 2 + 2 + 4 + 4 + 8 + 8 + 10 + 2);
    EXPECT_EQ(ms.GetBytes(), expected);
    EXPECT_EQ(ms.GetSize(), expected.size());

    ms.SetPosition(0);
    EXPECT_EQ(ms.ReadByte(), 0xAB);
    EXPECT_EQ(ms.ReadInt16(), -2);
    EXPECT_EQ(ms.ReadWord(), 0x1234);
    EXPECT_EQ(ms.ReadInt32(), 0x01020304);
    EXPECT_EQ(ms.ReadDWord(), 0xFFFFFFFEu);
    EXPECT_EQ(ms.ReadInt64(), -1);
    EXPECT_EQ(ms.ReadDouble(), 1.0);
    EXPECT_EQ(ms.ReadExtended(), 1.0);
    EXPECT_EQ(ms.ReadBytes(2), QByteArray("xy"));
}

TEST(TStreamTest, ExtendedRoundTrip) {
    for (double v : {0.0, -2.5, 3.141592653589793, 1e300, -1e-300, 4.9e-324, 123456789.125}) {
        TMemoryStream ms;
        ms.WriteExtended(v);
        ms.SetPosition(0);
        EXPECT_EQ(ms.ReadExtended(), v);
    }
}

TEST(TStreamTest, ShortReadsAndWritesRaise) {
    TMemoryStream ms;
    ms.WriteBytes("abc");
    ms.SetPosition(1);
    char buf[8];
    // Read itself reports what it got; ReadBuffer insists.
    EXPECT_EQ(ms.Read(buf, 8), 2);
    ms.SetPosition(1);
    EXPECT_EQ(MessageOf<EReadError>([&] { ms.ReadBuffer(buf, 3); }), "Stream read error");
    ms.SetPosition(2);
    EXPECT_EQ(MessageOf<EReadError>([&] { ms.ReadInt32(); }), "Stream read error");
    ms.SetPosition(3);
    EXPECT_THROW(ms.ReadByte(), EStreamError);
    ms.SetPosition(3);
    ms.ReadBuffer(buf, 0); // nothing asked, nothing raised
    // a count beyond what is left is refused before anything is allocated for it
    ms.SetPosition(1);
    EXPECT_EQ(MessageOf<EReadError>([&] { ms.ReadBytes(int64_t(1) << 50); }), "Stream read error");
    EXPECT_EQ(ms.GetPosition(), 1);
    EXPECT_EQ(ms.ReadBytes(2), QByteArray("bc"));

    TMemoryStream target;
    ms.SetPosition(0);
    EXPECT_EQ(MessageOf<EReadError>([&] { target.CopyFrom(&ms, 10); }), "Stream read error");
    EXPECT_EQ(target.CopyFrom(&ms, 0), 3); // whole source from its beginning
    EXPECT_EQ(target.GetBytes().right(3), QByteArray("abc"));
}

TEST(TStreamTest, MemoryStreamSizeAndPosition) {
    TMemoryStream ms;
    ms.Seek(4, soFromBeginning);
    ms.WriteByte('x'); // the gap is zero-filled
    EXPECT_EQ(ms.GetBytes(), QByteArray("\0\0\0\0x", 5));
    EXPECT_EQ(ms.Seek(-2, soFromEnd), 3);
    EXPECT_EQ(ms.Seek(1, soFromCurrent), 4);
    ms.SetSize(2);
    EXPECT_EQ(ms.GetPosition(), 2);
    ms.SetSize(4);
    EXPECT_EQ(ms.GetBytes(), QByteArray(4, '\0'));
    ms.Seek(10, soBeginning);
    char c;
    EXPECT_EQ(ms.Read(&c, 1), 0);
    ms.Clear();
    EXPECT_EQ(ms.GetSize(), 0);
    EXPECT_EQ(ms.GetPosition(), 0);

    TStringStream ss(QStringLiteral("Київ"));
    EXPECT_EQ(ss.GetBytes(), QByteArray("\xCA\xE8\xBF\xE2"));
    ss.Seek(0, soEnd);
    ss.WriteString(QStringLiteral("!"));
    EXPECT_EQ(ss.GetDataString(), QStringLiteral("Київ!"));
    ss.SetPosition(1);
    EXPECT_EQ(ss.ReadString(100), QStringLiteral("иїв!"));
}

TEST(TFileStreamTest, CreateOpenAndErrors) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath("data.bin");
    {
        TFileStream f(name, fmCreate | fmShareExclusive);
        EXPECT_EQ(f.GetShareMode(), fmShareExclusive);
        f.WriteInt32(42);
        f.WriteBytes("tail");
        EXPECT_EQ(f.GetSize(), 8);
    }
    {
        TFileStream f(name, fmOpenReadWrite | fmShareDenyNone);
        // The descriptor takes byte-range locks.
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0;
        lock.l_len = 4;
        EXPECT_EQ(fcntl(f.Handle(), F_SETLK, &lock), 0);
        EXPECT_EQ(f.ReadInt32(), 42);
        f.Seek(0, soEnd);
        f.WriteByte('!');
        f.SetSize(6);
        EXPECT_EQ(f.GetSize(), 6);
    }
    {
        TFileStream f(name, fmOpenRead);
        EXPECT_EQ(f.ReadAll(), QByteArray("\x2A\0\0\0ta", 6));
        EXPECT_EQ(MessageOf<EWriteError>([&] { f.WriteByte(1); }), "Stream write error");
    }
    TMemoryStream ms;
    ms.LoadFromFile(name);
    EXPECT_EQ(ms.GetSize(), 6);
    EXPECT_EQ(ms.GetPosition(), 0);

    const QString missing = dir.filePath("missing.bin");
    QString msg = MessageOf<EFOpenError>([&] { TFileStream f(missing, fmOpenRead); });
    EXPECT_TRUE(msg.startsWith("Cannot open file \"" + missing + "\". ")) << msg.toStdString();
    EXPECT_TRUE(msg.contains("No such file")) << msg.toStdString();
    msg = MessageOf<EFOpenError>([&] { TFileStream f(dir.path(), fmOpenRead); });
    EXPECT_TRUE(msg.startsWith("Cannot open file")) << msg.toStdString();
    const QString noFolder = dir.filePath("no/such/folder.bin");
    msg = MessageOf<EFCreateError>([&] { TFileStream f(noFolder, fmCreate); });
    EXPECT_TRUE(msg.startsWith("Cannot create file \"" + noFolder + "\". ")) << msg.toStdString();

    // String lists through files, in Windows-1251.
    TStringList list;
    list.SetStringList({"Іванов", "Петренко"});
    const QString textName = dir.filePath("list.txt");
    list.SaveToFile(textName);
    TMemoryStream raw;
    raw.LoadFromFile(textName);
    EXPECT_EQ(raw.GetBytes(),
              QByteArray("\xB2\xE2\xE0\xED\xEE\xE2\r\n\xCF\xE5\xF2\xF0\xE5\xED\xEA\xEE\r\n"));
    TStringList back;
    back.LoadFromFile(textName);
    EXPECT_EQ(back.ToStringList(), list.ToStringList());
}
