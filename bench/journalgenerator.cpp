#include "textmaker.h"
#include "vaultgenerator.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <optional>

// The journal: day files with todo sections and memo blocks, some of whose anchor lines were
// lost in another editor, and the memo index that knows them all.

namespace {

enum class AnchorFate {
    kept,
    stripped, // lost, and restorable from the index
    orphaned, // lost after the body was edited elsewhere: the index digest no longer matches
};

struct IndexEntry
{
    QString id;
    QDateTime createdAt;
    QString journalPath;
    QString digest;
    QString folder;
};

QByteArray memoId(RandomSource& random)
{
    // A version-4 UUID in its canonical lowercase form.
    QByteArray hex = QByteArray::number(random.next(), 16).rightJustified(16, '0') +
                     QByteArray::number(random.next(), 16).rightJustified(16, '0');
    hex[12] = '4';
    hex[16] = "89ab"[random.below(4)];
    return "memo-" + hex.mid(0, 8) + '-' + hex.mid(8, 4) + '-' + hex.mid(12, 4) + '-' +
           hex.mid(16, 4) + '-' + hex.mid(20, 12);
}

QString contentDigest(const QByteArray& body)
{
    static const QRegularExpression whitespace(QStringLiteral("\\s+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    const QString normalized =
        QString::fromUtf8(body).replace(whitespace, QStringLiteral(" ")).trimmed();
    return QString::fromLatin1(
        QCryptographicHash::hash(normalized.toUtf8(), QCryptographicHash::Sha256).left(16).toHex());
}

QByteArray anchorLine(const QByteArray& id, const QString& folder)
{
    if (folder.isEmpty())
        return "<a id=\"" + id + "\"></a>";
    QString escaped = folder;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('"'), QStringLiteral("&quot;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return "<a id=\"" + id + "\" data-folder=\"" + escaped.toUtf8() + "\"></a>";
}

QByteArray dayName(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
}

class MemoWriter
{
public:
    MemoWriter(RandomSource& random, TextMaker& text, const VaultPlan& plan, const QDate& today)
        : m_random(random), m_text(text), m_plan(plan), m_today(today)
    {
    }

    QByteArray body(const QString& journalPath, const QDate& day)
    {
        const double kind = m_random.unit();
        if (kind < 0.03) // a memo that was turned into an article: one link
            return articleLink(journalPath, m_random.below(int(m_plan.articlePaths.size())));
        if (kind < 0.05)
            return images(journalPath, m_random.between(1, 2));

        QList<QByteArray> parts;
        const int paragraphs = m_random.between(1, 3);
        for (int i = 0; i < paragraphs; ++i)
            parts.append(m_text.paragraph(1, 3));
        if (m_random.chance(0.06))
            parts.first() +=
                " " + articleLink(journalPath, m_random.below(int(m_plan.articlePaths.size())));
        if (m_random.chance(0.001))
            parts.first() += " " + articleLink(journalPath, 0);
        if (m_random.chance(0.15))
            parts.append(m_random.chance(0.5) ? m_text.bulletList() : m_text.taskList());
        if (m_random.chance(0.12))
            parts.append(m_text.tag() + ' ' + m_text.tag());
        if (m_random.chance(0.08))
            parts.append(images(journalPath, m_random.between(1, 3)));
        QByteArray out = parts.join("\n\n");

        const int followUps = m_random.chance(0.12) ? m_random.between(1, 2) : 0;
        for (int i = 0; i < followUps; ++i) {
            const QDate when = std::min(day.addDays(m_random.between(0, 10)), m_today);
            out += "\n\n### 续记 · " + dayName(when) + ' ' +
                   QTime(m_random.between(6, 23), m_random.below(60))
                       .toString(QStringLiteral("HH:mm"))
                       .toLatin1() +
                   "\n\n" + m_text.paragraph(1, 2);
        }
        return out;
    }

private:
    QByteArray articleLink(const QString& journalPath, int article)
    {
        const QString& target = m_plan.articlePaths.at(article);
        return "[" + QFileInfo(target).completeBaseName().toUtf8() + "](" +
               linkBetween(journalPath, target) + ")";
    }

    QByteArray images(const QString& journalPath, int count)
    {
        QList<QByteArray> lines;
        for (int i = 0; i < count; ++i)
            lines.append("![图片](" +
                         linkBetween(journalPath, m_plan.attachments.at(m_random.below(
                                                      int(m_plan.attachments.size())))) +
                         ")");
        return lines.join("\n\n");
    }

    RandomSource& m_random;
    TextMaker& m_text;
    const VaultPlan& m_plan;
    QDate m_today;
};

QByteArray todoSection(RandomSource& random, TextMaker& text, const QDate& day, bool yesterday,
                       std::optional<QDate> marker)
{
    QByteArray out = "<a id=\"daily-todos\"></a>\n\n## 今日待办\n\n";
    if (marker)
        out += "<!-- rolled-over-from:" + dayName(*marker) + " -->\n\n";
    const int count = random.between(2, 8);
    for (int i = 0; i < count; ++i) {
        // Yesterday keeps unfinished items, so that the first load of "today" rolls them over.
        const bool done = !(yesterday && i < 2) && random.chance(0.5);
        out += done ? "- [x] " : "- [ ] ";
        out += text.headingText();
        if (random.chance(0.2))
            out += " <!-- created:" + dayName(day.addDays(-random.between(1, 6))) + " -->";
        out += '\n';
    }
    out.chop(1);
    return out;
}

QString dayFilePath(const QDate& day, bool dailyNotes)
{
    const QString name = QString::fromLatin1(dayName(day)) + QStringLiteral(".md");
    if (dailyNotes)
        return QStringLiteral("Daily Notes/%1/%2")
            .arg(day.year(), 4, 10, QLatin1Char('0'))
            .arg(name);
    return QStringLiteral("Journal/%1/%2/%3")
        .arg(day.year(), 4, 10, QLatin1Char('0'))
        .arg(day.month(), 2, 10, QLatin1Char('0'))
        .arg(name);
}

// The days that have a file: today and yesterday, and a random choice among the days before.
QList<QDate> chooseDays(int count, const QDate& today, RandomSource& random)
{
    QList<QDate> days;
    for (int k = 0; k < std::min(count, 2); ++k)
        days.append(today.addDays(-k));
    const int span = std::max(count, count * 4 / 3);
    QList<int> older;
    for (int k = 2; k < span; ++k)
        older.append(k);
    for (int i = int(older.size()) - 1; i > 0; --i)
        std::swap(older[i], older[random.below(i + 1)]);
    for (int i = 0; i < count - 2 && i < older.size(); ++i)
        days.append(today.addDays(-older.at(i)));
    std::sort(days.begin(), days.end());
    return days;
}

void writeIndex(const QString& root, QList<IndexEntry> entries, const QDate& today,
                GeneratedVault& report)
{
    std::stable_sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
        return a.createdAt < b.createdAt;
    });
    QJsonArray array;
    for (const IndexEntry& entry : std::as_const(entries)) {
        array.append(QJsonObject{
            {QStringLiteral("contentDigest"), entry.digest},
            {QStringLiteral("createdAt"), entry.createdAt.toUTC().toString(Qt::ISODate)},
            {QStringLiteral("folderPath"), entry.folder},
            {QStringLiteral("id"), entry.id},
            {QStringLiteral("journalPath"), entry.journalPath},
        });
    }
    const QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Indented);
    makeFolder(root + QStringLiteral(".larch"));
    writeGeneratedFile(root + QStringLiteral(".larch/memo-index.json"), bytes,
                       QDateTime(today, QTime(23, 0)));
    report.indexBytes = bytes.size();
}

} // namespace

void generateJournal(const GeneratorOptions& options, RandomSource& random, const VaultPlan& plan,
                     GeneratedVault& report)
{
    TextMaker text(random);
    MemoWriter memoWriter(random, text, plan, options.today);
    const QString root = options.root + QLatin1Char('/');
    const int dayCount =
        options.dayFiles >= 0 ? options.dayFiles : std::max(2, options.articles * 15 / 100);
    const int memoCount = options.memos >= 0 ? options.memos : options.articles * 2;

    const QList<QDate> days = chooseDays(dayCount, options.today, random);

    // Every day holds at least one memo; the rest fall unevenly, a few busy days holding many.
    QList<int> perDay(days.size(), memoCount >= days.size() ? 1 : 0);
    const WeightedPicker dayPicker(int(days.size()), random, 0.8);
    for (int i = memoCount >= days.size() ? int(days.size()) : 0; i < memoCount; ++i)
        ++perDay[dayPicker.pick(random)];

    QList<IndexEntry> index;
    QSet<QDate> withTodos;
    for (int d = 0; d < days.size(); ++d) {
        const QDate day = days.at(d);
        const bool recent = day >= options.today.addDays(-1);
        const QString path = dayFilePath(day, !recent && random.chance(0.02));
        makeFolder(root + path.section(QLatin1Char('/'), 0, -2));

        QByteArray file = "# " + dayName(day) + "\n\n";
        if (recent || random.chance(0.35)) {
            const QDate previous = day.addDays(-1);
            const bool carried =
                day != options.today && withTodos.contains(previous) && random.chance(0.6);
            file += todoSection(random, text, day, day == options.today.addDays(-1),
                                carried ? std::optional<QDate>(previous) : std::nullopt);
            file += "\n\n";
            withTodos.insert(day);
            ++report.todoSections;
        }

        QList<int> minutes;
        for (int i = 0; i < perDay.at(d); ++i)
            minutes.append(random.between(6 * 60, 24 * 60 - 1));
        std::sort(minutes.begin(), minutes.end());

        qsizetype previousBodyLength = 1000; // nothing anchored before the first memo
        QList<QByteArray> blocks;
        for (const int minute : std::as_const(minutes)) {
            const QTime time(minute / 60, minute % 60);
            const QByteArray id = memoId(random);
            const QString folder = random.chance(0.3)
                                       ? plan.folders.at(random.below(int(plan.folders.size())))
                                       : QString();
            const QByteArray body = memoWriter.body(path, day);
            const QByteArray heading = (random.chance(0.03) ? "**%1**" : "## %1");

            // A lost anchor is only restorable when no other anchor stands within the 100
            // characters before its heading, so only memos after a long enough body lose one.
            AnchorFate fate = AnchorFate::kept;
            const double fateDraw = random.unit();
            if (previousBodyLength >= 120 && fateDraw < 0.005)
                fate = AnchorFate::stripped;
            else if (fateDraw > 0.997)
                fate = AnchorFate::orphaned;

            QByteArray block;
            if (fate == AnchorFate::kept)
                block = anchorLine(id, folder) + "\n\n";
            block += QByteArray(heading).replace("%1",
                                                 time.toString(QStringLiteral("HH:mm")).toLatin1());
            block += "\n\n" + body + "\n\n---";
            blocks.append(block);
            previousBodyLength = QString::fromUtf8(body).size();

            const QByteArray indexedBody =
                fate == AnchorFate::orphaned ? body + " " + text.sentence() : body;
            index.append({QString::fromLatin1(id), QDateTime(day, time), path,
                          contentDigest(indexedBody), folder});
            report.strippedAnchors += fate == AnchorFate::stripped;
            report.orphanedEntries += fate == AnchorFate::orphaned;
            ++report.memos;
        }
        // Now and then a memo was deleted in another editor; its index entry stays for good.
        if (random.chance(0.03)) {
            index.append({QString::fromLatin1(memoId(random)),
                          QDateTime(day, QTime(random.between(6, 23), random.below(60))), path,
                          contentDigest(text.sentence()), QString()});
            ++report.orphanedEntries;
        }

        file += blocks.join("\n\n");
        file += "\n";
        const int lastMinute =
            minutes.isEmpty() ? 22 * 60 : std::min(minutes.last() + 1, 24 * 60 - 1);
        writeGeneratedFile(root + path, file,
                           QDateTime(day, QTime(lastMinute / 60, lastMinute % 60)));
        report.journalBytes += file.size();
        ++report.dayFiles;
    }
    writeIndex(root, index, options.today, report);
}
