// What the print system (CUPS) itself says of a queue and of the last job handed to it, asked
// through its client library, the one Qt's print support uses. Qt hands jobs over without
// telling whether they were taken; these answers let the printer layer raise an error instead
// of losing a document. Without the library (no CUPS on the machine) nothing is known and every
// check passes.
#pragma once

#include <QString>

struct TQueueState {
    bool Known = false;    // the print system answered
    bool Exists = true;    // it has a queue of that name
    bool Accepting = true; // the queue takes jobs
    QString Reason;        // why it does not (the queue's state message), may be empty
};

// The state of the queue Name now. A successful answer also clears the print system's last
// error, so that JobRefusal() afterwards speaks of the next job only.
TQueueState QueueState(const QString& Name);
// After a job was handed over on this thread: empty when the print system accepted it, else
// its reason for refusing.
QString JobRefusal();
