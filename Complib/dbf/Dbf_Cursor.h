// Positions in a table: in record order, or (the index cursor) in the key order of one tag.
#pragma once

#include "Dbf_PgFile.h"

class TVirtualCursor {
public:
    explicit TVirtualCursor(TPagedFile* file) : file(file) {}
    virtual ~TVirtualCursor() = default;

    virtual int GetPhysicalRecNo() = 0;
    virtual int GetSequentialRecNo() = 0;
    virtual int GetSequentialRecordCount() = 0;
    virtual void SetPhysicalRecNo(int n) = 0;
    virtual void SetSequentialRecNo(int n) = 0;
    virtual bool Next() = 0;
    virtual bool Prev() = 0;
    virtual void First() = 0;
    virtual void Last() = 0;
    virtual int GetBookMark() = 0;
    virtual bool GotoBookmark(int n) = 0;
    virtual void Insert(int recNo, const char* rec) = 0;
    virtual void Update(int recNo, const char* oldRec, const char* newRec) = 0;

    TPagedFile* File() const { return file; }

protected:
    TPagedFile* file;
};

// Record order: 0 is before the first record, count + 1 after the last. Last takes the count
// only when the position is asked for (a shared file asks the system for it): an append goes
// to the end and is then placed on its own record without it.
class TDbfCursor : public TVirtualCursor {
public:
    explicit TDbfCursor(TPagedFile* file) : TVirtualCursor(file) {}

    int GetPhysicalRecNo() override { return position(); }
    int GetSequentialRecNo() override { return position(); }
    int GetSequentialRecordCount() override { return file->GetRecordCount(); }
    void SetPhysicalRecNo(int n) override { current = n; }
    void SetSequentialRecNo(int n) override { current = n; }
    bool Next() override;
    bool Prev() override;
    void First() override { current = 0; }
    void Last() override { current = AfterLast; }
    int GetBookMark() override { return position(); }
    bool GotoBookmark(int n) override {
        current = n;
        return true;
    }
    void Insert(int recNo, const char*) override { current = recNo; }
    void Update(int, const char*, const char*) override {}

private:
    static constexpr int AfterLast = INT32_MAX; // after the last record, count not taken yet
    int position();
    int current = 0;
};
