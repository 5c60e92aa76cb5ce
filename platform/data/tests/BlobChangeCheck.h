// What every dataset's blob values must do when a change is refused: the refusal reaches the
// caller and the field keeps its former value, in the record being edited and once posted.
// Shared by the tests of the in-memory, the Firebird and the dBase datasets.
#pragma once

#include "DB.h"

#include <functional>
#include <gtest/gtest.h>

struct TBlobChangeFixture {
    TDataSet* DataSet;
    TField* Memo; // holds Former in the current record, the dataset browsing
    QString Former;
    // From true until false, the dataset's writes of blob values fail.
    std::function<void(bool)> FailWrites;
    // The value as stored once posted, read back past the dataset's record buffers.
    std::function<QString()> Stored;
};

inline void CheckRefusedBlobChanges(const TBlobChangeFixture& F) {
    // Longer than the former value, so that a file-based dataset needs room of its own for it
    // (the texts keep to letters every code page of the datasets has).
    const QString refused =
        QStringLiteral("Нова нотатка, що довша за стару: ") + QString(600, QChar(u'ж'));
    struct Row {
        const char* What;
        bool HandlerRaises;
    } rows[] = {{"the OnChange handler raises", true}, {"the write fails", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        F.DataSet->Edit();
        if (r.HandlerRaises)
            F.Memo->OnChange = [](TField*) {
                throw EDatabaseError(QStringLiteral("Примітку не прийнято"));
            };
        else
            F.FailWrites(true);
        bool raised = false;
        try {
            F.Memo->SetAsString(refused);
        } catch (const Exception& E) {
            raised = true;
            if (r.HandlerRaises) {
                EXPECT_EQ(E.Message, QStringLiteral("Примітку не прийнято"));
            }
        }
        F.Memo->OnChange = nullptr;
        F.FailWrites(false);
        EXPECT_TRUE(raised) << "the change was lost without a word";
        EXPECT_EQ(F.Memo->GetAsString(), F.Former);
        F.DataSet->Post();
        EXPECT_EQ(F.Memo->GetAsString(), F.Former);
        EXPECT_EQ(F.Stored(), F.Former);
    }
    // A change nobody refuses is taken, and the handler sees it.
    QString seen;
    F.Memo->OnChange = [&seen](TField* Sender) { seen = Sender->GetAsString(); };
    F.DataSet->Edit();
    F.Memo->SetAsString(QStringLiteral("Прийнята нотатка"));
    F.DataSet->Post();
    F.Memo->OnChange = nullptr;
    EXPECT_EQ(seen, QStringLiteral("Прийнята нотатка"));
    EXPECT_EQ(F.Stored(), QStringLiteral("Прийнята нотатка"));
}
