// Feeds arbitrary bytes to the prepared-report reader. A file it accepts has its pages drawn on
// a bitmap and on a recording canvas, clicked, saved and read again, which must succeed; a file
// it refuses says so with EfrPreparedError. Nothing may crash, hang or leak, whatever the input.
//
// With KADRION_FRP_SEEDS naming a folder, the first run writes seed inputs there (prepared
// reports with text, pictures, lines and pages of other papers) and exits.
#include "FR_Class.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

namespace {

TfrMemoView* addMemo(TfrPage* Page, int Left, int Top, int Width, int Height, const QString& Text) {
    auto* m = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
    m->ParentPage = Page;
    Page->Objects.Add(m);
    m->SetBounds(Left, Top, Width, Height);
    m->Memo.SetText(Text);
    return m;
}

// A report of two pages (A4 portrait, A5 landscape) whose views cover what pages hold.
QByteArray seedReport(int Variant) {
    TfrReport report(nullptr);
    report.MakeCurrent();
    report.Pages.Add();
    report.Pages.Add();
    TfrPage* a4 = report.Pages[0];
    TfrPage* a5 = report.Pages[1];
    a5->ChangePaper(DMPAPER_A5, 0, 0, poLandscape, -1);
    a5->UseMargins = Variant % 2 == 0;
    report.EMFPages.Add(a4);
    report.EMFPages.Add(a5);
    TStream* first = report.EMFPages[0]->Stream.get();
    TStream* second = report.EMFPages[1]->Stream.get();

    TfrMemoView* m = addMemo(a4, 20, 20, 200, 40, QStringLiteral("Наказ № 12 про відпустку"));
    m->FrameTyp = 15;
    m->Alignment = Variant == 0 ? frtaCenter : frtaVertical | frtaRight;
    m->Flags |= flWordBreak | flUnderlines;
    m->Print(first);
    TfrMemoView* n = addMemo(a4, 20, 80, 60, 20, QStringLiteral("Коваль\r\nГанна"));
    n->Flags |= flAutoSize;
    n->FillColor = clYellow;
    n->FrameStyle = 5;
    n->Print(first);
    auto* pic = static_cast<TfrPictureView*>(frCreateObject(gtPicture, QString()));
    pic->ParentPage = a4;
    a4->Objects.Add(pic);
    pic->SetBounds(100, 100, 30, 20);
    TBitmap b(3, 2);
    b.GetCanvas()->FillSolid(TRect{0, 0, 3, 2}, clNavy);
    TMemoryStream bmp;
    b.SaveToStream(&bmp);
    pic->SetPicture(pkBitmap, bmp.GetBytes());
    pic->Print(first);
    auto* line = frCreateObject(gtLine, QString());
    line->ParentPage = a4;
    a4->Objects.Add(line);
    line->SetBounds(20, 150, 200, 1);
    line->FrameStyle = psDash;
    line->Print(first);
    addMemo(a5, 10, 10, 100, 30, QStringLiteral("Друга сторінка"))->Print(second);

    TMemoryStream out;
    report.EMFPages.SaveToStream(&out);
    return out.GetBytes();
}

int initialize() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "report_prepared_fuzz";
    static char* argv[] = {arg0, nullptr};
    static QGuiApplication app(argc, argv);
    SetPrintQueueSource([] { return std::vector<TPrintQueue>(); });
    frStartEngine();
    // The engine's fonts and bitmaps go before the application object does.
    std::atexit(frStopEngine);
    if (const char* seeds = std::getenv("KADRION_FRP_SEEDS")) {
        const QString dir = QString::fromLocal8Bit(seeds);
        QDir().mkpath(dir);
        for (int v = 0; v < 2; ++v) {
            QFile f(dir + QStringLiteral("/seed%1.frp").arg(v));
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
            f.write(seedReport(v));
        }
        std::exit(0);
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int ready = initialize();
    (void)ready;
    TfrReport report(nullptr);
    TMemoryStream in;
    in.SetBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    try {
        report.EMFPages.LoadFromStream(&in);
    } catch (const EfrPreparedError&) {
        return 0;
    }
    TBitmap bitmap(120, 160);
    TCursor cursor = crDefault;
    report.OnObjectClick = [](TfrView*) {};
    for (int i = 0; i < report.EMFPages.Count(); ++i) {
        TfrPageInfo* p = report.EMFPages[i];
        p->Visible = true;
        report.EMFPages.Draw(i, bitmap.GetCanvas(), TRect{0, 0, 120, 160});
        TRecordingCanvas recording(120, 160);
        report.EMFPages.Draw(i, &recording, TRect{-10, -10, 300, 400});
        report.EMFPages.DoClick(i, TPoint{30, 40}, true, cursor);
        report.EMFPages.PageToObjects(i);
    }
    TMemoryStream out;
    report.EMFPages.SaveToStream(&out);
    out.SetPosition(0);
    try {
        report.EMFPages.LoadFromStream(&out);
    } catch (const EfrPreparedError&) {
        std::abort(); // what was written must read again
    }
    return 0;
}
