// A personnel database made by CreateNewBase in a temporary directory (embedded engine), the
// data module over it, and the scripted user-interaction service.
#pragma once

#include "DMUnit.h"
#include "Dialogs.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class AppDbTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The database's connection string: a file of the test's folder (the embedded engine).
    virtual QString DbPath() const { return dir.filePath(QStringLiteral("kadr.fdb")); }
    // Runs a statement in the data module's transaction and commits.
    void Exec(const QString& Sql);
    // The first column of the first row.
    Variant Scalar(const QString& Sql);
    int Count(const QString& Table, const QString& Where = QString());
    // Texts of every question asked so far, in order.
    QStringList AskedTexts() const;
    // Writes CAL<Year> as the calendar window would, with the given dates marked "п".
    void WriteCalendar(int Year, const QList<TDateTime>& Holidays = {});

    QTemporaryDir dir;
    TScriptedInteraction ui;
    std::unique_ptr<TUserInteractionSwap> swap;
    std::unique_ptr<TDM> dm;
};
