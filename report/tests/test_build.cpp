// Building reports from templates made in code over in-memory datasets: which texts land where
// on which prepared page.
#include "EmployeeGen.h"
#include "ReportTestSupport.h"
#include "FR_DBSet.h"
#include "MemDS.h"
#include "PdfTools.h"
#include "Printers.h"

#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

class BuildTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        frGlobals().ShowMessage = [this](const QString& Text, const QString& Caption) {
            messages << Caption + u": "_s + Text;
        };
        report = new TfrReport(&owner);
        report->SetName(u"Kadry"_s);
        report->Pages.Add();
        page = report->Pages[0];
        // A small page: 100 x 60 mm, margins of 10 page pixels.
        page->ChangePaper(DMPAPER_USER, 1000, 600, poPortrait, -1);
        for (int& m : page->pgMargins)
            m = 10;
    }
    void TearDown() override {
        frVariables().Clear();
        EngineTest::TearDown();
    }

    TfrBandView* band(int Type, int Top, int Height, const QString& Source = QString(),
                      int Flags = 0) {
        page = report->Pages[onPage];
        auto* b = static_cast<TfrBandView*>(frCreateObject(gtBand, QString()));
        b->ParentPage = page;
        page->Objects.Add(b);
        b->SetBounds(0, Top, 300, Height);
        b->SetBandType(Type);
        b->SetDataSet(Source);
        b->Flags = Flags;
        b->Name = u"Band%1_%2"_s.arg(Type).arg(Top);
        return b;
    }
    TfrMemoView* memo(int Left, int Top, int Width, int Height, const QString& Text) {
        page = report->Pages[onPage];
        auto* m = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
        m->ParentPage = page;
        page->Objects.Add(m);
        m->SetBounds(Left, Top, Width, Height);
        m->Memo.SetText(Text);
        m->Font.Name = u"Arial"_s;
        m->Font.Size = 8;
        m->Name = u"Memo%1"_s.arg(page->Objects.Count());
        return m;
    }

    // A dataset of a number of records.
    TfrUserDataset* counted(const QString& Name, int Records) {
        auto* ds = new TfrUserDataset(&owner);
        ds->SetName(Name);
        ds->RangeEnd = reCount;
        ds->RangeEndCount = Records;
        return ds;
    }

    // Employees: subdivision, name and salary, ordered by subdivision.
    void staff(const QList<std::tuple<QString, QString, double>>& Rows) {
        table = new TMemDataSet(&owner);
        table->GetFieldDefs()->Add(u"DEPT"_s, ftString, 40);
        table->GetFieldDefs()->Add(u"FIO"_s, ftString, 40);
        table->GetFieldDefs()->Add(u"OKLAD"_s, ftFloat);
        table->Open();
        for (const auto& [d, n, s] : Rows)
            table->AppendRecord({Variant(d), Variant(n), Variant(s)});
        auto* ds = new TfrDBDataSet(&owner);
        ds->SetName(u"Staff"_s);
        ds->SetDataSet(table);
    }

    // Each prepared page as a description of each of its views, in print order.
    std::vector<QStringList> pagesAs(const std::function<QString(TfrView*)>& Describe) {
        std::vector<QStringList> r;
        for (int i = 0; i < report->EMFPages.Count(); ++i) {
            report->EMFPages.ObjectsToPage(i);
            TfrPage* p = report->EMFPages[i]->Page.get();
            QStringList l;
            for (int k = 0; k < p->Objects.Count(); ++k)
                l << Describe(p->GetObject(k));
            r.push_back(l);
        }
        return r;
    }
    // "top text" of each view.
    std::vector<QStringList> pages() {
        return pagesAs([](TfrView* v) {
            QString t = v->Memo.GetText();
            t.remove(QChar(1));
            return QString::number(v->Top) + u' ' + t.trimmed().replace(u"\r\n"_s, u"|"_s);
        });
    }
    // "left,top first line" of each view.
    std::vector<QStringList> places() {
        return pagesAs(
            [](TfrView* v) { return u"%1,%2 %3"_s.arg(v->Left).arg(v->Top).arg(v->Memo[0]); });
    }
    // Only the texts of each page.
    std::vector<QStringList> texts() {
        std::vector<QStringList> r;
        for (QStringList l : pages()) {
            for (QString& s : l)
                s = s.mid(s.indexOf(u' ') + 1);
            r.push_back(l);
        }
        return r;
    }

    TComponent owner{nullptr};
    TfrReport* report = nullptr;
    TfrPage* page = nullptr;
    int onPage = 0; // the template page band() and memo() add to
    TMemDataSet* table = nullptr;
    QStringList messages;
};

const QList<std::tuple<QString, QString, double>> sixPeople = {
    {u"Бухгалтерія"_s, u"Коваль Ганна"_s, 5000},  {u"Бухгалтерія"_s, u"Шевченко Іван"_s, 7000},
    {u"Відділ кадрів"_s, u"Бондар Олег"_s, 6000}, {u"Цех № 1"_s, u"Мельник Петро"_s, 4000},
    {u"Цех № 1"_s, u"Ткаченко Юлія"_s, 4500},     {u"Цех № 1"_s, u"Кравчук Марія"_s, 5500},
};

TEST_F(BuildTest, TheSmallPageHasTheUsableAreaTheTablesCountOn) {
    EXPECT_EQ(page->TopLimit(), 10);
    EXPECT_EQ(page->PrintableArea.PageHeight, 216) << "60 mm at 91.6256 pixels an inch";
    EXPECT_EQ(page->BottomLimit(), 206);
}

// Title, page header and footer, data and summary; the data run over two pages.
TEST_F(BuildTest, TitleHeadersFootersAndSummary) {
    staff(sixPeople);
    band(btReportTitle, 0, 30);
    memo(0, 0, 200, 30, u"Список працівників"_s);
    band(btPageHeader, 40, 20, {}, flBandOnFirstPage);
    memo(0, 40, 200, 20, u"Прізвище"_s);
    band(btMasterData, 70, 30, u"Staff"_s);
    memo(0, 70, 200, 30, u"[LINE#]. [FIO]"_s);
    band(btPageFooter, 110, 20, {}, flBandOnFirstPage | flBandOnLastPage);
    memo(0, 110, 200, 20, u"Сторінка [PAGE#]"_s);
    band(btReportSummary, 140, 20);
    memo(0, 140, 200, 20, u"Усього: [COUNT(Band5_70)]"_s);

    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    // Usable height 10..186 (the footer takes 20 of 206): title 10-40, header 40-60, rows of
    // 30 from 60: 60, 90, 120, 150 (ends 180), the fifth would end at 210.
    const std::vector<QStringList> expected = {
        {u"10 Список працівників"_s, u"40 Прізвище"_s, u"60 1. Коваль Ганна"_s,
         u"90 2. Шевченко Іван"_s, u"120 3. Бондар Олег"_s, u"150 4. Мельник Петро"_s,
         u"186 Сторінка 1"_s},
        {u"10 Прізвище"_s, u"30 5. Ткаченко Юлія"_s, u"60 6. Кравчук Марія"_s, u"90 Усього: 6"_s,
         u"186 Сторінка 2"_s},
    };
    EXPECT_EQ(pages(), expected);
    EXPECT_TRUE(messages.isEmpty());
}

// Groups with a header and a footer with totals; the last record breaks the last group, and
// the master footer follows the group footers.
TEST_F(BuildTest, GroupsWithTotals) {
    staff(sixPeople);
    page->ChangePaper(DMPAPER_A4, 0, 0, poPortrait, -1);
    band(btGroupHeader, 0, 20, u"[DEPT]"_s);
    memo(0, 0, 200, 20, u"[DEPT]"_s);
    band(btMasterData, 30, 20, u"Staff"_s);
    memo(0, 30, 200, 20, u"[FIO] [OKLAD]"_s);
    band(btGroupFooter, 60, 20);
    memo(0, 60, 300, 20,
         u"Разом [COUNT(Band5_30)]: [SUM([OKLAD])] мін [MIN([OKLAD])] макс [MAX([OKLAD])] "
         u"сер [AVG([OKLAD]) #N10,2]"_s);
    band(btMasterFooter, 90, 20);
    memo(0, 90, 200, 20, u"Всього: [SUM([OKLAD])]"_s);

    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    const std::vector<QStringList> expected = {{
        u"Бухгалтерія"_s,
        u"Коваль Ганна 5000"_s,
        u"Шевченко Іван 7000"_s,
        u"Разом 2: 12000 мін 5000 макс 7000 сер 6000,00"_s,
        u"Відділ кадрів"_s,
        u"Бондар Олег 6000"_s,
        u"Разом 1: 6000 мін 6000 макс 6000 сер 6000,00"_s,
        u"Цех № 1"_s,
        u"Мельник Петро 4000"_s,
        u"Ткаченко Юлія 4500"_s,
        u"Кравчук Марія 5500"_s,
        u"Разом 3: 14000 мін 4000 макс 5500 сер 4666,67"_s,
        u"Всього: 32000"_s,
    }};
    EXPECT_EQ(texts(), expected);
}

// MIN, MAX and AVG over no records are empty, SUM and COUNT are 0.
TEST_F(BuildTest, TotalsOverNoRecords) {
    staff({});
    band(btMasterData, 0, 20, u"Staff"_s);
    memo(0, 0, 200, 20, u"[FIO]"_s);
    band(btReportSummary, 30, 20);
    memo(0, 30, 300, 20,
         u"с=[SUM([OKLAD])] к=[COUNT(Band5_0)] мін=[MIN([OKLAD])] макс=[MAX([OKLAD])] "
         u"сер=[AVG([OKLAD])]"_s);
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    EXPECT_EQ(texts(), (std::vector<QStringList>{{u"с=0 к=0 мін= макс= сер="_s}}));

    report->PrintIfEmpty = false;
    ASSERT_TRUE(report->PrepareReport());
    EXPECT_EQ(report->EMFPages.Count(), 0) << "an empty master makes no page at all";
}

// Names are looked up once per build and kept: what changes between builds (a dictionary
// variable pointed at another field, an engine variable's value, the dataset's field layout
// and rows) shows in the next build.
TEST_F(BuildTest, WhatChangesBetweenBuildsPrintsAnew) {
    staff({{u"Бухгалтерія"_s, u"Коваль Ганна"_s, 5000}, {u"Цех № 1"_s, u"Бондар Олег"_s, 6000}});
    report->Dictionary.Variables.SetVariable(u"Сума"_s, Variant(u"Staff.\"OKLAD\""_s));
    frVariables().SetVariable(u"Період"_s, Variant(u"січень"_s));
    band(btMasterData, 0, 20, u"Staff"_s);
    memo(0, 0, 300, 20, u"[FIO] [Сума] [Період] [Line#]"_s);
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    EXPECT_EQ(texts(), (std::vector<QStringList>{
                           {u"Коваль Ганна 5000 січень 1"_s, u"Бондар Олег 6000 січень 2"_s}}));

    report->Dictionary.Variables.SetVariable(u"Сума"_s, Variant(u"Staff.\"DEPT\""_s));
    frVariables().SetVariable(u"Період"_s, Variant(u"лютий"_s));
    // The same dataset with its fields in another order and other rows.
    table->Close();
    table->GetFieldDefs()->Clear();
    table->GetFieldDefs()->Add(u"OKLAD"_s, ftFloat);
    table->GetFieldDefs()->Add(u"DEPT"_s, ftString, 40);
    table->GetFieldDefs()->Add(u"FIO"_s, ftString, 40);
    table->Open();
    table->AppendRecord({Variant(7000.0), Variant(u"Склад"_s), Variant(u"Мельник Петро"_s)});
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    EXPECT_EQ(texts(), (std::vector<QStringList>{{u"Мельник Петро Склад лютий 1"_s}}));
}

// Master-detail over record-count datasets whose detail sizes vary per master record.
TEST_F(BuildTest, MasterDetailAndPrintIfSubsetEmpty) {
    const QList<int> details = {2, 0, 1};
    auto* master = counted(u"Masters"_s, 3);
    auto* detail = counted(u"Details"_s, 0);
    detail->OnFirst = [&](TObject*) { detail->RangeEndCount = details[master->RecNo]; };
    report->OnGetValue = [&](const QString& Name, Variant& Value) {
        if (Name == u"M"_s) Value = Variant(master->RecNo + 1);
        if (Name == u"D"_s) Value = Variant(detail->RecNo + 1);
    };
    const struct {
        const char* name;
        int flags;
        QStringList expected;
    } cases[] = {
        {"a master without details is dropped",
         0,
         {u"М1"_s, u"Д1.1"_s, u"Д1.2"_s, u"М3"_s, u"Д3.1"_s}},
        {"PrintIfSubsetEmpty keeps it",
         flBandPrintIfSubsetEmpty,
         {u"М1"_s, u"Д1.1"_s, u"Д1.2"_s, u"М2"_s, u"М3"_s, u"Д3.1"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        page = report->Pages[0]; // a build reloads the template: new page objects
        page->Clear();
        page->ChangePaper(DMPAPER_A4, 0, 0, poPortrait, -1);
        band(btMasterData, 0, 20, u"Masters"_s, c.flags);
        memo(0, 0, 100, 20, u"М[M]"_s);
        band(btDetailData, 30, 20, u"Details"_s);
        memo(20, 30, 100, 20, u"Д[M].[D]"_s);
        ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
        EXPECT_EQ(texts(), std::vector<QStringList>{c.expected});
    }
}

// Two passes give TOTALPAGES; page footers print on every page with the page numbers.
TEST_F(BuildTest, TwoPassTotalPages) {
    band(btMasterData, 0, 50, u"9"_s);
    memo(0, 0, 100, 50, u"Рядок [LINE#]"_s);
    band(btPageFooter, 60, 20, {}, flBandOnFirstPage | flBandOnLastPage);
    memo(0, 60, 200, 20, u"Сторінка [PAGE#] з [TOTALPAGES]"_s);
    report->TwoPass = 1;
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    // 176 usable: three rows of 50 a page.
    ASSERT_EQ(report->EMFPages.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QStringList expected = {
            u"10 Рядок %1"_s.arg(3 * i + 1), u"60 Рядок %1"_s.arg(3 * i + 2),
            u"110 Рядок %1"_s.arg(3 * i + 3), u"186 Сторінка %1 з 3"_s.arg(i + 1)};
        EXPECT_EQ(pages()[size_t(i)], expected);
    }
    EXPECT_EQ(report->TwoPass, 1) << "the template keeps its flag";
}

// A page of two columns: the rows fill the first column, then the second, then a new page.
TEST_F(BuildTest, PageColumns) {
    page->ColCount = 2;
    page->ColGap = 20;
    band(btMasterData, 0, 60, u"7"_s);
    memo(0, 0, 100, 60, u"[LINE#]"_s);
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    // 196 usable: three rows a column. The first column keeps the designed x; the second is
    // a column width (360 - 10 - 10 - 20) / 2 = 160 and the gap to the right.
    ASSERT_EQ(report->EMFPages.Count(), 2);
    EXPECT_EQ(places(), (std::vector<QStringList>{{u"0,10 1"_s, u"0,70 2"_s, u"0,130 3"_s,
                                                   u"180,10 4"_s, u"180,70 5"_s, u"180,130 6"_s},
                                                  {u"0,10 7"_s}}));
}

// A stretched band grows with its memo; the band below moves down.
TEST_F(BuildTest, StretchedMemo) {
    band(btReportTitle, 0, 20, {}, flStretched);
    TfrMemoView* m =
        memo(0, 0, 120, 20, u"Наказ про призначення на посаду інженера відділу кадрів"_s);
    m->Flags = flStretched | flWordWrap;
    band(btReportSummary, 30, 20);
    memo(0, 30, 100, 20, u"Кінець"_s);
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    report->EMFPages.ObjectsToPage(0);
    TfrPage* p = report->EMFPages[0]->Page.get();
    ASSERT_EQ(p->Objects.Count(), 2);
    TfrView* title = p->GetObject(0);
    EXPECT_GT(title->Memo.Count(), 2) << "the text wraps";
    EXPECT_GT(title->Height, 40);
    EXPECT_EQ(p->GetObject(1)->Top, title->Top + title->Height) << "the summary follows it";
}

// A band that may split continues its memo line by line on the next page.
TEST_F(BuildTest, SplitBandContinuesLineByLine) {
    QStringList lines;
    for (int i = 1; i <= 30; ++i)
        lines << u"Рядок %1"_s.arg(i);
    band(btReportTitle, 0, 20, {}, flStretched | flBandBreaked);
    TfrMemoView* m = memo(0, 0, 200, 20, lines.join(u"\r\n"_s));
    m->Flags = flStretched | flWordWrap;
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    ASSERT_GE(report->EMFPages.Count(), 2);
    QStringList all;
    for (int i = 0; i < report->EMFPages.Count(); ++i) {
        report->EMFPages.ObjectsToPage(i);
        TfrPage* p = report->EMFPages[i]->Page.get();
        ASSERT_EQ(p->Objects.Count(), 1) << "page " << i;
        TfrView* v = p->GetObject(0);
        EXPECT_GE(v->Top, 10);
        EXPECT_LE(v->Top + v->Height, 217) << "page " << i;
        for (int k = 0; k < v->Memo.Count(); ++k)
            all << QString(v->Memo[k]).remove(QChar(1));
    }
    EXPECT_EQ(all, lines) << "every line once, in order";
}

// Two sub-reports side by side in a master header: the longer one goes on over the next page alone,
// and the summary follows below the lower end of the two.
TEST_F(BuildTest, SubReportsSideBySideAcrossPages) {
    band(btReportTitle, 0, 20);
    memo(0, 0, 100, 20, u"Звіт"_s);
    band(btReportSummary, 60, 20);
    memo(0, 60, 100, 20, u"Кінець"_s);
    band(btMasterHeader, 30, 20);
    for (const auto& [left, subPage] : {std::pair{0, 1}, std::pair{150, 2}}) {
        auto* sr = static_cast<TfrSubReportView*>(frCreateObject(gtSubReport, QString()));
        sr->ParentPage = page;
        page->Objects.Add(sr);
        sr->SetBounds(left, 30, 140, 20);
        sr->SubPage = subPage;
    }
    band(btMasterData, 120, 1, u"1"_s);
    for (const auto& [rows, letter] : {std::pair{u"12"_s, u"А"_s}, std::pair{u"3"_s, u"Б"_s}}) {
        report->Pages.Add();
        onPage = report->Pages.Count() - 1;
        band(btMasterData, 0, 20, rows);
        memo(0, 0, 100, 20, letter + u"[LINE#]"_s);
    }
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    // Rows of 20 from 30 to the bottom at 206: eight of the first sub-report fit. The master
    // row of one pixel follows the header's sub-reports, then the summary.
    const std::vector<QStringList> expected = {
        {u"10 Звіт"_s, u"30 А1"_s, u"50 А2"_s, u"70 А3"_s, u"90 А4"_s, u"110 А5"_s, u"130 А6"_s,
         u"150 А7"_s, u"170 А8"_s, u"30 Б1"_s, u"50 Б2"_s, u"70 Б3"_s},
        {u"10 А9"_s, u"30 А10"_s, u"50 А11"_s, u"70 А12"_s, u"91 Кінець"_s},
    };
    EXPECT_EQ(pages(), expected);
    EXPECT_EQ(pagesAs([](TfrView* v) { return QString::number(v->Left); })[0].join(u' '),
              u"0 0 0 0 0 0 0 0 0 150 150 150"_s);
}

// A sub-report whose rows each run a sub-report of their own beside them: the inner one
// that passes the page's bottom goes on over the next page, and the outer one's next row
// follows below it there, under the main page's header; the summary follows below the lowest.
TEST_F(BuildTest, SubReportsInsideSubReports) {
    auto subReport = [&](int Left, int Top, int SubPage) {
        auto* sr = static_cast<TfrSubReportView*>(frCreateObject(gtSubReport, QString()));
        sr->ParentPage = report->Pages[onPage];
        report->Pages[onPage]->Objects.Add(sr);
        sr->SetBounds(Left, Top, 90, 20);
        sr->SubPage = SubPage;
    };
    band(btReportTitle, 0, 20);
    subReport(0, 0, 1);
    band(btPageHeader, 70, 20);
    memo(0, 70, 100, 20, u"Шапка"_s);
    band(btReportSummary, 40, 20);
    memo(0, 40, 100, 20, u"Кінець"_s);
    report->Pages.Add();
    onPage = 1;
    band(btMasterData, 0, 20, u"3"_s);
    memo(0, 0, 90, 20, u"А[LINE#]"_s);
    subReport(100, 0, 2);
    report->Pages.Add();
    onPage = 2;
    band(btMasterData, 0, 20, u"5"_s);
    memo(0, 0, 90, 20, u"Б[LINE#]"_s);
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    // Rows of 20 from 10; the page ends at 206: the second outer row's fifth inner row, at
    // 190, would pass it.
    const std::vector<QStringList> expected = {
        {u"0,10 А1"_s, u"100,10 Б1"_s, u"100,30 Б2"_s, u"100,50 Б3"_s, u"100,70 Б4"_s,
         u"100,90 Б5"_s, u"0,110 А2"_s, u"100,110 Б1"_s, u"100,130 Б2"_s, u"100,150 Б3"_s,
         u"100,170 Б4"_s},
        {u"0,10 Шапка"_s, u"100,30 Б5"_s, u"0,50 А3"_s, u"100,50 Б1"_s, u"100,70 Б2"_s,
         u"100,90 Б3"_s, u"100,110 Б4"_s, u"100,130 Б5"_s, u"0,150 Кінець"_s},
    };
    EXPECT_EQ(places(), expected);
}

// A split band whose view cannot fit even an empty page: the view prints once, cut at the
// bottom of a fresh page, and the build says so; no run of blank pages.
TEST_F(BuildTest, ASplitBandCutsWhatNoPageHolds) {
    const struct {
        const char* name;
        int flags, fontSize;
    } cases[] = {
        {"a view that does not stretch, taller than the page", 0, 8},
        {"a stretching text whose one line is taller than the page", flStretched, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        page = report->Pages[0];
        page->Clear();
        frGlobals().BuildWarnings.clear();
        band(btReportTitle, 0, 20);
        memo(0, 0, 100, 20, u"Заголовок"_s);
        band(btReportSummary, 30, 400, {}, flStretched | flBandBreaked);
        TfrMemoView* m = memo(0, 30, 200, 400, u"Висока"_s);
        m->Flags = c.flags;
        m->Font.Size = c.fontSize;
        ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
        EXPECT_EQ(texts(), (std::vector<QStringList>{{u"Заголовок"_s}, {u"Висока"_s}}));
        report->EMFPages.ObjectsToPage(1);
        TfrView* v = report->EMFPages[1]->Page->GetObject(0);
        EXPECT_EQ(v->Top, 10);
        EXPECT_LE(v->Top + v->Height, 206) << "cut at the bottom";
        EXPECT_FALSE(frGlobals().BuildWarnings.isEmpty());
    }
}

// A cross-tab row: a header cell, then one cell per cross record; the cells that pass the right
// edge go on to the next output page at the same height, the header there only when it repeats.
TEST_F(BuildTest, CrossTabRowsContinueOnTheNextPage) {
    auto* cols = counted(u"Months"_s, 5);
    auto* rows = counted(u"People"_s, 2);
    report->OnGetValue = [&](const QString& Name, Variant& Value) {
        if (Name == u"R"_s) Value = Variant(rows->RecNo + 1);
        if (Name == u"C"_s) Value = Variant(cols->RecNo + 1);
    };
    for (const bool repeat : {false, true}) {
        SCOPED_TRACE(repeat ? "the header repeats" : "the header once");
        page = report->Pages[0];
        page->Clear();
        band(btMasterData, 0, 20, u"People"_s);
        band(btCrossHeader, 0, 0, {}, repeat ? flBandRepeatHeader : 0)->SetBounds(0, 0, 60, 300);
        band(btCrossData, 0, 0, u"Months"_s)->SetBounds(60, 0, 100, 300);
        memo(0, 0, 60, 20, u"Рядок [R]"_s);
        memo(60, 0, 90, 20, u"[R].[C]"_s);
        ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
        const std::vector<QStringList> at = places();
        // The page ends at 350: the columns at 60 and 160 fit, the one at 260 would end at
        // 360. The rest go on from the left limit of the next page, behind the header when it
        // repeats; then there is room for two a page, and a third page follows.
        const std::vector<QStringList> expected =
            repeat ? std::vector<QStringList>{{u"0,10 Рядок 1"_s, u"60,10 1.1"_s, u"160,10 1.2"_s,
                                               u"0,30 Рядок 2"_s, u"60,30 2.1"_s, u"160,30 2.2"_s},
                                              {u"10,10 Рядок 1"_s, u"70,10 1.3"_s, u"170,10 1.4"_s,
                                               u"10,30 Рядок 2"_s, u"70,30 2.3"_s, u"170,30 2.4"_s},
                                              {u"10,10 Рядок 1"_s, u"70,10 1.5"_s,
                                               u"10,30 Рядок 2"_s, u"70,30 2.5"_s}}
                   : std::vector<QStringList>{{u"0,10 Рядок 1"_s, u"60,10 1.1"_s, u"160,10 1.2"_s,
                                               u"0,30 Рядок 2"_s, u"60,30 2.1"_s, u"160,30 2.2"_s},
                                              {u"10,10 1.3"_s, u"110,10 1.4"_s, u"210,10 1.5"_s,
                                               u"10,30 2.3"_s, u"110,30 2.4"_s, u"210,30 2.5"_s}};
        EXPECT_EQ(at, expected);
    }
}

// Totals of a cross-tab: a cross footer cell sums its row, a master footer cell in the cross
// data column sums its column. The cross dataset is empty when the footer row prints: the row
// then has as many columns as the widest data row had.
TEST_F(BuildTest, CrossTabTotalsPerRowAndPerColumn) {
    auto* rows = counted(u"People"_s, 2);
    auto* cols = counted(u"Months"_s, 0);
    cols->OnFirst = [&](TObject*) { cols->RangeEndCount = rows->Eof() ? 0 : 3; };
    report->OnGetValue = [&](const QString& Name, Variant& Value) {
        if (Name == u"R"_s) Value = Variant(rows->RecNo + 1);
        if (Name == u"V"_s) Value = Variant((rows->RecNo + 1) * 10 + cols->RecNo + 1);
    };
    band(btMasterData, 0, 20, u"People"_s);
    band(btMasterFooter, 30, 20);
    band(btCrossHeader, 0, 0)->SetBounds(0, 0, 50, 300);
    band(btCrossData, 0, 0, u"Months"_s)->SetBounds(50, 0, 70, 300);
    band(btCrossFooter, 0, 0)->SetBounds(120, 0, 80, 300);
    memo(0, 0, 50, 20, u"Рядок [R]"_s);
    memo(50, 0, 70, 20, u"[V]"_s);
    memo(120, 0, 80, 20, u"Разом [SUM([V])]"_s);
    memo(0, 30, 50, 20, u"Разом"_s);
    memo(50, 30, 70, 20, u"[SUM([V])]"_s);
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    EXPECT_EQ(places(), (std::vector<QStringList>{
                            {u"0,10 Рядок 1"_s, u"50,10 11"_s, u"120,10 12"_s, u"190,10 13"_s,
                             u"260,10 Разом 36"_s, u"0,30 Рядок 2"_s, u"50,30 21"_s, u"120,30 22"_s,
                             u"190,30 23"_s, u"260,30 Разом 66"_s, u"0,50 Разом"_s, u"50,50 32"_s,
                             u"120,50 34"_s, u"190,50 36"_s}}));
}

// A stretching row of a cross-tab is as tall as its tallest cell over all columns, and every
// stretching cell of the row takes that height.
TEST_F(BuildTest, CrossTabRowsStretchToTheirTallestColumn) {
    auto* rows = counted(u"People"_s, 2);
    auto* cols = counted(u"Months"_s, 3);
    report->OnGetValue = [&](const QString& Name, Variant& Value) {
        if (Name == u"T"_s)
            Value = Variant(rows->RecNo == 0 && cols->RecNo == 1
                                ? u"Відпустка без збереження заробітної плати"_s
                                : u"Так"_s);
    };
    band(btMasterData, 0, 20, u"People"_s, flStretched);
    band(btCrossHeader, 0, 0)->SetBounds(0, 0, 50, 300);
    band(btCrossData, 0, 0, u"Months"_s)->SetBounds(50, 0, 70, 300);
    memo(0, 0, 50, 20, u"Рядок"_s)->Flags = flStretched;
    memo(50, 0, 70, 20, u"[T]"_s)->Flags = flStretched | flWordWrap;
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    const std::vector<QStringList> cells =
        pagesAs([](TfrView* v) { return u"%1,%2,%3"_s.arg(v->Left).arg(v->Top).arg(v->Height); });
    ASSERT_EQ(cells.size(), 1u);
    ASSERT_EQ(cells[0].size(), 8);
    const int tall = cells[0][2].section(u',', 2).toInt();
    EXPECT_GT(tall, 40) << "the long text wraps over several lines";
    const QString first = u"0,10,%1 50,10,%1 120,10,%1 190,10,%1"_s.arg(tall);
    const QString second = u"0,%1,20 50,%1,20 120,%1,20 190,%1,20"_s.arg(10 + tall);
    EXPECT_EQ(cells[0].mid(0, 4).join(u' '), first);
    EXPECT_EQ(cells[0].mid(4).join(u' '), second);
}

// Bands that cannot fit: printed once, never a run of blank pages, and the build says so.
TEST_F(BuildTest, ABandTallerThanThePagePrintsOnce) {
    band(btReportTitle, 0, 20);
    memo(0, 0, 100, 20, u"Заголовок"_s);
    band(btMasterData, 30, 400, u"2"_s);
    memo(0, 30, 100, 400, u"Висока [LINE#]"_s);
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    EXPECT_EQ(texts(),
              (std::vector<QStringList>{{u"Заголовок"_s}, {u"Висока 1"_s}, {u"Висока 2"_s}}));
    EXPECT_FALSE(frGlobals().BuildWarnings.isEmpty());
}

// A failing build says which object and which expression failed and leaves no pages.
TEST_F(BuildTest, AFailedBuildLeavesNoPages) {
    const struct {
        const char* name;
        QString source, text;
        QStringList mustSay;
    } cases[] = {
        {"a missing dataset", u"Nobody"_s, u"[LINE#]"_s, {u"Nobody"_s, u"Kadry"_s}},
        {"an expression error",
         u"3"_s,
         u"Сума [1 + Невідома]"_s,
         {u"Виникла помилка при обробці вираження"_s, u"Сума [1 + Невідома]"_s, u"Объект: Memo2"_s,
          u"Документ: Kadry"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        page = report->Pages[0]; // a build reloads the template: new page objects
        page->Clear();
        messages.clear();
        band(btMasterData, 0, 20, c.source);
        memo(0, 0, 100, 20, c.text);
        EXPECT_FALSE(report->PrepareReport());
        EXPECT_EQ(report->EMFPages.Count(), 0);
        ASSERT_EQ(messages.size(), 1);
        for (const QString& s : c.mustSay)
            EXPECT_TRUE(messages[0].contains(s)) << messages[0].toStdString();
    }
}

// Scripts change views during a build; the template is as it was afterwards, and the
// report's events and progress see the build.
TEST_F(BuildTest, TheTemplateComesBackAndTheProgressIsTold) {
    band(btMasterData, 0, 20, u"3"_s);
    TfrMemoView* m = memo(0, 0, 100, 20, u"Рядок"_s);
    m->Script.SetText(u"Memo2.Memo.Add('змінено')"_s);
    QList<int> progress;
    report->OnProgress = [&](int n) { progress << n; };
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    EXPECT_EQ(report->FindObject(u"Memo2"_s)->Memo.Count(), 1);
    EXPECT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), 1);

    QList<TfrReport*> shown;
    frGlobals().ShowPreview = [&](TfrReport* r) { shown << r; };
    report->ShowReport();
    EXPECT_EQ(shown, QList<TfrReport*>{report});
    report->Pages[0]->Clear();
    band(btMasterData, 0, 20, u"Staff"_s);
    staff({});
    report->PrintIfEmpty = false;
    report->ShowReport();
    EXPECT_EQ(shown.size(), 1) << "no pages, no preview";
}

// A list of generated employees by subdivision, built in two passes and printed to PDF: the
// file has the prepared pages' count and size, and its text reads in report order.
TEST_F(BuildTest, AnEmployeeListPrintsToPdf) {
    const TGenDirectories dirs = TEmployeeGenerator::Directories();
    std::map<int, QString> subdivisions;
    for (const TGenSubdivision& d : dirs.Subdivisions)
        subdivisions[d.Code] = d.Name;
    QList<std::tuple<QString, QString, double>> rows;
    for (const TGenEmployee& e : TEmployeeGenerator(7).Employees(60))
        rows.append({subdivisions[e.Subdivision], e.Family + u' ' + e.Name, e.Salary});
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return std::get<0>(a) < std::get<0>(b); });
    staff(rows);

    page->ChangePaper(DMPAPER_A4, 0, 0, poPortrait, -1);
    band(btReportTitle, 0, 40);
    memo(0, 0, 600, 40, u"Список працівників за підрозділами"_s)->Font.Size = 14;
    band(btPageHeader, 50, 20, {}, flBandOnFirstPage);
    memo(0, 50, 300, 20, u"Прізвище, ім'я"_s);
    memo(300, 50, 150, 20, u"Оклад, грн"_s);
    band(btGroupHeader, 80, 24, u"[DEPT]"_s);
    memo(0, 80, 600, 24, u"[DEPT]"_s)->Font.Style = frfsBold;
    band(btMasterData, 110, 18, u"Staff"_s);
    memo(0, 110, 300, 18, u"[LINE#]. [FIO]"_s);
    memo(300, 110, 150, 18, u"[OKLAD #N0,2]"_s);
    band(btGroupFooter, 140, 20);
    memo(0, 140, 450, 20, u"Разом по підрозділу: [SUM([OKLAD]) #N0,2]"_s);
    band(btPageFooter, 170, 20, {}, flBandOnFirstPage | flBandOnLastPage);
    memo(0, 170, 300, 20, u"Сторінка [PAGE#] з [TOTALPAGES]"_s);
    band(btReportSummary, 200, 20);
    memo(0, 200, 450, 20, u"Усього працівників: [COUNT(Band5_110)]"_s);
    report->TwoPass = 1;
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    const int count = report->EMFPages.Count();
    ASSERT_GE(count, 2) << "60 rows and 16 groups do not fit one page";

    QTemporaryDir dir;
    const QString file = dir.filePath(u"staff.pdf"_s);
    TPrinter* platform = Printer();
    platform->SetFileName(file);
    ASSERT_TRUE(platform->IsPdfPrinter());
    report->Title = u"Список працівників"_s;
    report->PrintPreparedReport(QString(), 1, 0, true);
    platform->SetFileName(QString());

    EXPECT_EQ(pdftools::info(file, u"Pages"_s), QString::number(count));
    for (const QSizeF& size : pdftools::pageSizes(file, count)) {
        EXPECT_NEAR(size.width(), 595.3, 0.5) << "A4";
        EXPECT_NEAR(size.height(), 841.9, 0.5);
    }
    const QString text = pdftools::text(file);
    QStringList inOrder = {u"Список працівників за підрозділами"_s, u"Оклад, грн"_s};
    QString dept;
    double sum = 0;
    for (const auto& [d, name, salary] : rows) {
        if (d != dept && !dept.isEmpty())
            inOrder << u"Разом по підрозділу: %1"_s.arg(
                QString::number(sum, 'f', 2).replace(u'.', u','));
        if (d != dept) {
            inOrder << d;
            sum = 0;
        }
        dept = d;
        sum += salary;
        inOrder << name;
    }
    inOrder << u"Разом по підрозділу: %1"_s.arg(QString::number(sum, 'f', 2).replace(u'.', u','));
    inOrder << u"Усього працівників: 60"_s << u"Сторінка %1 з %1"_s.arg(count);
    qsizetype at = 0;
    for (const QString& t : inOrder) {
        const qsizetype found = text.indexOf(t, at);
        ASSERT_GE(found, 0) << t.toStdString() << " after position " << at;
        at = found + t.size();
    }
}

// A second report of the fixture's small paper, which band() and memo() then build.
class CompositeTest : public BuildTest {
protected:
    TfrReport* another(const QString& Name) {
        auto* r = new TfrReport(&owner);
        r->SetName(Name);
        r->Pages.Add();
        r->Pages[0]->ChangePaper(DMPAPER_USER, 1000, 600, poPortrait, -1);
        for (int& m : r->Pages[0]->pgMargins)
            m = 10;
        return r;
    }
    // Builds the reports as one document; `report` then reads the composite's pages.
    bool buildAll(TfrCompositeReport* All, std::vector<TfrReport*> Parts) {
        All->Reports = std::move(Parts);
        report = All;
        return All->PrepareReport();
    }
};

// Two reports, each with its own dataset and value lookup, in one document: the second
// starts on a new page, the page numbers and TOTALPAGES run over the whole document, and each
// report's page footer prints on its own pages only.
TEST_F(CompositeTest, TwoReportsMakeOneDocument) {
    staff(sixPeople);
    counted(u"Leaves"_s, 2);
    report->OnGetValue = [](const QString& Name, Variant& Value) {
        if (Name == u"X"_s) Value = Variant(u"накази"_s);
    };
    band(btReportTitle, 0, 20);
    memo(0, 0, 200, 20, u"Звіт: [X]"_s);
    band(btMasterData, 30, 30, u"Staff"_s);
    memo(0, 30, 200, 30, u"[LINE#]. [FIO]"_s);
    band(btPageFooter, 70, 20, {}, flBandOnFirstPage | flBandOnLastPage);
    memo(0, 70, 200, 20, u"А с. [PAGE#] з [TOTALPAGES]"_s);
    TfrReport* first = report;

    TfrReport* second = another(u"Vidpustky"_s);
    second->OnGetValue = [](const QString& Name, Variant& Value) {
        if (Name == u"X"_s) Value = Variant(u"відпустки"_s);
    };
    report = second;
    band(btReportTitle, 0, 20);
    memo(0, 0, 200, 20, u"Звіт: [X]"_s);
    band(btMasterData, 30, 20, u"Leaves"_s);
    memo(0, 30, 200, 20, u"Б[LINE#]"_s);
    band(btPageFooter, 70, 20, {}, flBandOnFirstPage | flBandOnLastPage);
    memo(0, 70, 200, 20, u"Б с. [PAGE#] з [TOTALPAGES]"_s);

    auto* all = new TfrCompositeReport(&owner);
    all->SetName(u"All"_s);
    all->TwoPass = 1;
    ASSERT_TRUE(buildAll(all, {first, second})) << messages.join(u'\n').toStdString();
    // Usable 10..186 above the footers: the title, then rows of 30 from 30, five of them.
    const std::vector<QStringList> expected = {
        {u"10 Звіт: накази"_s, u"30 1. Коваль Ганна"_s, u"60 2. Шевченко Іван"_s,
         u"90 3. Бондар Олег"_s, u"120 4. Мельник Петро"_s, u"150 5. Ткаченко Юлія"_s,
         u"186 А с. 1 з 3"_s},
        {u"10 6. Кравчук Марія"_s, u"186 А с. 2 з 3"_s},
        {u"10 Звіт: відпустки"_s, u"30 Б1"_s, u"50 Б2"_s, u"186 Б с. 3 з 3"_s},
    };
    EXPECT_EQ(pages(), expected);
    EXPECT_EQ(first->EMFPages.Count(), 0) << "the parts keep no pages of their own";
    EXPECT_EQ(first->FindObject(u"Memo2"_s)->Memo.GetText().trimmed(), u"Звіт: [X]"_s);
}

// A second report whose first page continues the previous page does so only on the same paper.
TEST_F(CompositeTest, TheNextReportContinuesTheLastPageOnTheSamePaper) {
    for (const int width : {1000, 1200}) {
        SCOPED_TRACE(width);
        report = another(u"First%1"_s.arg(width));
        band(btReportTitle, 0, 20);
        memo(0, 0, 100, 20, u"А"_s);
        band(btMasterData, 30, 20, u"2"_s);
        memo(0, 30, 100, 20, u"А[LINE#]"_s);
        TfrReport* first = report;
        report = another(u"Second%1"_s.arg(width));
        report->Pages[0]->ChangePaper(DMPAPER_USER, width, 600, poPortrait, -1);
        report->Pages[0]->PrintToPrevPage = true;
        band(btReportTitle, 0, 20);
        memo(0, 0, 100, 20, u"Б"_s);
        TfrReport* second = report;
        auto* all = new TfrCompositeReport(&owner);
        ASSERT_TRUE(buildAll(all, {first, second})) << messages.join(u'\n').toStdString();
        const std::vector<QStringList> expected =
            width == 1000
                ? std::vector<QStringList>{{u"10 А"_s, u"30 А1"_s, u"50 А2"_s, u"70 Б"_s}}
                : std::vector<QStringList>{{u"10 А"_s, u"30 А1"_s, u"50 А2"_s}, {u"10 Б"_s}};
        EXPECT_EQ(pages(), expected);
        EXPECT_EQ(all->EMFPages[all->EMFPages.Count() - 1]->pgWidth, width);
    }
}

// A dataset repeats the whole sequence once per record; no reports make no pages.
TEST_F(CompositeTest, ADatasetRepeatsTheSequence) {
    TfrUserDataset* times = counted(u"Times"_s, 3);
    auto byRecord = [times](const QString& Name, Variant& Value) {
        if (Name == u"N"_s) Value = Variant(times->RecNo + 1);
    };
    report->OnGetValue = byRecord;
    band(btReportTitle, 0, 20);
    memo(0, 0, 100, 20, u"А[N]"_s);
    TfrReport* first = report;
    report = another(u"Second"_s);
    report->OnGetValue = byRecord;
    band(btReportTitle, 0, 20);
    memo(0, 0, 100, 20, u"Б[N]"_s);
    TfrReport* second = report;
    auto* all = new TfrCompositeReport(&owner);
    all->Dataset = times;
    ASSERT_TRUE(buildAll(all, {first, second})) << messages.join(u'\n').toStdString();
    EXPECT_EQ(texts(), (std::vector<QStringList>{
                           {u"А1"_s}, {u"Б1"_s}, {u"А2"_s}, {u"Б2"_s}, {u"А3"_s}, {u"Б3"_s}}));

    auto* none = new TfrCompositeReport(&owner);
    ASSERT_TRUE(buildAll(none, {}));
    EXPECT_EQ(none->EMFPages.Count(), 0);
}

// A report of the sequence that stops the build stops the whole document: no pages.
TEST_F(CompositeTest, AStopInOnePartStopsTheDocument) {
    band(btReportTitle, 0, 20);
    memo(0, 0, 100, 20, u"А"_s)->Script.SetText(u"StopReport"_s);
    TfrReport* first = report;
    report = another(u"Second"_s);
    band(btReportTitle, 0, 20);
    memo(0, 0, 100, 20, u"Б"_s);
    TfrReport* second = report;
    int secondBands = 0;
    second->OnBeginBand = [&](TfrBand*) { ++secondBands; };
    auto* all = new TfrCompositeReport(&owner);
    EXPECT_FALSE(buildAll(all, {first, second}));
    EXPECT_EQ(all->EMFPages.Count(), 0);
    EXPECT_EQ(secondBands, 0);
}

// A picture view whose text is a reference to a blob field prints each record's picture: a
// photo on one card, none on the next, and a reference to a text field leaves it empty.
TEST_F(BuildTest, PicturesComeFromTheBlobFieldTheyName) {
    TBitmap photo(4, 2);
    photo.GetCanvas()->FillSolid(TRect{0, 0, 4, 2}, clRed);
    TMemoryStream bytes;
    photo.SaveToStream(&bytes);
    table = new TMemDataSet(&owner);
    table->GetFieldDefs()->Add(u"FIO"_s, ftString, 40);
    table->GetFieldDefs()->Add(u"FOTO"_s, ftGraphic);
    table->Open();
    table->Append();
    table->FieldByName(u"FIO"_s)->SetAsString(u"Коваль"_s);
    static_cast<TBlobField*>(table->FieldByName(u"FOTO"_s))->SetAsBytes(bytes.GetBytes());
    table->Post();
    table->AppendRecord({Variant(u"Бондар"_s), Variant()});
    auto* ds = new TfrDBDataSet(&owner);
    ds->SetName(u"Cards"_s);
    ds->SetDataSet(table);
    band(btMasterData, 10, 40, u"Cards"_s);
    const struct {
        const char* text;
        std::vector<uint8_t> kinds; // per record
    } cases[] = {{"[Cards.\"FOTO\"]", {pkBitmap, pkNone}},
                 {"[FOTO]", {pkBitmap, pkNone}},
                 {"[Cards.\"FIO\"]", {pkNone, pkNone}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        page = report->Pages[0]; // a build reloads the template: new page objects
        auto* picture = static_cast<TfrPictureView*>(frCreateObject(gtPicture, QString()));
        picture->ParentPage = page;
        picture->Name = u"Photo"_s;
        picture->SetBounds(10, 10, 30, 30);
        picture->Memo.SetText(QString::fromUtf8(c.text));
        page->Objects.Add(picture);
        ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
        std::vector<uint8_t> kinds;
        for (const QStringList& p : pagesAs([](TfrView* v) {
                 return v->Typ == gtPicture
                            ? QString::number(static_cast<TfrPictureView*>(v)->PictureKind)
                            : QString();
             }))
            for (const QString& k : p)
                if (!k.isEmpty()) kinds.push_back(uint8_t(k.toInt()));
        EXPECT_EQ(kinds, c.kinds);
        page = report->Pages[0];
        page->Delete(page->Objects.Count() - 1);
    }
}

TEST_F(BuildTest, PageLists) {
    const struct {
        QString list;
        std::vector<int> pages;
    } cases[] = {
        {u""_s, {0, 1, 2, 3, 4, 5}},
        {u"2,4-"_s, {1, 3, 4, 5}},
        {u" 1 - 2 , 6"_s, {0, 1, 5}},
        {u"5-9,x,0"_s, {4, 5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TfrReport::PageList(c.list, 6), c.pages) << c.list.toStdString();
}

} // namespace
