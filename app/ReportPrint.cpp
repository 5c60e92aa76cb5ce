#include "ReportPrint.h"

#include "DMUnit.h"
#include "Dialogs.h"
#include "PreviewUnit.h"
#include "varer.h"

#include <QFileInfo>

namespace {

// Whatever happens, the preview window is freed and Select closed.
struct TPrintCleanup {
    ~TPrintCleanup() {
        delete PreviewForm;
        PreviewForm = nullptr;
        if (DM && DM->Select) DM->Select->Close();
    }
};

void tell(const QString& Text) {
    GetUserInteraction()->MessageBox(Text, QString::fromUtf16(SErrorCaption), MB_OK | MB_ICONERROR);
}

// Loads the template, collecting what the engine would say about a damaged file into one
// message of ours; false (and told) when the file is missing or damaged.
bool loadTemplate(TfrReport* Report, const QString& FileName) {
    const QFileInfo info(FileName);
    if (!info.isFile()) {
        tell(MissingTemplateText(FileName));
        return false;
    }
    TfrGlobals& g = frGlobals();
    QStringList said;
    auto show = std::move(g.ShowMessage);
    g.ShowMessage = [&said](const QString& Text, const QString&) { said << Text; };
    // An empty file would leave the previous template in the report.
    const bool ok = info.size() > 0 && Report->LoadFromFile(FileName);
    g.ShowMessage = std::move(show);
    if (ok && said.isEmpty()) return true;
    QString text = DamagedTemplateText(FileName);
    if (!said.isEmpty()) text += u'\n' + said.join(u'\n');
    tell(text);
    return false;
}

} // namespace

QString MissingTemplateText(const QString& FileName) {
    return QStringLiteral("Не знайдено файл шаблону звіту \"%1\" (%2).")
        .arg(FileName, QFileInfo(FileName).absoluteFilePath());
}

QString DamagedTemplateText(const QString& FileName) {
    return QStringLiteral("Файл шаблону звіту \"%1\" пошкоджено (%2), звіт не сформовано.")
        .arg(FileName, QFileInfo(FileName).absoluteFilePath());
}

TReportValues CommonReportValues() {
    return {{QStringLiteral("Boss"), Variant(Boss)},
            {QStringLiteral("Pos"), Variant(BossPos)},
            {QStringLiteral("Org"), Variant(NameOrg)},
            {QStringLiteral("FullOrg"), Variant(FullNameOrg)},
            {QStringLiteral("NDate"), Variant(QString())},
            {QStringLiteral("Times"), Variant(QString())}};
}

Variant ReportDate(TDateTime Date) {
    return Date == 0 ? Variant(QString()) : Variant::FromDate(Date);
}

bool PrintReport(const QString& Template, const TReportValues& Values,
                 const std::function<void(TfrReport* Report)>& Prepare) {
    TPrintCleanup cleanup;
    TfrReport* report = DM->frReport1;
    Application->CreateForm(PreviewForm);

    TfrVariables& vars = frVariables();
    for (int i = 0; i < vars.Count(); ++i)
        vars.SetValue(i, Variant(QString()));
    for (const auto& [name, value] : CommonReportValues())
        vars.SetVariable(name, value);
    for (const auto& [name, value] : Values)
        vars.SetVariable(name, value);

    if (!loadTemplate(report, Template)) return false;
    if (Prepare) Prepare(report);
    if (!report->PrepareReport() || report->EMFPages.Count() == 0) return false;
    PreviewForm->frPreview1->Connect(report);
    PreviewForm->ShowModal();
    return true;
}

TfrMemoView* TemplateMemo(const QString& Name) {
    TfrReport* report = DM->frReport1;
    if (auto* m = dynamic_cast<TfrMemoView*>(report->FindObject(Name))) return m;
    throw EReportTemplate(QStringLiteral("У шаблоні звіту \"%1\" немає текстового об'єкта %2.")
                              .arg(QFileInfo(report->FileName).fileName(), Name));
}
