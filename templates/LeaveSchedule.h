// The two leave schedules share their head: the organisation, the head's approval in the
// upper right corner and the title.
#pragma once

#include "TemplateKit.h"

inline void LeaveScheduleHead(TTemplate& T, const QString& Title) {
    const double w = T.Width();
    T.Band(btReportTitle, 46);
    T.Text(0, 0, w * 0.5, 12, "[Org]", TStyle().Pt(11).Bold());
    T.Text(w * 0.6, 0, w * 0.4, 6, "ЗАТВЕРДЖУЮ", TStyle().Pt(11).Bold());
    T.Text(w * 0.6, 6, w * 0.4, 10, "[Pos]", TStyle().Pt(11));
    T.Line(w * 0.6, 21, w * 0.15);
    T.Text(w * 0.76, 16, w * 0.24, 6, "[Boss]", TStyle().Pt(11));
    T.Text(w * 0.6, 23, w * 0.4, 6, "«____» ______________ 20___ р.", TStyle().Pt(11));
    T.Text(0, 32, w, 8, Title, TStyle().Pt(14).Bold().Center());
}

// The head's signature under the schedule.
inline void LeaveScheduleFoot(TTemplate& T) {
    T.Band(btReportSummary, 16);
    T.Signature(8);
}
