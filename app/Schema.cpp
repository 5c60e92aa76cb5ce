#include "Schema.h"

#include "DMUnit.h"
#include "IBDatabase.h"
#include "IBQuery.h"

namespace {

// Ukrainian alphabetical order (Ґ after Г, Є after Д, І and Ї after И); the character set and
// its case rules are those of the older Cyrillic collation, which existing databases keep.
constexpr const char Cyr[] = " CHARACTER SET WIN1251 COLLATE WIN1251_UA";
constexpr bool Y = true;
constexpr bool N = false;

std::vector<TSchemaTable> makeTables() {
    std::vector<TSchemaTable> t;
    t.push_back({"KADR",
                 {{"TAB", "TABNUM", N, "NOT NULL primary key"},
                  {"FAMILY", "VARCHAR(20)", Y, ""},
                  {"NAME", "VARCHAR(20)", Y, ""},
                  {"PATR", "VARCHAR(20)", Y, ""},
                  {"ID", "VARCHAR(10)", N, ""},
                  {"KODP_2", "D_PODR", N, ""},
                  {"KODG_2", "D_GR", N, ""},
                  {"CPROF", "D_PROF", N, ""},
                  {"SEX", "VARCHAR(1)", N, ""},
                  {"BDATE", "DATE", N, ""},
                  {"BPLACE", "VARCHAR(70)", Y, ""},
                  {"TEL", "VARCHAR(10)", N, ""},
                  {"WWORK", "DATE", N, ""},
                  {"WOWORK", "DATE", N, ""},
                  {"WORK_MES", "INTEGER", N, ""},
                  {"ENDEND", "DATE", N, ""},
                  {"LPWORK", "VARCHAR(50)", Y, ""},
                  {"ENDDATE", "DATE", N, ""},
                  {"WHYLEAVE", "VARCHAR(50)", Y, ""},
                  {"WOWORK1", "DATE", N, ""},
                  {"KAT", "VARCHAR(15)", Y, ""},
                  {"NAPR", "VARCHAR(20)", Y, ""},
                  {"SHTAT", "VARCHAR(2)", N, ""},
                  {"HDEP", "VARCHAR(15)", Y, ""},
                  {"EDUC", "VARCHAR(15)", Y, ""},
                  {"GALUZ", "VARCHAR(15)", Y, ""},
                  {"NAMEHSHC", "VARCHAR(70)", Y, ""},
                  {"ENDHDATE", "DATE", N, ""},
                  {"NAMETEX", "VARCHAR(70)", Y, ""},
                  {"ENDTDATE", "DATE", N, ""},
                  {"NAMEPTU", "VARCHAR(70)", Y, ""},
                  {"ENDPDATE", "DATE", N, ""},
                  {"TEDUC", "VARCHAR(20)", Y, ""},
                  {"DIPPROF", "VARCHAR(50)", Y, ""},
                  {"DIPQUAL", "VARCHAR(50)", Y, ""},
                  {"NUMDIP", "VARCHAR(20)", N, ""},
                  {"STATFAM", "VARCHAR(11)", Y, ""},
                  {"MEMBFAM", "VARCHAR(100)", Y, ""},
                  {"GRINV", "VARCHAR(1)", N, ""},
                  {"TERMINV", "VARCHAR(10)", Y, ""},
                  {"WHYINV", "VARCHAR(160)", Y, ""},
                  {"NUMSER", "VARCHAR(10)", N, ""},
                  {"WHOSER", "VARCHAR(80)", Y, ""},
                  {"WIN", "VARCHAR(60)", Y, ""},
                  {"DATEWIN", "DATE", N, ""},
                  {"POLEADD", "VARCHAR(100)", Y, ""},
                  {"KLAS", "VARCHAR(2)", N, ""},
                  {"NKAT", "VARCHAR(5)", Y, ""},
                  {"ROZRAD", "VARCHAR(1)", N, ""},
                  {"UDOST", "VARCHAR(5)", N, ""},
                  {"V_GROUP", "VARCHAR(15)", Y, ""},
                  {"V_KAT", "VARCHAR(15)", Y, ""},
                  {"V_ZVAN", "VARCHAR(20)", Y, ""},
                  {"V_SOSTAV", "VARCHAR(25)", Y, ""},
                  {"V_SPEZ", "VARCHAR(20)", Y, ""},
                  {"V_PRIG", "VARCHAR(15)", Y, ""},
                  {"V_VKOM", "VARCHAR(35)", Y, ""},
                  {"V_ADR", "VARCHAR(35)", Y, ""},
                  {"V_NOMVB", "VARCHAR(20)", Y, ""},
                  {"V_SPO", "VARCHAR(25)", Y, ""},
                  {"V_NBLN", "VARCHAR(15)", Y, ""},
                  {"V_SLZ", "DATE", N, ""},
                  {"V_SLPO", "DATE", N, ""},
                  {"V_MOB", "VARCHAR(15)", Y, ""},
                  {"V_NZSU", "VARCHAR(15)", Y, ""},
                  {"V_DATVB", "DATE", N, ""},
                  {"V_DATRVK", "DATE", N, ""},
                  {"V_UCHET", "SMALLINT", N, ""},
                  {"V_PRIZ", "SMALLINT", N, ""},
                  {"FOTO", "BLOB", N, ""},
                  {"ADRHOME", "VARCHAR(100)", Y, ""},
                  {"PASP", "VARCHAR(15)", Y, ""},
                  {"WHOOUT", "VARCHAR(70)", Y, ""},
                  {"OUTDATE", "DATE", N, ""},
                  {"V_OFF", "SMALLINT", N, ""},
                  {"PENS", "SMALLINT", N, ""},
                  {"ACTIONER", "SMALLINT", N, ""},
                  {"DATCHILD", "DATE", N, ""},
                  {"SOCSTRAH", "VARCHAR(15)", Y, ""},
                  {"PENSP", "VARCHAR(25)", Y, ""},
                  {"OKLAD", "NUMERIC(7,2)", N, ""},
                  {"OTPDATE", "DATE", N, ""},
                  {"OTPDATE1", "DATE", N, ""},
                  {"OTPSTR", "VARCHAR(15)", Y, ""},
                  {"OTPSTR1", "VARCHAR(15)", Y, ""},
                  {"OTPCNT", "SMALLINT", N, ""},
                  {"OTPCNT1", "SMALLINT", N, ""},
                  {"PRJ_PRIM", "VARCHAR(70)", Y, ""},
                  {"PRJ_DNAK", "DATE", N, ""},
                  {"UVL_DNAK", "DATE", N, ""},
                  {"UVL_NOTW", "SMALLINT", N, ""},
                  {"UVL_KOMP", "SMALLINT", N, ""},
                  {"PRJ_NOM", "VARCHAR(8)", Y, ""},
                  {"PRJ_SROK", "VARCHAR(70)", Y, ""},
                  {"PRJ_RAB", "VARCHAR(15)", Y, ""},
                  {"PRJ_UMOV", "VARCHAR(15)", Y, ""},
                  {"UVL_NOM", "VARCHAR(8)", Y, ""},
                  {"UVL_WHY", "VARCHAR(50)", Y, ""},
                  {"PRJ_ISP", "SMALLINT", N, ""},
                  {"NOVO", "SMALLINT", N, ""},
                  {"CH_KAT", "VARCHAR(1)", N, ""},
                  {"CH_NOM", "VARCHAR(10)", N, ""},
                  {"CH_DATE", "DATE", N, ""},
                  {"WHYWHY", "VARCHAR(50)", Y, ""},
                  {"CH_WHO", "VARCHAR(80)", Y, ""}}});
    t.push_back(
        {"PROF",
         {{"CODPROF", "D_PROF", N, "NOT NULL primary key"}, {"NAMPROF", "VARCHAR(100)", Y, ""}}});
    t.push_back(
        {"PODR",
         {{"KODP", "D_PODR", N, "NOT NULL primary key"}, {"NAIPODR", "VARCHAR(60)", Y, ""}}});
    t.push_back({"PGROUP",
                 {{"KODP_1", "D_PODR", N, "NOT NULL"},
                  {"KODG", "D_GR", N, "NOT NULL primary key"},
                  {"NAIGR", "VARCHAR(80)", Y, ""}}});
    t.push_back({"ORDERP",
                 {{"TAB1", "TABNUM", N, "NOT NULL primary key"},
                  {"NORDER", "VARCHAR(10)", N, ""},
                  {"DATAORD", "DATE", N, ""},
                  {"F", "VARCHAR(20)", Y, ""},
                  {"N", "VARCHAR(20)", Y, ""},
                  {"P", "VARCHAR(20)", Y, ""},
                  {"KODP_3", "D_PODR", N, ""},
                  {"KODG_3", "D_GR", N, ""},
                  {"CPROF_2", "D_PROF", N, ""},
                  {"KAT_2", "VARCHAR(15)", Y, ""},
                  {"OKLAD", "NUMERIC(7,2)", N, ""},
                  {"UMOV", "VARCHAR(15)", Y, ""},
                  {"PERIODB", "DATE", N, ""},
                  {"PERIODE", "DATE", N, ""},
                  {"PERIODD", "INTEGER", N, ""},
                  {"DOD_D", "INTEGER", N, ""},
                  {"NDOD_D", "VARCHAR(40)", Y, ""},
                  {"INVV", "INTEGER", N, ""},
                  {"NINVV", "VARCHAR(40)", Y, ""},
                  {"INVD", "INTEGER", N, ""},
                  {"NINVD", "VARCHAR(40)", Y, ""},
                  {"SKID_D", "INTEGER", N, ""},
                  {"SMEN_D", "INTEGER", N, ""},
                  {"STAJ_D", "INTEGER", N, ""},
                  {"CHILD_D", "INTEGER", N, ""},
                  {"NORM_D", "INTEGER", N, ""},
                  {"VS_KAL", "INTEGER", N, ""},
                  {"VS_RAB", "INTEGER", N, ""},
                  {"OTP_B", "DATE", N, ""},
                  {"OTP_E", "DATE", N, ""},
                  {"M_DOD", "DATE", N, ""},
                  {"M_SKID", "DATE", N, ""},
                  {"M_STAJ", "DATE", N, ""},
                  {"M_NORM", "DATE", N, ""},
                  {"M_SMEN", "DATE", N, ""},
                  {"M_CHILD", "DATE", N, ""},
                  {"M_INVD", "DATE", N, ""},
                  {"NOTES", "VARCHAR(50)", Y, ""},
                  {"M_INVV", "DATE", N, ""}}});
    t.push_back({"NAZN",
                 {{"TAB2", "TABNUM", N, "NOT NULL"},
                  {"NAZ_DATE", "DATE", N, ""},
                  {"KODP_4", "D_PODR", N, ""},
                  {"CPROF_3", "D_PROF", N, ""},
                  {"ROZ", "VARCHAR(5)", Y, ""},
                  {"KAT", "VARCHAR(5)", Y, ""},
                  {"KLAS", "VARCHAR(2)", Y, ""},
                  {"OKLAD", "NUMERIC(7,2)", N, ""},
                  {"NAK_N", "VARCHAR(10)", N, ""},
                  {"NAK_D", "DATE", N, ""}}});
    t.push_back({"HEALTH",
                 {{"HEL_TAB", "TABNUM", N, "NOT NULL"},
                  {"HEL_BDATE", "DATE", N, ""},
                  {"HEL_KAT", "VARCHAR(15)", N, ""},
                  {"HEL_F", "VARCHAR(20)", Y, ""},
                  {"HEL_N", "VARCHAR(20)", Y, ""},
                  {"HEL_P", "VARCHAR(20)", Y, ""},
                  {"HEL_VID", "VARCHAR(30)", Y, ""},
                  {"HEL_SEX", "VARCHAR(1)", Y, ""},
                  {"HEL_SUM", "NUMERIC(7,2)", N, ""},
                  {"HEL_BEG", "DATE", N, ""},
                  {"HEL_END", "DATE", N, ""},
                  {"HEL_MES", "DATE", N, ""},
                  {"HEL_NUM", "VARCHAR(10)", Y, ""},
                  {"HEL_DAYS", "INTEGER", N, ""}}});
    t.push_back({"DEPART", {{"NAMEDEP", "VARCHAR(15)", Y, "NOT NULL primary key"}}});
    t.push_back({"KIDS",
                 {{"KID_TAB", "TABNUM", N, "NOT NULL"},
                  {"KID_DAT", "DATE", N, ""},
                  {"KID_SEX", "VARCHAR(1)", Y, ""},
                  {"KID_NAME", "VARCHAR(50)", Y, ""}}});
    return t;
}

} // namespace

const std::vector<TSchemaDomain>& SchemaDomains() {
    static const std::vector<TSchemaDomain> d = {{"D_GR", "INTEGER"},
                                                 {"D_PODR", "INTEGER"},
                                                 {"D_PROF", "VARCHAR(10)"},
                                                 {"TABNUM", "VARCHAR(5)"}};
    return d;
}

const std::vector<TSchemaTable>& SchemaTables() {
    static const std::vector<TSchemaTable> t = makeTables();
    return t;
}

const TSchemaTable* FindSchemaTable(const QString& Name) {
    for (const TSchemaTable& t : SchemaTables())
        if (Name.compare(QLatin1String(t.Name), Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

QString ResolvedColumnType(const TSchemaColumn& Column) {
    for (const TSchemaDomain& d : SchemaDomains())
        if (qstrcmp(d.Name, Column.Type) == 0) return QString::fromLatin1(d.Type);
    return QString::fromLatin1(Column.Type);
}

QList<QStringList> SchemaStatements() {
    QList<QStringList> out;
    for (const TSchemaDomain& d : SchemaDomains())
        out.append(QStringList{QStringLiteral("CREATE DOMAIN %1 AS %2;").arg(d.Name, d.Type)});
    for (const TSchemaTable& t : SchemaTables()) {
        QStringList lines{QStringLiteral("CREATE TABLE %1 (").arg(t.Name)};
        for (size_t i = 0; i < t.Columns.size(); ++i) {
            const TSchemaColumn& c = t.Columns[i];
            const bool last = i + 1 == t.Columns.size();
            QString line;
            if (qstrcmp(t.Name, "DEPART") == 0) {
                // The one column whose collation clause follows its constraint.
                line = QStringLiteral("NAMEDEP VARCHAR(15) CHARACTER SET WIN1251 NOT NULL "
                                      "primary key COLLATE WIN1251_UA");
            } else {
                line = QString::fromLatin1(c.Name) + u' ' + QString::fromLatin1(c.Type);
                if (c.Cyrillic) line += QLatin1String(Cyr);
                if (*c.Constraint) line += u' ' + QString::fromLatin1(c.Constraint);
            }
            line += last ? QStringLiteral(");") : QStringLiteral(",");
            lines.append(line);
        }
        out.append(lines);
    }
    return out;
}

QStringList CreateDatabaseLines() {
    // Firebird refuses the character-set name in double quotes, so it goes without them.
    return {QStringLiteral("USER 'SYSDBA'"), QStringLiteral("PASSWORD 'quartzfen'"),
            QStringLiteral("PAGE_SIZE 4096"), QStringLiteral("DEFAULT CHARACTER SET WIN1251")};
}

QStringList ConnectionLines() {
    return {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quartzfen"),
            QStringLiteral("lc_ctype=WIN1251")};
}

void CreateNewBase(const QList<QStringList>& Statements) {
    TIBDatabase* db = DM->Database;
    db->GetParams()->Clear();
    db->GetParams()->AddStrings(CreateDatabaseLines());
    try {
        db->CreateDatabase();
    } catch (...) {
        // Nothing was made (the file may belong to another database): leave it alone.
        db->GetParams()->Clear();
        db->GetParams()->AddStrings(ConnectionLines());
        throw;
    }
    try {
        db->SetConnected(true);
        for (const QStringList& statement : Statements) {
            DM->IBCreate->GetSQL()->Clear();
            for (const QString& line : statement)
                DM->IBCreate->GetSQL()->Add(line);
            DM->IBCreate->ExecSQL();
        }
        db->SetConnected(false);
        db->GetParams()->Clear();
        db->GetParams()->AddStrings(ConnectionLines());
    } catch (...) {
        // A half-built database would make the next try fail on "file exists": roll back and
        // drop it, so the user can correct the settings and try again.
        try {
            if (DM->IBTrans->InTransaction()) DM->IBTrans->Rollback();
        } catch (...) {
        }
        try {
            if (db->GetConnected()) db->DropDatabase();
        } catch (...) {
        }
        try {
            db->SetConnected(false);
        } catch (...) {
        }
        db->GetParams()->Clear();
        db->GetParams()->AddStrings(ConnectionLines());
        throw;
    }
    db->SetConnected(true);
}

void CreateNewBase() {
    CreateNewBase(SchemaStatements());
}
