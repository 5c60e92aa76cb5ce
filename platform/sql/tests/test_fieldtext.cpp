// Every column type read back as text through the query dataset: a row of values, a row of
// NULLs and the values again, read forwards, backwards and after a jump, so that a value is
// never taken from the row next to it and NULL never reads as a value (or the other way).
#include "SqlTestSupport.h"

namespace {

struct TextCase {
    const char* type;
    const char* literal; // as written in the INSERT
    const char* text;    // AsString
};

// The cases are the table's columns C0, C1, ...
const TextCase TextCases[] = {
    {"VARCHAR(30)", "'Ґалаґан Єва Їжакевич ЁёЎў№'", "Ґалаґан Єва Їжакевич ЁёЎў№"},
    {"VARCHAR(30)", "''", ""},
    {"VARCHAR(5)", "'abcde'", "abcde"}, // the whole declared width
    {"VARCHAR(8)", "' лід  '", " лід  "},
    {"VARCHAR(70)", "'Д''яченко'", "Д'яченко"},
    {"CHAR(6)", "'Яр'", "Яр"},
    {"CHAR(1)", "'Ч'", "Ч"},
    {"SMALLINT", "-32768", "-32768"},
    {"INTEGER", "2147483647", "2147483647"},
    {"BIGINT", "-9223372036854775808", "-9223372036854775808"},
    {"NUMERIC(4,1)", "-12.5", "-12,5"},
    {"NUMERIC(9,2)", "1500.00", "1500"},
    {"NUMERIC(9,2)", "0.05", "0,05"},
    {"NUMERIC(15,2)", "-1234567890123.45", "-1234567890123,45"},
    {"NUMERIC(18,4)", "-0.0001", "-0,0001"},
    {"NUMERIC(18,4)", "922337203685477.5807", "922337203685477,5807"},
    {"DECIMAL(18,3)", "0", "0"},
    {"DOUBLE PRECISION", "0.1", "0,1"},
    {"FLOAT", "2.5", "2,5"},
    {"DATE", "'0001-01-01'", "01.01.0001"},
    {"DATE", "'9999-12-31'", "31.12.9999"},
    {"DATE", "'1899-12-30'", "30.12.1899"},
    {"TIME", "'23:59:59'", "23:59:59"},
    {"TIME", "'00:00:00'", "00:00:00"},
    {"TIMESTAMP", "'9999-12-31 23:59:59'", "31.12.9999 23:59:59"},
    {"TIMESTAMP", "'0001-01-01 00:00:00'", "01.01.0001"},
    {"BOOLEAN", "TRUE", "True"},
    {"BLOB SUB_TYPE TEXT", "'Пам''ять'", "Пам'ять"},
};
constexpr int CaseCount = int(std::size(TextCases));

QString column(int i) {
    return QStringLiteral("C%1").arg(i);
}

} // namespace

TEST_F(SqlTest, EveryTypeReadsBackAsTheSameTextRowAfterRow) {
    CreateAndConnect();
    QString create = QStringLiteral("CREATE TABLE T (ID INTEGER NOT NULL");
    QString values = QStringLiteral("%1");
    for (int i = 0; i < CaseCount; ++i) {
        create += QStringLiteral(", %1 %2").arg(column(i), QString::fromUtf8(TextCases[i].type));
        values += QStringLiteral(", ") + QString::fromUtf8(TextCases[i].literal);
    }
    Exec(create + u')');
    Exec(QStringLiteral("INSERT INTO T VALUES (") + values.arg(1) + u')');
    Exec(QStringLiteral("INSERT INTO T (ID) VALUES (2)"));
    Exec(QStringLiteral("INSERT INTO T VALUES (") + values.arg(3) + u')');

    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText(QStringLiteral("SELECT * FROM T ORDER BY ID"));
    q.Open();
    auto expectRow = [&](int id, const char* where) {
        ASSERT_EQ(q.FieldByName("ID")->GetAsInteger(), id) << where;
        for (int i = 0; i < CaseCount; ++i) {
            TField* f = q.FieldByName(column(i));
            const TextCase& c = TextCases[i];
            if (id == 2) {
                EXPECT_TRUE(f->IsNull()) << where << ": " << c.type;
                EXPECT_EQ(f->GetAsString(), QString()) << where << ": " << c.type;
            } else {
                EXPECT_FALSE(f->IsNull()) << where << ": " << c.type << " " << c.literal;
                EXPECT_EQ(f->GetAsString(), QString::fromUtf8(c.text))
                    << where << ": " << c.type << " " << c.literal;
            }
        }
    };
    for (int id = 1; id <= 3; ++id, q.Next())
        expectRow(id, "forwards");
    EXPECT_TRUE(q.Eof());
    q.Last();
    for (int id = 3; id >= 1; --id, q.Prior())
        expectRow(id, "backwards");
    q.SetRecNo(2);
    expectRow(2, "after a jump");
    q.SetRecNo(3);
    expectRow(3, "after a jump");
}

// Rows wider than the first blocks the fetched rows are kept in (each row is given room for
// every column at its full width and gives back what it did not take), many of them, with
// long, short and missing values in turn: each reads back as it was stored, both ways.
TEST_F(SqlTest, WideRowsReadBackWholeAcrossTheRowBlocks) {
    CreateAndConnect();
    Exec(QStringLiteral("CREATE TABLE W (ID INTEGER NOT NULL, A VARCHAR(30000), "
                        "B VARCHAR(30000), C VARCHAR(20))"));
    constexpr int Rows = 60;
    auto longText = [](int id) -> QString {
        if (id % 3 == 0) return QString();
        return QString((id * 523) % 29000 + 1, QChar(u'а' + id % 32));
    };
    auto shortText = [](int id) { return id % 2 ? QString() : QStringLiteral("Рядок %1").arg(id); };
    auto literal = [](const QString& s) {
        return s.isNull() ? QStringLiteral("NULL") : u'\'' + s + u'\'';
    };
    for (int id = 1; id <= Rows; ++id)
        Exec(QStringLiteral("INSERT INTO W VALUES (%1, %2, %3, %4)")
                 .arg(id)
                 .arg(literal(longText(id)), literal(id % 5 ? QStringLiteral("в") : QString()),
                      literal(shortText(id))));

    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText(QStringLiteral("SELECT * FROM W ORDER BY ID"));
    q.Open();
    auto expectRow = [&](int id, const char* where) {
        ASSERT_EQ(q.FieldByName("ID")->GetAsInteger(), id) << where;
        EXPECT_EQ(q.FieldByName("A")->GetAsString(), longText(id)) << where << " " << id;
        EXPECT_EQ(q.FieldByName("A")->IsNull(), longText(id).isNull()) << where << " " << id;
        EXPECT_EQ(q.FieldByName("B")->GetAsString(), id % 5 ? QStringLiteral("в") : QString())
            << where << " " << id;
        EXPECT_EQ(q.FieldByName("C")->GetAsString(), shortText(id)) << where << " " << id;
    };
    for (int id = 1; id <= Rows; ++id, q.Next())
        expectRow(id, "forwards");
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.GetRecordCount(), Rows);
    for (int id = Rows; id >= 1; --id, q.Prior())
        expectRow(id, "backwards");
    q.SetRecNo(Rows / 2);
    expectRow(Rows / 2, "after a jump");
}
