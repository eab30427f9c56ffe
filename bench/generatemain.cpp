#include "benchvault.h"
#include "vaultgenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <exception>

// larch-bench-generate: writes a deterministic, realistic vault for the benchmark.
int main(int argc, char* argv[])
{
    BenchVault::useFixedTimeZone();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("larch-bench-generate"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a large, deterministic vault (articles in nested folders, journal "
                       "day files with memos and todos, a memo index, images) into a new folder."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("The vault folder to create (new or empty)."));
    const QCommandLineOption articles(QStringLiteral("articles"),
                                      QStringLiteral("Number of articles (default 10000)."),
                                      QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption days(
        QStringLiteral("day-files"),
        QStringLiteral("Number of journal day files (default: 15 per 100 articles)."),
        QStringLiteral("n"));
    const QCommandLineOption memos(QStringLiteral("memos"),
                                   QStringLiteral("Number of memos (default: 2 per article)."),
                                   QStringLiteral("n"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Random seed."),
                                  QStringLiteral("n"), QString::number(BenchVault::defaultSeed));
    const QCommandLineOption today(
        QStringLiteral("today"),
        QStringLiteral("The vault's newest day, yyyy-MM-dd (default %1).")
            .arg(BenchVault::defaultToday().toString(Qt::ISODate)),
        QStringLiteral("date"), BenchVault::defaultToday().toString(Qt::ISODate));
    parser.addOptions({articles, days, memos, seed, today});
    parser.process(app);

    QTextStream err(stderr);
    QTextStream out(stdout);
    if (parser.positionalArguments().size() != 1) {
        err << "Give exactly one folder.\n";
        return 2;
    }

    GeneratorOptions options;
    options.root =
        QDir::cleanPath(QDir::current().absoluteFilePath(parser.positionalArguments().first()));
    bool ok = true;
    const auto number = [&](const QCommandLineOption& option, int fallback) {
        if (!parser.isSet(option) && option.defaultValues().isEmpty())
            return fallback;
        bool good = false;
        const int value = parser.value(option).toInt(&good);
        ok = ok && good && value >= 0;
        return value;
    };
    options.articles = number(articles, 10000);
    options.dayFiles = number(days, -1);
    options.memos = number(memos, -1);
    bool seedOk = false;
    options.seed = parser.value(seed).toULongLong(&seedOk);
    ok = ok && seedOk;
    options.today = QDate::fromString(parser.value(today), Qt::ISODate);
    if (!ok || !options.today.isValid() || options.articles < 1) {
        err << "Invalid option value.\n";
        return 2;
    }

    QElapsedTimer timer;
    timer.start();
    try {
        const GeneratedVault v = generateVault(options);
        out << "Vault: " << options.root << "\n"
            << "  folders " << v.folders << ", articles " << v.articles << " ("
            << v.articleBytes / 1024 << " KiB), images " << v.attachments << " ("
            << v.attachmentBytes / 1024 << " KiB)\n"
            << "  day files " << v.dayFiles << " (" << v.journalBytes / 1024 << " KiB), memos "
            << v.memos << ", todo sections " << v.todoSections << "\n"
            << "  anchors to restore " << v.strippedAnchors << ", index entries that stay "
            << "unmatched " << v.orphanedEntries << ", index " << v.indexBytes / 1024 << " KiB\n"
            << "  Markdown and index bytes " << (v.articleBytes + v.journalBytes + v.indexBytes)
            << ", written in " << timer.elapsed() << " ms\n";
    } catch (const std::exception& error) {
        err << "larch-bench-generate: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
