#include "vaultgenerator.h"

#include "textmaker.h"
#include "vaultpaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

// A folder tree that grows where users let it grow: most folders below "Notes", a few other
// top-level folders, at most four levels deep.
QStringList makeFolders(int count, RandomSource& random, TextMaker& text)
{
    QStringList folders = {QStringLiteral("Notes"), QStringLiteral("Notes/Inbox"),
                           QStringLiteral("Projects 项目"), QStringLiteral("读书笔记"),
                           QStringLiteral("Archive")};
    QSet<QString> taken(folders.cbegin(), folders.cend());
    while (folders.size() < count) {
        const QString& parent =
            random.chance(0.7) ? folders.at(random.below(std::min<int>(int(folders.size()), 40)))
                               : folders.at(random.below(int(folders.size())));
        if (parent.count(QLatin1Char('/')) >= 3)
            continue;
        QString path = parent + QLatin1Char('/') + text.folderName();
        for (int n = 2; taken.contains(path); ++n)
            path = parent + QLatin1Char('/') + text.folderName() + QLatin1Char(' ') +
                   QString::number(n);
        taken.insert(path);
        folders.append(path);
    }
    return folders;
}

QByteArray fakeImage(RandomSource& random, bool png)
{
    const int size = random.between(2 * 1024, 40 * 1024);
    QByteArray bytes = png ? QByteArray("\x89PNG\r\n\x1a\n", 8) : QByteArray("\xff\xd8\xff\xe0", 4);
    bytes.reserve(size);
    while (bytes.size() < size) {
        const quint64 word = random.next();
        bytes.append(reinterpret_cast<const char*>(&word), sizeof word);
    }
    return bytes;
}

// Lognormal around 3 KB, clipped to a few hundred bytes and 100 KB.
int articleSize(RandomSource& random)
{
    const double size = 3000.0 * std::exp(1.2 * random.normal());
    return int(std::clamp(size, 300.0, 98000.0));
}

QDateTime articleModifiedAt(const GeneratorOptions& options, RandomSource& random)
{
    const QDateTime end(options.today, QTime(18, 0));
    const double sixYears = 6.0 * 365 * 86400;
    const qint64 ago = qint64(std::pow(random.unit(), 2.0) * sixYears);
    return end.addSecs(-ago).addMSecs(random.below(1000));
}

class ArticleWriter
{
public:
    ArticleWriter(RandomSource& random, TextMaker& text, const VaultPlan& plan)
        : m_random(random), m_text(text), m_plan(plan)
    {
    }

    QByteArray content(int index, const QString& title, int targetSize)
    {
        const QString& path = m_plan.articlePaths.at(index);
        QByteArray out;
        const double opening = m_random.unit();
        if (opening < 0.04)
            out += "---\ntags: [" + m_text.tag().mid(1) + ", " + m_text.tag().mid(1) +
                   "]\n---\n\n# " + title.toUtf8() + "\n\n";
        else if (opening < 0.92)
            out += "# " + title.toUtf8() + "\n\n";
        const bool linksHub = index != 0 && m_random.chance(0.003);
        while (out.size() < targetSize) {
            out += block(path);
            out += "\n\n";
        }
        if (linksHub)
            out += "相关：" + link(path, 0) + "\n\n";
        out.chop(1);
        return out;
    }

private:
    QByteArray link(const QString& from, int target)
    {
        const QString& targetPath = m_plan.articlePaths.at(target);
        QByteArray label = QFileInfo(targetPath).completeBaseName().toUtf8();
        QByteArray href = linkBetween(from, targetPath);
        const double form = m_random.unit();
        if (form < 0.05)
            href += "#" + m_text.headingText().replace(' ', '-');
        else if (form < 0.08 && !href.contains('/'))
            href.prepend("./");
        return "[" + label + "](" + href + ")";
    }

    int linkTarget(const QString& from)
    {
        // Half the links stay close to home: an article of the same folder when there is one.
        if (m_random.chance(0.5)) {
            const QString folder = from.section(QLatin1Char('/'), 0, -2);
            for (int attempt = 0; attempt < 4; ++attempt) {
                const int candidate = m_random.below(int(m_plan.articlePaths.size()));
                if (m_plan.articlePaths.at(candidate).startsWith(folder))
                    return candidate;
            }
        }
        return m_random.below(int(m_plan.articlePaths.size()));
    }

    QByteArray image(const QString& from)
    {
        const QString& target =
            m_plan.attachments.at(m_random.below(int(m_plan.attachments.size())));
        // The editor inserts root-anchored paths; files brought from elsewhere use relative ones.
        const QByteArray href =
            m_random.chance(0.5) ? QByteArray("/") + target.toUtf8() : linkBetween(from, target);
        return "![" + (m_random.chance(0.5) ? m_text.headingText() : QByteArray()) + "](" + href +
               ")";
    }

    QByteArray block(const QString& path)
    {
        const double r = m_random.unit();
        if (r < 0.42) {
            QByteArray p = m_text.paragraph(2, 6);
            if (m_random.chance(0.2))
                p += " 参见 " + link(path, linkTarget(path)) + "。";
            return p;
        }
        if (r < 0.54)
            return (m_random.chance(0.6) ? "## " : "### ") + m_text.headingText();
        if (r < 0.64)
            return m_text.bulletList();
        if (r < 0.68)
            return m_text.numberedList();
        if (r < 0.71)
            return m_text.taskList();
        if (r < 0.77)
            return m_text.codeBlock();
        if (r < 0.81)
            return m_text.quote();
        if (r < 0.84)
            return m_text.table();
        if (r < 0.89)
            return image(path);
        if (r < 0.95)
            return "- " + link(path, linkTarget(path)) + "\n- " + link(path, linkTarget(path));
        return m_text.paragraph(1, 3) + " " + m_text.webLink();
    }

    RandomSource& m_random;
    TextMaker& m_text;
    const VaultPlan& m_plan;
};

} // namespace

void makeFolder(const QString& absolutePath)
{
    if (!QDir().mkpath(absolutePath))
        throw std::runtime_error("cannot create folder " + absolutePath.toStdString());
}

void writeGeneratedFile(const QString& absolutePath, const QByteArray& bytes,
                        const QDateTime& modifiedAt)
{
    QFile file(absolutePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + absolutePath.toStdString() + ": " +
                                 file.errorString().toStdString());
    file.close();
    const qint64 ms = modifiedAt.toMSecsSinceEpoch();
    const struct timespec times[2] = {{ms / 1000, (ms % 1000) * 1000000},
                                      {ms / 1000, (ms % 1000) * 1000000}};
    if (::utimensat(AT_FDCWD, QFile::encodeName(absolutePath).constData(), times, 0) != 0)
        throw std::runtime_error("cannot set the date of " + absolutePath.toStdString() + ": " +
                                 std::strerror(errno));
}

QByteArray linkBetween(const QString& fromFile, const QString& target)
{
    return relativeMarkdownLink(fromFile, target).toUtf8();
}

void generateArticles(const GeneratorOptions& options, RandomSource& random, VaultPlan& plan,
                      GeneratedVault& report)
{
    TextMaker text(random);
    const QString root = options.root + QLatin1Char('/');

    plan.folders = makeFolders(std::max(12, options.articles / 18), random, text);
    for (const QString& folder : std::as_const(plan.folders))
        makeFolder(root + folder);
    report.folders = int(plan.folders.size());

    // Images first, so that articles and memos can show them.
    makeFolder(root + QStringLiteral("Attachments"));
    const int imageCount = std::max(20, options.articles / 40);
    for (int i = 0; i < imageCount; ++i) {
        const bool png = random.chance(0.7);
        const QByteArray bytes = fakeImage(random, png);
        const QString name =
            QStringLiteral("Attachments/image-") +
            QString::fromLatin1(
                QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).left(12).toHex()) +
            (png ? QStringLiteral(".png") : QStringLiteral(".jpg"));
        writeGeneratedFile(root + name, bytes, articleModifiedAt(options, random));
        plan.attachments.append(name);
        report.attachmentBytes += bytes.size();
    }
    report.attachments = imageCount;

    // Every path is chosen before any text, so that links can point anywhere.
    QStringList titles;
    QSet<QString> taken;
    const WeightedPicker folderPicker(int(plan.folders.size()), random, 1.0);
    for (int i = 0; i < options.articles; ++i) {
        QString folder;
        QString title;
        if (i == 0) {
            const QString hub = BenchVault::renamedArticlePath();
            folder = hub.section(QLatin1Char('/'), 0, -2);
            title = QFileInfo(hub).completeBaseName();
        } else {
            folder = random.chance(0.003) ? QString() : plan.folders.at(folderPicker.pick(random));
            title = text.articleTitle();
        }
        QString path = joinVaultPath(folder, title + QStringLiteral(".md"));
        for (int n = 2; taken.contains(path); ++n)
            path = joinVaultPath(folder, title + QLatin1Char(' ') + QString::number(n) +
                                             QStringLiteral(".md"));
        taken.insert(path);
        plan.articlePaths.append(path);
        titles.append(QFileInfo(path).completeBaseName());
    }

    ArticleWriter writer(random, text, plan);
    for (int i = 0; i < options.articles; ++i) {
        const int size = i == 0 ? 4000 : articleSize(random);
        const QByteArray bytes = writer.content(i, titles.at(i), size);
        writeGeneratedFile(root + plan.articlePaths.at(i), bytes,
                           articleModifiedAt(options, random));
        report.articleBytes += bytes.size();
    }
    report.articles = options.articles;
}

GeneratedVault generateVault(const GeneratorOptions& options)
{
    const QDir root(options.root);
    if (root.exists() && !root.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        throw std::runtime_error("the folder " + options.root.toStdString() +
                                 " is not empty; give a new or empty folder");
    makeFolder(options.root);
    for (const char* name : {"Attachments", "Journal", "Notes"})
        makeFolder(options.root + QLatin1Char('/') + QLatin1String(name));

    RandomSource random(options.seed);
    GeneratedVault report;
    VaultPlan plan;
    generateArticles(options, random, plan, report);
    generateJournal(options, random, plan, report);
    return report;
}
