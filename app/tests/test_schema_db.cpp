// The schema as the server sees it after CreateNewBase, and its failure rules.
#include "AppTestSupport.h"

#include "Connection.h"
#include "Schema.h"

#include <QFile>

namespace {

struct ColumnFacts {
    int Type = 0;   // RDB$FIELD_TYPE
    int Length = 0; // characters for text
    int Scale = 0;
    int Precision = 0;
    QString Charset;
    QString Collation;
    bool NotNull = false;
    QString Source;
};

class SchemaTest : public AppDbTest {
protected:
    ColumnFacts Facts(const QString& Table, const QString& Column) {
        TIBQuery q(nullptr);
        q.SetDatabase(dm->Database);
        q.GetSQL()->SetText(QStringLiteral(
            "select f.RDB$FIELD_TYPE, f.RDB$CHARACTER_LENGTH, f.RDB$FIELD_SCALE, "
            "f.RDB$FIELD_PRECISION, trim(cs.RDB$CHARACTER_SET_NAME), trim(co.RDB$COLLATION_NAME), "
            "coalesce(rf.RDB$NULL_FLAG, 0), trim(rf.RDB$FIELD_SOURCE) "
            "from RDB$RELATION_FIELDS rf join RDB$FIELDS f on f.RDB$FIELD_NAME = "
            "rf.RDB$FIELD_SOURCE "
            "left join RDB$CHARACTER_SETS cs on cs.RDB$CHARACTER_SET_ID = f.RDB$CHARACTER_SET_ID "
            "left join RDB$COLLATIONS co on co.RDB$CHARACTER_SET_ID = f.RDB$CHARACTER_SET_ID "
            "and co.RDB$COLLATION_ID = coalesce(rf.RDB$COLLATION_ID, f.RDB$COLLATION_ID) "
            "where rf.RDB$RELATION_NAME = :T and rf.RDB$FIELD_NAME = :C"));
        q.ParamByName("T")->SetAsString(Table);
        q.ParamByName("C")->SetAsString(Column);
        q.Open();
        ColumnFacts f;
        if (q.IsEmpty()) return f;
        f.Type = q.Fields(0)->GetAsInteger();
        f.Length = q.Fields(1)->GetAsInteger();
        f.Scale = q.Fields(2)->GetAsInteger();
        f.Precision = q.Fields(3)->GetAsInteger();
        f.Charset = q.Fields(4)->GetAsString();
        f.Collation = q.Fields(5)->GetAsString();
        f.NotNull = q.Fields(6)->GetAsInteger() != 0;
        f.Source = q.Fields(7)->GetAsString();
        return f;
    }
    QStringList Strings(const QString& Sql) {
        TIBQuery q(nullptr);
        q.SetDatabase(dm->Database);
        q.GetSQL()->SetText(Sql);
        q.Open();
        QStringList out;
        for (; !q.Eof(); q.Next())
            out.append(q.Fields(0)->GetAsString().trimmed());
        return out;
    }
};

TEST_F(SchemaTest, NewDatabaseHasTheDomainsTablesAndColumnsAsDeclared) {
    EXPECT_EQ(Scalar("select MON$PAGE_SIZE from MON$DATABASE").AsInt(), 4096);
    EXPECT_EQ(VarToStr(Scalar("select trim(RDB$CHARACTER_SET_NAME) from RDB$DATABASE")),
              QStringLiteral("WIN1251"));
    EXPECT_EQ(Strings("select RDB$FIELD_NAME from RDB$FIELDS where RDB$FIELD_NAME not starting "
                      "'RDB$' and RDB$FIELD_NAME not starting 'MON$' and RDB$FIELD_NAME not "
                      "starting 'SEC$' order by 1"),
              (QStringList{"D_GR", "D_PODR", "D_PROF", "TABNUM"}));
    EXPECT_EQ(Strings("select RDB$RELATION_NAME from RDB$RELATIONS where "
                      "coalesce(RDB$SYSTEM_FLAG, 0) = 0 order by 1"),
              (QStringList{"DEPART", "HEALTH", "KADR", "KIDS", "NAZN", "ORDERP", "PGROUP", "PODR",
                           "PROF"}));

    // Every declared column, read back from the system tables.
    for (const TSchemaTable& t : SchemaTables()) {
        const QString table = QString::fromLatin1(t.Name);
        EXPECT_EQ(
            Count("RDB$RELATION_FIELDS", QStringLiteral("RDB$RELATION_NAME = '%1'").arg(table)),
            int(t.Columns.size()))
            << t.Name;
        for (const TSchemaColumn& c : t.Columns) {
            const QString where = table + u'.' + QString::fromLatin1(c.Name);
            ColumnFacts f = Facts(table, QString::fromLatin1(c.Name));
            const QString type = ResolvedColumnType(c);
            if (type.startsWith("VARCHAR(")) {
                EXPECT_EQ(f.Type, 37) << where.toStdString();
                EXPECT_EQ(f.Length, type.mid(8, type.size() - 9).toInt()) << where.toStdString();
                EXPECT_EQ(f.Charset, QStringLiteral("WIN1251")) << where.toStdString();
                EXPECT_EQ(f.Collation,
                          c.Cyrillic ? QStringLiteral("WIN1251_UA") : QStringLiteral("WIN1251"))
                    << where.toStdString();
            } else if (type == "INTEGER") {
                EXPECT_EQ(f.Type, 8) << where.toStdString();
            } else if (type == "SMALLINT") {
                EXPECT_EQ(f.Type, 7) << where.toStdString();
            } else if (type == "DATE") {
                EXPECT_EQ(f.Type, 12) << where.toStdString();
            } else if (type == "NUMERIC(7,2)") {
                EXPECT_EQ(f.Type, 8) << where.toStdString();
                EXPECT_EQ(f.Precision, 7) << where.toStdString();
                EXPECT_EQ(f.Scale, -2) << where.toStdString();
            } else {
                EXPECT_EQ(f.Type, 261) << where.toStdString();
            }
            if (QStringList{"TABNUM", "D_GR", "D_PODR", "D_PROF"}.contains(c.Type)) {
                EXPECT_EQ(f.Source, QString::fromLatin1(c.Type)) << where.toStdString();
            }
            EXPECT_EQ(f.NotNull, QByteArray(c.Constraint).startsWith("NOT NULL"))
                << where.toStdString();
        }
    }
    // Spot checks straight from the declaration, independent of the column table above.
    EXPECT_EQ(Count("RDB$RELATION_FIELDS", "RDB$RELATION_NAME = 'KADR'"), 105);
    EXPECT_EQ(Facts("DEPART", "NAMEDEP").Collation, QStringLiteral("WIN1251_UA"));
    EXPECT_EQ(Facts("HEALTH", "HEL_SUM").Scale, -2);
    EXPECT_EQ(Facts("HEALTH", "HEL_KAT").Collation, QStringLiteral("WIN1251"));

    // Primary keys: one column each, and none on the keyless tables.
    const QString pk =
        QStringLiteral("select trim(c.RDB$RELATION_NAME) || '.' || trim(s.RDB$FIELD_NAME) from "
                       "RDB$RELATION_CONSTRAINTS c join RDB$INDEX_SEGMENTS s on s.RDB$INDEX_NAME = "
                       "c.RDB$INDEX_NAME "
                       "where c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' order by 1");
    EXPECT_EQ(Strings(pk), (QStringList{"DEPART.NAMEDEP", "KADR.TAB", "ORDERP.TAB1", "PGROUP.KODG",
                                        "PODR.KODP", "PROF.CODPROF"}));
}

TEST_F(SchemaTest, CreatingOverAnExistingFileFailsAndLeavesItAlone) {
    Exec("insert into PROF (CODPROF, NAMPROF) values ('01', 'Токар')");
    dm->Database->Close();
    const QByteArray before = [&] {
        QFile f(DbPath());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_ANY_THROW(CreateNewBase());
    EXPECT_FALSE(dm->Database->GetConnected());
    QFile f(DbPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    // The connection lines are back, so connecting works.
    EXPECT_EQ(dm->Database->GetParams()->GetText().trimmed().split('\n').size(), 3);
    ASSERT_TRUE(ConnectDatabase());
    EXPECT_EQ(Count("PROF"), 1);
}

TEST_F(SchemaTest, AFailedStatementDropsTheHalfBuiltDatabaseSoARetryWorks) {
    dm->Database->Close();
    const QString other = dir.filePath("other.fdb");
    dm->Database->SetDatabaseName(other);
    QList<QStringList> statements = SchemaStatements();
    statements.insert(6, QStringList{"CREATE TABLE BROKEN (X NOSUCHTYPE);"});
    EXPECT_ANY_THROW(CreateNewBase(statements));
    EXPECT_FALSE(dm->Database->GetConnected());
    EXPECT_FALSE(QFile::exists(other));

    CreateNewBase();
    EXPECT_TRUE(dm->Database->GetConnected());
    EXPECT_EQ(Count("KIDS"), 0);
}

TEST_F(SchemaTest, SurnamesListInUkrainianOrderAndADatabaseOfTheOldCollationWorksAsBefore) {
    // The first letters Г Ґ Д Є И І Ї Й К Я, entered in another order.
    const QStringList entered =
        QString::fromUtf8("Ярош Їжакевич Гнатюк Йосипенко Єрмак Іваненко Коваль Ґудзь Дуб Иванишин")
            .split(u' ');
    struct Row {
        const char* What;
        const char* Collation; // of an older database; nullptr: a new one
        const char* Order;
    } rows[] = {
        {"a new database", nullptr,
         "Гнатюк Ґудзь Дуб Єрмак Иванишин Іваненко Їжакевич Йосипенко Коваль Ярош"},
        {"a database of the old collation", "PXW_CYRL",
         "Гнатюк Дуб Иванишин Йосипенко Коваль Ярош Ґудзь Єрмак Їжакевич Іваненко"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        dm->Database->Close();
        const QString path = dir.filePath(r.Collation ? "old.fdb" : "new.fdb");
        dm->Database->SetDatabaseName(path);
        QList<QStringList> statements = SchemaStatements();
        if (r.Collation)
            for (QStringList& st : statements)
                st.replaceInStrings(QStringLiteral("WIN1251_UA"), QString::fromLatin1(r.Collation));
        CreateNewBase(statements);
        ASSERT_TRUE(dm->Database->GetConnected());
        EXPECT_EQ(Facts("KADR", "FAMILY").Collation,
                  r.Collation ? QString::fromLatin1(r.Collation) : QStringLiteral("WIN1251_UA"));
        // Entered through the employee list as the card window does, saved after each post.
        TIBQuery* list = dm->IBQuery;
        list->Open();
        int n = 0;
        for (const QString& family : entered) {
            list->Append();
            list->FieldByName("TAB")->SetAsString(QString::number(++n).rightJustified(5, u'0'));
            list->FieldByName("FAMILY")->SetAsString(family);
            list->Post();
        }
        EXPECT_FALSE(list->UpdatesPending());
        list->Close();
        list->Open();
        QStringList shown;
        for (; !list->Eof(); list->Next())
            shown << list->FieldByName("FAMILY")->GetAsString();
        list->Close();
        EXPECT_EQ(shown, QString::fromUtf8(r.Order).split(u' '));
        // case-insensitive search and upper case as before
        EXPECT_EQ(Count("KADR", QStringLiteral("upper(FAMILY) = 'ЇЖАКЕВИЧ'")), 1);
    }
}

} // namespace
