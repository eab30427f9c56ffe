#include "benchdump.h"

#include "benchvault.h"

#include "recordstore.h"
#include "vaultrecords.h"
#include "vaultrepository.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <stdexcept>

namespace {

QString digest(const QString& text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString date(const QDateTime& value)
{
    return QString::number(value.toMSecsSinceEpoch()) + QLatin1Char('/') +
           QString::number(int(value.timeSpec()));
}

// Every file below the root, hidden ones included, with its bytes.
QString vaultDigest(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    std::sort(files.begin(), files.end());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& file : std::as_const(files)) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + file.toStdString());
        hash.addData(file.mid(root.size()).toUtf8());
        hash.addData(QByteArrayView("\0", 1));
        hash.addData(f.readAll());
    }
    return QString::number(files.size()) + QLatin1Char(' ') +
           QString::fromLatin1(hash.result().toHex());
}

void describeMemo(QTextStream& out, const MemoRecord& memo)
{
    out << "M " << memo.id << '\t' << date(memo.createdAt) << '\t' << memo.journalPath << '\t'
        << memo.folderPath << '\t' << digest(memo.markdown) << '\n';
}

void describe(QTextStream& out, const VaultSnapshot& snapshot, const QList<MemoRecord>& memos,
              const QList<DailyTodoItem>& todos, bool withDates)
{
    for (const FolderItem& folder : snapshot.folders)
        out << "F " << folder.path << '\n';
    QList<NoteSummary> notes = snapshot.notes;
    if (!withDates) // files written by this run get dates that differ from run to run
        std::sort(notes.begin(), notes.end(),
                  [](const NoteSummary& a, const NoteSummary& b) { return a.path < b.path; });
    for (const NoteSummary& note : std::as_const(notes))
        out << "N " << note.path << '\t' << note.title << '\t' << note.preview << '\t'
            << digest(note.searchableContent.text()) << '\t'
            << (withDates ? date(note.modifiedAt) : QString()) << '\n';
    for (const MemoRecord& memo : memos)
        describeMemo(out, memo);
    for (const DailyTodoItem& todo : todos)
        out << "T " << todo.id << '\t' << todo.text << '\t' << todo.isCompleted << '\t'
            << date(todo.createdAt) << '\n';
}

} // namespace

namespace {

// Edits another program might make, each of a different kind; applied to the same files in
// every run, so that two dumps can be compared.
void editOutside(const QString& root, const VaultSnapshot& snapshot, const QList<MemoRecord>& memos,
                 const QDate& today, int step)
{
    const auto file = [&](const QString& relative) { return root + QLatin1Char('/') + relative; };
    // Dated by the step, not by the clock, so that every run lists the same dates.
    const QDateTime stamp(today, QTime(13, step));
    const auto setDate = [&](const QString& relative, const QDateTime& date) {
        QFile touched(file(relative));
        if (!touched.open(QIODevice::ReadWrite) ||
            !touched.setFileTime(date, QFileDevice::FileModificationTime))
            throw std::runtime_error("cannot date " + relative.toStdString());
    };
    const auto rewrite = [&](const QString& relative, const QByteArray& bytes) {
        {
            QFile out(file(relative));
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                out.write(bytes) != bytes.size())
                throw std::runtime_error("cannot write " + relative.toStdString());
        }
        setDate(relative, stamp);
    };
    const auto read = [&](const QString& relative) {
        QFile in(file(relative));
        if (!in.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + relative.toStdString());
        return in.readAll();
    };
    const QString article = snapshot.notes.at(step * 7 % snapshot.notes.size()).path;
    switch (step) {
    case 0: // appended to, in place
        rewrite(article, read(article) + "\n\nedited elsewhere 外部编辑\n");
        break;
    case 1: { // the same size and date, one letter changed, right after being read
        const QDateTime date = QFileInfo(file(article)).lastModified();
        QByteArray bytes = read(article);
        const qsizetype at = bytes.indexOf('e');
        bytes[at >= 0 ? at : 0] = at >= 0 ? 'E' : 'x';
        rewrite(article, bytes);
        setDate(article, date);
        break;
    }
    case 2: // renamed
        QFile::rename(file(article), file(article.chopped(3) + QStringLiteral(" moved.md")));
        break;
    case 3: // deleted, and a new article elsewhere
        QFile::remove(file(article));
        rewrite(QStringLiteral("Notes/外部新建 new.md"), "# New\n\nwritten elsewhere\n");
        break;
    case 4: // touched without a change
        setDate(article, stamp);
        break;
    case 5: // replaced by a folder of the same name
        QFile::remove(file(article));
        QDir().mkpath(file(article));
        break;
    case 6: { // a memo's anchor line stripped, which the index puts back
        const MemoRecord& memo = memos.at(memos.size() / 3);
        QByteArray bytes = read(memo.journalPath);
        const QByteArray anchor = "<a id=\"" + memo.id.toUtf8();
        const qsizetype at = bytes.indexOf(anchor);
        const qsizetype end = bytes.indexOf('\n', at);
        if (at >= 0 && end > at)
            bytes.remove(at, end - at + 1);
        rewrite(memo.journalPath, bytes);
        break;
    }
    case 7: { // a memo deleted from its day file and the index entry of another removed
        const MemoRecord& memo = memos.at(memos.size() / 4);
        QByteArray bytes = read(memo.journalPath);
        bytes.replace(memo.markdown.toUtf8(), "changed elsewhere");
        rewrite(memo.journalPath, bytes);
        QByteArray index = read(QStringLiteral(".larch/memo-index.json"));
        const QByteArray id = memos.at(memos.size() / 5).id.toUtf8();
        index.replace(id, id.left(id.size() - 4) + "dead");
        rewrite(QStringLiteral(".larch/memo-index.json"), index);
        break;
    }
    case 8: // a new day file below Daily Notes, and a folder with an article
        QDir().mkpath(file(QStringLiteral("Daily Notes/2025")));
        rewrite(QStringLiteral("Daily Notes/2025/2025-06-29.md"),
                "# 2025-06-29\n\n<a id=\"memo-00000000-0000-4000-8000-000000000001\"></a>\n\n"
                "## 08:15\n\nfrom another device\n\n---\n");
        QDir().mkpath(file(QStringLiteral("外部 Folder")));
        rewrite(QStringLiteral("外部 Folder/a.md"), "text\n");
        break;
    default:
        break;
    }
}

} // namespace

void writeOperationDump(const QString& root, const QDate& today, const QString& dumpFile,
                        const DumpOptions& options)
{
    QFile file(dumpFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + dumpFile.toStdString());
    QTextStream out(&file);
    // One repository throughout, which reads only what changed; or, for reference, a new one
    // for every step, which reads everything afresh.
    VaultRepository kept(root);
    const auto repository = [&]() -> VaultRepository {
        if (!options.fresh)
            return kept;
        VaultRepository fresh(root);
        fresh.records().setStartupCacheEnabled(false);
        return fresh;
    };
    const QDateTime now(today, QTime(12, 0));
    const auto load = [&](const char* title, bool withDates) {
        const VaultRepository repo = repository();
        repo.prepareLayout();
        repo.rollOverDailyTodos(now);
        const VaultSnapshot snapshot = repo.loadSnapshot();
        const QList<MemoRecord> memos = repo.loadMemos();
        const QList<DailyTodoItem> todos = repo.loadDailyTodos(now);
        out << "== " << title << '\n';
        describe(out, snapshot, memos, todos, withDates);
        out << "vault " << vaultDigest(root) << '\n';
        return std::make_pair(snapshot, memos);
    };
    const auto state = [&](const char* title) {
        out << "== " << title << "\nvault " << vaultDigest(root) << '\n';
    };

    load("first load", true);
    const auto [snapshot, memos] = load("second load", true);
    if (options.outsideEdits) {
        for (int step = 0; step < 9; ++step) {
            editOutside(root, repository().loadSnapshot(), repository().loadMemos(), today, step);
            load(QStringLiteral("after outside edit %1").arg(step).toUtf8().constData(), true);
        }
    }
    const VaultRepository repo = repository();
    const MemoRecord memo = memos.at(memos.size() / 2);
    describeMemo(out, repo.updateMemo(memo.id, memo.markdown + QStringLiteral("\n\n编辑 edit")));
    state("updateMemo");
    describeMemo(out, repo.appendFollowUp(memo.id, QStringLiteral("续写 follow-up"), now));
    state("appendFollowUp");
    repo.updateMemo(memo.id, memo.markdown);
    state("updateMemo back");
    const MemoRecord created =
        repo.createMemo(QStringLiteral("基准测试 memo #bench"), now, QStringLiteral("Notes"), {});
    repo.deleteMemo(created.id);
    state("createMemo and deleteMemo");

    QList<NoteSummary> notes = snapshot.notes;
    std::sort(notes.begin(), notes.end(), [](const NoteSummary& a, const NoteSummary& b) {
        return a.searchableContent.text().size() < b.searchableContent.text().size();
    });
    NoteDocument document = repo.loadDocument(notes.at(notes.size() / 2).path);
    document.markdown += QStringLiteral("\n编辑\n");
    document = repo.saveDocument(document);
    out << "D " << document.path << '\t' << digest(document.markdown) << '\n';
    state("saveDocument");

    const NoteDocument moved =
        repo.renameNote(BenchVault::renamedArticlePath(), BenchVault::renamedArticleNewName());
    out << "D " << moved.path << '\t' << digest(moved.markdown) << '\n';
    state("renameNote");
    const NoteDocument back =
        repo.renameNote(moved.path, QFileInfo(BenchVault::renamedArticlePath()).completeBaseName());
    out << "D " << back.path << '\t' << digest(back.markdown) << '\n';
    state("renameNote back");

    out << "A "
        << repo.storeImageAttachment(QByteArray(1000, 'x'), QStringLiteral("image/png"))
               .markdownPath
        << '\n';
    state("storeImageAttachment");
    load("last load", false);
}
