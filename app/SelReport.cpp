#include "SelReport.h"

#include "DB.h"
#include "FR_DSet.h"
#include "Graphics.h"

namespace {

const char16_t ShortFullName[] = u"Прізвище, ім'я та по батькові (скорочене)";
const char16_t RankGroup[] = u"Категорія, розряд, клас";

TfrView* addView(TfrPage* Page, int Type, int L, int T, int W, int H) {
    TfrView* v = frCreateObject(uint8_t(Type), QString());
    v->SetBounds(L, T, W, H);
    Page->Objects.Add(v);
    return v;
}

TfrMemoView* addMemo(TfrPage* Page, const QString& Text, int L, int T, int W, int H, int Size) {
    auto* m = static_cast<TfrMemoView*>(addView(Page, gtMemo, L, T, W, H));
    m->Memo.Add(Text);
    m->Font.Size = Size;
    return m;
}

void addBand(TfrPage* Page, int Type, int T, int H, const QString& DataSet = QString()) {
    auto* b = static_cast<TfrBandView*>(addView(Page, gtBand, 0, T, 0, H));
    b->SetBandType(Type);
    b->Flags = flStretched;
    if (!DataSet.isEmpty()) b->SetDataSet(DataSet);
}

void setPaper(TfrPage* Page, bool Landscape) {
    Page->ChangePaper(Page->pgSize, 0, 0, Landscape ? poLandscape : poPortrait, -1);
    const int margins[4] = {0, Landscape ? 10 : 0, 0, 0};
    std::copy(std::begin(margins), std::end(margins), Page->pgMargins);
}

// The widest value of a field over every row, plus 15.
int widestValue(TDataSet* Data, int Field, TCanvas* Measure) {
    int w = 0;
    for (Data->First(); !Data->GetEof(); Data->Next())
        w = std::max(w, Measure->TextWidth(Data->Fields(Field)->GetAsString()));
    return Data->IsEmpty() ? 0 : w + 15;
}

} // namespace

TSelReportPage BuildSelReport(TfrReport* Report, TDataSet* Data, const QStringList& Captions,
                              const QString& Title, bool Landscape, TCanvas* Measure) {
    Report->Pages.Clear();
    Report->Pages.Add();
    TfrPage* page = Report->Pages.GetPages(0);
    setPaper(page, Landscape);
    addBand(page, btReportTitle, 60, 50);
    addBand(page, btPageHeader, 60, 50);
    TfrMemoView* title = addMemo(page, Title, 20, 80, 500, 100, 12);
    title->BandAlign = baCenter;
    title->Alignment = 2;
    title->Font.Style = frfsBold | frfsItalic;
    TfrMemoView* mark =
        addMemo(page, QStringLiteral("Created by Kadrion from Tarnwick"), 200, 200, 500, 200, 48);
    mark->BandAlign = baCenter;
    mark->Alignment = 2;
    mark->Font.Color = 0xC0C0C0;
    mark->Font.Style = frfsBold | frfsItalic;
    addBand(page, btMasterData, 20, 16, QStringLiteral("frDBDataSet1"));
    addMemo(page, QStringLiteral("[LINE#]"), 20, 20, 30, 16, 8);

    int x = 50;
    const int count = Data->GetFieldCount();
    for (int i = 0, c = 0; i < count; ++i, ++c) {
        const QString name = Data->Fields(i)->GetFieldName();
        const QString caption = c < Captions.size() ? Captions[c] : QString();
        QString text = QStringLiteral("[Select.\"%1\"]").arg(name);
        int width = widestValue(Data, i, Measure);
        if (name == QLatin1String("NAMESHT") || name == QLatin1String("PATRSHT")) {
            width = 16;
            text = QStringLiteral("[COPY(Select.\"%1\",1,1)+'.']").arg(name);
        } else if (name == QLatin1String("PROFSHT")) {
            width = 150;
            text = QStringLiteral("[IF(POS(' ',Select.\"%1\")>0,COPY(Select.\"%1\",1,POS(' ',"
                                  "Select.\"%1\")),Select.\"%1\")]")
                       .arg(name);
        } else if (name == QLatin1String("FAMILY") &&
                   caption == QString::fromUtf16(ShortFullName)) {
            width += 40;
            text = QStringLiteral("[Select.\"FAMILY\"+' '+COPY(Select.\"NAME\",1,1)+'.'+' '+"
                                  "COPY(Select.\"PATR\",1,1)+'.']");
            i += 2;
        } else if (name == QLatin1String("NKAT") && caption == QString::fromUtf16(RankGroup)) {
            text = QStringLiteral("[Select.\"NKAT\"+Select.\"ROZRAD\"+Select.\"KLAS\"]");
            i += 2;
        }
        addMemo(page, text, x, 20, width, 16, 8);
        x += width;
    }
    Data->First();

    TSelReportPage out;
    out.Landscape = Landscape;
    out.Right = x;
    // The columns stand at their page positions: the last must end within the usable width.
    out.Fits = x <= page->RightLimit();
    if (!out.Fits && !Landscape) {
        setPaper(page, true);
        out.Landscape = true;
        out.Fits = x <= page->RightLimit();
    }
    return out;
}
