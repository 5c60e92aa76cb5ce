// Every test runs on a freshly started engine.
#pragma once

#include "FR_Class.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>

// Failures show texts as texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << "{" << l.join(QStringLiteral(" | ")).toStdString() << "}";
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { frStartEngine(); }
    void TearDown() override { frStopEngine(); }
};

// Bytes from a list of values 0..255.
inline QByteArray bytes(std::initializer_list<int> b) {
    QByteArray r;
    for (int x : b)
        r.append(char(x));
    return r;
}
