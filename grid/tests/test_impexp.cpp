// The grid's exporters, importers and clipboard commands: the bytes each format writes, the
// cells each reader fills, damaged input refused whole, round trips through the clipboard, and
// the CSV and RTF output read back by independent readers.
#include "CardListGrid.h"
#include "Clipbrd.h"
#include "CodePages.h"
#include "DBGridEhImpExp.h"
#include "Dialogs.h"
#include "GridTestSupport.h"
#include "StdActns.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QByteArray exported(TDBGridEhExport&& E, TCustomDBGridEh* Grid, bool All) {
    TMemoryStream ms;
    ExportGridToStream(E, Grid, &ms, All);
    return ms.GetBytes();
}

QString exportedText(TDBGridEhExport&& E, TCustomDBGridEh* Grid, bool All) {
    return FromCodePage(exported(std::move(E), Grid, All));
}

void importBytes(TDBGridEhImport&& I, TCustomDBGridEh* Grid, const QByteArray& Bytes,
                 bool All = false) {
    TMemoryStream ms;
    ms.SetBytes(Bytes);
    ImportGridFromStream(I, Grid, &ms, All);
}

// The fields of every record, "|"-joined, nulls as "<null>".
QStringList dump(TDataSet* ds) {
    QStringList r;
    ds->First();
    while (!ds->GetEof()) {
        QStringList cells;
        for (int i = 0; i < ds->GetFieldCount(); ++i) {
            TField* f = ds->GetFields()->GetField(i);
            cells << (f->IsNull() ? QStringLiteral("<null>") : f->GetAsString());
        }
        r << cells.join(u'|');
        ds->Next();
    }
    return r;
}

QByteArray hex(const char* Text) {
    return QByteArray::fromHex(Text);
}

// Two grids on one form: the source over a table of awkward cells, the target over an empty
// table of the same fields.
class ImpExpTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        define(&ds);
        ds.AppendRecord({"Іваненко \"Малий\"", "рядок1\nрядок2", 10.0, 7, 45000.0});
        ds.AppendRecord({"Ґудзь\tЄва", "", 5.5, Null(), Null()});
        ds.AppendRecord({"O'Brien; Їжак", "кома, {дужки} \\", -1.25, 3, 45001.0});
        ds.First();
        AddColumns({"NAME", "NOTE", "SUM", "N", "D"});
        Show(&ds);
        target = new TDBGridEh(form);
        target->SetParent(form);
        target->SetBounds(0, 300, 600, 100);
        define(&copyTo);
        auto* src = new TDataSource(form);
        src->SetDataSet(&copyTo);
        for (const char* n : {"NAME", "NOTE", "SUM", "N", "D"})
            target->GetColumns()->Add()->SetFieldName(n);
        target->SetDataSource(src);
        QApplication::processEvents();
        previous = SetClipboard(new TClipboard);
    }
    void TearDown() override {
        delete SetClipboard(previous);
        GridTest::TearDown();
    }
    static void define(TMemDataSet* d) {
        TFieldDefs* f = d->GetFieldDefs();
        f->Add("NAME", ftString, 60);
        f->Add("NOTE", ftString, 60);
        f->Add("SUM", ftFloat);
        f->Add("N", ftInteger);
        f->Add("D", ftDate);
        d->Open();
    }
    // A rectangle of cells from (Col1, record N1) to (Col2, record N2).
    void Rect(int Col1, int N1, int Col2, int N2) {
        ds.SetRecNo(N1);
        grid->GetSelection()->GetRect()->Select(Col1, ds.GetBookmark(), false);
        ds.SetRecNo(N2);
        grid->GetSelection()->GetRect()->Select(Col2, ds.GetBookmark(), true);
    }
    TMemDataSet ds{nullptr};
    TMemDataSet copyTo{nullptr};
    TDBGridEh* target = nullptr;
    TClipboard* previous = nullptr;
    TScriptedInteraction dialogs;
    TUserInteractionSwap swap{&dialogs};
};

// Two records (Іван, 10) and (Марія, 5.5) under the captions Name and Sum, with a sum footer.
class FooterExportTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        ds.GetFieldDefs()->Add("NAME", ftString, 20);
        ds.GetFieldDefs()->Add("SUM", ftFloat);
        ds.Open();
        ds.AppendRecord({"Іван", 10.0});
        ds.AppendRecord({"Марія", 5.5});
        ds.First();
        AddColumns({"NAME", "SUM"});
        Column(0)->GetTitle()->SetCaption("Name");
        Column(1)->GetTitle()->SetCaption("Sum");
        grid->SetFooterRowCount(1);
        Column(1)->GetFooter()->SetValueType(fvtSum);
        Show(&ds);
    }
    TMemDataSet ds{nullptr};
};

} // namespace

// ---- text and CSV -------------------------------------------------------------------------------

TEST_F(FooterExportTest, TextAndCsvGiveTitlesRecordsAndTheFooterTotal) {
    EXPECT_EQ(exportedText(TDBGridEhExportAsText(), grid, true),
              QStringLiteral("Name\tSum\r\nІван\t10\r\nМарія\t5,5\r\n\t15,5"));
    EXPECT_EQ(exportedText(TDBGridEhExportAsCSV(), grid, true),
              QStringLiteral("\"Name\";\"Sum\"\r\n\"Іван\";\"10\"\r\n\"Марія\";\"5,5\"\r\n\"\";"
                             "\"15,5\""));
    // nothing selected: nothing at all; no titles: no leading line break
    EXPECT_TRUE(exported(TDBGridEhExportAsText(), grid, false).isEmpty());
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgTitles});
    EXPECT_EQ(exportedText(TDBGridEhExportAsText(), grid, true),
              QStringLiteral("Іван\t10\r\nМарія\t5,5\r\n\t15,5"));
}

TEST_F(GridTest, CountFooterCountsTheExportedRecordsAverageTheWholeTable) {
    TMemDataSet d{nullptr};
    FillNumbers(&d, 10);
    AddColumns({"N", "V"});
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect} - TDBGridOptions{dgTitles});
    grid->SetFooterRowCount(1);
    Column(0)->GetFooter()->SetValueType(fvtCount);
    Column(1)->GetFooter()->SetValueType(fvtAvg);
    grid->GetSumList()->SetActive(true);
    Show(&d);
    for (int n : {2, 5, 9}) {
        d.SetRecNo(n);
        grid->GetSelectedRows()->SetCurrentRowSelected(true);
    }
    d.SetRecNo(7);
    // the average of all ten (5.5) shown as the integer field shows it
    EXPECT_EQ(exportedText(TDBGridEhExportAsText(), grid, false),
              QStringLiteral("000002\t2\r\n000005\t5\r\n000009\t9\r\n3\t6"));
    EXPECT_EQ(d.GetRecNo(), 7) << "the current record comes back";
}

TEST_F(ImpExpTest, CsvQuotesEveryCellAndDoublesQuotes) {
    Rect(0, 1, 1, 2);
    EXPECT_EQ(
        exportedText(TDBGridEhExportAsCSV(), grid, false),
        QStringLiteral("\"NAME\";\"NOTE\"\r\n\"Іваненко \"\"Малий\"\"\";\"рядок1\nрядок2\"\r\n"
                       "\"Ґудзь\tЄва\";\"\""));
}

// ---- the interchange format ---------------------------------------------------------------------

TEST_F(GridTest, InterchangeBytesOfEachKindOfCell) {
    TMemDataSet d{nullptr};
    d.GetFieldDefs()->Add("I", ftInteger);
    d.GetFieldDefs()->Add("S", ftString, 10);
    d.GetFieldDefs()->Add("D", ftDate);
    d.GetFieldDefs()->Add("M", ftMemo);
    d.Open();
    d.AppendRecord({7, "ab", Null(), ""});
    d.First();
    AddColumns({"I", "S"});
    Show(&d);
    EXPECT_EQ(exported(TDBGridEhExportAsVCLDBIF(), grid, true),
              hex("5643 4c44 4249 46 01 02000000 0100 0100 03 07000000 05 02000000 6162 00"));
    grid->GetColumns()->Clear();
    AddColumns({"D", "M"});
    Column(1)->SetVisible(false);
    EXPECT_EQ(exported(TDBGridEhExportAsVCLDBIF(), grid, true).mid(7),
              hex("01 01000000 0100 02 00"))
        << "a null date is the byte 02; hidden columns are not exported";
    // a memo's text in Windows-1251; one of no bytes is null here
    grid->GetColumns()->Clear();
    AddColumns({"M"});
    EXPECT_EQ(exported(TDBGridEhExportAsVCLDBIF(), grid, true).mid(12), hex("0100 02 00"));
    d.Edit();
    d.FieldByName("M")->SetAsString("абв");
    d.Post();
    EXPECT_EQ(exported(TDBGridEhExportAsVCLDBIF(), grid, true).mid(12),
              hex("0100 05 03000000 e0e1e2 00"));
}

TEST(InterchangeReader, DamagedDataIsRefusedWhole) {
    const QByteArray good = hex("5643 4c44 4249 46 01 02000000 0100 0100 03 07000000 05 02000000 "
                                "6162 00");
    EXPECT_EQ(ParseVCLDBIF(good).Cells.size(), 2u);
    const struct {
        const char* what;
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {"foreign signature", QByteArray("VCLDBIX").append(good.mid(7)), "ReadPrefix"},
        {"header cut short", good.left(11), "ReadPrefix"},
        {"column count beyond the data", hex("5643 4c44 4249 46 01 ffffff7f 0100"), "ReadPrefix"},
        {"negative column count", hex("5643 4c44 4249 46 01 ffffffff 00"), "ReadPrefix"},
        {"column name without its end", hex("5643 4c44 4249 46 01 01000000 01 41"), "ReadPrefix"},
        {"unknown tag", hex("5643 4c44 4249 46 01 01000000 0100 07 00"), "ReadDataCell"},
        {"text longer than the data", hex("5643 4c44 4249 46 01 01000000 0100 05 ff000000 61 00"),
         "ReadDataCell"},
        {"negative text length", hex("5643 4c44 4249 46 01 01000000 0100 05 feffffff 00"),
         "ReadDataCell"},
        {"integer cut short", hex("5643 4c44 4249 46 01 01000000 0100 03 0700"), "ReadDataCell"},
        {"no end tag", good.left(good.size() - 1), "ReadDataCell"},
        {"bytes after the end", QByteArray(good).append('x'), "ReadDataCell"},
        {"half a record", hex("5643 4c44 4249 46 01 02000000 0100 0100 03 07000000 00"),
         "ReadDataCell"},
        {"cells without columns", hex("5643 4c44 4249 46 01 00000000 02 00"), "ReadDataCell"},
    };
    for (const auto& c : cases) {
        try {
            ParseVCLDBIF(c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message,
                      QStringLiteral("TDBGridEhImportAsVCLDBIF.%1: Invalid VCLDBIF format")
                          .arg(QLatin1String(c.message)))
                << c.what;
        }
    }
}

// ---- import -------------------------------------------------------------------------------------

TEST_F(GridTest, TextReaderSplitsCellsAndLines) {
    const struct {
        const char* input;
        const char* expected; // the three columns of the first two records
    } cases[] = {
        {"a\t\tc\r\n", "a||c;2|2|2"},
        {"a\t\r\nb", "a|1|1;b|2|2"},
        {"\r\nb\tq", "1|1|1;b|q|2"},
        {"x\ny\tz", "x\ny|z|1;2|2|2"},
    };
    for (const auto& c : cases) {
        TMemDataSet d{nullptr};
        d.GetFieldDefs()->Add("A", ftString, 10);
        d.GetFieldDefs()->Add("B", ftString, 10);
        d.GetFieldDefs()->Add("C", ftString, 10);
        d.Open();
        d.AppendRecord({"1", "1", "1"});
        d.AppendRecord({"2", "2", "2"});
        d.First();
        grid->GetColumns()->Clear();
        AddColumns({"A", "B", "C"});
        grid->SetAllowedOperations(AllDBGridEhOperations -
                                   TDBGridEhAllowedOperations{alopAppendEh});
        Show(&d);
        importBytes(TDBGridEhImportAsText(), grid, QByteArray(c.input));
        QStringList rows = dump(&d);
        EXPECT_EQ(rows.join(u';'), QString::fromUtf8(c.expected)) << c.input;
        source->SetDataSet(nullptr);
    }
}

TEST(CsvReader, SplitsQuotedAndPlainCellsIntoRecords) {
    const struct {
        const char* input;
        const char* expected; // records joined by "/", cells by "|"
    } cases[] = {
        {"\"a\";\"b\"\r\n\"c\";\"d\"", "a|b/c|d"},
        {"\"a\";\"b\"\r\n", "a|b"},
        {"\"x\"\"y\";\"1;2\";\"p\r\nq\"", "x\"y|1;2|p\r\nq"},
        {"a;b\nc;;\n", "a|b/c||"},
        {"\"\";\"\"", "|"},
        {"a\r\n\r\nb", "a//b"},
        {"O'Brien;-1,25;15.03.2023", "O'Brien|-1,25|15.03.2023"},
    };
    for (const auto& c : cases) {
        QStringList records;
        for (const QStringList& r : ParseCSV(QByteArray(c.input), u';'))
            records << r.join(u'|');
        EXPECT_EQ(records.join(u'/'), QString::fromLatin1(c.expected)) << c.input;
    }
}

// Damaged input of any reader is refused whole, with the reader's message, before a field
// changes: no cell of the good first record is written either.
TEST_F(ImpExpTest, DamagedInputIsRefusedBeforeAnythingChanges) {
    using TImport = std::function<void(const QByteArray&)>;
    const TImport text = [&](const QByteArray& B) {
        importBytes(TDBGridEhImportAsText(), grid, B);
    };
    const TImport csv = [&](const QByteArray& B) { importBytes(TDBGridEhImportAsCSV(), grid, B); };
    const TImport interchange = [&](const QByteArray& B) {
        importBytes(TDBGridEhImportAsVCLDBIF(), grid, B);
    };
    const struct {
        const char* what;
        TImport import;
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {"text with a lone CR", text, QByteArray("X\tY\r\nZ\r"),
         "TDBGridEhImportAsText.CheckState: Invalid text format"},
        {"text with a CR inside", text, QByteArray("X\r\nY\rZ"),
         "TDBGridEhImportAsText.CheckState: Invalid text format"},
        {"CSV with an open quote", csv, QByteArray("\"X\";\"Y\"\r\n\"Z;"),
         "TDBGridEhImportAsCSV.ReadPrefix: Invalid CSV format"},
        {"CSV with text after a quote", csv, QByteArray("\"X\"\r\n\"Y\"Z"),
         "TDBGridEhImportAsCSV.ReadPrefix: Invalid CSV format"},
        {"interchange cell beyond the data", interchange,
         hex("5643 4c44 4249 46 01 01000000 0100 05 01000000 58 05 09000000 41 00"),
         "TDBGridEhImportAsVCLDBIF.ReadDataCell: Invalid VCLDBIF format"},
        {"not interchange data at all", interchange, QByteArray("X\tY"),
         "TDBGridEhImportAsVCLDBIF.ReadPrefix: Invalid VCLDBIF format"},
    };
    const QStringList before = dump(&ds);
    for (const auto& c : cases) {
        ds.First();
        try {
            c.import(c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, QString::fromLatin1(c.message)) << c.what;
        }
        EXPECT_EQ(dump(&ds), before) << c.what;
        EXPECT_EQ(ds.GetState(), dsBrowse) << c.what;
    }
}

TEST_F(GridTest, PasteWithoutSelectionOverwritesDownwardsThenAppends) {
    for (bool append : {true, false}) {
        TMemDataSet d{nullptr};
        FillNumbers(&d, 5);
        grid->GetColumns()->Clear();
        AddColumns({"N", "V"});
        grid->SetAllowedOperations(append ? AllDBGridEhOperations
                                          : AllDBGridEhOperations -
                                                TDBGridEhAllowedOperations{alopAppendEh});
        Show(&d);
        d.SetRecNo(3);
        grid->SetSelectedIndex(1);
        importBytes(TDBGridEhImportAsText(), grid, QByteArray("30\r\n40\r\n50\r\n60\r\n70\r\n80"));
        QStringList expected{"000001|1", "000002|2", "000003|30", "000004|40", "000005|50"};
        if (append)
            expected << "<null>|60"
                     << "<null>|70"
                     << "<null>|80";
        EXPECT_EQ(dump(&d), expected) << (append ? "appending" : "no appending");
        source->SetDataSet(nullptr);
    }
}

TEST_F(GridTest, KeyPickListAndConversionErrors) {
    TMemDataSet d{nullptr};
    d.GetFieldDefs()->Add("K", ftString, 2);
    d.GetFieldDefs()->Add("V", ftInteger);
    d.Open();
    for (int i = 0; i < 3; ++i)
        d.AppendRecord({"x", i});
    d.First();
    AddColumns({"K", "V"});
    Column(0)->GetPickList()->SetText("Чоловіча\nЖіноча");
    Column(0)->GetKeyList()->SetText("Ч\nЖ");
    grid->SetAllowedOperations(AllDBGridEhOperations - TDBGridEhAllowedOperations{alopAppendEh});
    Show(&d);
    TScriptedInteraction dialogs;
    TUserInteractionSwap swap(&dialogs);
    dialogs.Answer(mrAll);
    importBytes(TDBGridEhImportAsText(), grid,
                QByteArray(ToCodePage("жіноча\tabc\r\nінша\tdef\r\nЧоловіча\t5")));
    EXPECT_EQ(dump(&d), (QStringList{"Ж|0", "<null>|1", "Ч|5"}));
    ASSERT_EQ(dialogs.Asked.size(), 1u) << "All answers every later question";
    EXPECT_TRUE(dialogs.Last().Text.startsWith("Error during insert value: \n"));
    EXPECT_TRUE(dialogs.Last().Text.endsWith("\n\nIgnore error?"));
    EXPECT_EQ(dialogs.Last().Type, mtError);
    EXPECT_EQ(dialogs.Last().Buttons, (std::vector<TMsgDlgBtn>{mbYes, mbNo, mbAll}));
}

TEST_F(GridTest, NoInTheErrorQuestionCancelsTheHalfWrittenRecord) {
    TMemDataSet d{nullptr};
    d.GetFieldDefs()->Add("S", ftString, 5);
    d.GetFieldDefs()->Add("V", ftInteger);
    d.Open();
    d.AppendRecord({"a", 1});
    d.First();
    AddColumns({"S", "V"});
    Show(&d);
    TScriptedInteraction dialogs;
    TUserInteractionSwap swap(&dialogs);
    dialogs.Answer(mrNo);
    EXPECT_THROW(importBytes(TDBGridEhImportAsText(), grid, QByteArray("b\t2\r\nc\tzz\r\nd\t4")),
                 EAbort);
    EXPECT_EQ(dump(&d), QStringList{"b|2"}) << "the first line overwrote, the appended record went";
    EXPECT_EQ(d.GetState(), dsBrowse);
}

TEST_F(GridTest, LookupColumnTakesTheExactNameBeforeAPrefix) {
    TMemDataSet list{nullptr};
    list.GetFieldDefs()->Add("ID", ftInteger);
    list.GetFieldDefs()->Add("NAME", ftString, 20);
    list.Open();
    list.AppendRecord({1, "Ковальчук"});
    list.AppendRecord({2, "Коваль"});
    list.AppendRecord({3, "Петренко"});
    TMemDataSet d{nullptr};
    auto* ref = new TIntegerField(&d);
    ref->SetFieldName("REF");
    ref->SetDataSet(&d);
    auto* look = new TStringField(&d);
    look->SetFieldName("REFNAME");
    look->SetSize(20);
    look->SetFieldKind(fkLookup);
    look->SetKeyFields("REF");
    look->SetLookupDataSet(&list);
    look->SetLookupKeyFields("ID");
    look->SetLookupResultField("NAME");
    look->SetDataSet(&d);
    d.Open();
    for (int i = 0; i < 3; ++i)
        d.AppendRecord({3});
    d.First();
    AddColumns({"REFNAME"});
    grid->SetAllowedOperations(AllDBGridEhOperations - TDBGridEhAllowedOperations{alopAppendEh});
    Show(&d);
    importBytes(TDBGridEhImportAsText(), grid, ToCodePage("коваль\r\nКовальч\r\nнемає"));
    QStringList refs;
    for (d.First(); !d.GetEof(); d.Next())
        refs << d.FieldByName("REF")->GetAsString();
    EXPECT_EQ(refs, (QStringList{"2", "1", "3"}));
}

namespace {

// The cells of the tables in unrtf's HTML, row by row: tags dropped, entities decoded, runs of
// white space (a tab comes out as blanks and a line break) as one blank.
QList<QStringList> htmlTableCells(const QString& Html) {
    auto plain = [](QString S) {
        S.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        QRegularExpression entity(QStringLiteral("&#(\\d+);"));
        for (auto m = entity.match(S); m.hasMatch(); m = entity.match(S))
            S.replace(m.capturedStart(), m.capturedLength(), QChar(m.captured(1).toInt()));
        S.replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&nbsp;"), QStringLiteral(" "))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        return S.simplified();
    };
    QList<QStringList> rows;
    const QStringList trs = Html.split(QStringLiteral("<tr>"));
    for (qsizetype r = 1; r < trs.size(); ++r) {
        QStringList cells;
        const QStringList tds = trs[r].split(QStringLiteral("<td>"));
        for (qsizetype c = 1; c < tds.size(); ++c)
            cells << plain(tds[c]);
        rows << cells;
    }
    return rows;
}

} // namespace

// ---- the clipboard ------------------------------------------------------------------------------

TEST_F(ImpExpTest, CopyLeavesFourFormatsAndPastePrefersTheInterchangeData) {
    Rect(0, 1, 1, 3);
    GridCopyToClipboard(grid, false);
    TClipboard* cb = Clipboard();
    for (uint16_t f : {uint16_t(CF_TEXT), CF_CSV(), CF_RICH_TEXT_FORMAT(), CF_VCLDBIF()})
        EXPECT_TRUE(cb->HasFormat(f)) << GetClipboardFormatName(f).toStdString();
    const QString text = cb->GetAsText();
    EXPECT_FALSE(text.endsWith("\r\n"));
    EXPECT_FALSE(text.contains(QChar(0)));
    EXPECT_TRUE(cb->GetAsHandle(CF_CSV()).endsWith('\0'));
    EXPECT_TRUE(cb->GetAsHandle(CF_RICH_TEXT_FORMAT()).endsWith(QByteArray("}\0", 2)));

    // the interchange data wins over the text beside it
    cb->Open();
    cb->SetAsHandle(CF_TEXT, ToCodePage("не те\tзовсім"));
    cb->SetAsHandle(CF_VCLDBIF(), hex("5643 4c44 4249 46 01 01000000 0100 05 03000000 e0e1e2 00"));
    cb->Close();
    GridPasteFromClipboard(target, false);
    EXPECT_EQ(dump(&copyTo), (QStringList{"абв|<null>|<null>|<null>|<null>"}));

    // text from elsewhere, ended by a zero byte with more behind it
    cb->Open();
    cb->SetAsHandle(CF_TEXT, QByteArray("x\ty", 3).append('\0').append("junk"));
    cb->Close();
    GridPasteFromClipboard(target, false);
    EXPECT_EQ(dump(&copyTo), (QStringList{"x|y|<null>|<null>|<null>"}));
}

// Copy everything, keep one format on the clipboard, paste into the empty grid: every cell comes
// back, Cyrillic, quotes, apostrophes, separators, braces, nulls, numbers and dates included.
// Plain text cannot hold a tab inside a cell (it separates cells), so that cell loses its tab
// before the text round.
TEST_F(ImpExpTest, CopyAndPasteRoundTripsThroughEachFormat) {
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgTitles});
    TClipboard* cb = Clipboard();
    for (uint16_t format : {CF_VCLDBIF(), CF_CSV(), uint16_t(CF_TEXT)}) {
        const std::string name = GetClipboardFormatName(format).toStdString();
        if (format == CF_TEXT) {
            ds.SetRecNo(2);
            ds.Edit();
            ds.FieldByName("NAME")->SetAsString("Ґудзь Єва");
            ds.Post();
        }
        for (copyTo.First(); !copyTo.IsEmpty();)
            copyTo.Delete();
        grid->GetSelection()->SelectAll();
        GridCopyToClipboard(grid, false);
        const QByteArray bytes = cb->GetAsHandle(format);
        cb->Clear();
        cb->SetAsHandle(format, bytes);
        ASSERT_EQ(cb->HasFormat(CF_VCLDBIF()), format == CF_VCLDBIF()) << name;
        GridPasteFromClipboard(target, false);
        EXPECT_EQ(dump(&copyTo), dump(&ds)) << name;
    }
}

namespace {

// CSV as Python's csv module reads it (the separator ";", Windows-1251), row by row; Rewritten
// gets the rows after the first written back by that module with its own quoting (only where
// needed) and LF line ends.
QList<QStringList> pythonCsvRows(const QByteArray& Csv, QByteArray* Rewritten = nullptr) {
    QTemporaryDir dir;
    const QString in = dir.filePath("grid.csv"), out = dir.filePath("again.csv");
    QFile f(in);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Csv);
    f.close();
    const TProgramRun py =
        RunProgram("/usr/bin/python3",
                   {"-c",
                    "import csv,json,sys\n"
                    "rows = list(csv.reader(open(sys.argv[1], encoding='cp1251', newline=''), "
                    "delimiter=';'))\n"
                    "print(json.dumps(rows))\n"
                    "with open(sys.argv[2], 'w', encoding='cp1251', newline='') as f:\n"
                    "    csv.writer(f, delimiter=';', lineterminator='\\n').writerows(rows[1:])\n",
                    in, out});
    EXPECT_TRUE(py.Finished);
    EXPECT_EQ(py.ExitCode, 0) << py.Err.toStdString();
    QList<QStringList> rows;
    for (const auto& row : QJsonDocument::fromJson(py.Out).array()) {
        QStringList cells;
        for (const auto& cell : row.toArray())
            cells << cell.toString();
        rows << cells;
    }
    if (Rewritten) {
        QFile again(out);
        EXPECT_TRUE(again.open(QIODevice::ReadOnly));
        *Rewritten = again.readAll();
    }
    return rows;
}

// The display texts of a grid's visible columns over every record, the captions first.
QList<QStringList> shownCells(TCustomDBGridEh* Grid, TDataSet* Ds) {
    QList<QStringList> rows;
    QStringList titles;
    TColumnsEhList* cols = Grid->GetVisibleColumns();
    for (int c = 0; c < cols->Count(); ++c)
        titles << cols->GetColumn(c)->GetTitle()->GetCaption();
    rows << titles;
    for (Ds->First(); !Ds->GetEof(); Ds->Next()) {
        QStringList cells;
        for (int c = 0; c < cols->Count(); ++c)
            cells << cols->GetColumn(c)->GetDisplayText();
        rows << cells;
    }
    return rows;
}

} // namespace

// Python reads the CSV copy cell for cell; what Python writes (quoting only where it must) is
// read back by the CSV import into the same values.
TEST_F(ImpExpTest, CsvReadAndWrittenByPythonGivesTheSameCells) {
    grid->GetSelection()->SelectAll();
    GridCopyToClipboard(grid, false);
    QByteArray csv = Clipboard()->GetAsHandle(CF_CSV());
    ASSERT_TRUE(csv.endsWith('\0'));
    csv.chop(1);
    QByteArray again;
    EXPECT_EQ(pythonCsvRows(csv, &again), shownCells(grid, &ds));
    EXPECT_TRUE(again.contains("\"O'Brien; \xaf\xe6\xe0\xea\""))
        << "a cell with the separator is quoted";
    importBytes(TDBGridEhImportAsCSV(), target, again);
    EXPECT_EQ(dump(&copyTo), dump(&ds));
}

// The card list's grid over generated employees (Cyrillic names with apostrophes, dates, empty
// dismissal dates, the "Всього" footer with the record count) exported whole: the CSV read by
// Python and the RTF read by unrtf give the cells the grid shows; copied and pasted into an
// empty card list it gives the same employees.
TEST(GeneratedEmployees, ExportAsAUserWouldReadItAndPasteIntoAnotherList) {
    std::unique_ptr<TCardListForm> list(MakeCardList(150));
    TDBGridEh* grid = list->Grid;
    list->Show();
    QList<QStringList> expected = shownCells(grid, list->Employees);
    QStringList footer(expected[0].size(), QString());
    footer[0] = QStringLiteral("Всього");
    footer[1] = QStringLiteral("150");
    expected << footer;

    TMemoryStream csv;
    ExportGridToStream<TDBGridEhExportAsCSV>(grid, &csv, true);
    EXPECT_EQ(pythonCsvRows(csv.GetBytes()), expected);

    const QString unrtf = QStandardPaths::findExecutable("unrtf");
    if (!unrtf.isEmpty()) {
        TMemoryStream rtf;
        ExportGridToStream<TDBGridEhExportAsRTF>(grid, &rtf, true);
        QTemporaryDir dir;
        QFile f(dir.filePath("list.rtf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(rtf.GetBytes());
        f.close();
        const TProgramRun p = RunProgram(unrtf, {"--html", f.fileName()});
        ASSERT_TRUE(p.Finished);
        QList<QStringList> simplified;
        for (const QStringList& row : std::as_const(expected)) {
            QStringList cells;
            for (const QString& c : row)
                cells << c.simplified();
            simplified << cells;
        }
        EXPECT_EQ(htmlTableCells(QString::fromUtf8(p.Out)), simplified);
    }

    TScriptedInteraction dialogs;
    TUserInteractionSwap swap(&dialogs);
    TClipboard* previous = SetClipboard(new TClipboard);
    std::unique_ptr<TCardListForm> empty(MakeCardList(0));
    empty->Show();
    grid->GetSelection()->SelectAll();
    GridCopyToClipboard(grid, false);
    GridPasteFromClipboard(empty->Grid, true); // from the first column, whatever is frozen
    delete SetClipboard(previous);
    EXPECT_TRUE(dialogs.Asked.empty()) << dialogs.Last().Text.toStdString();
    QList<QStringList> pasted = shownCells(empty->Grid, empty->Employees);
    EXPECT_EQ(pasted, expected.mid(0, expected.size() - 1));
}

// ---- deleting -----------------------------------------------------------------------------------

TEST_F(SelectionFixture, DeleteAsksByTheKindOfSelectionAndCancelChangesNothing) {
    TScriptedInteraction dialogs;
    TUserInteractionSwap swap(&dialogs);
    const struct {
        std::function<void()> select;
        const char* question;
    } cases[] = {
        {[&] { Mark(4); }, "Delete record?"},
        {[&] {
             Mark(4);
             Mark(5);
             Mark(9);
         },
         "Delete all selected records?"},
        {[&] { Rect(0, 2, 1, 3); }, "Clear selected cells?"},
        {[&] { Sel()->GetColumns()->Select(Column(1), false); }, "Clear selected cells?"},
        {[&] { Sel()->SelectAll(); }, "Delete all records?"},
    };
    const QStringList before = dump(&ds);
    for (const auto& c : cases) {
        Sel()->Clear();
        c.select();
        dialogs.Answer(mrCancel);
        GridDeleteSelection(grid, false);
        EXPECT_EQ(dialogs.Last().Text, QString::fromLatin1(c.question));
        EXPECT_EQ(dialogs.Last().Type, mtConfirmation);
        EXPECT_EQ(dump(&ds), before) << c.question;
    }
}

TEST_F(SelectionFixture, DeleteRemovesMarkedRecordsOrClearsSelectedCells) {
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgConfirmDelete});
    Mark(4);
    Mark(5);
    Mark(9);
    GridDeleteSelection(grid, false);
    EXPECT_EQ(ds.GetRecordCount(), 27);
    EXPECT_EQ(Rows()->Count(), 0);
    for (ds.First(); !ds.GetEof(); ds.Next())
        EXPECT_FALSE(QList<int>({4, 5, 9}).contains(ds.FieldByName("V")->GetAsInteger()));

    // columns: every record's selected cells go null, a read-only column stays
    Column(1)->SetReadOnly(true);
    Sel()->GetColumns()->Select(Column(0), false);
    Sel()->GetColumns()->Select(Column(1), true);
    GridDeleteSelection(grid, false);
    if (ds.GetState() == dsEdit) ds.Post();
    for (ds.First(); !ds.GetEof(); ds.Next()) {
        EXPECT_TRUE(ds.FieldByName("N")->IsNull());
        EXPECT_FALSE(ds.FieldByName("V")->IsNull());
    }

    // everything
    GridDeleteSelection(grid, true);
    EXPECT_TRUE(ds.IsEmpty());
}

TEST_F(ImpExpTest, CutOfARectangleCopiesThenClearsAfterTheQuestion) {
    Rect(0, 1, 1, 2);
    dialogs.Answer(mrOk);
    GridCutToClipboard(grid, false);
    EXPECT_EQ(dialogs.Last().Text, QStringLiteral("Clear selected cells?"));
    EXPECT_TRUE(Clipboard()->GetAsText().contains(QStringLiteral("Іваненко")));
    if (ds.GetState() == dsEdit) ds.Post();
    const QStringList rows = dump(&ds);
    EXPECT_TRUE(rows[0].startsWith("<null>|<null>|10|7|")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].startsWith("<null>|<null>|5")) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].startsWith("O'Brien")) << rows[2].toStdString();
}

TEST_F(ImpExpTest, EditActionsGoThroughTheClipboardCommands) {
    grid->SetEditActions(TDBGridEhEditActions{geaCopyEh, geaPasteEh});
    grid->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(grid->Focused());
    TEditCopy copy(nullptr);
    TEditCut cut(nullptr);
    EXPECT_FALSE(grid->ExecuteAction(&copy)) << "nothing selected";
    EXPECT_FALSE(grid->UpdateAction(&cut)) << "cutting is not among the grid's edit actions";
    Rect(0, 1, 0, 2);
    EXPECT_TRUE(grid->UpdateAction(&copy));
    EXPECT_TRUE(copy.GetEnabled());
    EXPECT_TRUE(grid->ExecuteAction(&copy));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_VCLDBIF()));
}

// The grid's own clipboard keys: each runs its action only when EditActions hold it and the
// action is possible now (a selection to copy, a grid that may change).
TEST_F(ImpExpTest, ClipboardKeysRunTheActionsTheGridAllows) {
    using A = TDBGridEhEditActions;
    const QString name = QStringLiteral("Іваненко \"Малий\"");
    const QString pasted = QStringLiteral("Вставлено");
    struct Case {
        const char* what;
        WORD key;
        TShiftState shift;
        A actions;
        bool cell;     // the first record's NAME and NOTE cells selected first
        bool readOnly; // the grid read-only
        bool asks;     // a question comes (answered OK)
        bool copied;   // the interchange copy on the clipboard afterwards
        QString first; // the first record's NAME afterwards
        TGridSelectionKindEh selection;
    };
    const Case cases[] = {
        {"Ctrl+C copies",
         'C',
         {ssCtrl},
         A{geaCopyEh},
         true,
         false,
         false,
         true,
         name,
         gskRectangle},
        {"Ctrl+Insert copies",
         VK_INSERT,
         {ssCtrl},
         A{geaCopyEh},
         true,
         false,
         false,
         true,
         name,
         gskRectangle},
        {"Ctrl+C not allowed",
         'C',
         {ssCtrl},
         A{geaPasteEh},
         true,
         false,
         false,
         false,
         name,
         gskRectangle},
        {"Ctrl+C with nothing selected",
         'C',
         {ssCtrl},
         A{geaCopyEh},
         false,
         false,
         false,
         false,
         name,
         gskNone},
        {"Ctrl+A selects all",
         'A',
         {ssCtrl},
         A{geaSelectAllEh},
         false,
         false,
         false,
         false,
         name,
         gskAll},
        {"Ctrl+A not allowed",
         'A',
         {ssCtrl},
         A{geaCopyEh},
         false,
         false,
         false,
         false,
         name,
         gskNone},
        {"Ctrl+V pastes",
         'V',
         {ssCtrl},
         A{geaPasteEh},
         false,
         false,
         false,
         false,
         pasted,
         gskNone},
        {"Shift+Insert pastes",
         VK_INSERT,
         {ssShift},
         A{geaPasteEh},
         false,
         false,
         false,
         false,
         pasted,
         gskNone},
        {"Ctrl+V not allowed",
         'V',
         {ssCtrl},
         A{geaCopyEh},
         false,
         false,
         false,
         false,
         name,
         gskNone},
        {"Ctrl+V into a read-only grid",
         'V',
         {ssCtrl},
         A{geaPasteEh},
         false,
         true,
         false,
         false,
         name,
         gskNone},
        {"Ctrl+X cuts",
         'X',
         {ssCtrl},
         A{geaCutEh},
         true,
         false,
         true,
         true,
         QString(),
         gskRectangle},
        {"Shift+Delete cuts",
         VK_DELETE,
         {ssShift},
         A{geaCutEh},
         true,
         false,
         true,
         true,
         QString(),
         gskRectangle},
        {"Ctrl+X not allowed",
         'X',
         {ssCtrl},
         A{geaCopyEh},
         true,
         false,
         false,
         false,
         name,
         gskRectangle},
        {"Shift+Delete in a read-only grid",
         VK_DELETE,
         {ssShift},
         A{geaCutEh},
         true,
         true,
         false,
         false,
         name,
         gskRectangle},
        {"Ctrl+Delete clears the selected cell",
         VK_DELETE,
         {ssCtrl},
         A{geaDeleteEh},
         true,
         false,
         true,
         false,
         QString(),
         gskRectangle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ds.First();
        ds.Edit();
        ds.FieldByName("NAME")->SetAsString(name);
        ds.Post();
        grid->SetReadOnly(false);
        grid->GetSelection()->Clear();
        grid->SetSelectedIndex(0);
        grid->SetEditActions(c.actions);
        grid->SetReadOnly(c.readOnly);
        Clipboard()->SetAsText(pasted);
        if (c.cell) Rect(0, 1, 1, 1);
        if (c.asks) dialogs.Answer(mrOk);
        const size_t asked = dialogs.Asked.size();
        WORD key = c.key;
        grid->KeyDown(key, c.shift);
        if (ds.GetState() != dsBrowse) ds.Post();
        EXPECT_EQ(dialogs.Asked.size() - asked, c.asks ? 1u : 0u);
        EXPECT_EQ(Clipboard()->HasFormat(CF_VCLDBIF()), c.copied);
        ds.First();
        EXPECT_EQ(ds.FieldByName("NAME")->GetAsString(), c.first);
        EXPECT_EQ(grid->GetSelection()->GetSelectionType(), c.selection);
        EXPECT_EQ(ds.RecordCount(), 3);
    }
}

// Frozen columns take part in a paste without a selection: the cells start at the current
// column, the first one of a freshly shown grid, not at the first scrolling column.
TEST_F(ImpExpTest, PasteWithoutSelectionStartsAtTheCurrentColumnOfFrozenColumns) {
    target->SetFrozenCols(2);
    target->SetEditActions(TDBGridEhEditActions{geaPasteEh});
    QApplication::processEvents();
    ds.SetRecNo(3);
    grid->GetSelection()->GetRect()->Select(0, ds.GetBookmark(), false);
    grid->GetSelection()->GetRect()->Select(4, ds.GetBookmark(), true);
    GridCopyToClipboard(grid, false);
    const QStringList whole = dump(&ds).mid(2, 1);
    EXPECT_EQ(target->GetSelectedIndex(), 0) << "a fresh grid's current cell is its first column";
    GridPasteFromClipboard(target, false);
    if (copyTo.GetState() != dsBrowse) copyTo.Post();
    EXPECT_EQ(dump(&copyTo), whole);
    // from a frozen column chosen by the user, and from a scrolling one
    const struct {
        int col;
        const char* text;
    } cells[] = {{1, "x"}, {3, "7"}};
    for (const auto& c : cells) {
        SCOPED_TRACE(c.col);
        copyTo.First();
        target->SetSelectedIndex(c.col);
        EXPECT_EQ(target->GetSelectedIndex(), c.col);
        Clipboard()->SetAsText(QString::fromLatin1(c.text));
        GridPasteFromClipboard(target, false);
        if (copyTo.GetState() != dsBrowse) copyTo.Post();
        copyTo.First();
        EXPECT_EQ(copyTo.GetFields()->GetField(c.col)->GetAsString(), c.text);
    }
    EXPECT_EQ(copyTo.RecordCount(), 1);
}

// ---- RTF ----------------------------------------------------------------------------------------

TEST_F(FooterExportTest, RtfTableHasItsHeaderCellsAndEscapes) {
    grid->GetFont()->SetPixelsPerInch(96);
    Column(0)->SetWidth(96);
    Column(1)->SetWidth(96);
    ds.First();
    ds.Edit();
    ds.FieldByName("NAME")->SetAsString("a{b}\\c");
    ds.Post();
    QByteArray rtf = exported(TDBGridEhExportAsRTF(), grid, true);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
    EXPECT_TRUE(rtf.endsWith("}"));
    const QList<QByteArray> lines = rtf.split('\n');
    EXPECT_TRUE(
        lines[1].startsWith("{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;"));
    EXPECT_TRUE(lines[2].contains("\\fcharset204"));
    EXPECT_TRUE(rtf.contains("\\cellx1440\r\n")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\cellx2880\r\n"));
    EXPECT_TRUE(rtf.contains(" a\\{b\\}\\\\c\\cell}"));
    // Марія in Windows-1251
    EXPECT_TRUE(rtf.contains("\\'cc\\'e0\\'f0\\'b3\\'ff\\cell}"));
    int open = 0;
    for (char ch : rtf.replace("\\\\", "").replace("\\{", "").replace("\\}", ""))
        open += ch == '{' ? 1 : ch == '}' ? -1 : 0;
    EXPECT_EQ(open, 0) << "braces balance";
}

TEST_F(GridTest, RtfMultiTitleSharesTheUpperCellWithoutABorderBetween) {
    TMemDataSet d{nullptr};
    d.GetFieldDefs()->Add("R", ftString, 10);
    d.GetFieldDefs()->Add("T", ftDate);
    d.Open();
    d.AppendRecord({"1", 45000.0});
    d.First();
    AddColumns({"R", "T"});
    Column(0)->GetTitle()->SetCaption("Підстава|№");
    Column(1)->GetTitle()->SetCaption("Підстава|Дата");
    grid->SetUseMultiTitle(true);
    Show(&d);
    const QString rtf = exportedText(TDBGridEhExportAsRTF(), grid, true);
    const QStringList rows = rtf.split("\\trowd");
    ASSERT_EQ(rows.size(), 4) << "two title rows and the record";
    // the upper row: the first cell has no right border, the second no left one
    const QString upper = rows[1];
    const QStringList cells = upper.split("\\cellx");
    EXPECT_FALSE(cells[0].contains("\\clbrdrr"));
    EXPECT_FALSE(cells[1].contains("\\clbrdrl"));
    EXPECT_TRUE(upper.contains(QStringLiteral(" \\'cf\\'b3\\'e4\\'f1\\'f2\\'e0\\'e2\\'e0\\cell}")));
    EXPECT_TRUE(upper.contains(QStringLiteral("\\pard\\intbl{\\qc\\fs")));
    EXPECT_TRUE(rows[2].contains(QStringLiteral(" \\'b9\\cell}")));
}

TEST_F(ImpExpTest, RtfReadByAnIndependentReader) {
    const QString unrtf = QStandardPaths::findExecutable("unrtf");
    if (unrtf.isEmpty()) GTEST_SKIP() << "unrtf is not installed (./test.sh installs it)";
    grid->GetSelection()->SelectAll();
    GridCopyToClipboard(grid, false);
    QByteArray rtf = Clipboard()->GetAsHandle(CF_RICH_TEXT_FORMAT());
    ASSERT_TRUE(rtf.endsWith('\0'));
    rtf.chop(1);
    QTemporaryDir dir;
    const QString path = dir.filePath("grid.rtf");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(rtf);
    f.close();
    auto run = [&](const char* Mode) {
        const TProgramRun p = RunProgram(unrtf, {QString::fromLatin1(Mode), path}, {}, 30000);
        EXPECT_TRUE(p.Finished);
        EXPECT_EQ(p.ExitCode, 0) << p.Err.toStdString();
        return QString::fromUtf8(p.Out);
    };
    // every cell of the table as the grid shows it, the title row first
    QList<QStringList> expected{{"NAME", "NOTE", "SUM", "N", "D"}};
    for (ds.First(); !ds.GetEof(); ds.Next()) {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << Column(c)->GetDisplayText().simplified();
        expected << cells;
    }
    const QString html = run("--html");
    EXPECT_EQ(htmlTableCells(html), expected) << html.toStdString();
    EXPECT_EQ(html.count(QStringLiteral("<table")), 1);

    // The text rendering writes only the low byte of characters beyond Latin-1, so only the
    // Latin cells are read there: one line per row, a tab before each cell.
    const QStringList lines = run("--text").split(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("\tNAME\tNOTE\tSUM\tN\tD")));
    const QString last = lines.filter(QStringLiteral("O'Brien; ")).value(0);
    EXPECT_TRUE(last.endsWith(QStringLiteral("} \\\t-1,25\t3\t16.03.2023"))) << last.toStdString();
}
