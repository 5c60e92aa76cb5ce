// A recorder of dataset events and data-link notifications, for tests.
//
//   TDataEventRecorder rec;
//   rec.Watch(&ds);            // chains itself in front of the dataset's events
//   TRecordingDataLink link(&rec, &source, 5);
//   ds.Next();
//   EXPECT_EQ(rec.Take(), QStringList({"BeforeScroll", "link:DataSetScrolled(1)", "AfterScroll"}));
//
// Entries: the dataset event's name ("BeforePost", "OnNewRecord", "OnCalcFields" only when
// RecordCalcFields is set); link notifications as "link:ActiveChanged(1)",
// "link:DataSetChanged", "link:DataSetScrolled(<distance>)", "link:LayoutChanged",
// "link:RecordChanged(<field name or nil>)", "link:EditingChanged(<editing 0/1>)",
// "link:UpdateData", "link:CheckBrowseMode", "link:FocusControl(<field>)"; data source events
// as "source:StateChange(<state>)", "source:DataChange(<field or nil>)", "source:UpdateData".
// A link's prefix is its Name ("link" by default). Handlers installed before Watch still run
// (after the entry is written); Unwatch puts them back.
#pragma once

#include "DB.h"

#include <QString>
#include <QStringList>
#include <vector>

class TDataEventRecorder {
public:
    TDataEventRecorder() = default;
    ~TDataEventRecorder() { Unwatch(); }
    TDataEventRecorder(const TDataEventRecorder&) = delete;
    TDataEventRecorder& operator=(const TDataEventRecorder&) = delete;

    void Add(const QString& Entry) { log.append(Entry); }
    // Everything recorded so far; Take also clears it.
    QStringList Log() const { return log; }
    QStringList Take() {
        QStringList r = log;
        log.clear();
        return r;
    }
    void Clear() { log.clear(); }
    bool RecordCalcFields = false;

    void Watch(TDataSet* DataSet) {
        Unwatch();
        ds = DataSet;
        saved = Saved{ds->BeforeOpen,    ds->AfterOpen,    ds->BeforeClose,  ds->AfterClose,
                      ds->BeforeInsert,  ds->AfterInsert,  ds->BeforeEdit,   ds->AfterEdit,
                      ds->BeforePost,    ds->AfterPost,    ds->BeforeCancel, ds->AfterCancel,
                      ds->BeforeDelete,  ds->AfterDelete,  ds->BeforeScroll, ds->AfterScroll,
                      ds->BeforeRefresh, ds->AfterRefresh, ds->OnNewRecord,  ds->OnCalcFields};
        hook(ds->BeforeOpen, "BeforeOpen");
        hook(ds->AfterOpen, "AfterOpen");
        hook(ds->BeforeClose, "BeforeClose");
        hook(ds->AfterClose, "AfterClose");
        hook(ds->BeforeInsert, "BeforeInsert");
        hook(ds->AfterInsert, "AfterInsert");
        hook(ds->BeforeEdit, "BeforeEdit");
        hook(ds->AfterEdit, "AfterEdit");
        hook(ds->BeforePost, "BeforePost");
        hook(ds->AfterPost, "AfterPost");
        hook(ds->BeforeCancel, "BeforeCancel");
        hook(ds->AfterCancel, "AfterCancel");
        hook(ds->BeforeDelete, "BeforeDelete");
        hook(ds->AfterDelete, "AfterDelete");
        hook(ds->BeforeScroll, "BeforeScroll");
        hook(ds->AfterScroll, "AfterScroll");
        hook(ds->BeforeRefresh, "BeforeRefresh");
        hook(ds->AfterRefresh, "AfterRefresh");
        hook(ds->OnNewRecord, "OnNewRecord");
        TDataSetNotifyEvent prevCalc = ds->OnCalcFields;
        ds->OnCalcFields = [this, prevCalc](TDataSet* d) {
            if (RecordCalcFields) Add(QStringLiteral("OnCalcFields"));
            if (prevCalc) prevCalc(d);
        };
    }

    void Unwatch() {
        if (!ds) return;
        ds->BeforeOpen = saved.beforeOpen;
        ds->AfterOpen = saved.afterOpen;
        ds->BeforeClose = saved.beforeClose;
        ds->AfterClose = saved.afterClose;
        ds->BeforeInsert = saved.beforeInsert;
        ds->AfterInsert = saved.afterInsert;
        ds->BeforeEdit = saved.beforeEdit;
        ds->AfterEdit = saved.afterEdit;
        ds->BeforePost = saved.beforePost;
        ds->AfterPost = saved.afterPost;
        ds->BeforeCancel = saved.beforeCancel;
        ds->AfterCancel = saved.afterCancel;
        ds->BeforeDelete = saved.beforeDelete;
        ds->AfterDelete = saved.afterDelete;
        ds->BeforeScroll = saved.beforeScroll;
        ds->AfterScroll = saved.afterScroll;
        ds->BeforeRefresh = saved.beforeRefresh;
        ds->AfterRefresh = saved.afterRefresh;
        ds->OnNewRecord = saved.onNewRecord;
        ds->OnCalcFields = saved.onCalcFields;
        ds = nullptr;
    }

    // Records the data source's own events (chained in front of handlers already there).
    void WatchSource(TDataSource* Source, const QString& Prefix = QStringLiteral("source")) {
        TNotifyEvent prevState = Source->OnStateChange;
        Source->OnStateChange = [this, Source, Prefix, prevState](TObject* s) {
            Add(Prefix + QStringLiteral(":StateChange(%1)").arg(int(Source->GetState())));
            if (prevState) prevState(s);
        };
        TDataChangeEvent prevData = Source->OnDataChange;
        Source->OnDataChange = [this, Prefix, prevData](TObject* s, TField* f) {
            Add(Prefix + QStringLiteral(":DataChange(%1)")
                             .arg(f ? f->GetFieldName() : QStringLiteral("nil")));
            if (prevData) prevData(s, f);
        };
        TNotifyEvent prevUpdate = Source->OnUpdateData;
        Source->OnUpdateData = [this, Prefix, prevUpdate](TObject* s) {
            Add(Prefix + QStringLiteral(":UpdateData"));
            if (prevUpdate) prevUpdate(s);
        };
    }

private:
    struct Saved {
        TDataSetNotifyEvent beforeOpen, afterOpen, beforeClose, afterClose, beforeInsert,
            afterInsert, beforeEdit, afterEdit, beforePost, afterPost, beforeCancel, afterCancel,
            beforeDelete, afterDelete, beforeScroll, afterScroll, beforeRefresh, afterRefresh,
            onNewRecord, onCalcFields;
    };
    void hook(TDataSetNotifyEvent& Event, const char* Name) {
        TDataSetNotifyEvent prev = Event;
        QString name = QString::fromLatin1(Name);
        Event = [this, prev, name](TDataSet* d) {
            Add(name);
            if (prev) prev(d);
        };
    }
    QStringList log;
    TDataSet* ds = nullptr;
    Saved saved;
};

// A data link that writes every notification into a recorder and keeps, for checks, the
// window it sees after each one.
class TRecordingDataLink : public TDataLink {
    KADRION_CLASS(TRecordingDataLink)
    TRecordingDataLink(TDataEventRecorder* ARecorder, TDataSource* Source, int ABufferCount = 1,
                       const QString& AName = QStringLiteral("link"))
        : Name(AName), recorder(ARecorder) {
        SetBufferCount(ABufferCount);
        SetDataSource(Source);
    }
    ~TRecordingDataLink() override { SetDataSource(nullptr); }

    // The values of Field in every buffer of this link's window, read by switching
    // ActiveRecord (which must not move the dataset or fire anything).
    QStringList WindowValues(const QString& FieldName) {
        QStringList r;
        TDataSet* d = GetDataSet();
        if (!d || !GetActive()) return r;
        TField* f = d->FieldByName(FieldName);
        int saved = GetActiveRecord();
        for (int i = 0; i < GetRecordCount(); ++i) {
            SetActiveRecord(i);
            r << f->GetAsString();
        }
        SetActiveRecord(saved);
        return r;
    }
    // A field to answer FocusControl with (the request is then taken).
    TField* FocusField = nullptr;
    QString Name;

protected:
    void ActiveChanged() override {
        add(QStringLiteral("ActiveChanged(%1)").arg(GetActive() ? 1 : 0));
    }
    void CheckBrowseMode() override { add(QStringLiteral("CheckBrowseMode")); }
    void DataSetChanged() override { add(QStringLiteral("DataSetChanged")); }
    void DataSetScrolled(int Distance) override {
        add(QStringLiteral("DataSetScrolled(%1)").arg(Distance));
    }
    void LayoutChanged() override { add(QStringLiteral("LayoutChanged")); }
    void EditingChanged() override {
        add(QStringLiteral("EditingChanged(%1)").arg(GetEditing() ? 1 : 0));
    }
    void FocusControl(TField** Field) override {
        add(QStringLiteral("FocusControl(%1)")
                .arg(*Field ? (*Field)->GetFieldName() : QStringLiteral("nil")));
        if (FocusField && *Field == FocusField) *Field = nullptr;
    }
    void RecordChanged(TField* Field) override {
        add(QStringLiteral("RecordChanged(%1)")
                .arg(Field ? Field->GetFieldName() : QStringLiteral("nil")));
    }
    void UpdateData() override { add(QStringLiteral("UpdateData")); }

private:
    void add(const QString& What) {
        if (recorder) recorder->Add(Name + QLatin1Char(':') + What);
    }
    TDataEventRecorder* recorder;
};
