// A repository that reads only what changed must hand out exactly what a new repository reading
// every file gives: random sequences of edits by other programs and by the repository itself,
// compared after each step; the search index kept up to date on the way must find exactly the
// articles that hold a word (or, where it says so, a few more).

#include "articlesearchindex.h"
#include "memoindex.h"
#include "recordstore.h"
#include "searchfold.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QRandomGenerator>
#include <QTest>

#include <sys/stat.h>

namespace {

const QStringList words = {
    QStringLiteral("plan"),   QStringLiteral("Café"),   QStringLiteral("项目"),
    QStringLiteral("总结"),   QStringLiteral("ＴＨＥ"), QStringLiteral("a,b"),
    QStringLiteral("naïve"),  QStringLiteral("海边"),   QStringLiteral("v1.2"),
    QStringLiteral("한국어"), QStringLiteral("Straße"), QStringLiteral("😀"),
    QStringLiteral("- [ ]"),  QStringLiteral("#tag"),   QStringLiteral("笔记本")};

class Scenario
{
public:
    Scenario(const TestVault& vault, quint32 seed) : m_vault(vault), m_random(seed) {}

    QString text()
    {
        QString result;
        const int count = int(m_random.bounded(1, 40));
        for (int i = 0; i < count; ++i) {
            result += words.at(m_random.bounded(words.size()));
            result += m_random.bounded(6) == 0 ? QStringLiteral("\n") : QStringLiteral(" ");
        }
        return result;
    }
    int below(int n) { return int(m_random.bounded(n)); }

    QStringList articles() const { return filesBelow(QString(), true); }
    QStringList dayFiles() const { return filesBelow(QStringLiteral("Journal"), false); }
    QStringList folders() const
    {
        QStringList result;
        for (const QString& name : {QStringLiteral("Notes"), QStringLiteral("Notes/Sub"),
                                    QStringLiteral("Projects"), QStringLiteral("Projects/深")}) {
            if (QFileInfo(m_vault.path(name)).isDir())
                result.append(name);
        }
        return result;
    }

    // An edit another program makes; `step` picks the kind.
    void editOutside(int kind, const QList<MemoRecord>& memos)
    {
        const QStringList articles = this->articles();
        const QString article =
            articles.isEmpty() ? QString() : articles.at(below(articles.size()));
        const QStringList folders = this->folders();
        const QString folder = folders.isEmpty() ? QString() : folders.at(below(folders.size()));
        switch (kind) {
        case 0:
            if (!article.isEmpty())
                m_vault.write(article, m_vault.read(article) + text().toUtf8());
            break;
        case 1: { // the same size and date
            if (article.isEmpty() || m_vault.read(article).isEmpty())
                break;
            const QDateTime date = QFileInfo(m_vault.path(article)).lastModified();
            QByteArray bytes = m_vault.read(article);
            const qsizetype at = below(int(bytes.size()));
            bytes[at] =
                bytes.at(at) == 'x' ? 'y' : (uchar(bytes.at(at)) < 0x80 ? 'x' : bytes.at(at));
            m_vault.write(article, bytes);
            m_vault.setModified(article, date);
            break;
        }
        case 2:
            if (!article.isEmpty() && !folder.isEmpty())
                QFile::rename(
                    m_vault.path(article),
                    m_vault.path(folder + QStringLiteral("/moved %1.md").arg(below(100))));
            break;
        case 3:
            if (!article.isEmpty())
                QFile::remove(m_vault.path(article));
            break;
        case 4:
            m_vault.write((folder.isEmpty() ? QString() : folder + QLatin1Char('/')) +
                              QStringLiteral("新 %1.md").arg(below(1000)),
                          text());
            break;
        case 5:
            if (!article.isEmpty())
                m_vault.setModified(article, QDateTime::currentDateTime().addSecs(below(100)));
            break;
        case 6: // a file replaced by a folder of the same name
            if (!article.isEmpty()) {
                QFile::remove(m_vault.path(article));
                QDir().mkpath(m_vault.path(article));
                m_vault.write(article + QStringLiteral("/inner.md"), text());
            }
            break;
        case 7:
            if (!folder.isEmpty() && below(3) == 0)
                QDir(m_vault.path(folder)).removeRecursively();
            else if (!folder.isEmpty())
                QDir().rename(m_vault.path(folder), m_vault.path(folder + QStringLiteral(" 改")));
            break;
        case 8: // an anchor line stripped, or a body changed, in a day file
            if (!memos.isEmpty()) {
                const MemoRecord& memo = memos.at(below(int(memos.size())));
                QString day = m_vault.readText(memo.journalPath);
                const qsizetype anchor = day.indexOf(QStringLiteral("<a id=\"") + memo.id);
                if (below(2) == 0 && anchor >= 0)
                    day.remove(anchor, day.indexOf(QLatin1Char('\n'), anchor) - anchor + 1);
                else
                    day.replace(memo.markdown, text());
                m_vault.write(memo.journalPath, day);
            }
            break;
        case 9: { // the index changed: an entry dropped
            QList<MemoIndexEntry> entries =
                decodeMemoIndex(m_vault.read(QStringLiteral(".larch/memo-index.json")))
                    .value_or(QList<MemoIndexEntry>());
            if (!entries.isEmpty())
                entries.removeAt(below(int(entries.size())));
            m_vault.write(QStringLiteral(".larch/memo-index.json"), encodeMemoIndex(entries));
            break;
        }
        case 10: {
            const QStringList days = dayFiles();
            const int choice = below(4);
            if (!days.isEmpty() && choice == 0)
                QFile::remove(m_vault.path(days.at(below(int(days.size())))));
            else if (!days.isEmpty() && choice == 1) // no longer UTF-8: reported at every read
                m_vault.write(days.at(below(int(days.size()))),
                              QByteArray("# \xff\n\n") + text().toUtf8());
            else
                m_vault.write(QStringLiteral("Journal/2024/06/2024-06-%1.md").arg(10 + below(9)),
                              QStringLiteral("# x\n\n<a id=\"memo-%1\"></a>\n\n## 10:%2\n\n")
                                      .arg(below(1000))
                                      .arg(10 + below(40)) +
                                  text() + QStringLiteral("\n\n---\n"));
            break;
        }
        case 11: // a link to an article, and bytes that are not UTF-8
            if (!article.isEmpty() && below(2) == 0)
                QFile::link(m_vault.path(article),
                            m_vault.path(QStringLiteral("link %1.md").arg(below(9))));
            else if (!article.isEmpty())
                m_vault.write(article, QByteArray("\xff\xfe broken ") + text().toUtf8());
            break;
        default:
            break;
        }
    }

private:
    QStringList filesBelow(const QString& folder, bool articlesOnly) const
    {
        QStringList result;
        for (const QString& file : m_vault.files()) {
            if (!file.endsWith(QLatin1String(".md")) || file.startsWith(QLatin1Char('.')) ||
                file.contains(QLatin1String("/.")))
                continue;
            const bool journal = file.startsWith(QLatin1String("Journal/"));
            // Links whose file became a folder are no place to write.
            if ((articlesOnly ? !journal : file.startsWith(folder + QLatin1Char('/'))) &&
                QFileInfo(m_vault.path(file)).isFile())
                result.append(file);
        }
        return result;
    }

    const TestVault& m_vault;
    QRandomGenerator m_random;
};

void compareSnapshots(const VaultSnapshot& got, const VaultSnapshot& expected)
{
    QCOMPARE(got.folders, expected.folders);
    QCOMPARE(got.notes.size(), expected.notes.size());
    for (qsizetype i = 0; i < got.notes.size(); ++i) {
        const NoteSummary& a = got.notes.at(i);
        const NoteSummary& b = expected.notes.at(i);
        QCOMPARE(a.path, b.path);
        QCOMPARE(a.title, b.title);
        QCOMPARE(a.preview, b.preview);
        QCOMPARE(a.modifiedAt, b.modifiedAt);
        QCOMPARE(a.searchableContent.text(), b.searchableContent.text());
        QVERIFY(a.searchableContent == b.searchableContent);
    }
}

// Every word looked up finds the articles that hold it, and no other when the index says so.
void checkSearchIndex(const VaultSnapshot& snapshot, Scenario& scenario)
{
    QVERIFY(snapshot.searchIndex);
    QStringList texts;
    for (const NoteSummary& note : snapshot.notes)
        texts.append(foldForSearch(note.title) + QLatin1Char(' ') +
                     foldForSearch(note.searchableContent.text()));
    for (int probe = 0; probe < 12 && !texts.isEmpty(); ++probe) {
        const QString& source = texts.at(scenario.below(int(texts.size())));
        const int start = scenario.below(int(source.size()));
        QString word = source.mid(start, 1 + scenario.below(6)).section(QLatin1Char(' '), 0, 0);
        word = word.section(QLatin1Char('\n'), 0, 0);
        if (word.isEmpty())
            continue;
        bool exact = false;
        const SlotSet found = snapshot.searchIndex->match(word, &exact);
        for (qsizetype row = 0; row < snapshot.notes.size(); ++row) {
            const qint32 slot = snapshot.searchSlots.at(row);
            QVERIFY(slot >= 0);
            const bool holds = texts.at(row).contains(word);
            if (holds)
                QVERIFY2(found.contains(slot), qPrintable(word));
            else if (exact)
                QVERIFY2(!found.contains(slot), qPrintable(word));
        }
    }
}

} // namespace

class RecordStoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A record is taken without reading its file only when the file's identity is the same and
    // was already old when read: on file systems with coarse times, a change in the same tick
    // keeps the identity.
    void identityVouchesForOldFilesOnly_data()
    {
        QTest::addColumn<qint64>("changedBeforeReading"); // nanoseconds
        QTest::addColumn<bool>("sameIdentity");
        QTest::addColumn<bool>("vouches");
        QTest::newRow("old and unchanged") << qint64(10'000'000'000) << true << true;
        QTest::newRow("old and changed") << qint64(10'000'000'000) << false << false;
        QTest::newRow("changed in the tick it was read") << qint64(1'000'000) << true << false;
        QTest::newRow("changed a second before") << qint64(1'000'000'000) << true << false;
        QTest::newRow("dated in the future") << qint64(-5'000'000'000) << true << false;
    }
    void identityVouchesForOldFilesOnly()
    {
        QFETCH(qint64, changedBeforeReading);
        QFETCH(bool, sameIdentity);
        QFETCH(bool, vouches);
        FileCheck check;
        check.verifiedAtNs = 1'700'000'000'000'000'000;
        check.identity = FileIdentity{120, check.verifiedAtNs - changedBeforeReading - 5,
                                      check.verifiedAtNs - changedBeforeReading, 7, 1};
        FileIdentity now = check.identity;
        if (!sameIdentity)
            now.size += 1;
        QCOMPARE(check.vouchesFor(now), vouches);
    }

    void readingChangesEqualsReadingAll_data()
    {
        QTest::addColumn<bool>("watching");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("change notifications") << true << 1u;
        QTest::newRow("change notifications, other edits") << true << 7u;
        QTest::newRow("identities compared") << false << 3u;
        QTest::newRow("identities compared, other edits") << false << 11u;
    }
    void readingChangesEqualsReadingAll()
    {
        QFETCH(bool, watching);
        QFETCH(quint32, seed);
        TestVault vault;
        Scenario scenario(vault, seed);
        const VaultRepository kept(vault.root());
        kept.records().setStartupCacheEnabled(false);
        kept.records().setWatching(watching);
        kept.prepareLayout();
        const QStringList places{QStringLiteral("Notes/"), QStringLiteral("Notes/Sub/"),
                                 QStringLiteral("Projects/深/"), QString()};
        for (int i = 0; i < 16; ++i)
            vault.write(places.at(i % 4) + QStringLiteral("文章 %1.md").arg(i),
                        (i % 5 == 0 ? QStringLiteral("# Title\r\n\r\n") : QString()) +
                            scenario.text());
        for (int i = 0; i < 12; ++i)
            kept.createMemo(scenario.text(), QDateTime(QDate(2024, 6, 1 + i % 4), QTime(9, i)),
                            i % 3 ? QString() : QStringLiteral("Notes"), {});
        kept.buildSearchIndex();

        for (int step = 0; step < 60; ++step) {
            const int kind = scenario.below(14);
            const QList<MemoRecord> before = kept.loadMemos();
            if (kind < 12) {
                scenario.editOutside(kind, before);
            } else if (!before.isEmpty()) {
                // The repository's own writes, which it also reads back.
                const MemoRecord& memo = before.at(scenario.below(int(before.size())));
                if (kind == 12)
                    kept.updateMemo(memo.id, scenario.text());
                else
                    kept.createMemo(scenario.text(), memo.createdAt.addSecs(60), QString(), {});
            }
            kept.takeWarnings();
            const VaultSnapshot got = kept.loadSnapshot();
            const QList<MemoRecord> gotMemos = kept.loadMemos();
            const QList<MemoIndexEntry> gotIndex = kept.loadMemoIndex();
            const QList<VaultWarning> gotWarnings = kept.takeWarnings();
            VaultRepository fresh(vault.root());
            fresh.records().setStartupCacheEnabled(false);
            fresh.records().setWatching(false);
            compareSnapshots(got, fresh.loadSnapshot());
            QCOMPARE(gotMemos, fresh.loadMemos());
            QCOMPARE(gotIndex, fresh.loadMemoIndex());
            QCOMPARE(gotWarnings, fresh.takeWarnings());
            checkSearchIndex(got, scenario);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(
                    QStringLiteral("after step %1 (edit of kind %2)").arg(step).arg(kind)));
        }
        if (watching)
            QVERIFY(kept.records().isWatching());
    }
};

QTEST_GUILESS_MAIN(RecordStoreTest)
#include "tst_recordstore.moc"
