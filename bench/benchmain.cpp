#include "benchcli.h"
#include "benchdump.h"
#include "benchreport.h"
#include "benchvault.h"
#include "floorreader.h"

#include "processsetup.h"
#include "recordstore.h"
#include "vaultrecords.h"
#include "vaultrepository.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <exception>
#include <sys/resource.h>
#include <thread>

// larch-bench: times the storage operations on a copy of a generated vault, next to the floor
// of reading every file once, and reports the peak memory of a full load.

namespace {

struct Contents
{
    VaultSnapshot snapshot;
    QList<MemoRecord> memos;
    QList<DailyTodoItem> todos;
};

// What the library model does after every change.
Contents refresh(const VaultRepository& repository, const QDateTime& now)
{
    repository.rollOverDailyTodos(now);
    Contents contents;
    contents.snapshot = repository.loadSnapshot();
    contents.memos = repository.loadMemos();
    contents.todos = repository.loadDailyTodos(now);
    return contents;
}

// What it does when it opens a vault: the layout first, then the same reads.
Contents fullLoad(const VaultRepository& repository, const QDateTime& now)
{
    repository.prepareLayout();
    return refresh(repository, now);
}

template <typename Operation> double timed(Operation&& operation)
{
    QElapsedTimer timer;
    timer.start();
    operation();
    return double(timer.nsecsElapsed()) / 1e6;
}

// From /proc/self/status, in KiB; 0 when unknown.
qint64 statusKib(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

qint64 diskBytes(const QString& root)
{
    qint64 total = 0;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

// Runs in a fresh child process, so that nothing else the benchmark did counts in its peak.
int measureLoadMemory(const QString& root, const QDate& today)
{
    const qint64 start = statusKib("VmHWM");
    const VaultRepository repository(root);
    repository.records().setStartupCacheEnabled(false); // every file read
    const Contents contents = fullLoad(repository, QDateTime(today, QTime(12, 0)));
    const qint64 peak = statusKib("VmHWM");
    QTextStream(stdout) << start << ' ' << peak << ' ' << contents.snapshot.notes.size() << '\n';
    return 0;
}

class Benchmark
{
public:
    Benchmark(const QString& root, const QDate& today, int runs, const QStringList& only)
        : m_repository(root), m_now(today, QTime(12, 0)), m_today(today), m_runs(runs), m_only(only)
    {
        m_report.vault = root;
        m_report.runs = runs;
        m_report.cores = int(std::max(1u, std::thread::hardware_concurrency()));
        const auto add = [&](const char* key, const char* name, double target) {
            m_report.operations.append(
                {QLatin1String(key), QLatin1String(name), target, QList<double>()});
        };
        // The start without cache must stay first: the report takes its per-file cost from it.
        add("start_no_cache", "start, no cache", 0);
        add("start_warm_cache", "start, warm cache", 0.6);
        add("full_load", "full load, vault open", 0);
        add("load_snapshot", "  of which loadSnapshot", 0);
        add("load_memos", "  of which loadMemos", 0);
        add("load_todos", "  of which the two todo calls", 0);
        add("refresh", "refresh, nothing changed", 0);
        add("refresh_one_change", "refresh, one article changed", 0.2);
        add("capture_refresh", "createMemo + refresh", 0.5);
        add("create_memo", "createMemo", 0);
        add("update_memo", "updateMemo", 0.5);
        add("append_follow_up", "appendFollowUp", 0.5);
        add("delete_memo", "deleteMemo", 0.5);
        add("save_document", "saveDocument", 0);
        add("rename_note", "renameNote (+ link rewrite)", 2.0);
        add("store_image_attachment", "storeImageAttachment", 0);
        add("larch_search", "larch search, end to end", 0);
        add("rg_search", "rg -l -i -F, end to end", 0);
        add("larch_memo_add", "larch memo add, end to end", 0.5);
    }

    BenchReport run()
    {
        prepare();
        for (int run = 0; run < m_runs; ++run)
            oneRun(run);
        if (wants("memory"))
            measureMemory();
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        m_report.benchPeakKib = usage.ru_maxrss;
        return m_report;
    }

private:
    bool wants(const char* key) const
    {
        return m_only.isEmpty() || m_only.contains(QLatin1String(key));
    }

    QList<double>& samples(const char* key)
    {
        for (OperationFigure& op : m_report.operations) {
            if (op.key == QLatin1String(key))
                return op.milliseconds;
        }
        Q_UNREACHABLE();
    }

    void prepare()
    {
        // The first load of the copy repairs stripped anchors and rolls yesterday's todos over;
        // those writes happen once, so they are timed apart from the steady-state loads.
        Contents contents;
        m_report.firstLoadMs = timed([&] { contents = fullLoad(m_repository, m_now); });
        m_report.notes = int(contents.snapshot.notes.size());
        m_report.folders = int(contents.snapshot.folders.size());
        m_report.memos = int(contents.memos.size());
        m_report.todayTodos = int(contents.todos.size());
        if (contents.memos.isEmpty() || contents.snapshot.notes.isEmpty())
            throw std::runtime_error("the vault has no memos or no articles");

        const MemoRecord& target = contents.memos.at(contents.memos.size() / 2);
        m_memoId = target.id;
        m_memoMarkdown = target.markdown;

        // Save an article of typical (median) size.
        QList<NoteSummary> notes = contents.snapshot.notes;
        std::sort(notes.begin(), notes.end(), [](const NoteSummary& a, const NoteSummary& b) {
            return a.searchableContent.byteSize() < b.searchableContent.byteSize();
        });
        m_document = m_repository.loadDocument(notes.at(notes.size() / 2).path);
        m_documentText = m_document.markdown;

        m_image = m_repository.storeImageAttachment(imageBytes(-1), QStringLiteral("image/png"))
                      .markdownPath;
        m_renamed = BenchVault::renamedArticlePath();
        m_repository.loadDocument(m_renamed); // fails early when the vault lacks it

        const std::vector<std::string> files = listLoadedFiles(m_repository.rootPath());
        m_report.files = int(files.size());
        for (const std::string& file : files)
            m_report.textBytes += QFileInfo(QFile::decodeName(file.c_str())).size();
        m_report.diskBytes = diskBytes(m_repository.rootPath());

        // The search index, built once (the application does it in the background after its
        // first start), then the start-up cache as the application leaves it.
        m_report.indexBuildMs = timed([&] { m_repository.buildSearchIndex(); });
        m_repository.records().saveStartupCache(true);
        m_report.cacheBytes = QFileInfo(m_repository.records().startupCachePath()).size();
        m_report.watching = m_repository.records().isWatching();
        m_larch = larchProgram();
        m_ripgrep = ripgrepProgram();
        if (!m_larch.isEmpty() && wants("larch_search")) {
            // The program's own first run leaves the cache as it needs it.
            timeProgram(m_larch, larchArguments({QStringLiteral("search"), searchQuery()}),
                        userEnvironment());
        }
    }

    static QString searchQuery() { return QStringLiteral("海边总结"); }

    QStringList larchArguments(const QStringList& command) const
    {
        return QStringList{QStringLiteral("--vault"), m_repository.rootPath()} + command;
    }

    // The environment someone starting larch has: not this process's settings for itself.
    static QProcessEnvironment userEnvironment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("GLIBC_TUNABLES"));
        return environment;
    }

    // A start of the application: a new repository, everything loaded.
    double timedStart(bool cache) const
    {
        VaultRepository repository(m_repository.rootPath());
        repository.records().setStartupCacheEnabled(cache);
        return timed([&] { fullLoad(repository, m_now); });
    }

    QByteArray imageBytes(int run) const
    {
        // A fresh image each time (its digest names the file), 256 KiB like a screenshot.
        QByteArray bytes("\x89PNG\r\n\x1a\n", 8);
        bytes.append(QByteArray(256 * 1024, char('a' + (run + 1) % 26)));
        bytes.append(QByteArray::number(run));
        return bytes;
    }

    void oneRun(int run)
    {
        const VaultRepository& repo = m_repository;
        m_report.floorMs.append(measureFloor(repo.rootPath(), m_report.cores).milliseconds);
        if (wants("start")) {
            samples("start_no_cache").append(timedStart(false));
            repo.records().saveStartupCache(true);
            samples("start_warm_cache").append(timedStart(true));
        }
        if (wants("full_load")) {
            // The same calls as fullLoad, each timed, to show where a load spends its time.
            double layout = 0, todos = 0, snapshot = 0, memos = 0;
            layout = timed([&] { repo.prepareLayout(); });
            todos = timed([&] { repo.rollOverDailyTodos(m_now); });
            snapshot = timed([&] { repo.loadSnapshot(); });
            memos = timed([&] { repo.loadMemos(); });
            todos += timed([&] { repo.loadDailyTodos(m_now); });
            samples("full_load").append(layout + todos + snapshot + memos);
            samples("load_snapshot").append(snapshot);
            samples("load_memos").append(memos);
            samples("load_todos").append(todos);
        }
        if (wants("refresh")) {
            samples("refresh").append(timed([&] { refresh(repo, m_now); }));
            // Another program edits one article; the refresh reads that one.
            const QString article = repo.rootPath() + QLatin1Char('/') + m_document.path;
            QFile edited(article);
            if (!edited.open(QIODevice::Append) ||
                edited.write("\n外部编辑 edited elsewhere\n") < 0)
                throw std::runtime_error("cannot edit " + article.toStdString());
            edited.close();
            samples("refresh_one_change").append(timed([&] { refresh(repo, m_now); }));
            m_document = repo.loadDocument(m_document.path);
        }

        if (wants("create_memo") || wants("delete_memo")) {
            MemoRecord created;
            const QDateTime at(m_today, QTime(12, 0).addSecs(60 * run));
            samples("create_memo").append(timed([&] {
                created = repo.createMemo(QStringLiteral("基准测试 benchmark memo #bench"), at,
                                          QStringLiteral("Notes"), {m_image});
            }));
            samples("delete_memo").append(timed([&] { repo.deleteMemo(created.id); }));
            // A capture as the application makes it: the memo, then the re-read.
            refresh(repo, m_now);
            samples("capture_refresh").append(timed([&] {
                created = repo.createMemo(QStringLiteral("基准测试 benchmark memo #bench"),
                                          at.addSecs(30), QStringLiteral("Notes"), {m_image});
                refresh(repo, m_now);
            }));
            repo.deleteMemo(created.id);
        }
        if (wants("update_memo") || wants("append_follow_up")) {
            const QString edited =
                m_memoMarkdown + QStringLiteral("\n\n编辑 edit ") + QString::number(run);
            samples("update_memo").append(timed([&] { repo.updateMemo(m_memoId, edited); }));
            samples("append_follow_up").append(timed([&] {
                repo.appendFollowUp(m_memoId, QStringLiteral("续写 follow-up"), m_now);
            }));
            repo.updateMemo(m_memoId, m_memoMarkdown); // as it was: the day file stays the same
        }

        if (wants("save_document")) {
            m_document.markdown =
                run % 2 ? m_documentText : m_documentText + QStringLiteral("\n编辑\n");
            samples("save_document").append(timed([&] {
                m_document = repo.saveDocument(m_document);
            }));
        }

        if (wants("rename_note")) {
            // Renamed away and back: both directions count, and the vault ends as it began.
            NoteDocument moved;
            samples("rename_note").append(timed([&] {
                moved = repo.renameNote(m_renamed, BenchVault::renamedArticleNewName());
            }));
            const QString oldName = QFileInfo(m_renamed).completeBaseName();
            samples("rename_note").append(timed([&] { repo.renameNote(moved.path, oldName); }));
        }

        if (wants("larch_search") && !m_larch.isEmpty()) {
            samples("larch_search")
                .append(timeProgram(m_larch,
                                    larchArguments({QStringLiteral("search"), searchQuery()}),
                                    userEnvironment()));
            if (!m_ripgrep.isEmpty())
                samples("rg_search")
                    .append(timeProgram(m_ripgrep,
                                        {QStringLiteral("-l"), QStringLiteral("-i"),
                                         QStringLiteral("-F"), searchQuery(), repo.rootPath()}));
        }
        if (wants("larch_memo_add") && !m_larch.isEmpty()) {
            samples("larch_memo_add")
                .append(timeProgram(m_larch,
                                    larchArguments({QStringLiteral("memo"), QStringLiteral("add"),
                                                    QStringLiteral("命令行 bench")}),
                                    userEnvironment()));
        }

        if (wants("store_image_attachment")) {
            const QByteArray image = imageBytes(run);
            samples("store_image_attachment").append(timed([&] {
                repo.storeImageAttachment(image, QStringLiteral("image/png"));
            }));
        }
    }

    void measureMemory()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure-load-memory"), QStringLiteral("--today"),
                     m_today.toString(Qt::ISODate), m_repository.rootPath()});
        if (!child.waitForFinished(600000) || child.exitCode() != 0)
            throw std::runtime_error("the memory measurement failed: " +
                                     child.readAllStandardError().toStdString());
        const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
        m_report.processStartKib = fields.value(0).toLongLong();
        m_report.loadPeakKib = fields.value(1).toLongLong();
    }

    VaultRepository m_repository;
    QDateTime m_now;
    QDate m_today;
    int m_runs;
    QStringList m_only;
    BenchReport m_report;
    QString m_memoId;
    QString m_memoMarkdown;
    NoteDocument m_document;
    QString m_documentText;
    QString m_image;
    QString m_renamed;
    QString m_larch;
    QString m_ripgrep;
};

} // namespace

int main(int argc, char* argv[])
{
    prepareProcess(argv); // as the application and larch run
    BenchVault::useFixedTimeZone();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("larch-bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the storage operations on a copy of a vault made by "
                       "larch-bench-generate; the vault itself is never changed."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("vault"), QStringLiteral("The generated vault."));
    const QCommandLineOption runs(QStringLiteral("runs"),
                                  QStringLiteral("Runs of each operation (default 5)."),
                                  QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption today(QStringLiteral("today"),
                                   QStringLiteral("The vault's today (default %1).")
                                       .arg(BenchVault::defaultToday().toString(Qt::ISODate)),
                                   QStringLiteral("date"),
                                   BenchVault::defaultToday().toString(Qt::ISODate));
    const QCommandLineOption workDir(
        QStringLiteral("work-dir"),
        QStringLiteral("Where to make the copy (default: the temporary folder)."),
        QStringLiteral("folder"), QDir::tempPath());
    const QCommandLineOption keep(QStringLiteral("keep-copy"),
                                  QStringLiteral("Keep the copy the operations ran on."));
    const QCommandLineOption only(
        QStringLiteral("only"),
        QStringLiteral("Run only these, comma-separated (for profiling): start (with and "
                       "without cache), full_load, refresh (with one change), create_memo (with "
                       "delete_memo and the capture), update_memo (with append_follow_up), "
                       "larch_search (with rg), larch_memo_add, "
                       "save_document, rename_note, store_image_attachment, memory."),
        QStringLiteral("keys"));
    const QCommandLineOption dump(
        QStringLiteral("dump"),
        QStringLiteral("Instead of timing, run each operation once and write what it returned "
                       "and a digest of the vault after it to this file (to compare builds)."),
        QStringLiteral("file"));
    const QCommandLineOption fresh(
        QStringLiteral("fresh"),
        QStringLiteral("With --dump: a new repository for every step (reads everything afresh), "
                       "the reference for what reading only the changes must give."));
    const QCommandLineOption outsideEdits(
        QStringLiteral("outside-edits"),
        QStringLiteral("With --dump: also change files as another program would, between loads."));
    const QCommandLineOption memoryOnly(QStringLiteral("measure-load-memory"),
                                        QStringLiteral("Internal: one full load, print memory."));
    parser.addOptions({runs, today, workDir, keep, only, dump, fresh, outsideEdits, memoryOnly});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = parser.positionalArguments();
    const QDate day = QDate::fromString(parser.value(today), Qt::ISODate);
    bool runsOk = false;
    const int runCount = parser.value(runs).toInt(&runsOk);
    if (args.size() != 1 || !day.isValid() || !runsOk || runCount < 1) {
        err << parser.helpText();
        return 2;
    }
    const QString vault = QDir::cleanPath(QDir::current().absoluteFilePath(args.first()));

    try {
        if (parser.isSet(memoryOnly))
            return measureLoadMemory(vault, day);
        if (!QFileInfo::exists(vault + QStringLiteral("/.larch/memo-index.json")))
            throw std::runtime_error("no generated vault at " + vault.toStdString());

        const QString copy =
            QDir(parser.value(workDir))
                .absoluteFilePath(
                    QStringLiteral("larch-bench-work-%1").arg(QCoreApplication::applicationPid()));
        if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), vault, copy}) != 0)
            throw std::runtime_error("cannot copy the vault to " + copy.toStdString());
        // Files changed less than two seconds before they are read are read again at the next
        // start, in case a change in the same clock tick went unseen; a fresh copy would be all
        // such files, unlike a vault in use.
        QThread::msleep(2100);
        // The start-up cache of the copy goes beside it, not into the user's cache folder.
        const QString cacheHome = copy + QStringLiteral("-cache");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome));
        err << "Working on a copy: " << copy << "\n";
        err.flush();
        BenchReport report;
        try {
            if (parser.isSet(dump)) {
                writeOperationDump(copy, day, parser.value(dump),
                                   DumpOptions{parser.isSet(fresh), parser.isSet(outsideEdits)});
                if (!parser.isSet(keep))
                    QDir(copy).removeRecursively();
                QDir(cacheHome).removeRecursively();
                return 0;
            }
            report = Benchmark(copy, day, runCount,
                               parser.value(only).split(QLatin1Char(','), Qt::SkipEmptyParts))
                         .run();
        } catch (...) {
            if (!parser.isSet(keep))
                QDir(copy).removeRecursively();
            QDir(cacheHome).removeRecursively();
            throw;
        }
        report.vault = vault;
        if (!parser.isSet(keep))
            QDir(copy).removeRecursively();
        QDir(cacheHome).removeRecursively();
        printReport(report, out);
    } catch (const std::exception& error) {
        err << "larch-bench: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
