// Feeds arbitrary text to the expression parser of index keys and filters, over a table with a
// field of each common kind and one record: parsing and evaluating may refuse the text with the
// engine's errors, never crash, hang or read past a buffer.
#include "../tests/ParserTable.h"
#include "Dbf_Parser.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir(QDir::tempPath() + "/kadrion-dbf-parser-fuzz-XXXXXX");
    static TParserTable table(dir.filePath("p.dbf"));
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
