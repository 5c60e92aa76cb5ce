// The report dataset over a database dataset (directly or through a data source), and the
// field and bookmark helpers of database datasets.
#pragma once

#include "DB.h"
#include "FR_DSet.h"

class TfrDBDataSet : public TfrDataset {
    KADRION_CLASS(TfrDBDataSet)
    explicit TfrDBDataSet(TComponent* AOwner) : TfrDataset(AOwner) {}
    ~TfrDBDataSet() override;

    void Init() override;
    void Exit() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;

    // The data source's dataset when one is set, else DataSet; EDSError when neither.
    TDataSet* GetDataSet();
    TDataSet* GetDataSetProp() const { return FDataSet; }
    // Setting a dataset clears the data source; a non-empty data source clears the dataset.
    void SetDataSet(TDataSet* Value);
    TDataSource* GetDataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* Value);

    bool OpenDataSource = true;
    bool CloseDataSource = false;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TDataSet* FDataSet = nullptr;
    TDataSource* FDataSource = nullptr;
    TBookmark FBookmark;
    bool FBookmarkSaved = false;
    bool FEof = false; // a walk that ends at the current record has reached it
};

bool frIsBlob(TField* Field);
// Copies a blob field into a stream, which is then rewound.
void frAssignBlobTo(TField* Blob, TStream* Stream);
void frGetFieldNames(TDataSet* DataSet, TStrings* List);
TBookmark frGetBookmark(TDataSet* DataSet);
void frGotoBookmark(TDataSet* DataSet, const TBookmark& BM);
void frFreeBookmark(TDataSet* DataSet, TBookmark& BM);
bool frIsBookmarksEqual(TDataSet* DataSet, const TBookmark& b1, const TBookmark& b2);
