// Fills a personnel database with fictional employees of the generator, through the data
// module's own datasets, so that every rule of a post runs as when a user types them in: the
// directories (subdivisions, their groups, positions, productions), then each employee with
// the appointments (the latest one carried into the card) and the children.
#pragma once

#include "EmployeeGen.h"

#include <QStringList>

struct TFillCounts {
    int Subdivisions = 0;
    int Groups = 0;
    int Positions = 0;
    int Productions = 0;
    int Employees = 0;
    int Appointments = 0;
    int Children = 0;
};

// Writes the directories and the employees into the database DM is connected to. Rows whose
// key is there already are left as they are (filling twice adds nothing). Progress, when
// given, is told after each employee. Returns what was added.
TFillCounts FillDatabase(const TGenDirectories& Directories,
                         const std::vector<TGenEmployee>& Employees,
                         const std::function<void(int Done)>& Progress = {});
