#include "DMUnit.h"

#include "Connection.h"
#include "IBSQL.h"

#include "Schema.h"

TDM* DM = nullptr;

namespace {

template <class T> T* make(TComponent* Owner, const char* Name) {
    T* c = new T(Owner);
    c->SetName(QString::fromLatin1(Name));
    return c;
}

TIBQuery* makeQuery(TDM* Owner, const char* Name, std::initializer_list<const char*> Lines) {
    TIBQuery* q = make<TIBQuery>(Owner, Name);
    q->SetDatabase(Owner->Database);
    q->SetTransaction(Owner->IBTrans);
    q->SetBufferChunks(1000);
    for (const char* line : Lines)
        q->GetSQL()->Add(QString::fromUtf8(line));
    return q;
}

TDataSource* makeSource(TComponent* Owner, const char* Name, TDataSet* DataSet) {
    TDataSource* s = make<TDataSource>(Owner, Name);
    s->SetDataSet(DataSet);
    return s;
}

QStringList columnNames(const TSchemaTable& T, const QStringList& Except = {}) {
    QStringList out;
    for (const TSchemaColumn& c : T.Columns)
        if (!Except.contains(QLatin1String(c.Name))) out.append(QString::fromLatin1(c.Name));
    return out;
}

QStringList prefixed(const QStringList& Names, const QString& Prefix) {
    QStringList out;
    for (const QString& n : Names)
        out.append(Prefix + n);
    return out;
}

// Update statements of a table with a primary key: the row is found by its key as read.
void keyStatements(TIBUpdateSQL* U, const TSchemaTable& T, const QString& Key,
                   const QStringList& RefreshColumns, const QStringList& ModifyColumns,
                   const QStringList& InsertColumns) {
    const QString table = QString::fromLatin1(T.Name);
    U->GetRefreshSQL()->Add(QStringLiteral("Select ") + RefreshColumns.join(QStringLiteral(", ")));
    U->GetRefreshSQL()->Add(QStringLiteral("from ") + table);
    U->GetRefreshSQL()->Add(QStringLiteral("where ") + Key + QStringLiteral(" = :") + Key);
    U->GetModifySQL()->Add(QStringLiteral("update ") + table);
    U->GetModifySQL()->Add(QStringLiteral("set"));
    for (int i = 0; i < ModifyColumns.size(); ++i)
        U->GetModifySQL()->Add(QStringLiteral("  %1 = :%1%2")
                                   .arg(ModifyColumns[i], i + 1 < ModifyColumns.size() ? "," : ""));
    U->GetModifySQL()->Add(QStringLiteral("where"));
    U->GetModifySQL()->Add(QStringLiteral("  %1 = :OLD_%1").arg(Key));
    U->GetInsertSQL()->Add(QStringLiteral("insert into ") + table);
    U->GetInsertSQL()->Add(u'(' + InsertColumns.join(QStringLiteral(", ")) + u')');
    U->GetInsertSQL()->Add(QStringLiteral("values"));
    U->GetInsertSQL()->Add(u'(' + prefixed(InsertColumns, QStringLiteral(":")).join(", ") + u')');
    U->GetDeleteSQL()->Add(QStringLiteral("delete from ") + table);
    U->GetDeleteSQL()->Add(QStringLiteral("where"));
    U->GetDeleteSQL()->Add(QStringLiteral("  %1 = :OLD_%1").arg(Key));
}

// Update statements of a table whose rows have no key of their own: the row is found by all
// its values as read (a NULL matches only NULL), and at most one row is touched, so that of
// two identical rows only one changes.
void wholeRowStatements(TIBUpdateSQL* U, const TSchemaTable& T) {
    const QString table = QString::fromLatin1(T.Name);
    const QStringList cols = columnNames(T);
    QStringList where;
    for (int i = 0; i < cols.size(); ++i)
        where.append(QStringLiteral("(%1 IS NOT DISTINCT FROM :OLD_%1)%2")
                         .arg(cols[i], i + 1 < cols.size() ? " and" : ""));
    U->GetRefreshSQL()->Add(QStringLiteral("Select ") + cols.join(QStringLiteral(", ")));
    U->GetRefreshSQL()->Add(QStringLiteral("from ") + table);
    U->GetRefreshSQL()->Add(QStringLiteral("where"));
    U->GetRefreshSQL()->AddStrings(where);
    U->GetRefreshSQL()->Add(QStringLiteral("ROWS 1"));
    U->GetModifySQL()->Add(QStringLiteral("update ") + table);
    U->GetModifySQL()->Add(QStringLiteral("set"));
    for (int i = 0; i < cols.size(); ++i)
        U->GetModifySQL()->Add(
            QStringLiteral("  %1 = :%1%2").arg(cols[i], i + 1 < cols.size() ? "," : ""));
    U->GetModifySQL()->Add(QStringLiteral("where"));
    U->GetModifySQL()->AddStrings(where);
    U->GetModifySQL()->Add(QStringLiteral("ROWS 1"));
    U->GetInsertSQL()->Add(QStringLiteral("insert into ") + table);
    U->GetInsertSQL()->Add(u'(' + cols.join(QStringLiteral(", ")) + u')');
    U->GetInsertSQL()->Add(QStringLiteral("values"));
    U->GetInsertSQL()->Add(u'(' + prefixed(cols, QStringLiteral(":")).join(", ") + u')');
    U->GetDeleteSQL()->Add(QStringLiteral("delete from ") + table);
    U->GetDeleteSQL()->Add(QStringLiteral("where"));
    U->GetDeleteSQL()->AddStrings(where);
    U->GetDeleteSQL()->Add(QStringLiteral("ROWS 1"));
}

// A persistent data field for a schema column.
TField* makeDataField(TComponent* Owner, TDataSet* DataSet, const TSchemaColumn& C) {
    const QString type = ResolvedColumnType(C);
    TField* f;
    if (type.startsWith(QLatin1String("VARCHAR("))) {
        f = new TStringField(Owner);
        f->SetSize(type.mid(8, type.size() - 9).toInt());
    } else if (type == QLatin1String("INTEGER")) {
        f = new TIntegerField(Owner);
    } else if (type == QLatin1String("SMALLINT")) {
        f = new TSmallintField(Owner);
    } else if (type == QLatin1String("DATE")) {
        f = new TDateField(Owner);
    } else if (type == QLatin1String("NUMERIC(7,2)")) {
        auto* b = new TBCDField(Owner);
        b->SetPrecision(9);
        b->SetSize(2);
        f = b;
    } else {
        f = new TBlobField(Owner);
    }
    f->SetFieldName(QString::fromLatin1(C.Name));
    f->SetDataSet(DataSet);
    return f;
}

void makeLookupField(TComponent* Owner, TDataSet* DataSet, const char* Name, const char* Key,
                     TDataSet* LookupDataSet, const char* LookupKey, const char* Result, int Size) {
    auto* f = new TStringField(Owner);
    f->SetFieldName(QString::fromLatin1(Name));
    f->SetFieldKind(fkLookup);
    f->SetSize(Size);
    f->SetKeyFields(QString::fromLatin1(Key));
    f->SetLookupDataSet(LookupDataSet);
    f->SetLookupKeyFields(QString::fromLatin1(LookupKey));
    f->SetLookupResultField(QString::fromLatin1(Result));
    f->SetDataSet(DataSet);
}

} // namespace

TDM::TDM(TComponent* AOwner) : TDataModule(AOwner) {
    SetName(QStringLiteral("DM"));
    Database = make<TIBDatabase>(this, "Database");
    IBTrans = make<TIBTransaction>(this, "IBTrans");
    Database->SetLoginPrompt(false);
    Database->SetSQLDialect(3);
    Database->SetIdleTimer(0);
    // A server that does not answer: connecting gives up, a stalled call ends (as a lost
    // connection), instead of the program waiting for good.
    Database->SetConnectTimeout(ConnectTimeoutSeconds);
    Database->SetCallTimeout(CallTimeoutMs);
    Database->SetDefaultTransaction(IBTrans);
    IBTrans->SetDefaultDatabase(Database);
    IBTrans->GetParams()->Add(QStringLiteral("read_committed"));
    IBTrans->GetParams()->Add(QStringLiteral("rec_version"));
    IBTrans->GetParams()->Add(QStringLiteral("nowait"));

    // The employee list keeps employees without a surname; the employment filter line starts
    // empty (no filter) until a window writes it.
    IBQuery = makeQuery(this, "IBQuery",
                        {"select * from KADR", "where (FAMILY LIKE '%' OR FAMILY IS NULL) ", "", "",
                         "order by FAMILY"});
    IBprof = makeQuery(this, "IBprof", {"select * from PROF", "order by NAMPROF"});
    IBpodr = makeQuery(this, "IBpodr", {"select * from PODR", "order by KODP"});
    IBgroup = makeQuery(this, "IBgroup", {"select * from PGROUP", "where KODP_1=:KODP"});
    IBotp = makeQuery(this, "IBotp", {"select * from ORDERP"});
    IBnazn =
        makeQuery(this, "IBnazn", {"select * from NAZN", "where TAB2=:TAB", "order by NAZ_DATE"});
    IBhel = makeQuery(this, "IBhel", {"select * from HEALTH", "order by HEL_F"});
    IBkids = makeQuery(this, "IBkids", {"select * from KIDS", "where KID_TAB=:TAB"});
    IBdepart = make<TIBTable>(this, "IBdepart");
    IBdepart->SetDatabase(Database);
    IBdepart->SetTransaction(IBTrans);
    IBdepart->SetTableName(QStringLiteral("DEPART"));
    IBCal = make<TIBTable>(this, "IBCal");
    IBCal->SetDatabase(Database);
    IBCal->SetTransaction(IBTrans);
    IBCal->SetIndexFieldNames(QStringLiteral("INF")); // the months in their order
    IBCreate = makeQuery(this, "IBCreate", {});
    IBKCreate = makeQuery(this, "IBKCreate", {});
    IBnaz_sel = makeQuery(this, "IBnaz_sel", {});
    Select =
        makeQuery(this, "Select",
                  {"select a.family, a.name as namesht, a.patr from kadr a", "order by a.name"});
    frReport1 = new TfrReport(this);
    frReport1->SetName(QStringLiteral("frReport1"));
    frDBDataSet1 = new TfrDBDataSet(this);
    frDBDataSet1->SetName(QStringLiteral("frDBDataSet1"));
    frDBDataSet1->SetDataSet(Select);
    frIBComponents1 = new TfrIBComponents(this);
    frIBComponents1->SetName(QStringLiteral("frIBComponents1"));
    frShapeObject1 = new TfrShapeObject(this);
    frShapeObject1->SetName(QStringLiteral("frShapeObject1"));
    frDBDataSet2 = new TfrDBDataSet(this);
    frDBDataSet2->SetName(QStringLiteral("frDBDataSet2"));
    frDBDataSet2->SetDataSet(IBnazn);

    DataSource = makeSource(this, "DataSource", IBQuery);
    DSprof = makeSource(this, "DSprof", IBprof);
    DSpodr = makeSource(this, "DSpodr", IBpodr);
    DSgroup = makeSource(this, "DSgroup", IBgroup);
    DSotp = makeSource(this, "DSotp", IBotp);
    DSnazn = makeSource(this, "DSnazn", IBnazn);
    DShel = makeSource(this, "DShel", IBhel);
    DSkids = makeSource(this, "DSkids", IBkids);
    DSdepart = makeSource(this, "DSdepart", IBdepart);
    DSnaz_sel = makeSource(this, "DSnaz_sel", IBnaz_sel);

    // Details: groups of the current subdivision, appointments and children of the current
    // employee; the master's field fills the parameter.
    IBgroup->SetDataSource(DSpodr);
    IBgroup->ParamByName(QStringLiteral("KODP"))->SetDataType(ftInteger);
    IBnazn->SetDataSource(DataSource);
    IBnazn->ParamByName(QStringLiteral("TAB"))->SetDataType(ftString);
    IBkids->SetDataSource(DataSource);
    IBkids->ParamByName(QStringLiteral("TAB"))->SetDataType(ftString);

    for (TIBQuery* q : {IBQuery, IBprof, IBpodr, IBgroup, IBotp, IBnazn, IBhel})
        q->SetCachedUpdates(true);

    makeFields();
    makeUpdateObjects();
    bindRules();
    makeActions();
    if (!DM) DM = this;
}

TDM::~TDM() {
    if (DM == this) DM = nullptr;
}

void TDM::makeFields() {
    const TSchemaTable& kadr = *FindSchemaTable(QStringLiteral("KADR"));
    for (const TSchemaColumn& c : kadr.Columns) {
        if (qstrcmp(c.Name, "DATCHILD") == 0 || qstrcmp(c.Name, "ACTIONER") == 0) continue;
        TField* f = makeDataField(this, IBQuery, c);
        if (qstrcmp(c.Name, "TAB") == 0) f->SetRequired(true);
    }
    makeLookupField(this, IBQuery, "LOOK", "KODP_2", IBpodr, "KODP", "NAIPODR", 60);
    makeLookupField(this, IBQuery, "L_PROF", "CPROF", IBprof, "CODPROF", "NAMPROF", 60);

    const TSchemaTable& nazn = *FindSchemaTable(QStringLiteral("NAZN"));
    for (const char* name : {"TAB2", "NAZ_DATE", "KODP_4", "CPROF_3", "ROZ", "OKLAD", "NAK_N",
                             "NAK_D", "KAT", "KLAS"}) {
        for (const TSchemaColumn& c : nazn.Columns) {
            if (qstrcmp(c.Name, name) != 0) continue;
            TField* f = makeDataField(this, IBnazn, c);
            if (qstrcmp(c.Name, "TAB2") == 0) f->SetRequired(true);
        }
    }
    makeLookupField(this, IBnazn, "L_KODP", "KODP_4", IBpodr, "KODP", "NAIPODR", 60);
    makeLookupField(this, IBnazn, "L_CPROF", "CPROF_3", IBprof, "CODPROF", "NAMPROF", 100);
}

void TDM::makeUpdateObjects() {
    auto table = [](const char* Name) -> const TSchemaTable& {
        return *FindSchemaTable(QString::fromLatin1(Name));
    };
    IBUpdate = make<TIBUpdateSQL>(this, "IBUpdate");
    {
        const TSchemaTable& t = table("KADR");
        // DATCHILD has no field in the list, so the modify statement leaves it as it is.
        keyStatements(IBUpdate, t, QStringLiteral("TAB"), columnNames(t),
                      columnNames(t, {QStringLiteral("ACTIONER"), QStringLiteral("DATCHILD")}),
                      columnNames(t, {QStringLiteral("ACTIONER"), QStringLiteral("DATCHILD")}));
    }
    struct KeyTable {
        TIBUpdateSQL** Update;
        const char* Name;
        const char* Table;
        const char* Key;
    };
    for (const KeyTable& k : {KeyTable{&UPDprof, "UPDprof", "PROF", "CODPROF"},
                              KeyTable{&UPDpodr, "UPDpodr", "PODR", "KODP"},
                              KeyTable{&UPDgroup, "UPDgroup", "PGROUP", "KODG"},
                              KeyTable{&UPDotp, "UPDotp", "ORDERP", "TAB1"}}) {
        *k.Update = make<TIBUpdateSQL>(this, k.Name);
        const TSchemaTable& t = table(k.Table);
        keyStatements(*k.Update, t, QString::fromLatin1(k.Key), columnNames(t), columnNames(t),
                      columnNames(t));
    }
    UPDnazn = make<TIBUpdateSQL>(this, "UPDnazn");
    wholeRowStatements(UPDnazn, table("NAZN"));
    UPDhel = make<TIBUpdateSQL>(this, "UPDhel");
    wholeRowStatements(UPDhel, table("HEALTH"));
    UPDkids = make<TIBUpdateSQL>(this, "UPDkids");
    wholeRowStatements(UPDkids, table("KIDS"));

    IBQuery->SetUpdateObject(IBUpdate);
    IBprof->SetUpdateObject(UPDprof);
    IBpodr->SetUpdateObject(UPDpodr);
    IBgroup->SetUpdateObject(UPDgroup);
    IBotp->SetUpdateObject(UPDotp);
    IBnazn->SetUpdateObject(UPDnazn);
    IBhel->SetUpdateObject(UPDhel);
    IBkids->SetUpdateObject(UPDkids);
}

void TDM::bindRules() {
    for (TIBQuery* q : {IBQuery, IBprof, IBpodr, IBgroup, IBotp, IBnazn, IBhel, IBkids}) {
        q->AfterPost = [this](TDataSet* D) { SaveAfterPost(D); };
        q->AfterDelete = [this](TDataSet* D) { SaveAfterDelete(D); };
        q->BeforeDelete = [this](TDataSet* D) { ConfirmDelete(D); };
        q->OnUpdateError = [this](TDataSet* D, EDatabaseError& E, TUpdateKind K, TUpdateAction& A) {
            KeyViolation(D, E, K, A);
        };
    }
    IBQuery->BeforeInsert = [this](TDataSet* D) { IBQueryBeforeInsert(D); };
    IBQuery->BeforeEdit = [this](TDataSet* D) { IBQueryBeforeEdit(D); };
    IBQuery->BeforePost = [this](TDataSet* D) { IBQueryBeforePost(D); };
    IBQuery->AfterPost = [this](TDataSet* D) { IBQueryAfterPost(D); };
    IBQuery->OnUpdateRecord = [this](TDataSet* D, TUpdateKind K, TUpdateAction& A) {
        IBQueryUpdateRecord(D, K, A);
    };
    IBnazn->BeforeInsert = [this](TDataSet* D) { IBnaznBeforeInsert(D); };
    IBnazn->AfterInsert = [this](TDataSet* D) { IBnaznAfterInsert(D); };
    IBnazn->BeforePost = [this](TDataSet* D) { IBnaznBeforePost(D); };
    IBnazn->AfterPost = [this](TDataSet* D) { IBnaznAfterPost(D); };
    IBnazn->AfterCancel = [this](TDataSet* D) { IBnaznAfterCancel(D); };
    IBgroup->AfterInsert = [this](TDataSet* D) { IBgroupAfterInsert(D); };
    IBkids->AfterInsert = [this](TDataSet* D) { IBkidsAfterInsert(D); };
    IBotp->AfterInsert = [this](TDataSet* D) { IBotpAfterInsert(D); };
    IBotp->BeforePost = [this](TDataSet* D) { IBotpBeforePost(D); };
    IBhel->BeforePost = [this](TDataSet* D) { IBhelBeforePost(D); };
    IBkids->OnPostError = [this](TDataSet* D, EDatabaseError& E, TDataAction& A) {
        PostError(D, E, A);
    };
    IBkids->OnDeleteError = IBkids->OnPostError;
    // The productions run their statements at once: each is committed as it is made, a delete
    // is asked first, and a name taken already is told.
    IBdepart->AfterPost = [this](TDataSet* D) { SaveAfterPost(D); };
    IBdepart->AfterDelete = [this](TDataSet* D) { SaveAfterDelete(D); };
    IBdepart->BeforeDelete = [this](TDataSet* D) { ConfirmDelete(D); };
    IBdepart->OnPostError = [this](TDataSet* D, EDatabaseError& E, TDataAction& A) {
        PostError(D, E, A);
    };
    IBdepart->OnDeleteError = IBdepart->OnPostError;
}

void TDM::SetQueryLine(int FromEnd, const QString& Line) {
    IBQuery->Close();
    TStrings* sql = IBQuery->GetSQL();
    sql->SetStrings(sql->Count() - FromEnd, Line);
}

QString TDM::QueryLine(int FromEnd) const {
    TStrings* sql = IBQuery->GetSQL();
    return sql->GetStrings(sql->Count() - FromEnd);
}

int TDM::CountQueryRows() {
    // every line but the ordering, so the server neither sorts nor sends a row
    TStrings* sql = IBQuery->GetSQL();
    QStringList lines;
    for (int i = 0; i + 1 < sql->Count(); ++i)
        lines << sql->GetStrings(i);
    TIBSQL count(Database, IBTrans);
    count.Prepare(QStringLiteral("select count(*) from (") + lines.join(u'\n') +
                  QStringLiteral(")"));
    count.ExecQuery();
    const int n = count.Next() && !count.IsNull(0) ? count.AsVariant(0).AsInt() : 0;
    count.Close();
    return n;
}
