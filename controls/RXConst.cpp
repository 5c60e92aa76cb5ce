#include "RXConst.h"

#include "Forms.h"

#include <map>

QString RxLoadStr(int Ident) {
    static const std::map<int, const char*> texts = {
        {SDateOutOfRange, "\"%s\" - неверная дата. Значение должно быть не больше \"%s\""},
        {SDateOutOfMin, "\"%s\" - неверная дата. Значение должно быть не меньше \"%s\""},
        {SDateBetween, "\"%s\" - неверная дата. Значение должно быть между \"%s\" и \"%s\""},
        {SDateMinLimit, "Минимальная дата не может быть позже максимальной \"%s\""},
        {SDateMaxLimit, "Максимальная дата не может быть раньше минимальной \"%s\""},
        {SNotImplemented, "Функция не реализована"},
        {SGIFVersion, "Неизвестная версия изображения GIF"},
        {SGIFEncodeError, "Ошибка кодировки данных в формат GIF"},
        {SGIFDecodeError, "Неверные данные в формате GIF"},
        {SBadGIFCodeSize, "Размер кода GIF не принадлежит диапазону от 2 до 9"},
        {SWrongGIFColors, "Неверное число цветов; должно быть степенью числа 2"},
        {SUnrecognizedGIFExt, "Неопределенное расширение GIF: %.2x"},
        {SNoGIFData, "Нет данных для записи в формате GIF"},
        {SChangeGIFSize, "Невозможно изменить размер изображения GIF"},
        {SGIFImage, "CompuServe GIF Image"},
        {SPrevMonth, "Предыдущий месяц|"},
        {SPrevYear, "Предыдущий год|"},
        {SNextMonth, "Следующий месяц|"},
        {SNextYear, "Следующий год|"},
        {SDateDlgTitle, "Выбор даты"},
        {SNotInDBCtrlGrid, "Control cannot be used in a DBCtrlGrid"},
    };
    auto it = texts.find(Ident);
    return it == texts.end() ? QString() : QString::fromUtf8(it->second);
}

void RegisterRxCursors() {
    static bool done = false;
    if (done) return;
    done = true;
    Screen->SetCursors(crHand, QCursor(Qt::PointingHandCursor));
    Screen->SetCursors(crDragHand, QCursor(Qt::DragMoveCursor));
}
