#include "EmployeeGen.h"

#include <algorithm>
#include <cmath>

namespace {

struct Surname {
    const char* Male;
    const char* Female;
};

// Surnames with both forms; the list starts the alphabet's awkward letters (Ґ, Є, І, Ї) and
// apostrophes early, so even a few generated people exercise sorting and quoting.
const Surname Surnames[] = {
    {"Іваненко", "Іваненко"},
    {"Ґалаґан", "Ґалаґан"},
    {"Д'яченко", "Д'яченко"},
    {"Єременко", "Єременко"},
    {"Їжакевич", "Їжакевич"},
    {"Ярош", "Ярош"},
    {"Шевченко", "Шевченко"},
    {"Коваленко", "Коваленко"},
    {"Бондаренко", "Бондаренко"},
    {"Ткаченко", "Ткаченко"},
    {"Кравченко", "Кравченко"},
    {"Олійник", "Олійник"},
    {"Шевчук", "Шевчук"},
    {"Поліщук", "Поліщук"},
    {"Бойко", "Бойко"},
    {"Ткачук", "Ткачук"},
    {"Мельник", "Мельник"},
    {"Лисенко", "Лисенко"},
    {"Мороз", "Мороз"},
    {"Гнатюк", "Гнатюк"},
    {"Савчук", "Савчук"},
    {"Руденко", "Руденко"},
    {"Марченко", "Марченко"},
    {"Павленко", "Павленко"},
    {"Юрченко", "Юрченко"},
    {"Демченко", "Демченко"},
    {"Гончаренко", "Гончаренко"},
    {"Захарченко", "Захарченко"},
    {"Литвиненко", "Литвиненко"},
    {"Костенко", "Костенко"},
    {"Романюк", "Романюк"},
    {"Дячук", "Дячук"},
    {"Петрук", "Петрук"},
    {"Зінченко", "Зінченко"},
    {"Кириленко", "Кириленко"},
    {"Остапчук", "Остапчук"},
    {"Сидоренко", "Сидоренко"},
    {"Федоренко", "Федоренко"},
    {"Харченко", "Харченко"},
    {"Цимбалюк", "Цимбалюк"},
    {"Якименко", "Якименко"},
    {"Щербак", "Щербак"},
    {"Власенко", "Власенко"},
    {"Вовк", "Вовк"},
    {"Гуменюк", "Гуменюк"},
    {"Данилюк", "Данилюк"},
    {"Нестеренко", "Нестеренко"},
    {"Білоус", "Білоус"},
    {"П'ятак", "П'ятак"},
    {"Сем'янович", "Сем'янович"},
    {"Осадчий", "Осадча"},
    {"Ковальський", "Ковальська"},
    {"Березовський", "Березовська"},
    {"Вишневський", "Вишневська"},
    {"Заріцький", "Заріцька"},
    {"Чорновол", "Чорновол"},
    {"Гребенюк", "Гребенюк"},
    {"Ємець", "Ємець"},
    {"Ігнатенко", "Ігнатенко"},
    {"Ґудзь", "Ґудзь"},
};

struct MaleName {
    const char* Name;
    const char* SonOf;      // patronymic of a son
    const char* DaughterOf; // patronymic of a daughter
};

const MaleName MaleNames[] = {
    {"Олександр", "Олександрович", "Олександрівна"},
    {"Андрій", "Андрійович", "Андріївна"},
    {"Богдан", "Богданович", "Богданівна"},
    {"Василь", "Васильович", "Василівна"},
    {"Віктор", "Вікторович", "Вікторівна"},
    {"Володимир", "Володимирович", "Володимирівна"},
    {"Дмитро", "Дмитрович", "Дмитрівна"},
    {"Євген", "Євгенович", "Євгенівна"},
    {"Іван", "Іванович", "Іванівна"},
    {"Ігор", "Ігорович", "Ігорівна"},
    {"Микола", "Миколайович", "Миколаївна"},
    {"Михайло", "Михайлович", "Михайлівна"},
    {"Олег", "Олегович", "Олегівна"},
    {"Петро", "Петрович", "Петрівна"},
    {"Сергій", "Сергійович", "Сергіївна"},
    {"Тарас", "Тарасович", "Тарасівна"},
    {"Юрій", "Юрійович", "Юріївна"},
    {"Ярослав", "Ярославович", "Ярославівна"},
    {"Григорій", "Григорович", "Григорівна"},
    {"В'ячеслав", "В'ячеславович", "В'ячеславівна"},
    {"Остап", "Остапович", "Остапівна"},
    {"Степан", "Степанович", "Степанівна"},
    {"Роман", "Романович", "Романівна"},
    {"Анатолій", "Анатолійович", "Анатоліївна"},
};

const char* const FemaleNames[] = {
    "Олена",   "Оксана",   "Наталія",  "Тетяна", "Ірина",    "Світлана",  "Людмила", "Галина",
    "Марія",   "Ганна",    "Катерина", "Юлія",   "Вікторія", "Ольга",     "Надія",   "Любов",
    "Мар'яна", "Христина", "Софія",    "Зоряна", "Інна",     "Єлизавета", "Іванна",  "Лариса",
};

const char* const Places[] = {
    "м. Київ",
    "м. Львів",
    "м. Харків",
    "м. Одеса",
    "м. Дніпро",
    "м. Полтава",
    "м. Чернігів",
    "м. Житомир",
    "м. Вінниця",
    "м. Івано-Франківськ",
    "м. Тернопіль",
    "м. Суми",
    "м. Черкаси",
    "м. Рівне",
    "м. Луцьк",
    "м. Ужгород",
    "м. Хмельницький",
    "м. Біла Церква",
    "м. Кам'янець-Подільський",
    "с. Яблунів",
};

const char* const Streets[] = {
    "вул. Шевченка",     "вул. Івана Франка", "просп. Перемоги", "вул. Лесі Українки",
    "вул. Грушевського", "вул. Сагайдачного", "вул. Соборна",    "вул. Січових Стрільців",
    "вул. Садова",       "вул. Зелена",
};

// Position code, name, category, salary range.
struct PositionInfo {
    const char* Code;
    const char* Name;
    const char* Category;
    int SalaryFrom;
    int SalaryTo;
};

const PositionInfo Positions[] = {
    {"001", "Директор", "Керівник", 32000, 40000},
    {"002", "Заступник директора", "Керівник", 26000, 32000},
    {"003", "Головний бухгалтер", "Керівник", 24000, 30000},
    {"004", "Начальник відділу", "Керівник", 20000, 26000},
    {"005", "Начальник цеху", "Керівник", 21000, 27000},
    {"010", "Економіст", "Професіонал", 14000, 19000},
    {"011", "Юрисконсульт", "Професіонал", 15000, 20000},
    {"012", "Інженер", "Професіонал", 14000, 20000},
    {"013", "Інженер-технолог", "Професіонал", 15000, 21000},
    {"020", "Бухгалтер", "Фахівець", 12000, 16000},
    {"021", "Інспектор з кадрів", "Фахівець", 11000, 15000},
    {"022", "Лаборант", "Фахівець", 9000, 12000},
    {"023", "Майстер", "Фахівець", 13000, 17000},
    {"030", "Секретар", "Тех.службовець", 8500, 11000},
    {"031", "Комірник", "Тех.службовець", 8500, 10500},
    {"040", "Токар", "Робітник", 11000, 16000},
    {"041", "Слюсар-ремонтник", "Робітник", 10500, 15000},
    {"042", "Електромонтер", "Робітник", 11000, 15500},
    {"043", "Водій автотранспортних засобів", "Робітник", 10000, 14000},
    {"044", "Прибиральник службових приміщень", "Робітник", 8000, 9000},
};

const char* const SubdivisionNames[] = {
    "Адміністрація",           "Бухгалтерія",          "Відділ кадрів", "Плановий відділ",
    "Юридичний відділ",        "Відділ постачання",    "Цех № 1",       "Цех № 2",
    "Ремонтно-механічний цех", "Транспортна дільниця", "Лабораторія",   "Господарський відділ",
};

// Which positions each subdivision has (indexes into Positions).
const std::vector<std::vector<int>>& StaffOf() {
    static const std::vector<std::vector<int>> s = {
        {0, 1, 13},
        {2, 9, 9, 9},
        {3, 10, 10},
        {3, 5, 5},
        {3, 6},
        {3, 14, 5},
        {4, 8, 12, 15, 16},
        {4, 7, 12, 15, 16, 17},
        {4, 12, 16, 17, 15},
        {3, 18, 18, 16},
        {3, 7, 11, 11},
        {3, 19, 19, 14},
    };
    return s;
}

// the items of the card's education list
const char* const Educations[] = {"Повна вища",   "Повна вища", "Базова вища",
                                  "Неповна вища", "Проф. тех.", "Повна загальна"};

const char* const LeaveReasons[] = {"За власним бажанням", "За угодою сторін",
                                    "У зв'язку з виходом на пенсію", "Переведення"};

const char* const Productions[] = {"Основне", "Допоміжне", "Ремонтне", "Транспортне",
                                   "Адміністративне"};

QString Q(const char* s) {
    return QString::fromUtf8(s);
}

} // namespace

TEmployeeGenerator::TEmployeeGenerator(uint64_t seed, TDateTime today)
    : State(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull), Today(std::floor(today)) {}

uint64_t TEmployeeGenerator::NextRandom() {
    // splitmix64: the same sequence on every platform and compiler.
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int TEmployeeGenerator::Uniform(int lo, int hi) {
    if (hi <= lo) return lo;
    return lo + int(NextRandom() % uint64_t(hi - lo + 1));
}

TDateTime TEmployeeGenerator::RandomDate(TDateTime from, TDateTime to) {
    return std::floor(from) + Uniform(0, std::max(0, int(std::floor(to) - std::floor(from))));
}

QString TEmployeeGenerator::Pick(const QStringList& list) {
    return list[Uniform(0, int(list.size()) - 1)];
}

TGenDirectories TEmployeeGenerator::Directories() {
    TGenDirectories d;
    int code = 1;
    for (const char* name : SubdivisionNames)
        d.Subdivisions.push_back({code++, Q(name)});
    // Groups in the workshops: the subdivision's digits followed by the group's number.
    for (const TGenSubdivision& s : d.Subdivisions) {
        if (!s.Name.startsWith(Q("Цех")) && !s.Name.contains(Q("цех"))) continue;
        for (int g = 1; g <= 3; ++g)
            d.Groups.push_back({s.Code, (QString::number(s.Code) + QString::number(g)).toInt(),
                                Q("Бригада № ") + QString::number(g)});
    }
    for (const PositionInfo& p : Positions)
        d.Positions.push_back({Q(p.Code), Q(p.Name)});
    for (const char* p : Productions)
        d.Productions << Q(p);
    return d;
}

std::vector<TGenEmployee> TEmployeeGenerator::Employees(int count) {
    std::vector<TGenEmployee> out;
    out.reserve(size_t(std::max(0, count)));
    for (int i = 1; i <= count; ++i)
        out.push_back(Next(i));
    return out;
}

TGenEmployee TEmployeeGenerator::Next(int number) {
    static const TGenDirectories dirs = Directories();
    TGenEmployee e;
    e.Tab = QString::number(number).rightJustified(5, QLatin1Char('0'));
    const bool male = Uniform(0, 99) < 52;
    e.Sex = male ? Q("Ч") : Q("Ж");
    const Surname& sn = Surnames[Uniform(0, int(std::size(Surnames)) - 1)];
    e.Family = Q(male ? sn.Male : sn.Female);
    e.Name = male ? Q(MaleNames[Uniform(0, int(std::size(MaleNames)) - 1)].Name)
                  : Q(FemaleNames[Uniform(0, int(std::size(FemaleNames)) - 1)]);
    const MaleName& father = MaleNames[Uniform(0, int(std::size(MaleNames)) - 1)];
    e.Patronymic = Q(male ? father.SonOf : father.DaughterOf);

    const int todayYear = YearOf(Today);
    // Ages 18 to 68; one in fifty has no birth date on record.
    const TDateTime born = RandomDate(IncYear(Today, -68), IncYear(Today, -18));
    e.BirthDate = Uniform(0, 49) == 0 ? 0 : born;
    e.BirthPlace = Q(Places[Uniform(0, int(std::size(Places)) - 1)]);
    e.Phone = QString::number(Uniform(200, 799)) + QString::number(Uniform(1000, 9999));
    e.Address = Q(Places[Uniform(0, int(std::size(Places)) - 1)]) + Q(", ") +
                Q(Streets[Uniform(0, int(std::size(Streets)) - 1)]) + Q(", ") +
                QString::number(Uniform(1, 120)) +
                (Uniform(0, 2) ? Q(", кв. ") + QString::number(Uniform(1, 200)) : QString());
    static const QStringList series = {Q("КА"), Q("МЕ"), Q("ВС"), Q("ТТ"), Q("НК")};
    e.Passport = Pick(series) + QString::number(Uniform(100000, 999999));

    const int sub = Uniform(0, int(dirs.Subdivisions.size()) - 1);
    e.Subdivision = dirs.Subdivisions[size_t(sub)].Code;
    std::vector<int> groups;
    for (const TGenGroup& g : dirs.Groups)
        if (g.Subdivision == e.Subdivision) groups.push_back(g.Code);
    e.Group = groups.empty() ? 0 : groups[size_t(Uniform(0, int(groups.size()) - 1))];
    const std::vector<int>& staff = StaffOf()[size_t(sub)];
    const PositionInfo& pos = Positions[staff[size_t(Uniform(0, int(staff.size()) - 1))]];
    e.Position = Q(pos.Code);
    e.Category = Q(pos.Category);
    e.Education = Q(Educations[Uniform(0, int(std::size(Educations)) - 1)]);
    if (e.Category == Q("Керівник") || e.Category == Q("Професіонал"))
        e.Education = Q("Повна вища");
    e.Salary = Uniform(pos.SalaryFrom, pos.SalaryTo) + Uniform(0, 99) / 100.0;

    // Hired at 18 or later, up to today.
    const TDateTime adult = IncYear(born, 18);
    e.HireDate = RandomDate(std::max(adult, IncYear(Today, -40)), Today);
    if (Uniform(0, 99) < 8) {
        e.DismissalDate = RandomDate(e.HireDate, Today);
        e.DismissalReason = Q(LeaveReasons[Uniform(0, int(std::size(LeaveReasons)) - 1)]);
    }
    const int age = todayYear - YearOf(born);
    const bool married = age > 22 && Uniform(0, 99) < 65;
    e.FamilyStatus = married ? (male ? Q("Одружений") : Q("Одружена"))
                             : (male ? Q("Неодружений") : Q("Неодружена"));

    // Children born when the parent was 20 to 40.
    int kids = married ? Uniform(0, 3) : (Uniform(0, 9) == 0 ? 1 : 0);
    if (IncYear(born, 20) > Today) kids = 0;
    for (int k = 0; k < kids; ++k) {
        TGenChild c;
        const bool son = Uniform(0, 1) == 0;
        c.Sex = son ? Q("Ч") : Q("Ж");
        const QString first = son ? Q(MaleNames[Uniform(0, int(std::size(MaleNames)) - 1)].Name)
                                  : Q(FemaleNames[Uniform(0, int(std::size(FemaleNames)) - 1)]);
        // The child's patronymic comes from the father: the employee when male.
        const MaleName& dad =
            male ? *std::find_if(std::begin(MaleNames), std::end(MaleNames),
                                 [&](const MaleName& m) { return Q(m.Name) == e.Name; })
                 : MaleNames[Uniform(0, int(std::size(MaleNames)) - 1)];
        c.Name = first + QLatin1Char(' ') + Q(son ? dad.SonOf : dad.DaughterOf);
        c.BirthDate = RandomDate(IncYear(born, 20), std::min(Today, IncYear(born, 40)));
        e.Children.push_back(c);
    }
    std::sort(e.Children.begin(), e.Children.end(),
              [](const TGenChild& a, const TGenChild& b) { return a.BirthDate < b.BirthDate; });

    // One to four appointments from the hiring date on, in date order; the last is the current
    // subdivision and position.
    const TDateTime end = e.DismissalDate > 0 ? e.DismissalDate : Today;
    std::vector<TDateTime> dates{e.HireDate};
    for (int a = Uniform(1, 4); a > 1 && dates.back() < end; --a)
        dates.push_back(RandomDate(dates.back() + 1, end));
    for (size_t a = 0; a < dates.size(); ++a) {
        TGenAppointment ap;
        ap.Date = dates[a];
        const bool last = a + 1 == dates.size();
        ap.Subdivision =
            last ? e.Subdivision
                 : dirs.Subdivisions[size_t(Uniform(0, int(dirs.Subdivisions.size()) - 1))].Code;
        ap.Position =
            last ? e.Position : Q(Positions[Uniform(0, int(std::size(Positions)) - 1)].Code);
        ap.Rank = QString::number(Uniform(1, 18));
        static const QStringList kats = {Q("І"), Q("ІІ"), Q("ІІІ"), QString()};
        ap.Category = Pick(kats);
        ap.Salary = last ? e.Salary : std::floor(e.Salary * (0.6 + 0.1 * double(a)));
        ap.OrderNo = QString::number(Uniform(1, 350)) + Q("-к");
        ap.OrderDate = ap.Date;
        e.Appointments.push_back(ap);
    }
    return e;
}
