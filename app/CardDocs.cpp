#include "CardDocs.h"

#include "DMUnit.h"
#include "ReportDlgs.h"
#include "varer.h"

TSignatory SignatoryNamed(const QString& Text) {
    for (int i = 1; i <= 5; ++i)
        if (!OkPib(i)->isEmpty() && *OkPib(i) == Text) return {*OkPib(i), *OkPos(i)};
    return {};
}

TSignatory ChooseSignatory(TWrkForm* Form) {
    TStrings* items = Form->CmbBox->GetItems();
    items->Clear();
    for (int i = 1; i <= 5; ++i)
        if (!OkPib(i)->isEmpty()) items->Add(*OkPib(i));
    Form->CmbBox->SetText(items->Count() > 0 ? items->GetStrings(0) : QString());
    Form->ShowModal();
    return SignatoryNamed(Form->CmbBox->GetText());
}

QString PrepareHeldSince(TDM* Dm) {
    Dm->IBnaz_sel->Close();
    if (Dm->IBnazn->IsEmpty()) return QString::fromUtf16(SWoworkExpr);
    Dm->IBnazn->Last();
    const auto text = [Dm](const char* Field) {
        return Dm->IBnazn->FieldByName(QString::fromLatin1(Field))->GetAsString();
    };
    // The position compares as text also when it is empty, so the latest appointment always
    // finds itself at least.
    QStringList lines{QStringLiteral("select * from NAZN"),
                      QStringLiteral("where TAB2=:TAB2 and coalesce(CPROF_3, '')=:CPROF_3")};
    QStringList given;
    for (const char* f : {"KAT", "ROZ", "KLAS"}) {
        if (text(f).isEmpty()) continue;
        lines << QStringLiteral("and %1=:%1").arg(QString::fromLatin1(f));
        given << QString::fromLatin1(f);
    }
    lines << QStringLiteral("order by NAZ_DATE");
    Dm->IBnaz_sel->GetSQL()->SetText(lines.join(u'\n'));
    for (const QString& f : QStringList{QStringLiteral("TAB2"), QStringLiteral("CPROF_3")} + given)
        Dm->IBnaz_sel->ParamByName(f)->SetAsString(text(f.toLatin1().constData()));
    Dm->IBnaz_sel->Open();
    return QString::fromUtf16(SHeldSinceExpr);
}

QString PreparePositionName(TDM* Dm) {
    if (!Dm->IBprof->GetActive()) Dm->IBprof->Open();
    const QString code = Dm->IBQuery->FieldByName(QStringLiteral("CPROF"))->GetAsString();
    if (code.isEmpty() ||
        !Dm->IBprof->Locate(QStringLiteral("CODPROF"), Variant(code), TLocateOptions{}))
        return QString();
    return QString::fromUtf16(SPositionExpr);
}
