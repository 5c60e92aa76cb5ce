#include "ReportTestSupport.h"

#include "CodePages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Text in the template code page.
QByteArray cp(const char* s) {
    return ToCodePage(QString::fromUtf8(s), 1251);
}

// Writes template bytes by hand, in the current and the old forms.
struct Bytes {
    QByteArray b;
    Bytes& u8(int v) {
        b.append(char(v));
        return *this;
    }
    Bytes& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& i32(int v) { return u16(v & 0xFFFF).u16((unsigned(v) >> 16) & 0xFFFF); }
    Bytes& str(const QByteArray& s) {
        u16(int(s.size()));
        b.append(s);
        return u8(0);
    }
    Bytes& strOld(const QByteArray& s) {
        b.append(s);
        return u8(0);
    }
    Bytes& memo(const QList<QByteArray>& lines) {
        u16(int(lines.size()));
        if (lines.isEmpty()) return u8(0);
        for (int i = 0; i < lines.size(); ++i) {
            u16(int(lines[i].size()));
            b.append(lines[i]);
            u8(i < lines.size() - 1 ? 13 : 0);
        }
        return *this;
    }
    Bytes& memoOld(const QList<QByteArray>& lines) {
        for (const QByteArray& l : lines) {
            b.append(l);
            u8(13);
        }
        return u8(0);
    }
    // Geometry, flags, frame and fill of the common view body.
    Bytes& frame(int left, int top, int width, int height, int flags, int frameTyp) {
        return i32(left)
            .i32(top)
            .i32(width)
            .i32(height)
            .u16(flags)
            .u16(frameTyp)
            .i32(1)
            .i32(0)
            .u16(0)
            .i32(clNone);
    }
};

class TemplateTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        frGlobals().ShowMessage = [this](const QString& text, const QString& caption) {
            messages << caption + u": "_s + text;
        };
        report = std::make_unique<TfrReport>(nullptr);
    }
    void TearDown() override {
        report.reset();
        EngineTest::TearDown();
    }
    bool load(const QByteArray& data) {
        TMemoryStream s;
        s.SetBytes(data);
        return report->LoadFromStream(&s);
    }
    QByteArray save() {
        TMemoryStream s;
        report->SaveToStream(&s);
        return s.GetBytes();
    }
    // One page with a view of every kind, a page script, dialog fields and a dictionary.
    void buildInCode() {
        report->MakeCurrent();
        report->Pages.Add();
        report->Pages.Add();
        TfrPage* p = report->Pages[0];
        p->Name = u"Page1"_s;
        p->pgMargins[0] = 30;
        p->Script.Add(u"x := 1"_s);
        TfrPage* d = report->Pages[1];
        d->Name = u"Dialog"_s;
        d->PageType = ptDialog;
        d->Caption = u"Параметри"_s;
        auto add = [&](int typ, int page) {
            TfrView* v = frCreateObject(uint8_t(typ), QString());
            v->ParentPage = report->Pages[page];
            report->Pages[page]->Objects.Add(v);
            return v;
        };
        auto* band = static_cast<TfrBandView*>(add(gtBand, 0));
        band->SetBandType(btMasterData);
        band->SetBounds(0, 100, 700, 20);
        band->SetDataSet(u"frDBDataSet1"_s);
        band->Master = u"Band9"_s;
        band->ChildBand = u"Child1"_s;
        auto* memo = static_cast<TfrMemoView*>(add(gtMemo, 0));
        memo->SetBounds(10, 100, 200, 18);
        memo->Memo.Add(u"[Summa #N10,2]"_s);
        memo->Memo.Add(u"Прізвище"_s);
        memo->Script.Add(u"if [Summa] > 0 then Memo2.Visible := True"_s);
        memo->Font.Name = u"Times New Roman"_s;
        memo->Font.Size = 12;
        memo->Font.Style = frfsBold | frfsItalic;
        memo->Alignment = frtaCenter | frtaMiddle;
        memo->FrameTyp = frftLeft | frftTop;
        memo->FrameWidth = 0.5f;
        memo->HighlightCondition = u"[Summa] < 0"_s;
        memo->Restrictions = 8;
        memo->Tag = u"[Boss]"_s;
        memo->GapX = 4;
        memo->BandAlign = baCenter;
        memo->LineSpacing = 5;
        memo->CharSpacing = 1;
        memo->Visible = false;
        auto* pic = static_cast<TfrPictureView*>(add(gtPicture, 0));
        pic->PictureKind = pkBitmap;
        pic->PictureData = QByteArray("BM\x10\0\0\0 fake bitmap", 18);
        pic->BlobType = 2;
        auto* line = add(gtLine, 0);
        line->SetBounds(0, 0, 1, 300);
        line->FrameWidth = 2.5f;
        auto* sub = static_cast<TfrSubReportView*>(add(gtSubReport, 0));
        sub->SubPage = 1;
        auto* emptyPic = add(gtPicture, 1);
        emptyPic->FrameWidth = 12;
        TfrDataDictionary& dict = report->Dictionary;
        dict.Variables.SetVariable(u" Загальні"_s, Variant(QString()));
        dict.Variables.SetVariable(u"Разом"_s, Variant(u"[Summa] * 2"_s));
        dict.FieldAliases.SetVariable(u"Kadr"_s, Variant(u"Кадри"_s));
        dict.BandDataSources.SetVariable(u"Band1"_s, Variant(u"frDBDataSet1"_s));
        report->PrinterName = frLoadStr(SVirtualPrinter);
        report->TwoPass = 0xFFFF;
        report->UseDefaultPrinter = 0;
    }
    std::unique_ptr<TfrReport> report;
    QStringList messages;
};

} // namespace

TEST_F(TemplateTest, BuiltInCodeRoundTripsByteForByte) {
    buildInCode();
    const QByteArray first = save();
    ASSERT_TRUE(load(first));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(save(), first);

    ASSERT_EQ(report->Pages.Count(), 2);
    TfrPage* p = report->Pages[0];
    EXPECT_EQ(p->Objects.Count(), 5);
    EXPECT_EQ(p->pgMargins[0], 30);
    EXPECT_EQ(p->Script.ToStringList(), QStringList{u"x := 1"_s});
    EXPECT_EQ(report->Pages[1]->Caption, u"Параметри"_s);
    EXPECT_EQ(report->Pages[1]->PageType, ptDialog);
    EXPECT_EQ(report->PrinterName, frLoadStr(SVirtualPrinter));
    EXPECT_EQ(first.mid(5, 5), QByteArray("\x01\0\x01\0\xFF", 5)); // the virtual printer's mark

    auto* band = dynamic_cast<TfrBandView*>(p->GetObject(0));
    ASSERT_TRUE(band);
    EXPECT_EQ(band->GetBandType(), btMasterData);
    EXPECT_EQ(band->Master, u"Band9"_s);
    EXPECT_EQ(band->RevMajor * 10 + band->RevMinor, 21);
    auto* memo = dynamic_cast<TfrMemoView*>(p->GetObject(1));
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Name, u"Memo1"_s);
    EXPECT_EQ(memo->Memo.ToStringList(), (QStringList{u"[Summa #N10,2]"_s, u"Прізвище"_s}));
    EXPECT_EQ(memo->Font.Style, frfsBold | frfsItalic);
    EXPECT_FLOAT_EQ(memo->FrameWidth, 0.5f);
    EXPECT_FALSE(memo->Visible);
    EXPECT_EQ(memo->Tag, u"[Boss]"_s);
    EXPECT_EQ(memo->BandAlign, baCenter);
    EXPECT_EQ(memo->LineSpacing, 5);
    auto* pic = dynamic_cast<TfrPictureView*>(p->GetObject(2));
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->PictureData.size(), 18);
    EXPECT_EQ(pic->BlobType, 2);
    EXPECT_FLOAT_EQ(p->GetObject(3)->FrameWidth, 2.5f);
    EXPECT_EQ(dynamic_cast<TfrSubReportView*>(p->GetObject(4))->SubPage, 1);
    EXPECT_FLOAT_EQ(report->Pages[1]->GetObject(0)->FrameWidth, 12.0f);
    EXPECT_TRUE(report->Dictionary.Variables.GetVariable(u"Разом"_s) == Variant(u"[Summa] * 2"_s));
    EXPECT_EQ(report->Dictionary.Variables.GetName(0), u" Загальні"_s);
    EXPECT_EQ(report->Dictionary.BandDataSources.Count(), 1);
}

TEST_F(TemplateTest, FrameWidths) {
    struct Case {
        double width;
        int32_t stored;
        double back;
    } cases[] = {
        {0.5, 500, 0.5}, {2, 2, 2},           {12, 12000, 12},    {10, 10, 10},
        {0, 0, 0},       {0.005, 0, 0},       {0.011, 11, 0.011}, {1.2345, 1235, 1.235},
        {-3, 0, 0},      {10.5, 10500, 10.5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(frFrameWidthToStream(c.width), c.stored) << c.width;
        EXPECT_NEAR(frFrameWidthFromStream(frFrameWidthToStream(c.width)), c.back, 1e-9) << c.width;
    }
}

TEST_F(TemplateTest, Version24ByHand) {
    Bytes t;
    t.u8(24).u16(0xFFFF).u16(0).str("");
    t.u8(0xFF)
        .i32(-1)
        .i32(9)
        .i32(2100)
        .i32(2970)
        .i32(10)
        .i32(20)
        .i32(30)
        .i32(40)
        .u8(1)
        .i32(7)
        .u16(0)
        .u16(0xFFFF)
        .i32(2)
        .i32(15)
        .u8(0)
        .str("Main")
        .u8(1)
        .str("Form")
        .i32(clBtnFace)
        .i32(1)
        .i32(2)
        .i32(3)
        .i32(4)
        .u8(9)
        .memo({"a := 1"});
    // a band of revision 2.0: its Master is not in the stream
    const int bandStart = int(t.b.size());
    t.u8(gtBand).u8(0).i32(0);
    t.str("Band1")
        .u8(2)
        .u8(0)
        .frame(0, 50, 600, 20, 48, btPageHeader)
        .i32(0)
        .str("")
        .memo({})
        .memo({})
        .u16(0xFFFF)
        .u16(0)
        .str("")
        .i32(2)
        .i32(1)
        .u8(0);
    t.str("").i32(1).i32(200).i32(20).i32(1);
    int next = int(t.b.size());
    memcpy(t.b.data() + bandStart + 2, &next, 4);
    t.u8(0xFE).u16(0xFFFE).i32(0).i32(0).i32(0);

    ASSERT_TRUE(load(t.b));
    TfrPage* p = report->Pages[0];
    EXPECT_EQ(p->Name, u"Main"_s);
    EXPECT_EQ(p->BorderStyle, 2); // 1 is read as sizeable
    EXPECT_EQ(p->Position, 4);    // any non-zero position is screen centre
    EXPECT_EQ(p->pgMargins[3], 40);
    EXPECT_EQ(p->pgOr, poLandscape);
    EXPECT_EQ(p->ColCount, 2);
    EXPECT_FALSE(p->PrintToPrevPage);
    EXPECT_EQ(p->Script.ToStringList(), QStringList{u"a := 1"_s});
    auto* band = dynamic_cast<TfrBandView*>(p->GetObject(0));
    ASSERT_TRUE(band);
    EXPECT_EQ(band->Name, u"Band1"_s);
    EXPECT_EQ(band->GetBandType(), btPageHeader);
    EXPECT_TRUE(band->Master.isEmpty());
}

TEST_F(TemplateTest, Version23ByHand) {
    Bytes t;
    t.u8(23).u16(0).u16(0).str("HP");
    t.u8(0xFF)
        .i32(-1)
        .i32(9)
        .i32(2100)
        .i32(2970)
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(0)
        .u8(0)
        .u16(0)
        .u16(0xFFFF)
        .i32(0)
        .i32(0);
    t.u8(gtMemo).u8(0);
    t.str("Title")
        .frame(10, 20, 300, 18, 3, 0)
        .i32(0)
        .str("")
        .memo({cp("Звіт")})
        .memo({"x := 2"})
        .u16(1);
    t.str("Arial")
        .i32(14)
        .u16(2)
        .i32(0)
        .i32(frtaCenter)
        .u16(204)
        .u16(2)
        .i32(0)
        .i32(0xFFFFFF)
        .str("");
    t.u8(0xFE).u16(0xFFFE).i32(1).str("Boss").str(cp("'Петренко'")).i32(0).i32(0);

    ASSERT_TRUE(load(t.b));
    EXPECT_EQ(report->PrinterName, u"HP"_s);
    TfrPage* p = report->Pages[0];
    EXPECT_EQ(p->Name, u"Page1"_s); // no dialog fields before version 24
    EXPECT_EQ(p->Caption, u"Form"_s);
    EXPECT_EQ(p->pgBin, 65535);
    auto* memo = dynamic_cast<TfrMemoView*>(p->GetObject(0));
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Name, u"Title"_s);
    EXPECT_EQ(memo->Memo.ToStringList(), QStringList{u"Звіт"_s});
    EXPECT_EQ(memo->Script.ToStringList(), QStringList{u"x := 2"_s});
    EXPECT_EQ(memo->Font.Size, 14);
    EXPECT_EQ(memo->Font.Style, frfsBold);
    EXPECT_EQ(memo->Font.Charset, 204);
    EXPECT_EQ(memo->RevMajor, 0);
    EXPECT_EQ(memo->BandAlign, baNone);
    EXPECT_EQ(memo->GapX, 2);
    EXPECT_EQ(report->Dictionary.Variables.GetName(0), u" Boss"_s); // spaces toggled
}

TEST_F(TemplateTest, Version21ByHand) {
    Bytes t; // no version byte: the first byte is the low byte of the printer word
    t.u16(1).u16(0).strOld("");
    t.u8(0xFF).i32(9).i32(2100).i32(2970).i32(0).i32(0).i32(0).i32(0).u8(0);
    for (int i = 0; i < 6; ++i)
        t.u8(0);
    t.u16(0).u16(0xFFFF).i32(0).i32(0);
    for (int n = 0; n < 2; ++n) {
        t.u8(gtMemo).u8(0);
        t.frame(10, 20 * n, 300, 18, 1, 0).i32(0).strOld("").memoOld({cp("рядок"), ""});
        t.strOld("Arial").i32(10).u16(1).i32(0).i32(0).u16(0).u16(2).i32(0).i32(0xFFFFFF).strOld(
            "");
    }

    ASSERT_TRUE(load(t.b));
    EXPECT_EQ(report->UseDefaultPrinter, 1);
    TfrPage* p = report->Pages[0];
    EXPECT_TRUE(p->Script.Count() == 0);
    ASSERT_EQ(p->Objects.Count(), 2);
    auto* m1 = dynamic_cast<TfrMemoView*>(p->GetObject(0));
    auto* m2 = dynamic_cast<TfrMemoView*>(p->GetObject(1));
    ASSERT_TRUE(m1 && m2);
    EXPECT_EQ(m1->Name, u"Memo1"_s); // generated names
    EXPECT_EQ(m2->Name, u"Memo2"_s);
    EXPECT_EQ(m1->Memo.ToStringList(), (QStringList{u"рядок"_s, u""_s}));
    EXPECT_TRUE(m1->Flags & flWordWrap); // version 21 wraps every memo
    EXPECT_EQ(m1->Font.Style, frfsItalic);
    EXPECT_EQ(m2->Top, 20);
}

TEST_F(TemplateTest, DamagedTemplatesResetTheReport) {
    buildInCode();
    const QByteArray good = save();
    const QString damaged = u"Помилка: Невірний FRF формат"_s;
    auto expectReset = [&](const QByteArray& data, const char* what) {
        messages.clear();
        report->Pages.Add(); // something to lose
        EXPECT_FALSE(load(data)) << what;
        EXPECT_EQ(messages, QStringList{damaged}) << what;
        ASSERT_EQ(report->Pages.Count(), 1) << what;
        EXPECT_EQ(report->Pages[0]->Objects.Count(), 0) << what;
        EXPECT_EQ(report->Dictionary.Variables.Count(), 0) << what;
    };
    // cut anywhere, record boundaries included
    for (int n = 1; n < good.size(); ++n)
        expectReset(good.left(n), "truncated");

    // a next-record offset that points backwards or past the end
    const int firstView = good.indexOf("Band1") - 8; // the band record: tag, page, offset, name
    ASSERT_GT(firstView, 0);
    QByteArray back = good;
    int32_t bad = 3;
    memcpy(back.data() + firstView + 2, &bad, 4);
    expectReset(back, "backward offset");
    QByteArray past = good;
    bad = int32_t(good.size() + 100);
    memcpy(past.data() + firstView + 2, &bad, 4);
    expectReset(past, "offset past the end");

    QByteArray badTag = good;
    badTag[firstView] = char(0x33);
    expectReset(badTag, "bad tag");

    QByteArray badPage = good;
    badPage[firstView + 1] = char(5);
    expectReset(badPage, "page index beyond the page count");
}

TEST_F(TemplateTest, UnknownAddInClass) {
    // format 24: the unknown view is skipped by its offset, the others load, the names are listed
    Bytes t;
    t.u8(24).u16(0xFFFF).u16(0).str("");
    t.u8(0xFF)
        .i32(-1)
        .i32(9)
        .i32(2100)
        .i32(2970)
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(0)
        .u8(0)
        .i32(-1)
        .u16(0)
        .u16(0xFFFF)
        .i32(0)
        .i32(0)
        .u8(0)
        .str("P")
        .u8(0)
        .str("Form")
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(0)
        .u8(0)
        .memo({});
    const int start = int(t.b.size());
    t.u8(gtAddIn).str("TfrMissingView").u8(0).i32(0).b.append("whatever the body is");
    int next = int(t.b.size());
    memcpy(t.b.data() + start + 1 + 2 + 14 + 1 + 1, &next, 4);
    t.u8(gtLine).u8(0).i32(0);
    const int lineOffset = int(t.b.size()) - 4;
    t.str("Line1")
        .u8(2)
        .u8(0)
        .frame(0, 0, 1, 100, 1, 4)
        .i32(0)
        .str("")
        .memo({})
        .memo({})
        .u16(0xFFFF)
        .u16(0)
        .str("")
        .i32(2)
        .i32(1)
        .u8(0);
    next = int(t.b.size());
    memcpy(t.b.data() + lineOffset, &next, 4);
    t.u8(0xFE).u16(0xFFFE).i32(0).i32(0).i32(0);

    EXPECT_FALSE(load(t.b));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(u"TfrMissingView\r"_s)) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].startsWith(u"Помилка: Report contains the following non-plugged"_s));
    ASSERT_EQ(report->Pages[0]->Objects.Count(), 1);
    EXPECT_EQ(report->Pages[0]->GetObject(0)->Name, u"Line1"_s);

    // a registered add-in class loads
    messages.clear();
    frRegisterObject(u"TfrMissingView"_s, [] { return static_cast<TfrView*>(new TfrView()); });
    frRegisterObject(u"TfrMissingView"_s, [] { return static_cast<TfrView*>(new TfrView()); });
    EXPECT_EQ(frGlobals().frAddIns.size(), 1u);
    frGlobals().ErrorStr.clear();

    // format 23 has no record offsets: an unknown class cannot be skipped
    Bytes o;
    o.u8(23).u16(0xFFFF).u16(0).str("");
    o.u8(0xFF)
        .i32(9)
        .i32(2100)
        .i32(2970)
        .i32(0)
        .i32(0)
        .i32(0)
        .i32(0)
        .u8(0)
        .u16(0)
        .u16(0xFFFF)
        .i32(0)
        .i32(0);
    o.u8(gtAddIn).str("TfrOther").u8(0).b.append("body");
    EXPECT_FALSE(load(o.b));
    EXPECT_EQ(messages, QStringList{u"Помилка: Невірний FRF формат"_s});
    EXPECT_EQ(report->Pages.Count(), 1);
}

TEST_F(TemplateTest, VersionAndEmptyStreams) {
    report->Pages.Add();
    report->Pages.Add();
    EXPECT_TRUE(load(QByteArray()));
    EXPECT_EQ(report->Pages.Count(), 2); // an empty stream changes nothing
    EXPECT_FALSE(load(Bytes().u8(25).u16(0).u16(0).str("").b));
    EXPECT_EQ(messages, QStringList{u"Помилка: Невірний FRF формат"_s});
    EXPECT_EQ(report->Pages.Count(), 2); // a newer version is refused, pages stay

    EXPECT_FALSE(report->LoadFromFile(u"/nonexistent/none.frf"_s));
    EXPECT_EQ(report->Pages.Count(), 2);
}

TEST_F(TemplateTest, FactoryAndIds) {
    const int before = frGlobals().ObjectCounter;
    EXPECT_EQ(frCreateObject(7, QString()), nullptr);
    EXPECT_EQ(frGlobals().ObjectCounter, before);
    std::unique_ptr<TfrView> a(frCreateObject(gtMemo, QString()));
    std::unique_ptr<TfrView> b(frCreateObject(gtBand, QString()));
    EXPECT_EQ(b->ID, a->ID + 1);
    EXPECT_EQ(b->Flags, 48);
    auto* band = static_cast<TfrBandView*>(b.get());
    band->SetBandType(133);
    EXPECT_EQ(band->GetBandType(), 5);
    EXPECT_EQ(band->Columns, 1);
    EXPECT_EQ(band->ColumnWidth, 200);
    EXPECT_EQ(band->ColumnGap, 20);
    EXPECT_EQ(band->NewColumnAfter, 1);
    EXPECT_THROW(frCreateObject(gtAddIn, u"tfrmemoview"_s), EClassNotFound);
    // property access by name
    EXPECT_TRUE(a->GetPropValue(u"DataField"_s) == Variant(QString()));
    EXPECT_TRUE(a->GetPropValue(u"NoSuchThing"_s).IsNull());
    a->SetPropValue(u"Memo"_s, Variant(u"one\r\ntwo"_s));
    EXPECT_TRUE(a->GetPropValue(u"MEMO.COUNT"_s) == Variant(2));
    a->SetPropValue(u"font.style"_s, Variant(3));
    EXPECT_EQ(static_cast<TfrMemoView*>(a.get())->Font.Style, frfsBold | frfsItalic);
    EXPECT_TRUE(a->GetPropValue(u"Font.Style"_s) == Variant(3));
}

TEST_F(TemplateTest, PagePropertiesByName) {
    report->Pages.Add();
    TfrPage* p = report->Pages[0];
    EXPECT_TRUE(p->GetPropValue(u"Width"_s) == Variant(210)); // millimetres of a report page
    p->SetPropValue(u"HEIGHT"_s, Variant(148.5));
    EXPECT_EQ(p->pgHeight, 1485);
    p->SetPropValue(u"StretchToPrintable"_s, Variant(true));
    EXPECT_FALSE(p->UseMargins);
    p->SetPropValue(u"LeftMargin"_s, Variant(12));
    EXPECT_EQ(p->pgMargins[0], 12);
    p->SetPropValue(u"Type"_s, Variant(int(ptDialog)));
    p->SetPropValue(u"Width"_s, Variant(500)); // a dialog page's form size
    EXPECT_EQ(p->Width, 500);
    EXPECT_TRUE(p->GetPropValue(u"Nonsense"_s).IsNull());
    EXPECT_TRUE(p->PropRec(u"Orientation"_s) != nullptr);
}

TEST_F(TemplateTest, Files) {
    buildInCode();
    const QString dir = QDir::tempPath() + u"/kadrion-report-"_s + QString::number(getpid());
    QDir().mkpath(dir);
    const QString name = dir + u"/card.frf"_s;
    report->SaveToFile(name);
    TfrReport other(nullptr);
    EXPECT_TRUE(other.LoadFromFile(name));
    EXPECT_EQ(other.FileName, name);
    EXPECT_EQ(other.Pages.Count(), 2);
    QFile::setPermissions(name, QFileDevice::Permissions());
    if (!QFile(name).open(QIODevice::ReadOnly)) { // root may read it anyway
        EXPECT_FALSE(other.LoadFromFile(name));
    }
    QDir(dir).removeRecursively();
}

TEST_F(TemplateTest, ATextTooLongForTheTemplateIsRefusedNamingItsObjectAndTheFileStays) {
    buildInCode();
    QTemporaryDir dir;
    const QString name = dir.filePath(u"card.frf"_s);
    report->SaveToFile(name);
    const QByteArray before = [&] {
        QFile f(name);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    TfrView* memo = report->FindObject(u"Memo1"_s);
    ASSERT_NE(memo, nullptr);
    struct Row {
        const char* What;
        std::function<void()> Grow, Undo;
        QString Object;
    } rows[] = {
        {"a memo line", [&] { memo->Memo.Add(QString(70000, u'ж')); },
         [&] { memo->Memo.Delete(memo->Memo.Count() - 1); }, u"Memo1"_s},
        {"a view's format", [&] { memo->FormatStr = QString(65536, u'0'); },
         [&] { memo->FormatStr.clear(); }, u"Memo1"_s},
        {"a page script", [&] { report->Pages[0]->Script.Add(QString(65536, u'x')); },
         [&] { report->Pages[0]->Script.Delete(report->Pages[0]->Script.Count() - 1); },
         u"Page1"_s},
        {"a variable",
         [&] {
             report->Dictionary.Variables.SetVariable(u"Довгий"_s, Variant(QString(70000, u'1')));
         },
         [&] {
             report->Dictionary.Variables.Delete(report->Dictionary.Variables.IndexOf(u"Довгий"_s));
         },
         u"Довгий"_s},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        r.Grow();
        try {
            report->SaveToFile(name);
            ADD_FAILURE() << "saved, cut";
        } catch (const EfrTextTooLong& e) {
            EXPECT_TRUE(e.Message.contains(u"«"_s + r.Object + u"»"_s)) << e.Message.toStdString();
            EXPECT_TRUE(e.Message.contains(u"65535"_s)) << e.Message.toStdString();
        }
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before) << "the file as it was";
        r.Undo();
    }
    // 65535 bytes exactly is what the format holds
    memo->Memo.Add(QString(65535, u'ж'));
    report->SaveToFile(name);
    TfrReport other(nullptr);
    ASSERT_TRUE(other.LoadFromFile(name));
    EXPECT_EQ(static_cast<TfrMemoView*>(other.FindObject(u"Memo1"_s))
                  ->Memo.Get(memo->Memo.Count() - 1)
                  .size(),
              65535);
}
