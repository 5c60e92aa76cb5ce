// Helpers of the drawing, memo and prepared-page tests: a report with one page, views placed on
// it, text widths as the engine measures them, and reading back what views printed.
#pragma once

#include "ReportTestSupport.h"

#include <QImage>
#include <memory>

class ViewTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        frGlobals().ShowMessage = [this](const QString& Text, const QString& Caption) {
            messages << Caption + QStringLiteral(": ") + Text;
        };
        report = std::make_unique<TfrReport>(nullptr);
        report->MakeCurrent();
        report->Pages.Add();
        page = report->Pages[0];
    }
    void TearDown() override {
        report.reset();
        EngineTest::TearDown();
    }

    // A new view of a type on the page.
    template <typename T> T* add(uint8_t Typ, int Left, int Top, int Width, int Height) {
        auto* v = static_cast<T*>(frCreateObject(Typ, QString()));
        v->ParentPage = page;
        page->Objects.Add(v);
        v->SetBounds(Left, Top, Width, Height);
        return v;
    }
    TfrMemoView* memo(int Left, int Top, int Width, int Height, const QStringList& Lines) {
        auto* m = add<TfrMemoView>(gtMemo, Left, Top, Width, Height);
        m->Memo.AddStrings(Lines);
        m->Font.Name = QStringLiteral("Arial");
        m->Font.Size = 10;
        return m;
    }

    // The width of a text in a memo's font, as wrapping measures it (96 pixels per inch).
    static int textWidth(const TfrMemoView* Memo, const QString& Text) {
        TCanvas* c = frMeasureCanvas();
        TFont* f = c->GetFont();
        f->SetName(Memo->Font.Name);
        f->SetStyle(TFontStyles::FromMask(uint64_t(Memo->Font.Style)));
        f->SetHeight(-qRound(Memo->Font.Size * 96.0 / 72));
        f->SetOrientation(0);
        c->SetTextCharacterExtra(0);
        return c->TextWidth(Text);
    }

    // The lines of the last wrapping, paragraph marks shown as "¶".
    static QStringList wrapped() {
        QStringList r;
        TStringList& l = frGlobals().WrappedLines;
        for (int i = 0; i < l.Count(); ++i)
            r << QString(l[i]).replace(QChar(1), QChar(0xB6));
        return r;
    }

    // The views printed into prepared page Index, rebuilt from its stream.
    std::vector<TfrView*> printed(int Index = 0) {
        report->EMFPages.ObjectsToPage(Index);
        std::vector<TfrView*> r;
        TfrPage* p = report->EMFPages[Index]->Page.get();
        for (int i = 0; i < p->Objects.Count(); ++i)
            r.push_back(p->GetObject(i));
        return r;
    }
    static QString text(const TfrView* V) {
        return QString(V->Memo.GetText()).replace(QChar(1), QChar(0xB6));
    }
    TStream* pageStream(int Index = 0) { return report->EMFPages[Index]->Stream.get(); }
    void newPreparedPage() { report->EMFPages.Add(page); }

    // A white bitmap to draw on, and the bounding box of the pixels that are not white.
    static std::unique_ptr<TBitmap> canvasBitmap(int Width, int Height) {
        auto b = std::make_unique<TBitmap>(Width, Height);
        b->GetCanvas()->FillSolid(TRect{0, 0, Width, Height}, clWhite);
        return b;
    }
    static QRect inkBox(TBitmap* B, const QRect& Within = QRect()) {
        const QImage& img = B->GetImage();
        const QRect area = Within.isNull() ? img.rect() : Within.intersected(img.rect());
        QRect box;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) box |= QRect(x, y, 1, 1);
        return box;
    }
    static TColor pixel(TBitmap* B, int X, int Y) {
        return QColorToColor(QColor(B->GetImage().pixel(X, Y)));
    }

    std::unique_ptr<TfrReport> report;
    TfrPage* page = nullptr;
    QStringList messages;
};
