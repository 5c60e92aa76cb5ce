// Every test runs on a freshly started engine; bytes from a list of values.
#pragma once

#include "FR_Class.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

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
