// The embedded database engine for a test executable: its lock files in a directory of this
// process (so that test runs never meet each other's or a server's), and the engine shut down
// after the last test, before that directory goes. Register it once per executable:
//   const auto* engine = ::testing::AddGlobalTestEnvironment(new EmbeddedEngineEnvironment);
// A header, not a part of the library: only the executables that link the Firebird client use it.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ibase.h>
#include <memory>

class EmbeddedEngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        lockDir = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                  QStringLiteral("/kadrion-fblock-XXXXXX"));
        qputenv("FIREBIRD_LOCK", QFile::encodeName(lockDir->path()));
    }
    void TearDown() override {
        fb_shutdown(0, fb_shutrsn_app_stopped);
        lockDir.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> lockDir;
};
