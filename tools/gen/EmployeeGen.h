#pragma once
// Fictional employees for trying and measuring the system: Ukrainian names, birth and hire dates,
// subdivisions with their groups, positions, appointments and children. The same count and seed
// always give the same people, on every machine (the generator has its own random numbers).
// The demo database, the benchmarks and the screenshots all take their people from here.

#include "Dates.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

struct TGenSubdivision {
    int Code = 0; // PODR.KODP
    QString Name; // PODR.NAIPODR
};

struct TGenGroup {
    int Subdivision = 0; // PGROUP.KODP_1
    int Code = 0;        // PGROUP.KODG: the subdivision's digits, then the group's number
    QString Name;        // PGROUP.NAIGR
};

struct TGenPosition {
    QString Code; // PROF.CODPROF
    QString Name; // PROF.NAMPROF
};

struct TGenChild {
    QString Name; // KIDS.KID_NAME: name and patronymic
    QString Sex;  // "Ч" or "Ж"
    TDateTime BirthDate = 0;
};

struct TGenAppointment {
    TDateTime Date = 0; // NAZN.NAZ_DATE
    int Subdivision = 0;
    QString Position;
    QString Rank;      // NAZN.ROZ
    QString Category;  // NAZN.KAT: a short category code
    double Salary = 0; // NAZN.OKLAD, two decimals
    QString OrderNo;   // NAZN.NAK_N
    TDateTime OrderDate = 0;
};

struct TGenEmployee {
    QString Tab;             // KADR.TAB: five digits
    QString Family;          // KADR.FAMILY
    QString Name;            // KADR.NAME
    QString Patronymic;      // KADR.PATR
    QString Sex;             // "Ч" or "Ж"
    TDateTime BirthDate = 0; // 0 for an unknown birth date (a few employees)
    QString BirthPlace;
    QString Phone;
    QString Address;
    QString Passport;
    int Subdivision = 0;
    int Group = 0; // 0: no group
    QString Position;
    QString Category; // "Керівник", "Професіонал", "Фахівець", "Тех.службовець", "Робітник"
    QString Education; // "Повна вища", "Неповна вища", "Базова вища", "Проф. тех.", ...
    QString FamilyStatus;
    TDateTime HireDate = 0;
    TDateTime DismissalDate = 0; // 0 while employed
    QString DismissalReason;
    double Salary = 0;
    std::vector<TGenChild> Children;
    std::vector<TGenAppointment> Appointments; // oldest first; the last is the current one
};

struct TGenDirectories {
    std::vector<TGenSubdivision> Subdivisions;
    std::vector<TGenGroup> Groups;
    std::vector<TGenPosition> Positions;
    QStringList Productions; // DEPART.NAMEDEP, at most 15 characters each
};

class TEmployeeGenerator {
public:
    // `today` bounds every date (nobody is hired or born after it).
    explicit TEmployeeGenerator(uint64_t seed = 1, TDateTime today = EncodeDate(2026, 12, 1));

    // The directories the employees refer to; the same for every seed.
    static TGenDirectories Directories();

    // `count` employees with personnel numbers 00001, 00002, ... (count <= 99999).
    std::vector<TGenEmployee> Employees(int count);

    // One more employee with the given personnel number.
    TGenEmployee Next(int number);

    // Random numbers, for callers that vary data of their own the same reproducible way.
    uint64_t NextRandom();
    int Uniform(int lo, int hi); // lo..hi inclusive

private:
    TDateTime RandomDate(TDateTime from, TDateTime to);
    QString Pick(const QStringList& list);

    uint64_t State;
    TDateTime Today;
};
