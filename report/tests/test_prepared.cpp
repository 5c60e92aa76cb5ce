// Prepared pages: printed views kept as streams, drawn, clicked, saved and loaded.
#include "ViewFixture.h"

#include "CodePages.h"
#include "PdfTools.h"

#include <QPainter>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

// A compressor that really changes the bytes: each one inverted.
class InvertingCompressor : public TfrCompressor {
public:
    InvertingCompressor() { Enabled = true; }
    void Compress(TStream* In, TStream* Out) override { Out->WriteBytes(invert(In->ReadAll())); }
    void DeCompress(TStream* In, TStream* Out) override { Out->WriteBytes(invert(In->ReadAll())); }
    static QByteArray invert(QByteArray b) {
        for (char& c : b)
            c = char(~c);
        return b;
    }
};

class PreparedTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        frGlobalPrinter()->SelectPrinter(frGlobalPrinter()->VirtualIndex);
        page->ChangePaper(DMPAPER_A4, 0, 0, poPortrait, -1);
    }

    // Two prepared pages: an A4 page with text, a picture and a line, and an A5 landscape page
    // that fills the sheet, with margins and a framed, filled text.
    void prepare() {
        report->Pages.Add();
        TfrPage* second = report->Pages[1];
        second->ChangePaper(DMPAPER_A5, 0, 0, poLandscape, -1);
        second->UseMargins = false;
        for (int i = 0; i < 4; ++i)
            second->pgMargins[i] = 10 + i;

        newPreparedPage();
        TfrMemoView* title = memo(40, 40, 300, 40, {u"Відділ кадрів"_s, u"Наказ № 12"_s});
        title->Font.Size = 14;
        title->Font.Style = frfsBold;
        title->Alignment = frtaCenter;
        title->Print(pageStream(0));
        auto* pic = add<TfrPictureView>(gtPicture, 40, 100, 80, 40);
        TBitmap b(4, 2);
        b.GetCanvas()->FillSolid(TRect{0, 0, 4, 2}, clNavy);
        TMemoryStream bmp;
        b.SaveToStream(&bmp);
        pic->SetPicture(pkBitmap, bmp.GetBytes());
        pic->Print(pageStream(0));
        auto* line = add<TfrLineView>(gtLine, 40, 160, 300, 1);
        line->Print(pageStream(0));

        report->EMFPages.Add(second);
        TfrMemoView* cell = memo(20, 20, 0, 60, {u"Коваль Ганна Іванівна"_s});
        cell->Width = textWidth(cell, u"Коваль Ганна"_s) + 2 * cell->GapX;
        cell->FrameTyp = 15;
        cell->FillColor = clAqua;
        cell->Print(pageStream(1));
    }

    QByteArray saved() {
        TMemoryStream s;
        report->EMFPages.SaveToStream(&s);
        return s.GetBytes();
    }
    // Loads into the report's pages; the error text, empty when it loaded.
    QString load(const QByteArray& Data) {
        TMemoryStream s;
        s.SetBytes(Data);
        try {
            report->EMFPages.LoadFromStream(&s);
        } catch (const EfrPreparedError& e) {
            return e.Message;
        }
        return QString();
    }

    // Page Index drawn at its size in page units on a white bitmap.
    QImage drawn(TfrEMFPages& Pages, int Index) {
        TfrPageInfo* p = Pages[Index];
        auto b = canvasBitmap(p->PrnInfo.PageWidth, p->PrnInfo.PageHeight);
        p->Visible = true;
        Pages.Draw(Index, b->GetCanvas(), TRect{0, 0, b->GetWidth(), b->GetHeight()});
        return b->GetImage();
    }
};

TEST_F(PreparedTest, PagesKeepTheirPaperAndObjects) {
    prepare();
    ASSERT_EQ(report->EMFPages.Count(), 2);
    TfrPageInfo* a4 = report->EMFPages[0];
    EXPECT_EQ(a4->pgSize, DMPAPER_A4);
    EXPECT_EQ(std::pair(a4->pgWidth, a4->pgHeight), std::pair(2100, 2970));
    EXPECT_EQ(a4->PrnInfo.PageWidth, 758);
    TfrPageInfo* a5 = report->EMFPages[1];
    EXPECT_EQ(a5->pgOr, 1);
    EXPECT_EQ(std::pair(a5->pgWidth, a5->pgHeight), std::pair(2100, 1480));
    EXPECT_FALSE(a5->UseMargins);
    EXPECT_EQ(a5->pgMargins[3], 13);

    const auto views = printed(0);
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views[0]->Typ, gtMemo);
    EXPECT_EQ(views[1]->Typ, gtPicture);
    EXPECT_EQ(views[2]->Typ, gtLine);
    EXPECT_EQ(static_cast<TfrMemoView*>(views[0])->Font.Size, 14);
    EXPECT_EQ(static_cast<TfrPictureView*>(views[1])->PictureKind, pkBitmap);
}

TEST_F(PreparedTest, SavedAndLoadedPagesAreTheSameAndDrawTheSame) {
    prepare();
    const QImage before0 = drawn(report->EMFPages, 0), before1 = drawn(report->EMFPages, 1);
    ASSERT_NE(before0, canvasBitmap(758, 1071)->GetImage()) << "the page shows something";
    const QByteArray file = saved();

    TfrReport other(nullptr);
    TMemoryStream s;
    s.SetBytes(file);
    other.EMFPages.LoadFromStream(&s);
    ASSERT_EQ(other.EMFPages.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        TfrPageInfo* a = report->EMFPages[i];
        TfrPageInfo* b = other.EMFPages[i];
        EXPECT_EQ(b->pgSize, a->pgSize);
        EXPECT_EQ(std::tuple(b->pgWidth, b->pgHeight, b->pgOr, b->pgBin),
                  std::tuple(a->pgWidth, a->pgHeight, a->pgOr, a->pgBin));
        EXPECT_EQ(b->UseMargins, a->UseMargins);
        EXPECT_TRUE(std::equal(a->pgMargins, a->pgMargins + 4, b->pgMargins));
        EXPECT_EQ(b->PrnInfo, a->PrnInfo);
        EXPECT_EQ(b->Stream->GetBytes(), a->Stream->GetBytes());
    }
    EXPECT_EQ(drawn(other.EMFPages, 0), before0);
    EXPECT_EQ(drawn(other.EMFPages, 1), before1);

    TMemoryStream again;
    other.EMFPages.SaveToStream(&again);
    EXPECT_EQ(again.GetBytes(), file);
}

TEST_F(PreparedTest, FileLayout) {
    prepare();
    const QByteArray f = saved();
    const QByteArray name = ToCodePage(u"Віртуальний принтер"_s, 1251);
    QByteArray head;
    head.append(char(24)).append(char(0)).append(char(name.size())).append(char(0));
    head.append(name).append(char(0));
    head.append(QByteArray("\x02\x00\x00\x00", 4));
    ASSERT_TRUE(f.startsWith(head));
    TMemoryStream s;
    s.SetBytes(f);
    s.SetPosition(head.size());
    const int next = frReadInteger(&s);
    EXPECT_EQ(frReadWord(&s), DMPAPER_A4);
    EXPECT_EQ(frReadInteger(&s), 2100);
    EXPECT_EQ(frReadInteger(&s), 2970);
    EXPECT_EQ(frReadByte(&s), 0);
    EXPECT_EQ(frReadInteger(&s), frDefaultBin);
    EXPECT_EQ(frReadByte(&s), 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(frReadInteger(&s), 0);
    EXPECT_EQ(frReadByte(&s), 24) << "the page stream starts with its version";
    EXPECT_EQ(frReadByte(&s), gtMemo);
    EXPECT_EQ(next, head.size() + 36 + int(report->EMFPages[0]->Stream->GetSize()));
    s.SetPosition(next);
    EXPECT_EQ(frReadInteger(&s), f.size()) << "the last page's offset is the end of the file";
}

TEST_F(PreparedTest, DamagedFilesAreRefusedAndChangeNothing) {
    prepare();
    const QByteArray good = saved();
    const int header = 4 + int(ToCodePage(u"Віртуальний принтер"_s, 1251).size()) + 1;
    const int firstRecord = header + 4; // after the page count
    const int firstStream = firstRecord + 36;
    auto patched = [&](int at, QByteArray bytes) {
        QByteArray b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    auto i32 = [](int v) {
        QByteArray b;
        for (int i = 0; i < 4; ++i)
            b.append(char((unsigned(v) >> (8 * i)) & 0xFF));
        return b;
    };
    const QString damaged = frLoadStr(SPreparedDamaged);
    const struct {
        const char* name;
        QByteArray data;
        QString message;
    } cases[] = {
        {"empty", QByteArray(), damaged},
        {"cut in the header", good.left(header - 2), damaged},
        {"cut after the page count", good.left(firstRecord), damaged},
        {"cut in a page record", good.left(firstRecord + 20), damaged},
        {"cut in a page's objects", good.left(firstStream + 30), damaged},
        {"cut in the last page", good.left(good.size() - 3), damaged},
        {"compressed, with nothing to decompress", patched(1, "\x01"),
         frLoadStr(SPreparedCompressed)},
        {"an early layout", patched(1, "\x07"), frLoadStr(SPreparedEarly)},
        {"more pages than the file holds", patched(header, i32(1000)), damaged},
        {"a negative page count", patched(header, i32(-1)), damaged},
        {"a page offset beyond the end", patched(firstRecord, i32(good.size() + 1)), damaged},
        {"a page offset before its data", patched(firstRecord, i32(firstRecord + 8)), damaged},
        {"an object type that does not exist", patched(firstStream + 1, "\x07"), damaged},
        {"a page stream of an unknown version", patched(firstStream, "\x63"), damaged},
        {"an object of an unknown class", patched(firstStream + 1, "\x0A"), damaged},
    };
    const QByteArray before = report->EMFPages[0]->Stream->GetBytes();
    TfrPrinter* printer = frGlobalPrinter();
    printer->ChangeSettings(DMPAPER_LETTER, 0, 0, true, poPortrait, -1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(load(c.data), c.message);
        ASSERT_EQ(report->EMFPages.Count(), 2) << "the pages stay";
        EXPECT_EQ(report->EMFPages[0]->Stream->GetBytes(), before);
        EXPECT_TRUE(printer->IsVirtual());
        EXPECT_EQ(printer->PaperSize, DMPAPER_LETTER) << "the printer's paper stays";
    }
}

TEST_F(PreparedTest, TheReportSaysWhyAFileCannotBeOpened) {
    prepare();
    QTemporaryDir dir;
    const QString good = dir.filePath(u"good.frp"_s);
    report->SavePreparedReport(good);
    QFile bad(dir.filePath(u"bad.frp"_s));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\x18\x00garbage");
    bad.close();

    TfrReport other(nullptr);
    other.CanRebuild = true;
    EXPECT_FALSE(other.LoadPreparedReport(bad.fileName()));
    EXPECT_EQ(messages, QStringList{u"Помилка: "_s + frLoadStr(SPreparedDamaged)});
    EXPECT_TRUE(other.CanRebuild);
    EXPECT_FALSE(other.LoadPreparedReport(dir.filePath(u"missing.frp"_s)));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_TRUE(other.LoadPreparedReport(good));
    EXPECT_EQ(other.EMFPages.Count(), 2);
    EXPECT_FALSE(other.CanRebuild) << "prepared pages from a file cannot be built again";
}

TEST_F(PreparedTest, CompressedPagesWithACompressorThatDecompresses) {
    frGlobals().frCompressor = std::make_unique<InvertingCompressor>();
    prepare();
    const QByteArray file = saved();
    EXPECT_EQ(file[1], 1);
    const QByteArray plain = report->EMFPages[0]->Stream->GetBytes();
    EXPECT_FALSE(file.contains(plain)) << "the pages went through the compressor";
    EXPECT_EQ(load(file), QString());
    EXPECT_EQ(report->EMFPages[0]->Stream->GetBytes(), plain);
}

TEST_F(PreparedTest, AFileOfTheLayoutBeforeBinsAndMargins) {
    // No version byte: the compression byte first, no bin and no margins per page.
    TMemoryStream page;
    frWriteByte(&page, 24);
    TfrMemoView* m = memo(10, 10, 100, 20, {u"Старий файл"_s});
    m->Memo1.AddStrings(&m->Memo);
    m->WritePrepared(&page);
    TMemoryStream f;
    frWriteByte(&f, 0);
    frWriteString(&f, u"Epson"_s);
    frWriteInteger(&f, 1);
    const int64_t at = f.GetPosition();
    frWriteInteger(&f, 0);
    frWriteWord(&f, DMPAPER_A5);
    frWriteInteger(&f, 1480);
    frWriteInteger(&f, 2100);
    frWriteByte(&f, 0);
    frWriteByte(&f, 1);
    f.WriteBytes(page.GetBytes());
    const int64_t end = f.GetPosition();
    f.SetPosition(at);
    frWriteInteger(&f, int32_t(end));
    ASSERT_EQ(load(f.GetBytes()), QString());
    ASSERT_EQ(report->EMFPages.Count(), 1);
    TfrPageInfo* p = report->EMFPages[0];
    EXPECT_EQ(p->pgSize, DMPAPER_A5);
    EXPECT_EQ(p->pgBin, -1);
    EXPECT_TRUE(p->UseMargins);
    EXPECT_EQ(p->PrnInfo.PageWidth, 534);
    const auto views = printed(0);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(text(views[0]), u"Старий файл\r\n"_s);
}

TEST_F(PreparedTest, AddingInsertingAndDeletingPages) {
    QList<int> ended;
    report->OnEndPage = [&](int n) { ended << n; };
    TfrReport root(nullptr);
    QList<int> rootEnded;
    root.OnEndPage = [&](int n) { rootEnded << n; };
    frGlobals().RootReport = &root;
    frGlobals().PageNo = 4;
    report->EMFPages.Add(page);
    EXPECT_EQ(ended, QList<int>{4});
    EXPECT_EQ(rootEnded, QList<int>{4}) << "the outer report of a composite hears it too";
    frGlobals().RootReport = nullptr;

    report->EMFPages[0]->pgSize = 1;
    report->EMFPages.Insert(7, page);
    EXPECT_EQ(report->EMFPages.Count(), 2) << "beyond the end: appended";
    EXPECT_EQ(report->EMFPages[0]->pgSize, 1);
    report->EMFPages.Insert(0, page);
    EXPECT_EQ(report->EMFPages[1]->pgSize, 1);
    EXPECT_EQ(ended.size(), 1) << "inserting tells nobody";
    report->EMFPages.Delete(1);
    EXPECT_EQ(report->EMFPages.Count(), 2);
    EXPECT_EQ(report->EMFPages[0]->pgSize, DMPAPER_A4);
    report->EMFPages.Clear();
    EXPECT_EQ(report->EMFPages.Count(), 0);
}

TEST_F(PreparedTest, APageOutOfViewLetsItsObjectsGo) {
    prepare();
    drawn(report->EMFPages, 0);
    TfrPageInfo* p = report->EMFPages[0];
    EXPECT_NE(p->Page, nullptr);
    p->Visible = false;
    auto b = canvasBitmap(10, 10);
    report->EMFPages.Draw(0, b->GetCanvas(), TRect{});
    EXPECT_EQ(p->Page, nullptr);
}

TEST_F(PreparedTest, ARecordingKeepsTheTextsAndDrawsLikeTheScreen) {
    prepare();
    const QImage direct = drawn(report->EMFPages, 1);
    TfrPageInfo* p = report->EMFPages[1];
    TRecordingCanvas rec(p->PrnInfo.PageWidth, p->PrnInfo.PageHeight);
    report->EMFPages.Draw(1, &rec, TRect{0, 0, p->PrnInfo.PageWidth, p->PrnInfo.PageHeight});
    const auto& texts = rec.Texts().Items;
    ASSERT_EQ(texts.size(), 2u) << "the name wraps into two lines";
    EXPECT_EQ(texts[0].Text + u" "_s + texts[1].Text, u"Коваль Ганна Іванівна"_s);
    EXPECT_EQ(texts[0].Origin.Y, 21);
    EXPECT_EQ(texts[1].Origin.Y, 36);
    EXPECT_EQ(rec.Texts().Find(u"ІВАНІВНА"_s), std::vector<int>{1});

    auto replay = canvasBitmap(direct.width(), direct.height());
    replay->GetCanvas()->FreeHandle();
    QImage img = replay->GetImage();
    {
        QPainter painter(&img);
        painter.drawPicture(0, 0, rec.GetPicture());
    }
    EXPECT_EQ(img, direct);
}

TEST_F(PreparedTest, ClicksFindTheTopObjectUnderThePoint) {
    newPreparedPage();
    memo(10, 10, 100, 50, {u"нижній"_s})->Print(pageStream());
    memo(50, 30, 100, 50, {u"верхній"_s})->Print(pageStream());
    TfrView* clicked = nullptr;
    TCursor cursor = crDefault;
    EXPECT_FALSE(report->EMFPages.DoClick(0, TPoint{60, 40}, true, cursor)) << "nobody listens";
    report->OnObjectClick = [&](TfrView* v) { clicked = v; };
    report->OnMouseOverObject = [&](TfrView* v, TCursor& c) {
        clicked = v;
        c = crIBeam;
    };
    ASSERT_TRUE(report->EMFPages.DoClick(0, TPoint{60, 40}, true, cursor));
    EXPECT_EQ(text(clicked), u"верхній\r\n"_s);
    ASSERT_TRUE(report->EMFPages.DoClick(0, TPoint{20, 20}, false, cursor));
    EXPECT_EQ(text(clicked), u"нижній\r\n"_s);
    EXPECT_EQ(cursor, crIBeam);
    EXPECT_FALSE(report->EMFPages.DoClick(0, TPoint{300, 300}, true, cursor));

    // A page stretched into the printable area: its points are scaled into it.
    TfrPageInfo* p = report->EMFPages[0];
    p->UseMargins = false;
    p->Page.reset();
    clicked = nullptr;
    const double k = double(p->PrnInfo.PrintableWidth) / p->PrnInfo.PageWidth;
    ASSERT_TRUE(report->EMFPages.DoClick(
        0, TPoint{18 + int(12 * k), 18 + int(12 * p->PrnInfo.PrintableHeight / 1071.0)}, true,
        cursor));
    EXPECT_EQ(text(clicked), u"нижній\r\n"_s);
}

TEST_F(PreparedTest, AnEditedPageIsWrittenBack) {
    prepare();
    report->EMFPages.ObjectsToPage(1);
    TfrView* v = report->EMFPages[1]->Page->GetObject(0);
    v->Memo.SetText(u"Виправлено"_s);
    v->Left = 33;
    report->EMFPages.PageToObjects(1);
    const auto views = printed(1);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(text(views[0]), u"Виправлено\r\n"_s);
    EXPECT_EQ(views[0]->Left, 33);
}

TEST_F(PreparedTest, PagesPrintOnThePdfPrinterEachOnItsPaper) {
    prepare();
    QTemporaryDir dir;
    const QString file = dir.filePath(u"order.pdf"_s);
    TfrPrinter* printer = frGlobalPrinter();
    printer->SelectPrinter(0);
    ASSERT_EQ(printer->Printers[0], u"PDF"_s);
    TPrinter* platform = Printer();
    platform->SetFileName(file);
    // As printing does it: each page on its paper, drawn on the whole sheet, or stretched into
    // the printable area inside its margins.
    for (int i = 0; i < report->EMFPages.Count(); ++i) {
        TfrPageInfo* p = report->EMFPages[i];
        printer->ChangeSettings(p->pgSize, p->pgWidth, p->pgHeight, false,
                                p->pgOr ? poLandscape : poPortrait, p->pgBin);
        if (i == 0)
            platform->BeginDoc();
        else
            platform->NewPage();
        TfrPageMetrics m;
        printer->GetPageMetrics(m);
        const double kx = double(m.DevPageWidth) / m.PageWidth;
        const double ky = double(m.DevPageHeight) / m.PageHeight;
        TRect r{-m.DevOffsetX, -m.DevOffsetY, m.DevPageWidth - m.DevOffsetX,
                m.DevPageHeight - m.DevOffsetY};
        if (!p->UseMargins) {
            r.Left = qRound((m.OffsetX + p->pgMargins[0]) * kx) - m.DevOffsetX;
            r.Top = qRound((m.OffsetY + p->pgMargins[1]) * ky) - m.DevOffsetY;
            r.Right = r.Left + qRound((m.PrintableWidth - p->pgMargins[0] - p->pgMargins[2]) * kx);
            r.Bottom = r.Top + qRound((m.PrintableHeight - p->pgMargins[1] - p->pgMargins[3]) * ky);
        }
        p->Visible = true;
        report->EMFPages.Draw(i, platform->GetCanvas(), r);
    }
    platform->EndDoc();
    platform->SetFileName(QString());

    const auto sizes = pdftools::pageSizes(file, 2);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_NEAR(sizes[0].width(), 595.3, 0.5);
    EXPECT_NEAR(sizes[0].height(), 841.9, 0.5);
    EXPECT_NEAR(sizes[1].width(), 595.3, 0.5);
    EXPECT_NEAR(sizes[1].height(), 419.5, 0.5);
    const QString text = pdftools::text(file).simplified();
    EXPECT_TRUE(text.contains(u"Відділ кадрів Наказ № 12"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Коваль Ганна Іванівна"_s)) << text.toStdString();
    // The line from 40 to 340 page units, 160 down: 11.1 to 94.2 mm, 44.4 mm down.
    const QRect line = pdftools::darkBox(file, 1, 80, 420, 900, 50, dir.filePath(u"line"_s));
    EXPECT_NEAR(line.left(), 111, 2);
    EXPECT_NEAR(line.right(), 942, 2);
    EXPECT_NEAR(line.top(), 444, 2);
}

} // namespace
