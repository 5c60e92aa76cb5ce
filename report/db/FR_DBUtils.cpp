// Helpers of the report's database objects and their registration with the engine.
#include "FR_DBUtils.h"

#include "FR_Class.h"
#include "FR_DCtrl.h"
#include "FR_IBDB.h"
#include "FR_IBData.h"
#include "FR_IBQuery.h"
#include "FR_Shape.h"
#include "Forms.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The screen's forms and data modules, the hidden dialog form first when there is one.
std::vector<TComponent*> topComponents() {
    std::vector<TComponent*> r;
    if (frEngineStarted() && frGlobals().DialogForm) r.push_back(frGlobals().DialogForm.get());
    for (int i = 0; i < Screen->GetFormCount(); ++i)
        if (TComponent* f = Screen->GetForms(i); std::find(r.begin(), r.end(), f) == r.end())
            r.push_back(f);
    for (int i = 0; i < Screen->GetDataModuleCount(); ++i)
        r.push_back(Screen->GetDataModules(i));
    return r;
}

TComponent* findGlobal(const QString& Name) {
    for (TComponent* c : topComponents())
        if (AnsiSameText(c->GetName(), Name)) return c;
    return nullptr;
}

} // namespace

TFieldDef* frFindFieldDef(TDataSet* DataSet, const QString& FieldName) {
    if (!DataSet) return nullptr;
    TFieldDefs* defs = DataSet->GetFieldDefs();
    for (int i = 0; i < defs->Count(); ++i)
        if (AnsiSameText(defs->GetItems(i)->GetName(), FieldName)) return defs->GetItems(i);
    return nullptr;
}

QString frGetComponentName(TComponent* Owner, TComponent* Component) {
    if (!Component) return {};
    TComponent* o = Component->GetOwner();
    if (o && o != Owner) return o->GetName() + u'.' + Component->GetName();
    return Component->GetName();
}

QString frGetDataSetName(TComponent* Owner, TDataSource* DataSource) {
    if (!DataSource || !DataSource->GetDataSet()) return {};
    return frGetComponentName(Owner, DataSource->GetDataSet());
}

TDataSource* frGetDataSource(TComponent* Owner, TDataSet* DataSet) {
    if (!DataSet) return nullptr;
    for (TComponent* top : topComponents())
        for (int i = 0; i < top->GetComponentCount(); ++i)
            if (auto* s = dynamic_cast<TDataSource*>(top->GetComponents(i));
                s && s->GetDataSet() == DataSet)
                return s;
    return nullptr;
}

void frGetComponents(TComponent* Owner, const std::function<bool(TComponent*)>& OfClass,
                     TStrings* List, TComponent* Skip) {
    List->Clear();
    for (TComponent* top : topComponents())
        for (int i = 0; i < top->GetComponentCount(); ++i) {
            TComponent* c = top->GetComponents(i);
            if (c == Skip || c->GetName().isEmpty() || !OfClass(c)) continue;
            List->Add(top == Owner ? c->GetName() : top->GetName() + u'.' + c->GetName());
        }
}

QString frEnumText(TStrings* Names) {
    QStringList l;
    for (int i = 0; i < Names->Count(); ++i)
        l << Names->Get(i);
    std::sort(l.begin(), l.end(),
              [](const QString& a, const QString& b) { return AnsiCompareText(a, b) < 0; });
    QString s;
    for (const QString& n : l)
        s += n + u';';
    return s;
}

TComponent* frFindAnyComponent(TComponent* Owner, const QString& Name) {
    if (Name.isEmpty()) return nullptr;
    if (TComponent* c = frFindComponent(Owner, Name)) return c;
    if (Name.contains(u'.')) {
        const QStringList parts = Name.split(u'.');
        TComponent* c = findGlobal(parts[0]);
        for (int i = 1; c && i < parts.size(); ++i)
            c = c->FindComponent(parts[i]);
        return c;
    }
    for (TComponent* top : topComponents())
        if (top != Owner)
            if (TComponent* c = top->FindComponent(Name)) return c;
    return nullptr;
}

// ---- registration -----------------------------------------------------------------------

void frRegisterDBObjects() {
    TfrGlobals& g = frGlobals();
    if (!g.FindGlobalComponent) g.FindGlobalComponent = findGlobal;
    frRegisterControl(
        TfrIBDatabase::StaticClassName(), [] { return static_cast<TfrView*>(new TfrIBDatabase); },
        frLoadStr(55470));
    frRegisterControl(
        TfrIBTable::StaticClassName(), [] { return static_cast<TfrView*>(new TfrIBTable); },
        frLoadStr(55471));
    frRegisterControl(
        TfrIBQuery::StaticClassName(), [] { return static_cast<TfrView*>(new TfrIBQuery); },
        frLoadStr(55472));
    frRegisterDialogControls();
}

void frRegisterShapeObject() {
    frRegisterObject<TfrShapeView>(frLoadStr(55226));
}

TfrIBComponents::TfrIBComponents(TComponent* AOwner) : TComponent(AOwner) {
    frRegisterDBObjects();
}

TfrShapeObject::TfrShapeObject(TComponent* AOwner) : TComponent(AOwner) {
    frRegisterShapeObject();
}
