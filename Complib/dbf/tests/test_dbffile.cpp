// The table file: the byte layout, the record-count repair, refusing damaged files, the field
// encodings, and tables read back by an independent reader.
#include "DbfTestSupport.h"
#include "Dbf_DbfFile.h"

#include "Dates.h"

#include <cmath>

namespace {

QByteArray recordOf(TDbfFile& f, std::initializer_list<const char*> values) {
    QByteArray rec(f.RecordSize(), ' ');
    f.InitRecord(rec.data());
    int i = 0;
    for (const char* v : values) {
        QByteArray bytes(v);
        f.SetFieldData(i++, ftString, &bytes, rec.data());
    }
    return rec;
}

void createSeniority(const QString& path) {
    TDbfFile f(path);
    f.SetMode(pfExclusiveCreate);
    f.SetDbfVersion(xBaseIV);
    f.Open();
    TDbfFieldDefs defs;
    defs.Add("TABNOM", ftString, 5);
    defs.Add("STAJ", ftString, 3);
    f.FinishCreate(defs, ".dbt", 512);
}

QByteArray seniorityHeader() {
    QByteArray e(98, '\0');
    e[0] = 0x03;
    e[8] = 0x61;  // header size 97
    e[10] = 0x09; // record size 9
    // byte 29: no language driver row for code page 1251
    memcpy(e.data() + 32, "TABNOM", 6);
    e[43] = 'C';
    e[48] = 5;
    memcpy(e.data() + 64, "STAJ", 4);
    e[75] = 'C';
    e[80] = 3;
    e[96] = 0x0D;
    e[97] = 0x1A;
    return e;
}

QByteArray maskDate(QByteArray b) {
    for (int i = 1; i <= 3 && i < b.size(); ++i)
        b[i] = 0;
    return b;
}

} // namespace

TEST(DbfFile, SeniorityTableIsTheWorked98Bytes) {
    QTemporaryDir dir;
    QString path = dir.filePath("staj.dbf");
    createSeniority(path);
    QByteArray b = ReadAll(path);
    ASSERT_EQ(b.size(), 98);
    EXPECT_EQ(maskDate(b).toHex(' ').toStdString(), seniorityHeader().toHex(' ').toStdString());
    int y, m, d;
    DecodeDate(Date(), y, m, d);
    EXPECT_EQ(uint8_t(b[1]), y - 1900);
    EXPECT_EQ(b[2], m);
    EXPECT_EQ(b[3], d);
}

TEST(DbfFile, AppendGrowsByOneRecordAndMovesTheEndMarker) {
    for (TPagedFileMode mode : {pfExclusiveOpen, pfReadWriteOpen}) {
        QTemporaryDir dir;
        QString path = dir.filePath("staj.dbf");
        createSeniority(path);
        {
            TDbfFile f(path);
            f.SetMode(mode);
            f.Open();
            QByteArray rec = recordOf(f, {"00012", "123"});
            EXPECT_EQ(f.InsertRecord(rec.data()), 1);
            QByteArray rec2 = recordOf(f, {"7", "5"});
            EXPECT_EQ(f.InsertRecord(rec2.data()), 2);
        }
        QByteArray b = ReadAll(path);
        ASSERT_EQ(b.size(), 116) << mode;
        EXPECT_EQ(GetU32LE(b.constData() + 4), 2u);
        EXPECT_EQ(b.mid(97, 9), QByteArray(" 00012123"));
        EXPECT_EQ(b.mid(106, 9), QByteArray(" 7    5  "));
        EXPECT_EQ(b[115], 0x1A);
        QByteArray head = seniorityHeader();
        EXPECT_EQ(maskDate(b.left(97)).mid(4, 93), head.mid(4, 93).replace(0, 1, "\x02"));
    }
}

TEST(DbfFile, RecordCountRepairIsWrittenOnlyWhenExclusive) {
    QTemporaryDir dir;
    QString path = dir.filePath("t.dbf");
    createSeniority(path);
    {
        TDbfFile f(path);
        f.SetMode(pfExclusiveOpen);
        f.Open();
        for (int i = 0; i < 7; ++i) {
            QByteArray rec = recordOf(f, {"1", "2"});
            f.InsertRecord(rec.data());
        }
    }
    QByteArray b = ReadAll(path);
    PutU32LE(b.data() + 4, 10);
    b.append("\x1A\x1A\x1A\x1A"); // a partly written record never counts
    WriteAll(path, b);

    for (TPagedFileMode mode : {pfReadOnly, pfReadWriteOpen}) {
        TDbfFile f(path);
        f.SetMode(mode);
        f.Open();
        EXPECT_EQ(f.GetRecordCount(), 7);
        EXPECT_EQ(f.HeaderRecordCount(), 7u);
        f.Close();
        EXPECT_EQ(ReadAll(path), b) << "shared and read-only opens leave the file alone";
    }
    {
        TDbfFile f(path);
        f.SetMode(pfExclusiveOpen);
        f.Open();
        EXPECT_EQ(f.GetRecordCount(), 7);
    }
    EXPECT_EQ(GetU32LE(ReadAll(path).constData() + 4), 7u);
}

TEST(DbfFile, DamagedFilesAreRefusedAndLeftUntouched) {
    struct Case {
        const char* what;
        std::function<void(QByteArray&)> damage;
    };
    const Case cases[] = {
        {"unknown version byte", [](QByteArray& b) { b[0] = 0x07; }},
        {"header size 0", [](QByteArray& b) { PutU16LE(b.data() + 8, 0); }},
        {"record size 0", [](QByteArray& b) { PutU16LE(b.data() + 10, 0); }},
        {"header size past the end", [](QByteArray& b) { PutU16LE(b.data() + 8, 5000); }},
        {"field sizes do not add up", [](QByteArray& b) { b[48] = 6; }},
        {"empty field name", [](QByteArray& b) { memset(b.data() + 32, 0, 11); }},
        {"unknown field type", [](QByteArray& b) { b[43] = 'X'; }},
        // binary fields have fixed widths: reading them from a narrower slot would run past it
        {"integer field of 3 bytes", [](QByteArray& b) { b[75] = 'I'; }},
        {"time stamp of 3 bytes", [](QByteArray& b) { b[75] = '@'; }},
        {"double of 3 bytes", [](QByteArray& b) { b[75] = 'O'; }},
        {"autoincrement of 3 bytes", [](QByteArray& b) { b[75] = '+'; }},
        {"short file", [](QByteArray& b) { b.truncate(20); }},
        {"descriptor past the header",
         [](QByteArray& b) {
             PutU16LE(b.data() + 8, 70);
             b[96] = ' ';
         }},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QString path = dir.filePath("bad.dbf");
        createSeniority(path);
        QByteArray b = ReadAll(path);
        c.damage(b);
        WriteAll(path, b);
        for (TPagedFileMode mode : {pfExclusiveOpen, pfReadWriteOpen}) {
            TDbfFile f(path);
            f.SetMode(mode);
            try {
                f.Open();
                ADD_FAILURE() << c.what << ": opened";
            } catch (const EDbfError& e) {
                EXPECT_EQ(e.Message, "Invalid DBF file.") << c.what;
            }
            EXPECT_EQ(ReadAll(path), b) << c.what;
        }
    }
}

TEST(DbfFile, EmptyFileNeedsCreationAndMissingFileIsAnError) {
    QTemporaryDir dir;
    QString path = dir.filePath("empty.dbf");
    WriteAll(path, {});
    TDbfFile f(path);
    f.SetMode(pfReadWriteOpen);
    f.Open();
    EXPECT_TRUE(f.NeedsCreation());
    f.Close();

    TDbfFile g(dir.filePath("missing.dbf"));
    g.SetMode(pfReadWriteOpen);
    try {
        g.Open();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Open: file not found: \"" + dir.filePath("missing.dbf") + "\".");
    }
    EXPECT_FALSE(FileExists(dir.filePath("missing.dbf")));
}

TEST(DbfFile, DBaseIVWithLanguageByteZeroOpensAsDBaseIII) {
    QTemporaryDir dir;
    QString path = dir.filePath("t.dbf");
    createSeniority(path);
    TDbfFile f(path);
    f.SetMode(pfReadOnly);
    f.Open();
    EXPECT_EQ(f.DbfVersion(), xBaseIII);
}

// ---- field encodings --------------------------------------------------------------------

class FieldCodec : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.filePath("f.dbf");
        file = std::make_unique<TDbfFile>(path);
        file->SetMode(pfExclusiveCreate);
        file->SetDbfVersion(xBaseVII);
        file->Open();
        TDbfFieldDefs defs;
        defs.DbfVersion = xBaseVII;
        auto add = [&](const char* name, char type, int size, int prec) {
            TDbfFieldDef* d = defs.Add();
            d->SetFieldName(name);
            d->SetNativeFieldType(type);
            d->SetSize(size);
            d->SetPrecision(prec);
        };
        add("N3", 'N', 3, 0);
        add("N4", 'N', 4, 0);
        add("F82", 'F', 8, 2);
        add("I", 'I', 4, 0);
        add("O", 'O', 8, 0);
        add("TS", '@', 8, 0);
        add("D", 'D', 8, 0);
        add("L", 'L', 1, 0);
        add("C", 'C', 6, 0);
        file->FinishCreate(defs, ".dbt", 512);
        rec = QByteArray(file->RecordSize(), ' ');
        file->InitRecord(rec.data());
    }
    QByteArray bytes(int field) const {
        TDbfFieldDef* d = file->FieldDefs()->GetItems(field);
        return rec.mid(d->Offset, d->GetSize());
    }
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TDbfFile> file;
    QByteArray rec;
};

TEST_F(FieldCodec, NumbersAsText) {
    int32_t v = -5;
    file->SetFieldData(1, ftInteger, &v, rec.data());
    EXPECT_EQ(bytes(1), QByteArray("-005"));
    v = 345;
    file->SetFieldData(0, ftInteger, &v, rec.data());
    EXPECT_EQ(bytes(0), QByteArray("345"));
    v = 12345; // does not fit: refused, the field keeps its value
    EXPECT_THROW(file->SetFieldData(0, ftInteger, &v, rec.data()), EDbfError);
    EXPECT_EQ(bytes(0), QByteArray("345"));
    double d = -1234.567;
    file->SetFieldData(2, ftFloat, &d, rec.data());
    EXPECT_EQ(bytes(2), QByteArray("-1234.57"));
    double back = 0;
    ASSERT_TRUE(file->GetFieldData(2, ftFloat, &back, rec.constData()));
    EXPECT_DOUBLE_EQ(back, -1234.57);
    d = 123456.0;
    EXPECT_THROW(file->SetFieldData(2, ftFloat, &d, rec.data()), EDbfError);
    file->SetFieldData(2, ftFloat, nullptr, rec.data());
    EXPECT_EQ(bytes(2), QByteArray(8, ' '));
    EXPECT_FALSE(file->GetFieldData(2, ftFloat, &back, rec.constData()));
}

TEST_F(FieldCodec, BinaryFieldsAndTheirNulls) {
    // a new record holds nulls in the binary fields
    EXPECT_FALSE(file->GetFieldData(3, ftInteger, nullptr, rec.constData()));
    EXPECT_FALSE(file->GetFieldData(4, ftFloat, nullptr, rec.constData()));
    EXPECT_FALSE(file->GetFieldData(5, ftDateTime, nullptr, rec.constData()));

    int32_t i = 1;
    file->SetFieldData(3, ftInteger, &i, rec.data());
    EXPECT_EQ(bytes(3).toHex(), QByteArray("80000001"));
    i = -2;
    file->SetFieldData(3, ftInteger, &i, rec.data());
    EXPECT_EQ(bytes(3).toHex(), QByteArray("7ffffffe"));
    int32_t back = 0;
    ASSERT_TRUE(file->GetFieldData(3, ftInteger, &back, rec.constData()));
    EXPECT_EQ(back, -2);
    i = INT32_MIN; // would read back as null
    EXPECT_THROW(file->SetFieldData(3, ftInteger, &i, rec.data()), EDbfError);
    file->SetFieldData(3, ftInteger, nullptr, rec.data());
    EXPECT_EQ(bytes(3).toHex(), QByteArray("00000000"));

    double o = 1.0;
    file->SetFieldData(4, ftFloat, &o, rec.data());
    EXPECT_EQ(bytes(4).toHex(), QByteArray("bff0000000000000"));
    o = -1.0;
    file->SetFieldData(4, ftFloat, &o, rec.data());
    EXPECT_EQ(bytes(4).toHex(), QByteArray("400fffffffffffff"));
    double ob = 0;
    ASSERT_TRUE(file->GetFieldData(4, ftFloat, &ob, rec.constData()));
    EXPECT_EQ(ob, -1.0);
    file->SetFieldData(4, ftFloat, nullptr, rec.data());
    EXPECT_EQ(bytes(4), QByteArray(8, '\0'));
}

TEST_F(FieldCodec, TimeStampScaleIsDaysFromYearOne) {
    // 30.12.1899 00:00 is day 693594: 693594 x 86400000 ms as a big-endian double
    double zero = 0.0;
    file->SetFieldData(5, ftDateTime, &zero, rec.data());
    double ms = 693594.0 * 86400000.0;
    uint64_t bits;
    memcpy(&bits, &ms, 8);
    QByteArray expected(8, '\0');
    PutU64BE(expected.data(), bits);
    EXPECT_EQ(bytes(5).toHex(), expected.toHex());
    EXPECT_EQ(bytes(5).toHex(), QByteArray("42cb405d842c0000"));

    TDateTime when = EncodeDateTime(2024, 2, 29, 13, 45, 30, 250);
    file->SetFieldData(5, ftDateTime, &when, rec.data());
    double back = 0;
    ASSERT_TRUE(file->GetFieldData(5, ftDateTime, &back, rec.constData()));
    EXPECT_NEAR(back, when, 1e-9);
    TDateTime old = EncodeDateTime(1850, 6, 1, 6, 0, 0, 0); // before 1899: negative values
    file->SetFieldData(5, ftDateTime, &old, rec.data());
    ASSERT_TRUE(file->GetFieldData(5, ftDateTime, &back, rec.constData()));
    EXPECT_NEAR(back, old, 1e-9);

    // a damaged stamp (not a number, or outside 01.01.0001 .. 31.12.9999) reads as 0, as a
    // damaged date does
    const double day = 86400000.0;
    for (double raw : {std::nan(""), HUGE_VAL, -HUGE_VAL, -1e300, 1e300, 0.5 * day, 3652060.0 * day,
                       -693594.0 * day}) {
        memcpy(&bits, &raw, 8);
        PutU64BE(rec.data() + file->FieldDefs()->GetItems(5)->Offset, bits);
        back = -1;
        ASSERT_TRUE(file->GetFieldData(5, ftDateTime, &back, rec.constData())) << raw;
        EXPECT_EQ(back, 0.0) << raw;
    }
}

TEST_F(FieldCodec, DatesBooleansAndText) {
    TDateTime d = EncodeDate(2026, 12, 9);
    file->SetFieldData(6, ftDate, &d, rec.data());
    EXPECT_EQ(bytes(6), QByteArray("20261209"));
    double back = -1;
    ASSERT_TRUE(file->GetFieldData(6, ftDate, &back, rec.constData()));
    EXPECT_EQ(back, d);
    memcpy(rec.data() + file->FieldDefs()->GetItems(6)->Offset, "20261309", 8); // month 13
    ASSERT_TRUE(file->GetFieldData(6, ftDate, &back, rec.constData()));
    EXPECT_EQ(back, 0.0);

    bool b = true;
    file->SetFieldData(7, ftBoolean, &b, rec.data());
    EXPECT_EQ(bytes(7), QByteArray("T"));
    rec[file->FieldDefs()->GetItems(7)->Offset] = 't';
    bool bb = false;
    ASSERT_TRUE(file->GetFieldData(7, ftBoolean, &bb, rec.constData()));
    EXPECT_TRUE(bb);

    EXPECT_FALSE(file->GetFieldData(8, ftString, nullptr, rec.constData())) << "only spaces";
    QByteArray s("  ab");
    file->SetFieldData(8, ftString, &s, rec.data());
    EXPECT_EQ(bytes(8), QByteArray("  ab  "));
    QByteArray out;
    ASSERT_TRUE(file->GetFieldData(8, ftString, &out, rec.constData()));
    EXPECT_EQ(out, QByteArray("  ab"));
    QByteArray longer("abcdefgh");
    file->SetFieldData(8, ftString, &longer, rec.data());
    EXPECT_EQ(bytes(8), QByteArray("abcdef"));
}

TEST(DbfFile, FoxProTablesAreReadOrRefused) {
    auto build = [](uint8_t version, bool backLink, char secondType) {
        int hs = 32 + 64 + 1 + (backLink ? 263 : 0);
        QByteArray b(hs, '\0');
        b[0] = char(version);
        PutU32LE(b.data() + 4, 2);
        PutU16LE(b.data() + 8, uint16_t(hs));
        PutU16LE(b.data() + 10, 1 + 4 + 5);
        memcpy(b.data() + 32, "NAME", 4);
        b[43] = 'C';
        b[48] = 4;
        memcpy(b.data() + 64, "QTY", 3);
        b[75] = secondType;
        b[80] = 5;
        b[96] = 0x0D;
        b += " abcd   12";
        b += " xyz   -3 ";
        b += '\x1A';
        return b;
    };
    struct Case {
        uint8_t version;
        bool backLink;
        char type;
        bool readable;
    };
    const Case cases[] = {{0x30, true, 'N', true},
                          {0x31, true, 'N', true},
                          {0xF5, false, 'N', true},
                          {0x30, true, 'I', false},
                          {0x30, true, 'Y', false}};
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QString path = dir.filePath("fox.dbf");
        QByteArray bytes = build(c.version, c.backLink, c.type);
        WriteAll(path, bytes);
        TDbfFile f(path);
        f.SetMode(pfReadOnly);
        if (!c.readable) {
            EXPECT_THROW(f.Open(), EDbfError) << int(c.version) << c.type;
            EXPECT_EQ(ReadAll(path), bytes);
            continue;
        }
        f.Open();
        ASSERT_EQ(f.FieldDefs()->Count(), 2);
        EXPECT_EQ(f.GetRecordCount(), 2);
        QByteArray rec(f.RecordSize(), ' ');
        f.ReadRecord(2, rec.data());
        QByteArray name;
        ASSERT_TRUE(f.GetFieldData(0, ftString, &name, rec.constData()));
        EXPECT_EQ(name, QByteArray("xyz"));
        double qty = 0;
        ASSERT_TRUE(f.GetFieldData(1, ftFloat, &qty, rec.constData()));
        EXPECT_EQ(qty, -3.0);
    }
}
