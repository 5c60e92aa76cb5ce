// Helpers of the report's database objects: finding field definitions, data sources and
// components by name, and the registration of the database, dialog and shape objects.
#pragma once

#include "Classes.h"
#include "DB.h"

#include <QString>
#include <functional>

// The dataset's field definition named so (any letter case); null when absent.
TFieldDef* frFindFieldDef(TDataSet* DataSet, const QString& FieldName);
// The name of a data source's dataset: its own name, after its owner's name and "." when that
// owner is not Owner; empty without a data source or dataset.
QString frGetDataSetName(TComponent* Owner, TDataSource* DataSource);
// The same for a component: its name, after its owner's name and "." when that owner is not
// Owner; empty for none.
QString frGetComponentName(TComponent* Owner, TComponent* Component);
// The first data source on the application's forms and data modules (the hidden dialog form
// first) whose dataset is DataSet; null when there is none.
TDataSource* frGetDataSource(TComponent* Owner, TDataSet* DataSet);
// Clears List, then adds the names of every component that OfClass accepts on the screen's
// forms and data modules: the bare name for components of Owner, Form.Name for others. Skip
// is left out.
void frGetComponents(TComponent* Owner, const std::function<bool(TComponent*)>& OfClass,
                     TStrings* List, TComponent* Skip = nullptr);
template <typename T>
void frGetComponents(TComponent* Owner, TStrings* List, TComponent* Skip = nullptr) {
    frGetComponents(
        Owner, [](TComponent* c) { return dynamic_cast<T*>(c) != nullptr; }, List, Skip);
}
// The enumeration text of a property: the names sorted, each followed by ";".
QString frEnumText(TStrings* Names);
// A component by name: among Owner's components, then Form.Name through the global lookup,
// then a plain name among the components of every form and data module.
TComponent* frFindAnyComponent(TComponent* Owner, const QString& Name);

// Registers the database objects (database, table, query), the dialog controls with the
// lookup control, and the shape view with the running engine; it also gives the engine a
// global component lookup over the screen's forms and data modules when it has none.
void frRegisterDBObjects();
void frRegisterShapeObject();

// Placed on a data module, makes the database, table and query objects (and the dialog
// controls) available to templates.
class TfrIBComponents : public TComponent {
    KADRION_CLASS(TfrIBComponents)
    explicit TfrIBComponents(TComponent* AOwner);
};

// Placed on a data module, makes the shape view available to templates.
class TfrShapeObject : public TComponent {
    KADRION_CLASS(TfrShapeObject)
    explicit TfrShapeObject(TComponent* AOwner);
};
