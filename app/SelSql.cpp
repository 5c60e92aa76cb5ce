#include "SelSql.h"

#include "Age.h"
#include "Dates.h"
#include "SqlText.h"

namespace {

const TSelColumn columns[] = {
    {u"Прізвище", "A.FAMILY", false, false},
    {u"Прізвище, ім'я та по батькові", "A.FAMILY || ' ' || A.NAME || ' ' || A.PATR AS FNP", false,
     false},
    {u"Прізвище, ім'я та по батькові (скорочене)", "A.FAMILY, A.NAME, A.PATR", false, false},
    {u"Ім'я", "A.NAME", false, false},
    {u"Ім'я дитини", "E.KID_NAME", false, true},
    {u"Ім'я (скорочене)", "A.NAME AS NAMESHT", false, false},
    {u"По батькові", "A.PATR", false, false},
    {u"По батькові (скорочене)", "A.PATR AS PATRSHT", false, false},
    {u"Таб. номер", "A.TAB", false, false},
    {u"Ідент. код", "A.ID", false, false},
    {u"Стать", "A.SEX", false, false},
    {u"Стать дитини", "E.KID_SEX", false, true},
    {u"День народження", "EXTRACT(DAY FROM A.BDATE) AS DDD", false, false},
    {u"Дата народження", "A.BDATE", false, false},
    {u"Дата народження дитини", "E.KID_DAT", false, true},
    {u"Місце народження", "A.BPLACE", false, false},
    {u"Серія та номер паспорта", "A.PASP", false, false},
    {u"Ким видан паспорт", "A.WHOOUT", false, false},
    {u"Дата видачі паспорта", "A.OUTDATE", false, false},
    {u"Домашня адреса", "A.ADRHOME", false, false},
    {u"Телефон", "A.TEL", false, false},
    {u"Виробництво", "A.HDEP", false, false},
    {u"Дата прийому у ", "A.WWORK", true, false},
    {u"Безпер. стаж в ", "A.WOWORK", true, false},
    {u"Дата звільнення з ", "A.ENDEND", true, false},
    {u"Вислуга", "A.WOWORK1", false, false},
    {u"Вислуга (міс.)", "A.WORK_MES", false, false},
    {u"Останнє місце роботи", "A.LPWORK", false, false},
    {u"Дата звільнення", "A.ENDDATE", false, false},
    {u"Причина звільнення", "A.WHYLEAVE", false, false},
    {u"Освіта", "A.EDUC", false, false},
    {u"Галузева/негалузева освіта", "A.GALUZ", false, false},
    {u"Назва зак. вищ. закл.", "A.NAMEHSHC", false, false},
    {u"Дата зак. вищ. закл.", "A.ENDHDATE", false, false},
    {u"Назва зак. сер.-спец. закл.", "A.NAMETEX", false, false},
    {u"Дата зак. сер.-спец. закл.", "A.ENDTDATE", false, false},
    {u"Назва зак. ПТУ", "A.NAMEPTU", false, false},
    {u"Дата зак. ПТУ", "A.ENDPDATE", false, false},
    {u"Вид навчання", "A.TEDUC", false, false},
    {u"Спеціальність за дипломом", "A.DIPPROF", false, false},
    {u"Кваліф. за дипломом", "A.DIPQUAL", false, false},
    {u"Номер диплома", "A.NUMDIP", false, false},
    {u"Родинний стан", "A.STATFAM", false, false},
    {u"Члени сім'ї", "A.MEMBFAM", false, false},
    {u"Група інв.", "A.GRINV", false, false},
    {u"Строк інв.", "A.TERMINV", false, false},
    {u"Причина інв.", "A.WHYINV", false, false},
    {u"Номер інв. посвід.", "A.NUMSER", false, false},
    {u"Хто видав інв. посвід.", "A.WHOSER", false, false},
    {u"Категорія чорнобильця", "A.CH_KAT", false, false},
    {u"Нагороди", "A.WIN", false, false},
    {u"Дата нагородження", "A.DATEWIN", false, false},
    {u"Підрозділ", "B.NAIPODR", false, false},
    {u"Група", "D.NAIGR", false, false},
    {u"Посада", "C.NAMPROF", false, false},
    {u"Посада (скорочена)", "C.NAMPROF AS PROFSHT", false, false},
    {u"Оклад", "A.OKLAD", false, false},
    {u"Кваліфікація", "A.KAT", false, false},
    {u"Категорія, розряд, клас", "A.NKAT, A.ROZRAD, A.KLAS", false, false},
    {u"Категорія", "A.NKAT", false, false},
    {u"Розряд", "A.ROZRAD", false, false},
    {u"Клас", "A.KLAS", false, false},
    {u"Штат", "A.SHTAT", false, false},
    {u"Напрям", "A.NAPR", false, false},
    {u"Група військ. обліку", "A.V_GROUP", false, false},
    {u"Категорія військ. обліку", "A.V_KAT", false, false},
    {u"Військове звання", "A.V_ZVAN", false, false},
    {u"Склад", "A.V_SOSTAV", false, false},
    {u"Військова-облікова спец.", "A.V_SPEZ", false, false},
    {u"Придатність до військ. служби", "A.V_PRIG", false, false},
    {u"Особистий № офіцера", "A.V_VKOM", false, false},
    {u"Назва райвійськком.за місц.прож.", "A.V_ADR", false, false},
    {u"Номер військового квитка", "A.V_NOMVB", false, false},
    {u"Перебування на спецобліку", "A.V_SPO", false, false},
    {u"Номер бланку спецобліку", "A.V_NBLN", false, false},
    {u"Служба в армії з", "A.V_SLZ", false, false},
    {u"Служба в армії до", "A.V_SLPO", false, false},
    {u"Наявність моб. приписання", "A.V_MOB", false, false},
    {u"Номер команди (ЗСУ)", "A.V_NZSU", false, false},
    {u"Дата звірки з військ. квитком", "A.V_DATVB", false, false},
    {u"Дата звірки з РВК", "A.V_DATRVK", false, false},
    {u"Дата початку відпустки", "A.OTPDATE", false, false},
    {u"Примітки", "A.POLEADD", false, false},
    {u"Підстава звільнення з ", "A.WHYWHY", true, false},
    {u"Вид пенсії", "A.PENSP", false, false},
    {u"№ свід. соц. страх.", "A.SOCSTRAH", false, false},
};

const char FullNameSql[] = "A.FAMILY || ' ' || A.NAME || ' ' || A.PATR AS FNP";

QString captionOf(const TSelColumn& C, const QString& NameOrg) {
    QString s = QString::fromUtf16(C.Caption);
    return C.WithOrg ? s + NameOrg : s;
}

// A whole number of years as typed: digits only, 0..150.
int yearsOf(const QString& Text, const char16_t* Label) {
    bool ok = !Text.isEmpty() && Text.size() <= 3;
    for (QChar c : Text)
        ok = ok && c >= u'0' && c <= u'9';
    const int n = ok ? Text.toInt() : -1;
    if (n < 0 || n > 150)
        throw ESelError(QString::fromUtf16(SBadNumber).arg(Text, QString::fromUtf16(Label)));
    return n;
}

bool dateFilled(const QString& Text) {
    return !Text.isEmpty() && Text[0] != u' ';
}

TDateTime dateOf(const QString& Text, const char16_t* Label) {
    TDateTime d = 0;
    if (!TryStrToDate(Text.trimmed(), d) || d == 0)
        throw ESelError(QString::fromUtf16(SBadDate).arg(Text, QString::fromUtf16(Label)));
    return d;
}

// Builds the filter lines; each ends with AND so that the next line can follow.
class TFilterLines {
public:
    TFilterLines(QStringList& Lines, TDateTime On) : lines(Lines), on(On) {}

    void like(const QString& Column, const QString& Text) {
        if (!Text.isEmpty()) add(Column + QStringLiteral(" LIKE ") + SqlStr(Text + u'%'));
    }
    void equal(const QString& Column, const QString& Text) {
        if (!Text.isEmpty()) add(Column + u'=' + SqlStr(Text));
    }
    void add(const QString& Condition) { lines.append(Condition + QStringLiteral(" AND")); }
    QString age(const QString& Column) const { return AgeSql(Column, on); }

private:
    QStringList& lines;
    TDateTime on;
};

// The result columns a select text stands for.
int columnCount(const QString& SelectText) {
    return int(SelectText.count(u',')) + 1;
}

} // namespace

const TSelColumn* SelColumns(int& Count) {
    Count = int(std::size(columns));
    return columns;
}

QStringList SelCaptions(const QString& NameOrg) {
    QStringList out;
    for (const TSelColumn& c : columns)
        out.append(captionOf(c, NameOrg));
    return out;
}

QString SelConvert(const QString& Caption, const QString& NameOrg, bool& Child) {
    for (const TSelColumn& c : columns) {
        if (captionOf(c, NameOrg) != Caption) continue;
        if (c.Child) Child = true;
        return QString::fromLatin1(c.Sql);
    }
    return QString();
}

QString SelOrderText(const QString& SelectText, int SelectPosition) {
    if (SelectText == QLatin1String("EXTRACT(DAY FROM A.BDATE) AS DDD"))
        return QString::number(SelectPosition);
    if (SelectText == QLatin1String(FullNameSql)) return QStringLiteral("A.FAMILY, A.NAME, A.PATR");
    const int as = SelectText.indexOf(QLatin1String(" AS "));
    return as < 0 ? SelectText : SelectText.left(as);
}

QStringList SelFieldCaptions(const QStringList& Captions, const QString& NameOrg) {
    QStringList out;
    bool child = false;
    for (const QString& c : Captions) {
        const QString s = SelConvert(c, NameOrg, child);
        if (s.isEmpty()) continue;
        for (int k = 0; k < columnCount(s); ++k)
            out.append(c);
    }
    return out;
}

TSelStatement BuildSelStatement(const QStringList& Captions, const TSelFilters& F,
                                const QString& CalcDate, const QString& NameOrg) {
    if (Captions.isEmpty()) throw ESelError(QString::fromUtf16(SNoColumns));
    const TDateTime on = dateOf(CalcDate, u"Розрахунок на");
    // Every number and date is checked before anything is built.
    const int ageFrom = F.AgeFrom.isEmpty() ? -1 : yearsOf(F.AgeFrom, u"Вік від");
    const int ageTo = F.AgeTo.isEmpty() ? -1 : yearsOf(F.AgeTo, u"Вік до");
    const int kidsAge = F.KidsAge.isEmpty() ? -1 : yearsOf(F.KidsAge, u"Діти до");
    auto optionalDate = [](const QString& Text, const char16_t* Label) {
        return dateFilled(Text) ? dateOf(Text, Label) : TDateTime(0);
    };
    const TDateTime hiredFrom = optionalDate(F.HiredFrom, u"Прийняті з");
    const TDateTime hiredTo = optionalDate(F.HiredTo, u"Прийняті до");
    const TDateTime leftFrom = optionalDate(F.LeftFrom, u"Звільнені з");
    const TDateTime leftTo = optionalDate(F.LeftTo, u"Звільнені до");

    TSelStatement st;
    st.Children = !F.KidsAge.isEmpty() || !F.KidSex.isEmpty();
    QStringList& sql = st.Lines;
    sql.append(QStringLiteral("SELECT"));
    QStringList selects;
    for (const QString& c : Captions) {
        const QString s = SelConvert(c, NameOrg, st.Children);
        if (!s.isEmpty()) selects.append(s);
    }
    if (selects.isEmpty()) throw ESelError(QString::fromUtf16(SNoColumns));
    for (int i = 0; i < selects.size(); ++i)
        sql.append(selects[i] + (i + 1 < selects.size() ? QStringLiteral(",") : QString()));
    sql.append(QStringLiteral("FROM KADR A LEFT JOIN  Prof C ON A.CPROF=C.CODPROF LEFT JOIN  "
                              "Pgroup D ON A.KODG_2=D.KODG "));
    sql.append(QStringLiteral("LEFT JOIN Podr B ON A.KODP_2=B.KODP "));
    if (st.Children) sql.append(QStringLiteral(", KIDS E"));
    sql.append(QStringLiteral("WHERE"));
    if (st.Children) sql.append(QStringLiteral("A.TAB=E.KID_TAB AND"));

    TFilterLines w(sql, on);
    w.like(QStringLiteral("A.FAMILY"), F.Family);
    w.like(QStringLiteral("A.NAME"), F.Name);
    w.like(QStringLiteral("A.PATR"), F.Patr);
    w.equal(QStringLiteral("A.TAB"), F.Tab);
    w.equal(QStringLiteral("A.ID"), F.Id);
    w.like(QStringLiteral("A.V_ADR"), F.MilitaryOffice);
    w.like(QStringLiteral("C.NAMPROF"), F.PositionText);
    w.like(QStringLiteral("A.NAMEHSHC"), F.HighSchool);
    w.like(QStringLiteral("A.NAMETEX"), F.TechSchool);
    w.like(QStringLiteral("A.NAMEPTU"), F.VocSchool);
    w.equal(QStringLiteral("A.SEX"), F.Sex.left(1));
    w.equal(QStringLiteral("E.KID_SEX"), F.KidSex.left(1));
    w.equal(QStringLiteral("A.CPROF"), F.PositionCode);
    w.equal(QStringLiteral("A.KODP_2"), F.SubdivCode);
    w.equal(QStringLiteral("A.KODG_2"), F.GroupCode);
    w.equal(QStringLiteral("A.NKAT"), F.NKat);
    w.equal(QStringLiteral("A.ROZRAD"), F.Rozrad);
    w.equal(QStringLiteral("A.KLAS"), F.Klas);
    w.equal(QStringLiteral("A.HDEP"), F.Production);
    w.equal(QStringLiteral("A.NAPR"), F.Direction);
    w.equal(QStringLiteral("A.KAT"), F.Category);
    w.equal(QStringLiteral("A.SHTAT"), F.Staff.left(2));
    w.equal(QStringLiteral("A.EDUC"), F.Education);
    w.equal(QStringLiteral("A.GALUZ"), F.Branch);
    w.equal(QStringLiteral("A.TEDUC"), F.StudyKind);
    w.equal(QStringLiteral("A.STATFAM"), F.FamilyState);
    if (F.Military >= 1 && F.Military <= 3)
        w.add(QStringLiteral("A.V_UCHET=") + QString::number(F.Military - 1));
    w.equal(QStringLiteral("A.V_ZVAN"), F.Rank);
    w.equal(QStringLiteral("A.V_SOSTAV"), F.Corps);
    w.equal(QStringLiteral("A.V_PRIG"), F.Fitness);
    w.equal(QStringLiteral("A.PENSP"), F.PensionKind);
    // Ranges: equal dates are a range of one day, for the hired and the dismissed alike.
    auto range = [&](const char* Column, TDateTime From, TDateTime To) {
        if (From == 0 || To == 0 || To < From) return;
        w.add(QStringLiteral("(A.%1>=%2 AND A.%1<=%3)")
                  .arg(QLatin1String(Column), SqlDate(From), SqlDate(To)));
        st.Range = true;
    };
    range("WWORK", hiredFrom, hiredTo);
    range("ENDEND", leftFrom, leftTo);
    const QString age = w.age(QStringLiteral("A.BDATE"));
    if (F.Pensioners)
        w.add(QStringLiteral("((A.SEX='Ж' AND %1>=55) OR (A.SEX='Ч' AND %1>=60) OR A.PENS=1)")
                  .arg(age));
    if (ageFrom >= 0) w.add(age + QStringLiteral(">=") + QString::number(ageFrom));
    if (ageTo >= 0) w.add(age + QStringLiteral("<=") + QString::number(ageTo));
    if (kidsAge >= 0)
        w.add(w.age(QStringLiteral("E.KID_DAT")) + QStringLiteral("<=") + QString::number(kidsAge));
    if (F.BirthMonth >= 1 && F.BirthMonth <= 12)
        w.add(QStringLiteral("EXTRACT(MONTH FROM A.BDATE)=") + QString::number(F.BirthMonth));
    if (F.Officers) w.add(QStringLiteral("A.V_OFF=1"));
    if (F.Shareholders) w.add(QStringLiteral("A.ACTIONER=1"));
    if (F.NewJobs) w.add(QStringLiteral("A.NOVO=1"));
    if (F.Conscripts) w.add(QStringLiteral("A.V_PRIZ=1"));
    if (F.Disabled) w.add(QStringLiteral("A.GRINV<>''"));
    if (F.Chernobyl) w.add(QStringLiteral("A.CH_KAT<>''"));
    if (F.ShiftStaff) w.add(QStringLiteral("D.NAIGR='Змінний персонал'"));

    if (st.Range) {
        sql.append(QStringLiteral("(A.FAMILY LIKE '%' OR A.FAMILY IS NULL) "));
    } else {
        const QString d = SqlDate(on);
        sql.append(QStringLiteral("(ENDEND IS NULL OR (ENDEND IS NOT NULL AND ENDEND>=%1)) AND "
                                  "(WWORK IS NULL OR WWORK<=%1)")
                       .arg(d));
    }
    sql.append(QStringLiteral("ORDER BY"));
    // Select column positions: a caption may stand for several columns.
    int position = 1;
    for (int i = 0; i < selects.size(); ++i) {
        sql.append(SelOrderText(selects[i], position) +
                   (i + 1 < selects.size() ? QStringLiteral(",") : QString()));
        position += columnCount(selects[i]);
    }
    return st;
}
