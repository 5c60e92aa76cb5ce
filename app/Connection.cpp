#include "Connection.h"

#include "DMUnit.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Schema.h"
#include "varer.h"

QString FormConnectionString() {
    return TypeSvr == 0 ? PathFileSvr : NameSvr + u':' + PathFileSvr;
}

QString ConnectErrorText(const QString& Name) {
    return QStringLiteral("Помилка підключення до бази ") + Name +
           QStringLiteral(". Перевірте настройки або створіть нову базу.");
}

QString LostConnectionText() {
    return QStringLiteral(
        "Зв'язок із сервером бази даних втрачено: сервер не відповідає або недоступна мережа.\n"
        "Те, що не вдалося записати до бази, програма зберігає і запише, щойно ви підключитеся "
        "знову. Перевірте, чи працює сервер і мережа, потім виберіть «Настройки» і натисніть "
        "OK.");
}

QString ErrorText(const Exception& E) {
    const auto* ib = dynamic_cast<const EIBError*>(&E);
    if (ib && ib->ConnectionLost) return LostConnectionText() + QStringLiteral("\n\n") + E.Message;
    return E.Message;
}

void UseErrorTexts() {
    Application->OnException = [](TObject*, const Exception& E) {
        Application->ShowException(ErrorText(E));
    };
}

bool MayDropPendingChanges() {
    const std::vector<TIBCustomDataSet*> pending = DM->PendingDataSets();
    if (pending.empty()) return true;
    if (GetUserInteraction()->MessageBox(
            QStringLiteral("Є зміни, які не вдалося записати до бази ") +
                DM->Database->GetDatabaseName() +
                QStringLiteral(". Якщо продовжити, їх буде втрачено. Продовжити?"),
            QStringLiteral("Увага"), MB_YESNO | MB_ICONWARNING) != IDYES)
        return false;
    for (TIBCustomDataSet* d : pending)
        d->CancelUpdates();
    return true;
}

namespace {

// The same database again, with changes a save could not write: the datasets stay as they
// are, the database attaches anew, and the changes are applied; a failure of either is shown
// and the changes still wait.
bool reconnectKeeping(const std::vector<TIBCustomDataSet*>& Pending, const TWaitHook& Wait) {
    try {
        DM->Database->GetParams()->Clear();
        DM->Database->GetParams()->AddStrings(ConnectionLines());
        DM->Database->Reconnect();
    } catch (Exception&) {
        if (Wait) Wait(false);
        GetUserInteraction()->MessageBox(ConnectErrorText(FullNameSvr),
                                         QString::fromUtf16(SErrorCaption), MB_OK | MB_ICONERROR);
        return false;
    }
    // A save that fails again says so itself, after the wait window.
    if (Wait) Wait(false);
    bool saved = true;
    for (TIBCustomDataSet* d : Pending)
        saved = DM->Save(d, false) && saved;
    // Their cursors went with the connection: every open dataset reads its rows again.
    if (saved) DM->RefreshOpenDataSets();
    return true;
}

} // namespace

void DisconnectDatabase() {
    try {
        DM->Database->SetConnected(false);
    } catch (Exception&) {
    }
}

bool ConnectDatabase(const TWaitHook& Wait) {
    const std::vector<TIBCustomDataSet*> pending = DM->PendingDataSets();
    if (!pending.empty() && DM->Database->GetDatabaseName() == FullNameSvr)
        return reconnectKeeping(pending, Wait);
    if (!pending.empty()) {
        if (Wait) Wait(false);
        if (!MayDropPendingChanges()) return false;
    }
    DisconnectDatabase();
    try {
        DM->Database->SetDatabaseName(FullNameSvr);
        DM->Database->GetParams()->Clear();
        DM->Database->GetParams()->AddStrings(ConnectionLines());
        DM->Database->SetConnected(true);
        return true;
    } catch (Exception&) {
        DisconnectDatabase();
        if (Wait) Wait(false);
        GetUserInteraction()->MessageBox(ConnectErrorText(FullNameSvr),
                                         QString::fromUtf16(SErrorCaption), MB_OK | MB_ICONERROR);
        return false;
    }
}

bool ConnectAtStart(const std::function<bool()>& AskSettings) {
    if (PathFileSvr.isEmpty() || FullNameSvr.isEmpty()) {
        if (AskSettings && AskSettings()) {
            FullNameSvr = FormConnectionString();
            DisconnectDatabase();
            DM->Database->GetParams()->Clear();
            DM->Database->GetParams()->AddStrings(ConnectionLines());
        }
    }
    return ConnectDatabase();
}
