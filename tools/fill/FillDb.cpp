#include "FillDb.h"

#include "DMUnit.h"

#include <functional>

namespace {

void setText(TDataSet* D, const char* Field, const QString& Value) {
    TField* f = D->FieldByName(QString::fromLatin1(Field));
    if (Value.isEmpty())
        f->Clear();
    else
        f->SetAsString(Value);
}

void setDate(TDataSet* D, const char* Field, TDateTime Value) {
    TField* f = D->FieldByName(QString::fromLatin1(Field));
    if (Value == 0)
        f->Clear();
    else
        f->SetAsDateTime(Value);
}

void setInt(TDataSet* D, const char* Field, int Value) {
    TField* f = D->FieldByName(QString::fromLatin1(Field));
    if (Value == 0)
        f->Clear();
    else
        f->SetAsInteger(Value);
}

bool has(TDataSet* D, const char* Field, const Variant& Key) {
    return D->Locate(QString::fromLatin1(Field), Key, {});
}

// Opens a dataset for the fill (reopened when open already, so it sees every row).
void reopen(TDataSet* D) {
    D->Close();
    D->Open();
}

} // namespace

TFillCounts FillDatabase(const TGenDirectories& Directories,
                         const std::vector<TGenEmployee>& Employees,
                         const std::function<void(int Done)>& Progress) {
    TFillCounts n;
    TDM* dm = DM;
    reopen(dm->IBpodr);
    reopen(dm->IBgroup);
    for (const TGenSubdivision& s : Directories.Subdivisions) {
        if (has(dm->IBpodr, "KODP", Variant(s.Code))) continue;
        dm->IBpodr->Append();
        dm->IBpodr->FieldByName(QStringLiteral("KODP"))->SetAsInteger(s.Code);
        setText(dm->IBpodr, "NAIPODR", s.Name);
        dm->IBpodr->Post();
        ++n.Subdivisions;
    }
    // A group goes in under its subdivision: the rule gives it the next code of that
    // subdivision, which the generator's code then fixes.
    for (const TGenGroup& g : Directories.Groups) {
        if (!has(dm->IBpodr, "KODP", Variant(g.Subdivision))) continue;
        if (has(dm->IBgroup, "KODG", Variant(g.Code))) continue;
        dm->IBgroup->Append();
        dm->IBgroup->FieldByName(QStringLiteral("KODP_1"))->SetAsInteger(g.Subdivision);
        dm->IBgroup->FieldByName(QStringLiteral("KODG"))->SetAsInteger(g.Code);
        setText(dm->IBgroup, "NAIGR", g.Name);
        dm->IBgroup->Post();
        ++n.Groups;
    }
    reopen(dm->IBprof);
    for (const TGenPosition& p : Directories.Positions) {
        if (has(dm->IBprof, "CODPROF", Variant(p.Code))) continue;
        dm->IBprof->Append();
        setText(dm->IBprof, "CODPROF", p.Code);
        setText(dm->IBprof, "NAMPROF", p.Name);
        dm->IBprof->Post();
        ++n.Positions;
    }
    reopen(dm->IBdepart);
    for (const QString& name : Directories.Productions) {
        if (has(dm->IBdepart, "NAMEDEP", Variant(name))) continue;
        dm->IBdepart->Append();
        setText(dm->IBdepart, "NAMEDEP", name);
        dm->IBdepart->Post();
        ++n.Productions;
    }
    dm->IBdepart->Close();
    dm->IBTrans->CommitRetaining();

    TIBQuery* kadr = dm->IBQuery;
    reopen(kadr);
    reopen(dm->IBnazn);
    reopen(dm->IBkids);
    int done = 0;
    for (const TGenEmployee& e : Employees) {
        if (!has(kadr, "TAB", Variant(e.Tab))) {
            kadr->Append();
            setText(kadr, "TAB", e.Tab);
            setText(kadr, "FAMILY", e.Family);
            setText(kadr, "NAME", e.Name);
            setText(kadr, "PATR", e.Patronymic);
            setText(kadr, "SEX", e.Sex);
            setDate(kadr, "BDATE", e.BirthDate);
            setText(kadr, "BPLACE", e.BirthPlace);
            setText(kadr, "TEL", e.Phone);
            setText(kadr, "ADRHOME", e.Address);
            setText(kadr, "PASP", e.Passport);
            setInt(kadr, "KODP_2", e.Subdivision);
            setInt(kadr, "KODG_2", e.Group);
            setText(kadr, "CPROF", e.Position);
            setText(kadr, "KAT", e.Category);
            setText(kadr, "EDUC", e.Education);
            setText(kadr, "STATFAM", e.FamilyStatus);
            setDate(kadr, "WWORK", e.HireDate);
            setDate(kadr, "WOWORK", e.HireDate);
            setDate(kadr, "WOWORK1", e.HireDate);
            setDate(kadr, "ENDEND", e.DismissalDate);
            setText(kadr, "WHYLEAVE", e.DismissalReason);
            kadr->FieldByName(QStringLiteral("OKLAD"))->SetAsFloat(e.Salary);
            kadr->Post();
            ++n.Employees;
            // the card stands on the new employee: its appointments and children follow it
            for (const TGenAppointment& a : e.Appointments) {
                dm->IBnazn->Append();
                setDate(dm->IBnazn, "NAZ_DATE", a.Date);
                setInt(dm->IBnazn, "KODP_4", a.Subdivision);
                setText(dm->IBnazn, "CPROF_3", a.Position);
                setText(dm->IBnazn, "ROZ", a.Rank);
                setText(dm->IBnazn, "KAT", a.Category);
                dm->IBnazn->FieldByName(QStringLiteral("OKLAD"))->SetAsFloat(a.Salary);
                setText(dm->IBnazn, "NAK_N", a.OrderNo);
                setDate(dm->IBnazn, "NAK_D", a.OrderDate);
                dm->IBnazn->Post();
                ++n.Appointments;
            }
            for (const TGenChild& c : e.Children) {
                dm->IBkids->Append();
                setText(dm->IBkids, "KID_NAME", c.Name);
                setText(dm->IBkids, "KID_SEX", c.Sex);
                setDate(dm->IBkids, "KID_DAT", c.BirthDate);
                dm->IBkids->Post();
                ++n.Children;
            }
        }
        if (Progress) Progress(++done);
    }
    for (TDataSet* d : std::initializer_list<TDataSet*>{dm->IBkids, dm->IBnazn, kadr, dm->IBprof,
                                                        dm->IBgroup, dm->IBpodr})
        d->Close();
    dm->IBTrans->CommitRetaining();
    return n;
}
