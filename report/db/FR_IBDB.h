// The template's own connection to an SQL-server database: a non-visual object of a dialog
// page holding a database and its default transaction, which table and query objects name.
#pragma once

#include "FR_Class.h"

class TIBDatabase;
class TIBTransaction;

class TfrIBDatabase : public TfrNonVisualControl {
    KADRION_CLASS(TfrIBDatabase)
    TfrIBDatabase();
    ~TfrIBDatabase() override;
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    uint8_t StreamMinor() const override { return 1; }

    TIBDatabase* GetDatabase() const { return FDatabase; }
    TIBTransaction* GetTransaction() const { return FTransaction; }

private:
    // Connects or disconnects, the default transaction following.
    void setConnected(bool Value);
    TIBDatabase* FDatabase = nullptr;
    TIBTransaction* FTransaction = nullptr;
};
