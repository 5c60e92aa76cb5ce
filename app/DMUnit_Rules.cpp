// The rules of the data module's datasets: save, delete confirmation, key violations,
// renumbering, appointments, group codes, children, leave orders and sick-leave sheets.
#include "DMUnit.h"

#include "CalTable.h"
#include "Connection.h"
#include "Dates.h"
#include "Dialogs.h"
#include "ScopeGuard.h"
#include "SqlText.h"

#include <algorithm>
#include <climits>

namespace {

void showError(const QString& Text) {
    GetUserInteraction()->MessageDlg(Text, QString::fromUtf16(SErrorCaption), mtError,
                                     TMsgDlgButtons{mbOK}, 0);
}

void messageBox(const QString& Text, const QString& Caption) {
    GetUserInteraction()->MessageBox(Text, Caption, MB_OK | MB_ICONERROR);
}

// The first column of the first row of a select with parameters.
Variant scalar(TDM* Dm, const QString& Sql,
               std::initializer_list<std::pair<const char*, Variant>> Params) {
    TIBQuery q(nullptr);
    q.SetDatabase(Dm->Database);
    q.SetTransaction(Dm->IBTrans);
    q.GetSQL()->SetText(Sql);
    for (const auto& p : Params)
        q.ParamByName(QString::fromLatin1(p.first))->SetValue(p.second);
    q.Open();
    Variant v = q.IsEmpty() ? Null() : q.Fields(0)->GetAsVariant();
    q.Close();
    return v;
}

void setText(TField* F, const QString& Text) {
    if (Text.isEmpty())
        F->Clear();
    else
        F->SetAsString(Text);
}

constexpr const char* AppointmentFields[6] = {"KODP_4", "CPROF_3", "OKLAD", "KAT", "ROZ", "KLAS"};
constexpr const char* EmployeeFields[6] = {"KODP_2", "CPROF", "OKLAD", "NKAT", "ROZRAD", "KLAS"};

} // namespace

// ---- save, confirmation, key violations ------------------------------------------------------

bool TDM::Save(TIBCustomDataSet* DataSet, bool AfterDelete) {
    const bool sheets = DataSet == IBhel;
    const QString sheetText =
        AfterDelete ? QStringLiteral("Помилка видалення.") : QStringLiteral("Помилка збереження.");
    try {
        if (DataSet->GetCachedUpdates()) Database->ApplyUpdates({DataSet});
        if (IBTrans->InTransaction()) IBTrans->CommitRetaining();
        return true;
    } catch (EAbort&) {
        // The key message was shown already; the change stays pending.
        if (sheets) showError(sheetText);
    } catch (Exception& E) {
        showError(sheets ? sheetText + QStringLiteral("\n") + ErrorText(E) : ErrorText(E));
    }
    return false;
}

std::vector<TIBCustomDataSet*> TDM::PendingDataSets() const {
    std::vector<TIBCustomDataSet*> out;
    for (TIBQuery* q : {IBQuery, IBprof, IBpodr, IBgroup, IBotp, IBnazn, IBhel})
        if (q->GetActive() && q->GetCachedUpdates() && q->UpdatesPending()) out.push_back(q);
    return out;
}

void TDM::RefreshOpenDataSets() {
    // Masters first: a detail follows its master's current record.
    for (TIBQuery* q : {IBQuery, IBprof, IBpodr, IBotp, IBhel, IBgroup, IBnazn, IBkids})
        if (q->GetActive() && q->GetState() == dsBrowse) q->Refresh();
}

bool TDM::HasUnsavedChange(TIBCustomDataSet* DataSet) const {
    if (!DataSet->GetActive()) return false;
    return DataSet->GetState() == dsEdit || DataSet->GetState() == dsInsert ||
           DataSet->UpdatesPending();
}

bool TDM::AskToSave(bool Confirmation) {
    const QString text = QString::fromUtf16(SSaveChanges);
    return Confirmation
               ? GetUserInteraction()->MessageDlg(text, QString(), mtConfirmation,
                                                  TMsgDlgButtons{mbYes, mbNo}, 0) == mrYes
               : GetUserInteraction()->MessageBox(text, QString::fromUtf16(SMessageCaption),
                                                  MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool TDM::SaveOrDiscard(TIBCustomDataSet* DataSet, bool Save) {
    if (!HasUnsavedChange(DataSet)) return true;
    const bool editing = DataSet->GetState() == dsEdit || DataSet->GetState() == dsInsert;
    if (!Save) {
        if (editing) DataSet->Cancel();
        DataSet->CancelUpdates();
        return true;
    }
    try {
        if (editing)
            DataSet->Post(); // saved by the rule after the post
        else
            this->Save(DataSet, false);
    } catch (EAbort&) {
        // the rule that refused has said why
    } catch (Exception& E) {
        showError(E.Message);
    }
    return !HasUnsavedChange(DataSet);
}

bool TDM::SaveOnClose(TIBCustomDataSet* DataSet, bool Confirmation) {
    if (!HasUnsavedChange(DataSet)) return true;
    return SaveOrDiscard(DataSet, AskToSave(Confirmation));
}

void TDM::SaveAfterPost(TDataSet* DataSet) {
    Save(static_cast<TIBCustomDataSet*>(DataSet), false);
}

void TDM::SaveAfterDelete(TDataSet* DataSet) {
    Save(static_cast<TIBCustomDataSet*>(DataSet), true);
}

void TDM::ConfirmDelete(TDataSet*) {
    if (GetUserInteraction()->MessageBox(QString::fromUtf16(SConfirmDelete),
                                         QString::fromUtf16(SConfirmDeleteCaption),
                                         MB_YESNO | MB_ICONQUESTION) != IDYES)
        Abort();
}

QString TDM::keyMessage(TDataSet* DataSet) const {
    if (DataSet == IBQuery || DataSet == IBotp)
        return QStringLiteral("Такий табельний номер вже існує.");
    if (DataSet == IBprof) return QStringLiteral("Такий код посади вже існує.");
    if (DataSet == IBpodr) return QStringLiteral("Такий код підрозділу вже існує.");
    if (DataSet == IBgroup) return QStringLiteral("Такий код групи вже існує.");
    if (DataSet == IBhel) return QStringLiteral("Такий номер вже існує.");
    if (DataSet == IBdepart) return QStringLiteral("Таке найменування виробництва вже існує.");
    return QString();
}

void TDM::KeyViolation(TDataSet* DataSet, EDatabaseError& E, TUpdateKind,
                       TUpdateAction& UpdateAction) {
    const QString text = keyMessage(DataSet);
    if (text.isEmpty() || !E.Message.startsWith(QLatin1String("violation")))
        return; // a plain failure: the save reports it
    showError(text);
    UpdateAction = uaAbort;
}

void TDM::PostError(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action) {
    // The statement ran at once and failed: say so and keep the record in edit.
    const QString key = keyMessage(DataSet);
    showError(!key.isEmpty() && E.Message.startsWith(QLatin1String("violation")) ? key
                                                                                 : ErrorText(E));
    Action = daAbort;
}

void TDM::execSql(const QString& Sql) {
    IBTrans->EnsureStarted();
    TIBSQL s(Database, IBTrans);
    s.Prepare(Sql);
    s.ExecQuery();
}

void TDM::InSavepoint(const QString& Name, const std::function<void()>& Work) {
    execSql(QStringLiteral("SAVEPOINT ") + Name);
    try {
        Work();
        execSql(QStringLiteral("RELEASE SAVEPOINT %1 ONLY").arg(Name));
    } catch (...) {
        try {
            execSql(QStringLiteral("ROLLBACK TO SAVEPOINT ") + Name);
        } catch (...) {
        }
        throw;
    }
}

// ---- employees -------------------------------------------------------------------------------

void TDM::IBQueryBeforeInsert(TDataSet*) {
    if (OnEmployeeInsert) OnEmployeeInsert(this);
}

void TDM::IBQueryBeforeEdit(TDataSet*) {
    NumberAtEditStart = IBQuery->FieldByName(QStringLiteral("TAB"))->GetAsString();
}

void TDM::IBQueryBeforePost(TDataSet*) {
    renumbering = IBQuery->GetState() == dsEdit &&
                  IBQuery->FieldByName(QStringLiteral("TAB"))->GetAsString() != NumberAtEditStart;
}

void TDM::IBQueryAfterPost(TDataSet*) {
    const bool saved = Save(IBQuery, false);
    const bool moved = renumbering && saved;
    renumbering = false;
    if (!moved) return;
    // The details were read for the new number before their rows moved to it.
    for (TIBQuery* detail : {IBnazn, IBkids}) {
        if (detail->GetActive() && detail->GetState() == dsBrowse) {
            detail->Close();
            detail->Open();
        }
    }
}

void TDM::IBQueryUpdateRecord(TDataSet*, TUpdateKind UpdateKind, TUpdateAction& Action) {
    if (UpdateKind != ukModify) return;
    // The employee's row first; when its number changed, the appointments and children follow
    // it in the same transaction. Either all of it is done or none.
    InSavepoint(QStringLiteral("KADR_RENUMBER"), [this] {
        IBUpdate->Apply(ukModify);
        IBQuery->ExecUpdateSQL(
            QStringLiteral("UPDATE NAZN SET TAB2 = :TAB WHERE TAB2 = :OLD_TAB AND TAB2 <> :TAB"),
            false);
        IBQuery->ExecUpdateSQL(
            QStringLiteral(
                "UPDATE KIDS SET KID_TAB = :TAB WHERE KID_TAB = :OLD_TAB AND KID_TAB <> :TAB"),
            false);
    });
    Action = uaApplied;
}

// ---- appointments ----------------------------------------------------------------------------

void TDM::IBnaznBeforeInsert(TDataSet*) {
    for (QString& s : CarryOver)
        s.clear();
    if (IBnazn->IsEmpty()) return;
    // Stand on the latest appointment by date (the last of equal dates; no date counts as
    // earliest) and carry its values over.
    TField* date = IBnazn->FieldByName(QStringLiteral("NAZ_DATE"));
    TBookmark best;
    double bestDate = -1e300;
    IBnazn->DisableControls();
    TScopeGuard enable([this] { IBnazn->EnableControls(); });
    IBnazn->First();
    while (!IBnazn->Eof()) {
        double d = date->IsNull() ? -1e299 : date->GetAsDateTime();
        if (d >= bestDate) {
            bestDate = d;
            best = IBnazn->GetBookmark();
        }
        IBnazn->Next();
    }
    IBnazn->GotoBookmark(best);
    enable.End();
    for (int i = 0; i < 6; ++i)
        CarryOver[i] =
            IBnazn->FieldByName(QString::fromLatin1(AppointmentFields[i]))->GetAsString();
}

void TDM::IBnaznAfterInsert(TDataSet*) {
    IBnazn->FieldByName(QStringLiteral("TAB2"))
        ->SetAsString(IBQuery->FieldByName(QStringLiteral("TAB"))->GetAsString());
    for (int i = 0; i < 6; ++i)
        if (!CarryOver[i].isEmpty())
            IBnazn->FieldByName(QString::fromLatin1(AppointmentFields[i]))
                ->SetAsString(CarryOver[i]);
    NewAppointment = true;
}

void TDM::IBnaznBeforePost(TDataSet*) {
    if (!NewAppointment) return;
    struct Check {
        const char* Field;
        const char* Text;
    };
    for (const Check& c :
         {Check{"KODP_4", "Введіть підрозділ."}, Check{"CPROF_3", "Введіть посаду працівника."},
          Check{"OKLAD", "Введіть оклад працівника."},
          Check{"NAZ_DATE", "Введіть дату призначення."}}) {
        if (IBnazn->FieldByName(QString::fromLatin1(c.Field))->GetAsString().isEmpty()) {
            messageBox(QString::fromUtf8(c.Text), QString::fromUtf16(SErrorCaption));
            Abort();
        }
    }
    for (int i = 0; i < 6; ++i)
        CarryOver[i] =
            IBnazn->FieldByName(QString::fromLatin1(AppointmentFields[i]))->GetAsString();
}

void TDM::IBnaznAfterPost(TDataSet*) {
    const bool saved = Save(IBnazn, false);
    if (!NewAppointment) return;
    NewAppointment = false;
    if (!saved) return;
    // Only the latest appointment describes the employee's present post.
    const QString tab = IBQuery->FieldByName(QStringLiteral("TAB"))->GetAsString();
    const TDateTime date = IBnazn->FieldByName(QStringLiteral("NAZ_DATE"))->GetAsDateTime();
    Variant later =
        scalar(this, QStringLiteral("select count(*) from NAZN where TAB2 = :T and NAZ_DATE > :D"),
               {{"T", Variant(tab)}, {"D", Variant::FromDate(date)}});
    if (!VarIsNull(later) && (later).AsInt() > 0) return;
    IBQuery->Edit();
    for (int i = 0; i < 6; ++i)
        setText(IBQuery->FieldByName(QString::fromLatin1(EmployeeFields[i])), CarryOver[i]);
    IBQuery->Post();
}

void TDM::IBnaznAfterCancel(TDataSet*) {
    NewAppointment = false;
}

// ---- groups and children ---------------------------------------------------------------------

void TDM::IBgroupAfterInsert(TDataSet*) {
    if (!IBpodr->GetActive() || IBpodr->IsEmpty()) return;
    TField* kodp = IBpodr->FieldByName(QStringLiteral("KODP"));
    if (kodp->IsNull()) return;
    const int subdivision = kodp->GetAsInteger();
    IBgroup->FieldByName(QStringLiteral("KODP_1"))->SetAsInteger(subdivision);
    const Variant count =
        scalar(this, QStringLiteral("select count(*) from PGROUP where KODP_1 = :K"),
               {{"K", Variant(subdivision)}});
    // The subdivision's digits followed by its group number; a code taken by another
    // subdivision's group moves on to the next number.
    for (int n = (count).AsInt() + 1;; ++n) {
        bool ok = false;
        const qlonglong code = (QString::number(subdivision) + QString::number(n)).toLongLong(&ok);
        if (!ok || code > INT_MAX || code < INT_MIN) {
            messageBox(QStringLiteral("Код нової групи виходить за межі допустимих значень."),
                       QString::fromUtf16(SErrorCaption));
            IBgroup->Cancel();
            Abort();
        }
        const Variant taken =
            scalar(this, QStringLiteral("select count(*) from PGROUP where KODG = :C"),
                   {{"C", Variant(int(code))}});
        if ((taken).AsInt() == 0) {
            IBgroup->FieldByName(QStringLiteral("KODG"))->SetAsInteger(int(code));
            return;
        }
    }
}

void TDM::IBkidsAfterInsert(TDataSet*) {
    IBkids->FieldByName(QStringLiteral("KID_TAB"))
        ->SetAsString(IBQuery->FieldByName(QStringLiteral("TAB"))->GetAsString());
}

// ---- leave orders ----------------------------------------------------------------------------

void TDM::IBotpAfterInsert(TDataSet*) {
    const TDateTime today = Date();
    const int y = YearOf(today) - 1;
    IBotp->FieldByName(QStringLiteral("PERIODB"))->SetAsString(QStringLiteral("01.01.%1").arg(y));
    IBotp->FieldByName(QStringLiteral("PERIODE"))->SetAsString(QStringLiteral("31.12.%1").arg(y));
    IBotp->FieldByName(QStringLiteral("OTP_B"))->SetAsDateTime(today);
    IBotp->FieldByName(QStringLiteral("OTP_E"))->SetAsDateTime(today);
}

bool TDM::LeaveTotals() {
    int total = 0;
    for (const char* name :
         {"PERIODD", "DOD_D", "INVV", "INVD", "SKID_D", "SMEN_D", "STAJ_D", "NORM_D", "CHILD_D"}) {
        TField* f = IBotp->FieldByName(QString::fromLatin1(name));
        if (!f->IsNull()) total += f->GetAsInteger();
    }
    TField* begin = IBotp->FieldByName(QStringLiteral("OTP_B"));
    TField* end = IBotp->FieldByName(QStringLiteral("OTP_E"));
    bool found = true;
    if (total == 0 || begin->IsNull()) {
        end->Clear();
    } else {
        const TDateTime last = CountDays(begin->GetAsDateTime(), total, 0, &found);
        if (found) end->SetAsDateTime(last);
    }
    IBotp->FieldByName(QStringLiteral("VS_KAL"))->SetAsInteger(total);
    IBotp->FieldByName(QStringLiteral("VS_RAB"))->SetAsInteger(0);
    return found;
}

void TDM::LeaveWorkYear() {
    TField* periodB = IBotp->FieldByName(QStringLiteral("PERIODB"));
    if (!periodB->IsNull())
        IBotp->FieldByName(QStringLiteral("PERIODE"))
            ->SetAsDateTime(WorkYearEnd(periodB->GetAsDateTime()));
}

void TDM::IBotpBeforePost(TDataSet*) {
    if (!LeaveTotals()) Abort(); // no calendar: the order stays in edit
    LeaveWorkYear();
}

// ---- sick-leave sheets -----------------------------------------------------------------------

void TDM::IBhelBeforePost(TDataSet*) {
    TField* num = IBhel->FieldByName(QStringLiteral("HEL_NUM"));
    const QString number = num->GetAsString();
    if (number.isEmpty()) return;
    int same = scalar(this, QStringLiteral("select count(*) from HEALTH where HEL_NUM = :N"),
                      {{"N", Variant(number)}})
                   .AsInt();
    // The sheet being edited may keep its own number.
    if (IBhel->GetState() == dsEdit && VarToStr(num->GetOldValue()) == number) --same;
    if (same > 0) {
        showError(QStringLiteral("Такий номер вже існує."));
        Abort();
    }
}

// ---- calendar --------------------------------------------------------------------------------

bool TDM::LoadYear(int Year, TCalendarYear& Image) {
    try {
        IBCal->Close();
        IBCal->SetTableName(CalendarTableName(Year));
        IBCal->Open();
        TCalendarYear read;
        bool months[12] = {};
        for (IBCal->First(); !IBCal->Eof(); IBCal->Next()) {
            TField* inf = IBCal->FieldByName(QStringLiteral("INF"));
            const int m = inf->IsNull() ? 0 : inf->GetAsInteger();
            if (m < 1 || m > 12) continue;
            months[m - 1] = true;
            for (int d = 1; d <= 31; ++d) {
                read.Day(m, d).Text =
                    IBCal->FieldByName(QStringLiteral("D%1").arg(d))->GetAsString().left(2);
                read.Day(m, d).Mark =
                    IBCal->FieldByName(QStringLiteral("D%1WEEK").arg(d))->GetAsString().left(2);
            }
            // A first weekday out of range is taken from the date itself.
            TField* week = IBCal->FieldByName(QStringLiteral("D_WEEK"));
            const int w = week->IsNull() ? -1 : week->GetAsInteger();
            read.FirstWeekday[m - 1] =
                w >= 0 && w <= 6 ? w : (DayOfWeek(EncodeDate(Year, m, 1)) + 5) % 7;
        }
        IBCal->Close();
        // A calendar is the twelve months; a table without one of them is not one.
        if (!std::all_of(std::begin(months), std::end(months), [](bool b) { return b; }))
            return false;
        Image = read;
        return true;
    } catch (Exception&) {
        try {
            IBCal->Close();
        } catch (Exception&) {
        }
        return false;
    }
}

TDateTime TDM::CountDays(TDateTime Start, int Days, int Mode, bool* Found) {
    TCountResult r = CountLeaveDays(*this, Start, Days, Mode);
    if (Found) *Found = r.MissingYear == 0;
    if (r.MissingYear != 0)
        GetUserInteraction()->MessageBox(MissingCalendarText(r.MissingYear),
                                         QStringLiteral("Ошибка"), MB_OK);
    return r.End;
}
