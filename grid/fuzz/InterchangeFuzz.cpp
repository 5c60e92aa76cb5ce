// Feeds arbitrary bytes to the interchange-format reader: it either refuses them with its format
// error or gives whole records whose cells match the tags read, never reading past the input.
// The same bytes go to the CSV reader, which either refuses them or gives cells no longer than
// the input.
#include "DBGridEhImpExp.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const TVCLDBIFData d = ParseVCLDBIF(bytes);
        if (d.ColumnCount < 0 || d.ColumnFlags.size() != size_t(d.ColumnCount) ||
            d.Cells.size() != d.Tags.size() || d.Cells.size() != d.RawCells.size())
            std::abort();
        if (d.ColumnCount == 0 ? !d.Cells.empty() : d.Cells.size() % size_t(d.ColumnCount) != 0)
            std::abort();
        for (size_t i = 0; i < d.Cells.size(); ++i) {
            const uint8_t tag = d.Tags[i];
            if (tag < 1 || tag > 6) std::abort();
            if ((tag == 2) != VarIsNull(d.Cells[i])) std::abort();
            if (tag == 1 && !VarIsEmpty(d.Cells[i])) std::abort();
            if (qsizetype(d.RawCells[i].size()) > bytes.size()) std::abort();
        }
    } catch (const Exception&) {
        // refused whole
    }
    try {
        qsizetype total = 0;
        for (const QStringList& record : ParseCSV(bytes, u';'))
            for (const QString& cell : record)
                total += cell.size();
        if (total > bytes.size()) std::abort();
    } catch (const Exception&) {
        // refused whole
    }
    return 0;
}
