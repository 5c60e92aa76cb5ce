// kadrion_tpldump <file.frf>: a report template as text, for review. Per page its paper and
// margins, then every view in its order: type, name, bounds (page units and millimetres),
// band kind and dataset, font, alignment, frame and the text lines.
#include "FR_Class.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

void out(const QString& Line) {
    std::fputs(Line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

QString mm(int Units) {
    return QString::number(Units * 25.4 / frUnitsPerInch, 'f', 1);
}

QString typeName(const TfrView* V) {
    switch (V->Typ) {
    case gtMemo:
        return QStringLiteral("memo");
    case gtPicture:
        return QStringLiteral("picture");
    case gtBand:
        return QStringLiteral("band");
    case gtSubReport:
        return QStringLiteral("subreport");
    case gtLine:
        return QStringLiteral("line");
    default:
        return QStringLiteral("add-in ") + V->ClassName();
    }
}

QString frame(int F) {
    QString s;
    if (F & frftLeft) s += u'L';
    if (F & frftTop) s += u'T';
    if (F & frftRight) s += u'R';
    if (F & frftBottom) s += u'B';
    return s.isEmpty() ? QStringLiteral("-") : s;
}

void dumpView(TfrView* V) {
    out(QStringLiteral("  %1 %2  at %3,%4 size %5x%6 (mm %7,%8 %9x%10)")
            .arg(typeName(V), V->Name)
            .arg(V->Left)
            .arg(V->Top)
            .arg(V->Width)
            .arg(V->Height)
            .arg(mm(V->Left), mm(V->Top), mm(V->Width), mm(V->Height)));
    if (auto* b = dynamic_cast<TfrBandView*>(V)) {
        out(QStringLiteral("    kind %1%2")
                .arg(frLoadStr(SBandNames + b->GetBandType()))
                .arg(b->GetDataSet().isEmpty() ? QString()
                                               : QStringLiteral(", dataset ") + b->GetDataSet()));
        return;
    }
    if (auto* m = dynamic_cast<TfrMemoView*>(V)) {
        out(QStringLiteral("    font %1 %2pt style %3, align %4, frame %5%6")
                .arg(m->Font.Name)
                .arg(m->Font.Size)
                .arg(m->Font.Style)
                .arg(m->Alignment)
                .arg(frame(m->FrameTyp))
                .arg(m->Flags & flWordWrap ? QStringLiteral(", wrapped") : QString()));
    }
    for (int i = 0; i < V->Memo.Count(); ++i)
        out(QStringLiteral("    | ") + V->Memo.Get(i));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kadrion_tpldump <file.frf>\n");
        return 2;
    }
    frStartEngine();
    TfrReport report(nullptr);
    if (!QFileInfo::exists(args[1]) || !report.LoadFromFile(args[1])) {
        std::fprintf(stderr, "kadrion_tpldump: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    out(QStringLiteral("template %1: %2 page(s)").arg(args[1]).arg(report.Pages.Count()));
    for (int p = 0; p < report.Pages.Count(); ++p) {
        TfrPage* page = report.Pages[p];
        out(QStringLiteral("page %1: paper %2, %3x%4 mm, %5, margins %6 %7 %8 %9 mm")
                .arg(p + 1)
                .arg(page->pgSize)
                .arg(page->pgWidth / 10.0)
                .arg(page->pgHeight / 10.0)
                .arg(page->pgOr == poPortrait ? QStringLiteral("portrait")
                                              : QStringLiteral("landscape"))
                .arg(mm(page->pgMargins[0]), mm(page->pgMargins[1]), mm(page->pgMargins[2]),
                     mm(page->pgMargins[3])));
        for (int i = 0; i < page->Objects.Count(); ++i)
            dumpView(page->GetObject(i));
    }
    frStopEngine();
    return 0;
}
