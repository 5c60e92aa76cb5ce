// A running engine with the database and dialog objects registered, a report on one page, and
// helpers that build templates in code and read back what the prepared pages print.
#pragma once

#include "ReportTestSupport.h"
#include "FR_DBUtils.h"

#include <QStringList>
#include <memory>

class ReportDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        frStartEngine();
        frRegisterDBObjects();
        frRegisterShapeObject();
        frGlobals().ShowMessage = [this](const QString& Text, const QString&) { messages << Text; };
        owner = std::make_unique<TComponent>(nullptr);
        report = new TfrReport(owner.get());
        report->SetName(u"Rep"_qs);
        report->ShowProgress = false;
        report->Pages.Add();
    }
    void TearDown() override {
        owner.reset();
        frVariables().Clear();
        frStopEngine();
    }

    // A view of a registered class on a page, named and placed.
    template <typename T> T* add(const QString& Name, int Page = 0) {
        auto* v = static_cast<T*>(frCreateObject(gtAddIn, T::StaticClassName()));
        TfrPage* p = report->Pages[Page];
        v->ParentPage = p;
        p->Objects.Add(v);
        v->SetPropValue(u"Name"_qs, Variant(Name));
        return v;
    }
    TfrBandView* band(int Type, int Top, int Height, const QString& Source, int Page = 0) {
        auto* b = static_cast<TfrBandView*>(frCreateObject(gtBand, QString()));
        TfrPage* p = report->Pages[Page];
        b->ParentPage = p;
        p->Objects.Add(b);
        b->SetBounds(0, Top, 500, Height);
        b->SetBandType(Type);
        b->SetDataSet(Source);
        b->Name = u"Band%1"_qs.arg(p->Objects.Count());
        return b;
    }
    TfrMemoView* memo(int Top, const QString& Text, int Page = 0) {
        auto* m = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
        TfrPage* p = report->Pages[Page];
        m->ParentPage = p;
        p->Objects.Add(m);
        m->SetBounds(10, Top, 400, 18);
        m->Memo.SetText(Text);
        m->Name = u"Memo%1"_qs.arg(p->Objects.Count());
        return m;
    }
    // The template's bytes.
    QByteArray saved() {
        TMemoryStream s;
        report->SaveToStream(&s);
        return QByteArray(static_cast<const char*>(s.GetMemory()), int(s.GetSize()));
    }
    // Loads the report from bytes; true for a good load.
    bool load(const QByteArray& Bytes) {
        TMemoryStream s;
        s.Write(Bytes.constData(), Bytes.size());
        s.SetPosition(0);
        return report->LoadFromStream(&s);
    }
    // Every text printed on the prepared pages, in print order (empty ones left out).
    QStringList printed() {
        QStringList r;
        for (int i = 0; i < report->EMFPages.Count(); ++i) {
            report->EMFPages.ObjectsToPage(i);
            TfrPage* p = report->EMFPages[i]->Page.get();
            for (int k = 0; k < p->Objects.Count(); ++k)
                if (QString t = p->GetObject(k)->Memo.GetText().trimmed(); !t.isEmpty()) r << t;
        }
        return r;
    }

    std::unique_ptr<TComponent> owner;
    TfrReport* report = nullptr;
    QStringList messages;
};
