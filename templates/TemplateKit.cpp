#include "TemplateKit.h"

#include <map>

namespace {

constexpr double LeftMargin = 20, OtherMargin = 10; // mm

std::map<QString, TTemplateBuild>& registry() {
    static std::map<QString, TTemplateBuild> r;
    return r;
}

} // namespace

int TemplateUnits(double Mm) {
    return int(std::lround(Mm * frUnitsPerInch / 25.4));
}

TTemplate::TTemplate(TfrReport* AReport) : Report(AReport) {
    Report->Clear();
    Report->Pages.Add();
    Page = Report->Pages.GetPages(0);
    Page->ChangePaper(9, 0, 0, poPortrait, -1);
    Page->pgMargins[0] = TemplateUnits(LeftMargin);
    Page->pgMargins[1] = TemplateUnits(OtherMargin);
    Page->pgMargins[2] = TemplateUnits(OtherMargin);
    Page->pgMargins[3] = TemplateUnits(OtherMargin);
}

void TTemplate::Landscape() {
    Page->ChangePaper(9, 0, 0, poLandscape, -1);
}

double TTemplate::Width() const {
    return Page->pgWidth / 10.0 - LeftMargin - OtherMargin;
}

double TTemplate::Height() const {
    return Page->pgHeight / 10.0 - 2 * OtherMargin;
}

QString TTemplate::nextName(const char* Base) {
    const QString base = QString::fromLatin1(Base);
    return base + QString::number(++counters[base]);
}

void TTemplate::place(TfrView* V, double X, double Y, double W, double H) const {
    // both edges rounded, so that views placed side by side share their edge
    const int left = TemplateUnits(LeftMargin + X), top = TemplateUnits(bandTop + Y);
    V->SetBounds(left, top, TemplateUnits(LeftMargin + X + W) - left,
                 TemplateUnits(bandTop + Y + H) - top);
}

TfrBandView* TTemplate::Band(int Type, double HeightMm, const QString& DataSet) {
    auto* b = static_cast<TfrBandView*>(frCreateObject(gtBand, QString()));
    b->Name = nextName("Band");
    b->SetBandType(Type);
    b->SetBounds(0, TemplateUnits(nextTop), 0, TemplateUnits(HeightMm));
    b->Flags = 0;
    if (!DataSet.isEmpty()) b->SetDataSet(DataSet);
    Page->Objects.Add(b);
    band = b;
    bandTop = nextTop;
    // a gap between bands, as a designer leaves it, so that no view sits on two
    nextTop += HeightMm + 2;
    return b;
}

TfrMemoView* TTemplate::Text(double X, double Y, double W, double H, const QString& Text,
                             const TStyle& Style) {
    auto* m = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
    m->Name = nextName("Text");
    place(m, X, Y, W, H);
    m->Memo.SetText(Text);
    m->Font.Name = Style.Font;
    m->Font.Size = int(std::lround(Style.Size));
    m->Font.Style = Style.FontStyle;
    m->Font.Charset = 204;
    m->Alignment = Style.Align;
    m->FrameTyp = Style.Frame;
    m->Flags = (Style.Stretch ? flStretched : 0) | (Style.Wrap ? flWordWrap : 0);
    if (Style.Format >= 0) m->Format = Style.Format;
    Page->Objects.Add(m);
    return m;
}

TfrMemoView* TTemplate::Cell(double X, double Y, double W, double H, const QString& Text,
                             TStyle Style) {
    return this->Text(X, Y, W, H, Text, Style);
}

TfrView* TTemplate::Line(double X, double Y, double W) {
    TfrView* l = frCreateObject(gtLine, QString());
    l->Name = nextName("Line");
    place(l, X, Y, W, 0);
    Page->Objects.Add(l);
    return l;
}

void TTemplate::Signature(double Y, const QString& PositionExpr, const QString& NameExpr) {
    const double w = Width();
    Text(0, Y, w * 0.45, 6, PositionExpr, TStyle().Pt(11));
    Line(w * 0.48, Y + 5, w * 0.2);
    Text(w * 0.7, Y, w * 0.3, 6, NameExpr, TStyle().Pt(11).Right());
}

QString TTemplate::Arr(int Number) {
    return QStringLiteral("[MyArr_Arr_%1]").arg(Number);
}

bool RegisterTemplate(const char* Name, TTemplateBuild Build) {
    registry()[QString::fromLatin1(Name)] = Build;
    return true;
}

TTemplateBuild FindTemplate(const QString& Name) {
    auto it = registry().find(Name);
    return it == registry().end() ? nullptr : it->second;
}

QStringList TemplateNames() {
    QStringList out;
    for (const auto& [name, build] : registry())
        out.append(name);
    return out;
}

bool BuildTemplate(const QString& Name, TfrReport* Report) {
    TTemplateBuild build = FindTemplate(Name);
    if (!build) return false;
    TTemplate t(Report);
    build(t);
    return true;
}
