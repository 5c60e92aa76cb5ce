// Samples shared by the report objects' tests and their scenarios on the X server: a data module
// with a directory of towns, and the texts a built report printed.
#pragma once

#include "FR_Class.h"
#include "Forms.h"
#include "MemDS.h"

#include <QStringList>
#include <memory>

// A data module "Dovidnyk" with the dataset "Towns" (ID from 1, NAME) and a data source over it.
inline std::unique_ptr<TDataModule> TownsModule(const QStringList& Names) {
    auto module = std::make_unique<TDataModule>(nullptr);
    module->SetName(QStringLiteral("Dovidnyk"));
    auto* towns = new TMemDataSet(module.get());
    towns->SetName(QStringLiteral("Towns"));
    towns->GetFieldDefs()->Add(QStringLiteral("ID"), ftInteger);
    towns->GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
    towns->Open();
    int id = 0;
    for (const QString& n : Names)
        towns->AppendRecord({Variant(++id), Variant(n)});
    auto* source = new TDataSource(module.get());
    source->SetName(QStringLiteral("TownsSource"));
    source->SetDataSet(towns);
    return module;
}

// Every text printed on the prepared pages, in print order (empty ones left out).
inline QStringList PrintedTexts(TfrReport* Report) {
    QStringList r;
    for (int i = 0; i < Report->EMFPages.Count(); ++i) {
        Report->EMFPages.ObjectsToPage(i);
        TfrPage* p = Report->EMFPages[i]->Page.get();
        for (int k = 0; k < p->Objects.Count(); ++k)
            if (QString t = p->GetObject(k)->Memo.GetText().trimmed(); !t.isEmpty()) r << t;
    }
    return r;
}
