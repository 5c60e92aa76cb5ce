#include "StaffStats.h"

#include "Age.h"
#include "DMUnit.h"

namespace {

const QString Manager = QStringLiteral("Керівник");
const QString Professional = QStringLiteral("Професіонал");
const QString Specialist = QStringLiteral("Фахівець");
const QString Clerk = QStringLiteral("Тех.службовець");
const QString Worker = QStringLiteral("Робітник");

// The five categories in their order: 1..5, 0 for any other text.
int categoryIndex(const QString& Kat) {
    if (Kat == Manager) return 1;
    if (Kat == Professional) return 2;
    if (Kat == Specialist) return 3;
    if (Kat == Clerk) return 4;
    if (Kat == Worker) return 5;
    return 0;
}

bool fullHigher(const TStaffFacts& F) {
    return F.Educ == QStringLiteral("Повна вища");
}
bool partHigher(const TStaffFacts& F) {
    return F.Educ == QStringLiteral("Неповна вища") || F.Educ == QStringLiteral("Базова вища");
}

// The line of work of the two tables that split by it: the index of the first matching line,
// the last index for any other text.
int lineOfWork(const QString& Napr, bool Marketing) {
    static const QString lines[] = {QStringLiteral("тех. експлуатація"),
                                    QStringLiteral("фінанси"),
                                    QStringLiteral("економіка"),
                                    QStringLiteral("марк. та прод.послуг"),
                                    QStringLiteral("план. та будівництво"),
                                    QStringLiteral("кадрові питання"),
                                    QStringLiteral("правові питання")};
    static const int index[] = {0, 1, 1, 2, 3, 4, 5};
    for (int i = 0; i < 7; ++i)
        if (Napr == lines[i] && (Marketing || index[i] != 2)) return index[i];
    return 6;
}

QString text(const TField* F) {
    return F ? F->GetAsString() : QString();
}
int number(const TField* F) {
    return F && !F->IsNull() ? F->GetAsInteger() : 0;
}

} // namespace

// ---- reading ---------------------------------------------------------------------------------

TStaffReader::TStaffReader(TDataSet* D)
    : bdate(D->FindField(QStringLiteral("BDATE"))), sex(D->FindField(QStringLiteral("SEX"))),
      educ(D->FindField(QStringLiteral("EDUC"))), kat(D->FindField(QStringLiteral("KAT"))),
      napr(D->FindField(QStringLiteral("NAPR"))), cprof(D->FindField(QStringLiteral("CPROF"))),
      grinv(D->FindField(QStringLiteral("GRINV"))), whywhy(D->FindField(QStringLiteral("WHYWHY"))),
      pensp(D->FindField(QStringLiteral("PENSP"))), rozrad(D->FindField(QStringLiteral("ROZRAD"))),
      pens(D->FindField(QStringLiteral("PENS"))), vuchet(D->FindField(QStringLiteral("V_UCHET"))),
      voff(D->FindField(QStringLiteral("V_OFF"))), vpriz(D->FindField(QStringLiteral("V_PRIZ"))),
      vsostav(D->FindField(QStringLiteral("V_SOSTAV"))),
      vprig(D->FindField(QStringLiteral("V_PRIG"))), vspo(D->FindField(QStringLiteral("V_SPO"))),
      vmob(D->FindField(QStringLiteral("V_MOB"))) {}

void TStaffReader::Read(TStaffFacts& F) const {
    F.BirthDate = bdate && !bdate->IsNull() ? bdate->GetAsDateTime() : 0;
    F.Sex = text(sex);
    F.Educ = text(educ);
    F.Kat = text(kat);
    F.Napr = text(napr);
    F.Cprof = text(cprof);
    F.Grinv = text(grinv);
    F.Whywhy = text(whywhy);
    F.Pensp = text(pensp);
    F.Rozrad = text(rozrad);
    F.Pens = number(pens);
    F.Liable = vuchet && !vuchet->IsNull() && vuchet->GetAsInteger() == 0;
    F.VOff = number(voff);
    F.VPriz = number(vpriz);
    F.VSostav = text(vsostav);
    F.VPrig = text(vprig);
    F.VSpo = text(vspo);
    F.VMob = text(vmob);
}

// ---- the matrix ------------------------------------------------------------------------------

void TCountMatrix::Clear(int N) {
    std::fill(cells.begin() + 1, cells.begin() + 1 + std::min(N, Size), 0);
}

QString CellVariable(int Cell) {
    return QStringLiteral("MyArr_Arr_") + QString::number(Cell);
}

TReportValues TCountMatrix::Values(int N) const {
    TReportValues out;
    out.reserve(size_t(N));
    for (int i = 1; i <= std::min(N, Size); ++i)
        out.emplace_back(CellVariable(i), Variant(cells[size_t(i)]));
    return out;
}

// ---- rows ------------------------------------------------------------------------------------

void BuildArr2(TCountMatrix& M, int S, const TStaffFacts& F, int Age) {
    ++M[S];
    if (F.Sex == QStringLiteral("Ж")) ++M[S + 1];
    if (fullHigher(F)) ++M[S + 2];
    if (partHigher(F)) ++M[S + 3];
    if (Age < 0) return;
    if (Age <= 30)
        ++M[S + 4];
    else if (Age <= 40)
        ++M[S + 5];
    else if (Age <= 50)
        ++M[S + 6];
    else if (Age <= 55)
        ++M[S + 7];
    else if (Age <= 60)
        ++M[S + 8];
    else
        ++M[S + 9];
}

void BuildArr3(TCountMatrix& M, int S, const TStaffFacts& F) {
    ++M[S];
    if (F.Sex == QStringLiteral("Ж")) ++M[S + 1];
    if (fullHigher(F)) ++M[S + 2];
    if (partHigher(F)) ++M[S + 3];
    if (const int k = categoryIndex(F.Kat)) ++M[S + 3 + k];
}

void BuildArr(TCountMatrix& M, int S, const TStaffFacts& F, int Age) {
    ++M[S];
    if (F.VPriz == 1) ++M[S + 14];
    if (!F.Liable) return;
    ++M[S + 1];
    if (F.VOff == 1) ++M[S + 2];
    if (F.VSostav == QStringLiteral("мічмани") || F.VSostav == QStringLiteral("прапорщики"))
        ++M[S + 3];
    if (F.VSostav == QStringLiteral("матроси") || F.VSostav == QStringLiteral("сержанти") ||
        F.VSostav == QStringLiteral("солдати") || F.VSostav == QStringLiteral("старшини"))
        ++M[S + 4];
    if (F.VOff == 0 && F.VPrig == QStringLiteral("нестроєвої")) ++M[S + 5];
    if (!F.VSpo.isEmpty()) {
        ++M[S + 6];
        if (F.VOff == 1) {
            ++M[S + 7];
        } else if (Age >= 0) {
            // officers with a special registration are not banded by age, nor those over 50
            if (Age <= 30)
                ++M[S + 8];
            else if (Age <= 35)
                ++M[S + 9];
            else if (Age <= 40)
                ++M[S + 10];
            else if (Age <= 45)
                ++M[S + 11];
            else if (Age <= 50)
                ++M[S + 12];
        }
    } else if (F.VMob.isEmpty()) {
        ++M[S + 13];
    } else {
        ++M[S + 15];
    }
}

// ---- the reports -----------------------------------------------------------------------------

void TallyTable1(TCountMatrix& M, const TStaffFacts& F, int Age) {
    // per line of work: the whole line, then Керівник, Професіонал, Фахівець, Тех.службовець,
    // Робітник (0: no row)
    static const int rows[7][6] = {{61, 71, 81, 11, 21, 91},       {101, 111, 121, 31, 41, 0},
                                   {341, 351, 361, 371, 381, 391}, {131, 141, 151, 51, 271, 161},
                                   {171, 181, 191, 281, 291, 0},   {201, 211, 221, 301, 311, 0},
                                   {231, 241, 251, 321, 331, 261}};
    BuildArr2(M, 1, F, Age);
    const int* line = rows[lineOfWork(F.Napr, true)];
    BuildArr2(M, line[0], F, Age);
    if (const int k = categoryIndex(F.Kat); k && line[k]) BuildArr2(M, line[k], F, Age);
}

void TallyTable3(TCountMatrix& M, const TStaffFacts& F, int Age) {
    // per line of work: the whole line, Керівник, the three middle categories, Робітник
    static const int rows[7][4] = {{61, 71, 81, 91},     {101, 111, 121, 0}, {231, 241, 251, 261},
                                   {131, 141, 151, 161}, {171, 181, 191, 0}, {201, 211, 221, 0},
                                   {231, 241, 251, 261}};
    BuildArr2(M, 1, F, Age);
    const int k = categoryIndex(F.Kat);
    if (k) BuildArr2(M, 1 + 10 * k, F, Age);
    const int* line = rows[lineOfWork(F.Napr, false)];
    BuildArr2(M, line[0], F, Age);
    const int column = k == 1 ? 1 : k == 5 ? 3 : k ? 2 : 0;
    if (column && line[column]) BuildArr2(M, line[column], F, Age);
}

void TallyTable2(TCountMatrix& M, const TStaffFacts& F, int Age) {
    const bool pensioner = (F.Sex == QStringLiteral("Ж") && Age > 54) ||
                           (F.Sex == QStringLiteral("Ч") && Age > 59) || F.Pens == 1;
    const bool byAge = F.Pensp == QStringLiteral("За віком");
    auto tally = [&](int g) {
        BuildArr2(M, 1 + 10 * g, F, Age);
        if (Age > 0) M[61 + g] += Age;
        if (pensioner) ++M[71 + g];
        if (byAge) ++M[81 + g];
    };
    tally(0);
    if (const int k = categoryIndex(F.Kat)) tally(k);
}

void TallyKeriv(TCountMatrix& M, const TStaffFacts& F, int Age) {
    static const struct {
        int Row;
        std::initializer_list<const char*> Codes;
    } rows[] = {{1, {"1210.1"}},
                {11, {"1210.5", "1210.2", "1210.3"}},
                {21, {"1231"}},
                {41, {"1229.72", "1229.3"}},
                {51, {"1229.1"}},
                {61, {"1229.12", "1229.7"}},
                {71, {"1229.13"}},
                {81,
                 {"1222.2", "1222.28", "1226.25", "1222.22", "1226.23", "1226.2", "1222.21",
                  "1226.28", "1226.30", "1239", "1226.26", "1229.14", "1229.71", "1222.26"}}};
    for (const auto& r : rows)
        for (const char* code : r.Codes)
            if (F.Cprof == QLatin1String(code)) {
                BuildArr2(M, r.Row, F, Age);
                return;
            }
}

void TallyWar(TCountMatrix& M, const TStaffFacts& F, int Age) {
    const int k = categoryIndex(F.Kat);
    if (k == 1) BuildArr(M, 1, F, Age);
    if (k == 2 || k == 3) BuildArr(M, 17, F, Age);
    if (k == 4) BuildArr(M, 33, F, Age);
    if (k == 5) {
        BuildArr(M, 49, F, Age);
        bool numeric = false;
        const int grade = F.Rozrad.toInt(&numeric);
        if (F.Cprof == QLatin1String("8331.1"))
            BuildArr(M, 145, F, Age);
        else if (F.Cprof.left(2) == QLatin1String("83"))
            BuildArr(M, 129, F, Age);
        else if (F.Rozrad.isEmpty() || !numeric) // a grade that is no number counts as none
            BuildArr(M, 113, F, Age);
        else if (grade == 1 || grade == 2)
            BuildArr(M, 65, F, Age);
        else if (grade == 3 || grade == 4)
            BuildArr(M, 81, F, Age);
        else if (grade >= 5)
            BuildArr(M, 97, F, Age);
    }
    BuildArr(M, 161, F, Age);
}

void TallyMoveStaff(TCountMatrix& M, const TStaffFacts& F) {
    BuildArr3(M, 121, F);
    if (!F.Grinv.isEmpty()) BuildArr3(M, 171, F);
}

void TallyMoveHired(TCountMatrix& M, const TStaffFacts& F) {
    BuildArr3(M, 1, F);
    if (!F.Grinv.isEmpty()) BuildArr3(M, 181, F);
}

void TallyMoveLeft(TCountMatrix& M, const TStaffFacts& F) {
    BuildArr3(M, 11, F);
    if (!F.Grinv.isEmpty()) BuildArr3(M, 191, F);
    static const struct {
        const char* Reason;
        int Row;
    } reasons[] = {{"п. 1 ст.36 КЗпП України", 131},
                   {"п. 2 ст.36 КЗпП України", 141},
                   {"п. 5 ст.36 КЗпП України", 21},
                   {"ст. 38 з поважних причин", 41},
                   {"ст. 38 в зв'язку з виходом на пенсію", 51},
                   {"ст. 38 з наданням пільг по кол. договору", 61},
                   {"ст. 38 без поважних причин", 71},
                   {"ст. 38 в зв'язку із зміною місця прож.", 151},
                   {"ст. 38 в зв'язку з доглядом за хворим", 161},
                   {"п. 1 ст. 40 КЗпП України", 81},
                   {"п. 4 ст. 40 КЗпП України", 91},
                   {"п. 7 ст. 40 КЗпП України", 101},
                   {"інша", 111},
                   {"", 111}};
    if (F.Whywhy.left(6) == QStringLiteral("ст. 38")) BuildArr3(M, 31, F);
    for (const auto& r : reasons)
        if (F.Whywhy == QString::fromUtf8(r.Reason)) BuildArr3(M, r.Row, F);
}

// ---- the pass --------------------------------------------------------------------------------

QString WorkingAtFilter(const QString& Date) {
    return QStringLiteral("AND (ENDEND IS NULL OR (ENDEND IS NOT NULL AND ENDEND>='%1')) AND "
                          "(WWORK IS NULL OR WWORK<='%1')")
        .arg(Date);
}

QString HiredFilter(const QString& From, const QString& To) {
    return QStringLiteral("AND (WWORK>='%1' AND WWORK<='%2')").arg(From, To);
}

QString LeftFilter(const QString& From, const QString& To) {
    return QStringLiteral("AND (ENDEND>='%1' AND ENDEND<='%2')").arg(From, To);
}

void StaffPass(const QString& Filter, TDateTime On,
               const std::function<void(const TStaffFacts& F, int Age)>& Tally) {
    TIBQuery* q = DM->IBQuery;
    DM->SetQueryLine(3, Filter);
    q->Open();
    try {
        const TStaffReader reader(q);
        TStaffFacts f;
        for (q->First(); !q->GetEof(); q->Next()) {
            reader.Read(f);
            Tally(f, AgeOn(f.BirthDate, On));
        }
    } catch (...) {
        q->Close();
        throw;
    }
    q->Close();
}
