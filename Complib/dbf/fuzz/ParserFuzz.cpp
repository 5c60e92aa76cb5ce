// Feeds arbitrary text to the expression parser of index keys and filters, over a table with a
// field of each common kind and one record: parsing and evaluating may refuse the text with the
// engine's errors, never crash, hang or read past a buffer.
#include "Dates.h"
#include "Dbf_Parser.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace {

struct Table {
    QTemporaryDir dir{QDir::tempPath() + "/kadrion-dbf-parser-fuzz-XXXXXX"};
    std::unique_ptr<TDbfFile> file;
    QByteArray rec;

    Table() {
        file = std::make_unique<TDbfFile>(dir.filePath("p.dbf"));
        file->SetMode(pfExclusiveCreate);
        file->Open();
        TDbfFieldDefs defs;
        defs.Add("NAME", ftString, 8);
        defs.Add("SUM", ftFloat, 10, 2);
        defs.Add("CNT", ftSmallint, 4);
        defs.Add("BIG", ftInteger, 9);
        defs.Add("BORN", ftDate);
        defs.Add("NOTE", ftMemo);
        defs.Add("OK", ftBoolean);
        file->FinishCreate(defs, ".dbt", 512);
        rec = QByteArray(file->RecordSize(), ' ');
        file->InitRecord(rec.data());
        QByteArray name("ab'12");
        file->SetFieldData(0, ftString, &name, rec.data());
        double sum = -12.5;
        file->SetFieldData(1, ftFloat, &sum, rec.data());
        int16_t cnt = -7;
        file->SetFieldData(2, ftSmallint, &cnt, rec.data());
        int32_t big = 123456;
        file->SetFieldData(3, ftInteger, &big, rec.data());
        TDateTime born = EncodeDate(1999, 12, 31);
        file->SetFieldData(4, ftDate, &born, rec.data());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Table table;
    TDbfParser parser(table.file.get());
    try {
        parser.ParseExpression(
            QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
        (void)parser.Evaluate(table.rec.constData());
        (void)parser.EvaluateVariant(table.rec.constData());
    } catch (const Exception&) {
    }
    return 0;
}
