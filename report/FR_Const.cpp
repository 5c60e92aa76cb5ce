#include "FR_Const.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace {

const QHash<int, QString>& stringTable() {
    static const QHash<int, QString> table = {
        {53000, u"Пошук"_s},
        {53001, u"Шукати &текст"_s},
        {53002, u"Опції пошуку"_s},
        {53003, u"Розрізнювати &регістр"_s},
        {53004, u"Шукати"_s},
        {53005, u"З &початку"_s},
        {53006, u"&Продовжити"_s},
        {53040, u"Друк"_s},
        {53041, u"Принтер"_s},
        {53042, u"Властивості..."_s},
        {53043, u"Копії"_s},
        {53044, u"Сторінки"_s},
        {53045, u"&Все"_s},
        {53046, u"&Поточна"_s},
        {53047, u"&Номери:"_s},
        {53048,
         u"Введіть номери та/або діапазони сторінок, розділені комами. Наприклад, 1,3,5-12"_s},
        {53049, u"&Ім'я:"_s},
        {53050, u"Число &копій:"_s},
        {53051, u"&Розібрати по копіях"_s},
        {53052, u"Вивести на &друк:"_s},
        {53053, u"Всі сторінки діапазону"_s},
        {53054, u"Нечетные сторінки"_s},
        {53055, u"Четные сторінки"_s},
        {55000, u"ОК"_s},
        {55001, u"Скасування"_s},
        {55007, u"Віртуальний принтер"_s},
        {55077, u"Report title"_s},
        {55078, u"Report summary"_s},
        {55079, u"Page header"_s},
        {55080, u"Page footer"_s},
        {55081, u"Master header"_s},
        {55082, u"Master data"_s},
        {55083, u"Master footer"_s},
        {55084, u"Detail header"_s},
        {55085, u"Detail data"_s},
        {55086, u"Detail footer"_s},
        {55087, u"Subdetail header"_s},
        {55088, u"Subdetail data"_s},
        {55089, u"Subdetail footer"_s},
        {55090, u"Overlay"_s},
        {55091, u"Column header"_s},
        {55092, u"Column footer"_s},
        {55093, u"Group header"_s},
        {55094, u"Group footer"_s},
        {55095, u"Cross header"_s},
        {55096, u"Cross data"_s},
        {55097, u"Cross footer"_s},
        {55098, u"Child"_s},
        {55099, u"None"_s},
        {55170, u"0;1"_s},
        {55171, u"Ні;Так"_s},
        {55172, u"_;x"_s},
        {55173, u"False;True"_s},
        {55175, u"dd.mm.yy"_s},
        {55176, u"dd.mm.yyyy"_s},
        {55177, u"d mmm yyyy"_s},
        {55179, u"hh:nn:ss"_s},
        {55180, u"h:nn:ss"_s},
        {55181, u"hh:nn"_s},
        {55182, u"h:nn"_s},
        {55199, u"з"_s},
        {55200, u"Виникла помилка при обробці вираження"_s},
        {55201, u"Документ:"_s},
        {55202, u"Объект:"_s},
        {55203, u"Підготовка звіту"_s},
        {55204, u"Виконується 1-й прохід:"_s},
        {55205, u"Формується сторінка:"_s},
        {55206, u"Помилка"_s},
        {55207, u"Попередній перегляд"_s},
        {55208, u"Друкується сторінка:"_s},
        {55209, u"Untitled"_s},
        {55337, u"204"_s},
        {55345, u"Невірний FRF формат"_s},
        {55435, u"Автоматичний вибір"_s},
        {55439, u"Змінна не визначена:"_s},
        {57100, u"Файл не є підготовленим звітом або пошкоджений"_s},
        {57101, u"Сторінки цього підготовленого звіту стиснуто, а розпакувати їх нічим"_s},
        {57102, u"Підготовлений звіт збережено у застарілому форматі, який не підтримується"_s},
        {57103, u"Малюнок формату метафайл не може бути надрукований"_s},
    };
    return table;
}

} // namespace

QString TfrLocale::LoadString(int id) {
    if (OnLocalize) {
        QString s = OnLocalize(id);
        if (!s.isEmpty()) return s;
    }
    return stringTable().value(id);
}

TfrLocale* frLocale() {
    static TfrLocale locale;
    return &locale;
}

QString frLoadStr(int id) {
    return frLocale()->LoadString(id);
}
