// Feeds arbitrary text to the INI document: every section and key it finds must read back, and
// a value written must read back as written while the other keys keep theirs. Any broken rule
// aborts, so the fuzzer reports it like a crash.
#include "IniFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TIniDocument doc;
    doc.SetText(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QStringList sections = doc.Sections();
    QString value;
    for (const QString& section : sections) {
        check(doc.HasSection(section));
        for (const QString& key : doc.Keys(section))
            check(doc.Value(section, key, value));
    }
    if (sections.isEmpty()) return 0;

    // Rewriting the first key of the first section changes that key alone.
    const QString section = sections.first();
    const QStringList keys = doc.Keys(section);
    if (keys.isEmpty() || keys.first().trimmed() != keys.first() || keys.first().contains('='))
        return 0;
    std::vector<std::pair<QString, QString>> before;
    for (const QString& key : keys.mid(1))
        if (doc.Value(section, key, value)) before.emplace_back(key, value);
    doc.SetValue(section, keys.first(), QStringLiteral("x y"));
    TIniDocument again;
    again.SetText(doc.GetText());
    check(again.Value(section, keys.first(), value) && value == QStringLiteral("x y"));
    for (const auto& [key, old] : before)
        check(again.Value(section, key, value) && value == old);
    // Deleting it leaves the others as they were.
    doc.DeleteKey(section, keys.first());
    for (const auto& [key, old] : before)
        check(doc.Value(section, key, value) && value == old);
    return 0;
}
