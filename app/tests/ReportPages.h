// What a built report holds, for the report tests: the texts of its prepared pages and a
// print of them to a PDF file.
#pragma once

#include "FR_Class.h"
#include "Printers.h"

#include <QStringList>

// Every text view's printed text, page after page, in the pages' order.
inline QStringList PreparedTexts(TfrReport* R) {
    QStringList out;
    for (int i = 0; i < R->EMFPages.Count(); ++i) {
        R->EMFPages.ObjectsToPage(i);
        TfrPage* p = R->EMFPages[i]->Page.get();
        for (int k = 0; k < p->Objects.Count(); ++k)
            out << p->GetObject(k)->Memo.GetText().remove(QChar(1)).trimmed();
    }
    return out;
}

// Prints the prepared pages on the PDF printer into File.
inline void PrintToPdf(TfrReport* R, const QString& File) {
    R->SetPrinterTo(TPrinter::PdfPrinterName());
    Printer()->SetFileName(File);
    R->PrintPreparedReport(QString(), 1, 0, true);
    Printer()->SetFileName(QString());
}
