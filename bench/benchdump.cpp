#include "benchdump.h"

#include "benchvault.h"

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
            << digest(note.searchableContent) << '\t'
            << (withDates ? date(note.modifiedAt) : QString()) << '\n';
    for (const MemoRecord& memo : memos)
        describeMemo(out, memo);
    for (const DailyTodoItem& todo : todos)
        out << "T " << todo.id << '\t' << todo.text << '\t' << todo.isCompleted << '\t'
            << date(todo.createdAt) << '\n';
}

} // namespace

void writeOperationDump(const QString& root, const QDate& today, const QString& dumpFile)
{
    QFile file(dumpFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + dumpFile.toStdString());
    QTextStream out(&file);
    const VaultRepository repo(root);
    const QDateTime now(today, QTime(12, 0));
    const auto load = [&](const char* title, bool withDates) {
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
        return a.searchableContent.size() < b.searchableContent.size();
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
