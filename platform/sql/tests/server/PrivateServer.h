// A Firebird server of the test's own (cmake/firebird.sh in a temporary folder, on a free
// local port), which the test may pause, kill and start again; the machine's server is never
// touched. Used by the tests of a lost connection.
#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <sys/types.h>

class TPrivateServer {
public:
    ~TPrivateServer() {
        Resume();
        Stop();
    }
    // Starts the server (again, on the same port, after Stop or Kill). False, with Reason,
    // when none can be had here.
    bool Start() {
        if (!dir.isValid()) {
            Reason = QStringLiteral("no temporary folder");
            return false;
        }
        QProcess p;
        p.start(QStringLiteral(KADRION_SOURCE_DIR "/cmake/firebird.sh"),
                {QStringLiteral("start"), dir.path()});
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            Reason = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
            if (Reason.isEmpty()) Reason = QStringLiteral("cmake/firebird.sh failed");
            return false;
        }
        const QStringList out =
            QString::fromLatin1(p.readAllStandardOutput()).trimmed().split(u' ');
        if (out.size() != 2) return false;
        port = out[0];
        pid = pid_t(out[1].toInt());
        return true;
    }
    void Stop() {
        if (!pid) return;
        QProcess::execute(QStringLiteral(KADRION_SOURCE_DIR "/cmake/firebird.sh"),
                          {QStringLiteral("stop"), dir.path()});
        pid = 0;
        paused = false;
    }
    // The server process stops answering, as a hung server does, and goes on again.
    void Pause() {
        if (pid && ::kill(pid, SIGSTOP) == 0) paused = true;
    }
    void Resume() {
        if (pid && paused) ::kill(pid, SIGCONT);
        paused = false;
    }
    // The server dies at once, as in a crash.
    void Kill() {
        if (!pid) return;
        ::kill(pid, SIGKILL);
        pid = 0;
        paused = false;
    }
    // "localhost/<port>", for "<server>:<path>" names and service managers.
    QString Name() const { return QStringLiteral("localhost/") + port; }
    // A folder the server can write databases to.
    QString Folder() const { return dir.path(); }

    QString Reason;

private:
    QTemporaryDir dir;
    QString port;
    pid_t pid = 0;
    bool paused = false;
};
