// Compiles templates: kadrion_templatec <folder> <name>... writes <folder>/<name>.frf for every
// name with the report engine's own template writer. A name without a builder, or a template
// the engine cannot read back, fails the build.
#include "TemplateKit.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kadrion_templatec <folder> <name>...\n");
        return 2;
    }
    frStartEngine();
    const QDir folder(args[1]);
    int failed = 0;
    for (int i = 2; i < args.size(); ++i) {
        const QString name = args[i];
        const QString file = folder.filePath(name + QStringLiteral(".frf"));
        TfrReport report(nullptr);
        if (!BuildTemplate(name, &report)) {
            std::fprintf(stderr, "kadrion_templatec: no builder for template %s\n",
                         qPrintable(name));
            ++failed;
            continue;
        }
        try {
            report.SaveToFile(file);
            TfrReport check(nullptr);
            if (!check.LoadFromFile(file)) throw Exception(QStringLiteral("it does not read back"));
        } catch (const Exception& e) {
            std::fprintf(stderr, "kadrion_templatec: %s: %s\n", qPrintable(file),
                         qPrintable(e.Message));
            QFile::remove(file);
            ++failed;
        }
    }
    frStopEngine();
    return failed ? 1 : 0;
}
