#include "DatedReports.h"

#include "Age.h"
#include "Seniority.h"

namespace {

QString reportDate() {
    return QString::fromUtf16(SReportDateSql);
}

// Months of service from a date column to the end of the report date.
QString monthsFrom(const QString& Column) {
    return SeniorityMonthsSql(Column, QStringLiteral("DATEADD(1 DAY TO %1)").arg(reportDate()));
}

// Working on the report date: hired by it and not dismissed before it.
QString working() {
    return QStringLiteral("(a.ENDEND IS NULL OR a.ENDEND>=%1) AND (a.WWORK IS NULL OR "
                          "a.WWORK<=%1)")
        .arg(reportDate());
}

// The categories in their order (1 to 5); 6 for any other or none.
QString categoryOrder() {
    return QStringLiteral("CASE a.KAT WHEN 'Керівник' THEN 1 WHEN 'Професіонал' THEN 2 WHEN "
                          "'Фахівець' THEN 3 WHEN 'Тех.службовець' THEN 4 WHEN 'Робітник' THEN "
                          "5 ELSE 6 END");
}

// The staff working on the report date, one row each: ORD, CATEGORY, SEX, AGE, EDUC.
QString staffTable() {
    return QStringLiteral("(select %1 as ORD, CASE WHEN %1=6 THEN 'Інші' ELSE a.KAT END as "
                          "CATEGORY, a.SEX, %2 as AGE, a.EDUC from KADR a where %3)")
        .arg(categoryOrder(), AgeSqlAt(QStringLiteral("a.BDATE"), reportDate()), working());
}

// A statement of figures by category, then over the whole staff (ORD 9, "Всього").
QString byCategory(const QString& Figures) {
    return QStringLiteral("select ORD, CATEGORY, %1 from %2 x group by ORD, CATEGORY\n"
                          "union all\n"
                          "select 9, 'Всього', %1 from %2 y\n"
                          "order by 1")
        .arg(Figures, staffTable());
}

QString average(const QString& Condition) {
    return QStringLiteral("CAST(AVG(CASE WHEN %1 THEN AGE*1.0 END) AS NUMERIC(5,1))")
        .arg(Condition);
}

// Months of service as "N р. M міс.", empty when there is no start date.
QString yearsAndMonths(const QString& Months) {
    return QStringLiteral("CASE WHEN %1 IS NULL THEN '' ELSE CAST(%1/12 AS VARCHAR(4)) || ' р. "
                          "' || CAST(MOD(%1, 12) AS VARCHAR(2)) || ' міс.' END")
        .arg(Months);
}

QString countOf(const QString& Condition) {
    return QStringLiteral("SUM(CASE WHEN %1 THEN 1 ELSE 0 END)").arg(Condition);
}

} // namespace

QString StajSql() {
    return QStringLiteral("select x.*, x.STAJ_MES/12 as STAJ_Y, MOD(x.STAJ_MES, 12) as STAJ_M,\n"
                          "x.VISL_MES/12 as VISL_Y, MOD(x.VISL_MES, 12) as VISL_M,\n"
                          "%5 as STAJ_TXT, %6 as VISL_TXT from\n"
                          "(select a.TAB, a.FAMILY, a.NAME, a.PATR, a.BDATE, a.WOWORK, a.WOWORK1,\n"
                          "c.NAIPODR, d.NAMPROF, %1 as AGE,\n"
                          "%2 as STAJ_MES,\n"
                          "%3 as VISL_MES\n"
                          "from KADR a LEFT JOIN PODR c on a.KODP_2=c.KODP LEFT JOIN PROF d on "
                          "a.CPROF=d.CODPROF\n"
                          "where %4) x\n"
                          "order by x.FAMILY, x.NAME, x.PATR")
        .arg(AgeSqlAt(QStringLiteral("a.BDATE"), reportDate()),
             monthsFrom(QStringLiteral("a.WOWORK")), monthsFrom(QStringLiteral("a.WOWORK1")),
             working(), yearsAndMonths(QStringLiteral("x.STAJ_MES")),
             yearsAndMonths(QStringLiteral("x.VISL_MES")));
}

QString VikSql() {
    return byCategory(
        QStringLiteral("COUNT(*) as CNT, %1 as AVG_AGE, %2 as CNT_M, %3 as AVG_M, %4 as CNT_W, "
                       "%5 as AVG_W")
            .arg(average(QStringLiteral("1=1")), countOf(QStringLiteral("SEX='Ч'")),
                 average(QStringLiteral("SEX='Ч'")), countOf(QStringLiteral("SEX='Ж'")),
                 average(QStringLiteral("SEX='Ж'"))));
}

QString EducSql() {
    return byCategory(
        QStringLiteral("COUNT(*) as CNT, %1 as FULL_HIGH, %2 as BASE_HIGH, %3 as PART_HIGH, %4 "
                       "as NO_HIGH")
            .arg(countOf(QStringLiteral("EDUC='Повна вища'")),
                 countOf(QStringLiteral("EDUC='Базова вища'")),
                 countOf(QStringLiteral("EDUC='Неповна вища'")),
                 countOf(QStringLiteral("EDUC IS NULL OR EDUC NOT IN ('Повна вища', 'Базова "
                                        "вища', 'Неповна вища')"))));
}

QString BezStajSql() {
    return QStringLiteral(
               "select x.*, x.VISL_MES/12 as VISL_Y, MOD(x.VISL_MES, 12) as VISL_M, %3 as "
               "VISL_TXT,\n"
               "CASE WHEN x.VISL_MES>=300 THEN 40 WHEN x.VISL_MES>=240 THEN 30 WHEN "
               "x.VISL_MES>=180 THEN 25 WHEN x.VISL_MES>=120 THEN 20 WHEN x.VISL_MES>=60 THEN "
               "15 ELSE 10 END as BONUS from\n"
               "(select a.TAB, a.FAMILY, a.NAME, a.PATR, a.WOWORK1, a.OKLAD, c.NAIPODR, "
               "d.NAMPROF,\n"
               "%1 as VISL_MES\n"
               "from KADR a LEFT JOIN PODR c on a.KODP_2=c.KODP LEFT JOIN PROF d on "
               "a.CPROF=d.CODPROF\n"
               "where %2) x\n"
               "where x.VISL_MES>=36\n"
               "order by x.FAMILY, x.NAME, x.PATR")
        .arg(monthsFrom(QStringLiteral("a.WOWORK1")), working(),
             yearsAndMonths(QStringLiteral("x.VISL_MES")));
}
