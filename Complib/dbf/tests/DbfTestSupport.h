// Helpers of the dBase engine tests: temporary folders and file bytes (the independent readers
// are RunPython and RunPerl of TestSupport.h).
#pragma once

#include "TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A full disk, as the process meets it, for as long as it lives: no file may grow past the
// present size of the given one (writes beyond fail with "File too large").
class TFullDisk {
public:
    explicit TFullDisk(const QString& path) {
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = rlim_t(QFileInfo(path).size());
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFullDisk() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    TFullDisk(const TFullDisk&) = delete;
    TFullDisk& operator=(const TFullDisk&) = delete;

private:
    rlimit saved{};
};
