// The shortcuts taken for speed must give what the general way gives: the hand-written UTF-8
// decoder and validator against QStringDecoder, previews from bytes against previews from text,
// the search fold against its definition, the direct memo index reader against the JSON reader, the
// anchor scan, the heading and body shortcuts of the memo reader, the memo order without per-memo
// time-zone work (also across daylight-saving days), and reading files whose size is not known up
// front.

#include "articlebytes.h"
#include "articlelisting.h"
#include "contenthash.h"
#include "fileio.h"
#include "journal.h"
#include "memoanchors.h"
#include "memoindex.h"
#include "searchfold.h"
#include "testvault.h"
#include "vaultrepository.h"
#include "vaultwalk.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>
#include <ctime>
#include <iterator>

namespace {

std::optional<QString> referenceDecode(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                     QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// The index as the general JSON reader sees it, for comparison with the direct reader.
std::optional<QList<MemoIndexEntry>> referenceIndex(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<MemoIndexEntry> entries;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        for (const char* key : {"id", "createdAt", "journalPath", "contentDigest"}) {
            if (!object.value(QLatin1String(key)).isString())
                return std::nullopt;
        }
        QDateTime date =
            QDateTime::fromString(object.value(QLatin1String("createdAt")).toString(), Qt::ISODate);
        if (!date.isValid() || object.value(QLatin1String("createdAt")).toString().contains(u'.'))
            return std::nullopt;
        MemoIndexEntry entry{object.value(QLatin1String("id")).toString(), date.toUTC(),
                             object.value(QLatin1String("journalPath")).toString(),
                             object.value(QLatin1String("contentDigest")).toString(), std::nullopt};
        const QJsonValue folder = object.value(QLatin1String("folderPath"));
        if (folder.isString())
            entry.folderPath = folder.toString();
        else if (!folder.isUndefined() && !folder.isNull())
            return std::nullopt;
        entries.append(entry);
    }
    return entries;
}

QByteArray entryJson(const char* members)
{
    return QByteArray("[\n    {\n") + members + "\n    }\n]\n";
}

// Sets the process time zone for the lifetime of the object.
class TimeZone
{
public:
    explicit TimeZone(const char* zone) : m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~TimeZone()
    {
        qputenv("TZ", m_old);
        ::tzset();
    }

private:
    QByteArray m_old;
};

QString memoBlock(const QString& id, const QString& heading, const QString& body)
{
    return QStringLiteral("<a id=\"%1\"></a>\n\n%2\n\n%3\n\n---\n\n").arg(id, heading, body);
}

// Writes the same small journal into a vault: two days, a memo id that appears in both (a
// copied block), a memo whose anchor another editor stripped, and the index of them all.
void writeJournal(const TestVault& vault, bool stripTarget)
{
    const QString first = QStringLiteral("Journal/2024/05/2024-05-01.md");
    const QString second = QStringLiteral("Journal/2024/05/2024-05-02.md");
    const QString target = QStringLiteral("memo-target");
    const QString stripped = QStringLiteral("memo-stripped");
    const QString body = QStringLiteral("a body long enough to keep the anchors apart, ") +
                         QString(80, QLatin1Char('x'));
    QString day1 = QStringLiteral("# 2024-05-01\n\n") +
                   memoBlock(QStringLiteral("memo-other"), QStringLiteral("## 08:00"), body);
    day1 += stripTarget
                ? QStringLiteral("## 09:30\n\ntarget text\n\n---\n\n")
                : memoBlock(target, QStringLiteral("## 09:30"), QStringLiteral("target text"));
    const QString day2 = QStringLiteral("# 2024-05-02\n\n") +
                         memoBlock(target, QStringLiteral("## 07:00"), QStringLiteral("copied")) +
                         memoBlock(QStringLiteral("memo-x"), QStringLiteral("## 07:10"), body) +
                         QStringLiteral("## 08:15\n\nlost anchor\n\n---\n");
    vault.write(first, day1);
    vault.write(second, day2);
    const VaultRepository repository(vault.root());
    const auto entry = [](const QString& id, const QString& path, const QDateTime& at,
                          const QString& text) {
        return MemoIndexEntry{id, at.toUTC(), path, memoContentDigest(text), QString()};
    };
    repository.saveMemoIndex(
        {entry(QStringLiteral("memo-other"), first, QDateTime(QDate(2024, 5, 1), QTime(8, 0)),
               body),
         entry(target, first, QDateTime(QDate(2024, 5, 1), QTime(9, 30)),
               QStringLiteral("target text")),
         entry(target, second, QDateTime(QDate(2024, 5, 2), QTime(7, 0)), QStringLiteral("copied")),
         entry(QStringLiteral("memo-x"), second, QDateTime(QDate(2024, 5, 2), QTime(7, 10)), body),
         entry(stripped, second, QDateTime(QDate(2024, 5, 2), QTime(8, 15)),
               QStringLiteral("lost anchor"))});
}

QMap<QString, QByteArray> contents(const TestVault& vault)
{
    QMap<QString, QByteArray> files;
    for (const QString& file : vault.files())
        files.insert(file, vault.read(file));
    return files;
}

} // namespace

class FastPathsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesLikeQStringDecoder_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("ascii, longer than a block") << QByteArray("plain text, sixteen+ bytes\n");
        QTest::newRow("chinese") << QByteArray("今日待办：写周报");
        QTest::newRow("mixed") << QByteArray("Qt 6 的 QString 很好用 #标签 ok");
        QTest::newRow("two-byte") << QByteArray("café naïve ß");
        QTest::newRow("four-byte") << QByteArray("emoji \xF0\x9F\x98\x80 and \xF4\x8F\xBF\xBF");
        QTest::newRow("byte-order mark kept") << QByteArray("\xEF\xBB\xBF# Title\n");
        QTest::newRow("noncharacter allowed") << QByteArray("\xEF\xBF\xBF\xEF\xB7\x90");
        QTest::newRow("stray continuation") << QByteArray("ab\x80"
                                                          "cd");
        QTest::newRow("overlong lead C0") << QByteArray("\xC0\xAF");
        QTest::newRow("overlong lead C1") << QByteArray("\xC1\xBF");
        QTest::newRow("overlong three-byte") << QByteArray("\xE0\x80\xAF");
        QTest::newRow("overlong four-byte") << QByteArray("\xF0\x80\x80\xAF");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80");
        QTest::newRow("last before surrogates") << QByteArray("\xED\x9F\xBF");
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
        QTest::newRow("lead F5") << QByteArray("\xF5\x80\x80\x80");
        QTest::newRow("lead FF") << QByteArray("x\xFF");
        QTest::newRow("two-byte cut at end") << QByteArray("abc\xC3");
        QTest::newRow("three-byte cut at end") << QByteArray("abc\xE4\xBD");
        QTest::newRow("four-byte cut at end") << QByteArray("abc\xF0\x9F\x98");
        QTest::newRow("bad second continuation") << QByteArray("\xE4\xBD"
                                                               "a");
        QTest::newRow("invalid after a long ascii run")
            << QByteArray("0123456789abcdef0123456789abcdef\xFE");
        QTest::newRow("nul bytes") << QByteArray("a\0b", 3);
    }

    void decodesLikeQStringDecoder()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(decodeUtf8Strict(bytes), referenceDecode(bytes));
    }

    // Random byte strings, biased towards the bytes where UTF-8 rules change.
    void decodesRandomBytesLikeQStringDecoder()
    {
        static const uchar edges[] = {0x00, 0x41, 0x7f, 0x80, 0x8f, 0x90, 0x9f, 0xa0, 0xbf,
                                      0xc0, 0xc1, 0xc2, 0xdf, 0xe0, 0xe1, 0xec, 0xed, 0xee,
                                      0xef, 0xf0, 0xf1, 0xf3, 0xf4, 0xf5, 0xfe, 0xff};
        QRandomGenerator random(20240501);
        for (int i = 0; i < 100000; ++i) {
            QByteArray bytes(random.bounded(20), 'a');
            const int count = random.bounded(1, 14);
            for (int k = 0; k < count; ++k)
                bytes.append(char(random.bounded(3) ? edges[random.bounded(int(sizeof edges))]
                                                    : random.bounded(256)));
            if (decodeUtf8Strict(bytes) != referenceDecode(bytes) ||
                isStrictUtf8(bytes) != referenceDecode(bytes).has_value())
                QFAIL(qPrintable(QStringLiteral("differs for ") +
                                 QString::fromLatin1(bytes.toHex(' '))));
        }
    }

    // The listing takes an article's preview from its first lines' bytes.
    void previewsFromBytesLikeFromText()
    {
        const QStringList lines = {QString(),
                                   QStringLiteral("\r"),
                                   QStringLiteral("   "),
                                   QStringLiteral("\u3000"),
                                   QStringLiteral("# Title"),
                                   QStringLiteral("#no space"),
                                   QStringLiteral("## 小标题\r"),
                                   QStringLiteral("  > quoted [link](x.md)"),
                                   QStringLiteral("*粗体* ~del~ `code`"),
                                   QStringLiteral("\u2028x")};
        QRandomGenerator random(5);
        for (int i = 0; i < 20000; ++i) {
            QStringList picked;
            for (int k = int(random.bounded(6)); k >= 0; --k)
                picked.append(lines.at(random.bounded(lines.size())));
            const QString text = picked.join(QLatin1Char('\n'));
            QCOMPARE(notePreviewOfUtf8(text.toUtf8()), notePreview(text));
        }
    }

    // Searches fold whole vaults character by character; the fold is defined over the whole
    // text: decomposed, marks dropped, case folded (sharp s too), recomposed.
    void foldsLikeTheDefinition()
    {
        const auto definition = [](const QString& text) {
            QString stripped;
            for (QChar c : text.normalized(QString::NormalizationForm_KD)) {
                if (c.category() != QChar::Mark_NonSpacing &&
                    c.category() != QChar::Mark_SpacingCombining &&
                    c.category() != QChar::Mark_Enclosing)
                    stripped.append(c);
            }
            return stripped.toCaseFolded()
                .replace(QChar(0x00DF), QLatin1String("ss"))
                .normalized(QString::NormalizationForm_KC);
        };
        const QString pool =
            QStringLiteral("aZ 9日记ＡｚÉé\u0301\u0308ßẞİıﬁ㎏①Ωω\u1100\u1161\u11A8가각ᄀ\u3131ｶﾞ"
                           "\u3099が\u212B\u212AſΣς，。！\u00A0\u3000😀\uFB01\u0345Ǆ\u1E9Eאבـ");
        QRandomGenerator random(11);
        for (int i = 0; i < 20000; ++i) {
            QString text;
            for (int k = int(random.bounded(1, 12)); k > 0; --k) {
                const qsizetype at = random.bounded(pool.size());
                // Surrogate pairs stay whole.
                if (pool.at(at).isHighSurrogate())
                    text += pool.mid(at, 2);
                else if (!pool.at(at).isLowSurrogate())
                    text += pool.at(at);
            }
            QCOMPARE(foldForSearch(text), definition(text));
        }
    }

    void hashesAsXxh64_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<quint64>("hash");
        QTest::newRow("empty") << QByteArray() << quint64(0xEF46DB3751D8E999ull);
        QTest::newRow("one byte") << QByteArray("a") << quint64(0xD24EC4F1A98C6E5Bull);
        QTest::newRow("three bytes") << QByteArray("abc") << quint64(0x44BC2CF5AD770999ull);
        QTest::newRow("longer than a stripe")
            << QByteArray("Nobody inspects the spammish repetition")
            << quint64(0xFBCEA83C8A378BF1ull);
    }
    void hashesAsXxh64()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(quint64, hash);
        QCOMPARE(contentHash(bytes), hash);
    }

    void readsTheIndexLikeTheJsonReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const MemoIndexEntry written{QStringLiteral("memo-1"),
                                     QDateTime(QDate(2024, 5, 1), QTime(1, 30, 12), Qt::UTC),
                                     QStringLiteral("Journal/2024/05/2024-05-01.md"),
                                     QStringLiteral("ba7816bf8f01cfea414140de5dae2223"),
                                     QStringLiteral("R&D/\"quoted\" \\ <x>\n")};
        QTest::newRow("as written") << encodeMemoIndex({written, written});
        QTest::newRow("empty array") << QByteArray(" [ ] ");
        const char* required =
            "\"contentDigest\": \"d\", \"createdAt\": \"2024-05-01T01:30:12Z\",\n"
            "\"id\": \"memo-1\", \"journalPath\": \"Journal/a.md\"";
        QTest::newRow("no folder") << entryJson(required);
        QTest::newRow("null folder") << entryJson(QByteArray(required) + ", \"folderPath\": null");
        QTest::newRow("extra key") << entryJson(QByteArray(required) + ", \"extra\": \"x\"");
        QTest::newRow("extra number") << entryJson(QByteArray(required) + ", \"extra\": 5");
        QTest::newRow("escapes") << entryJson(
            QByteArray(required) + ", \"folderPath\": \"a\\/b \\\"c\\\" \\\\ \\t \\u00e9\"");
        QTest::newRow("offset date")
            << entryJson("\"contentDigest\": \"d\", \"createdAt\": \"2024-05-01T09:30:12+08:00\",\n"
                         "\"id\": \"memo-1\", \"journalPath\": \"Journal/a.md\"");
        QTest::newRow("fractional seconds")
            << entryJson("\"contentDigest\": \"d\", \"createdAt\": \"2024-05-01T01:30:12.500Z\",\n"
                         "\"id\": \"memo-1\", \"journalPath\": \"Journal/a.md\"");
        QTest::newRow("invalid day")
            << entryJson("\"contentDigest\": \"d\", \"createdAt\": \"2024-02-30T01:30:12Z\",\n"
                         "\"id\": \"memo-1\", \"journalPath\": \"Journal/a.md\"");
        QTest::newRow("missing id")
            << entryJson("\"contentDigest\": \"d\", \"createdAt\": \"2024-05-01T01:30:12Z\",\n"
                         "\"journalPath\": \"Journal/a.md\"");
        QTest::newRow("id not a string")
            << entryJson("\"contentDigest\": \"d\",\n"
                         "\"createdAt\": \"2024-05-01T01:30:12Z\", \"id\": 7, \"journalPath\": "
                         "\"Journal/a.md\"");
        QTest::newRow("folder not a string")
            << entryJson(QByteArray(required) + ", \"folderPath\": [\"x\"]");
        QTest::newRow("not an array") << QByteArray("{\"id\": \"memo-1\"}");
        QTest::newRow("garbage after") << entryJson(required) + "x";
        QTest::newRow("cut short") << entryJson(required).chopped(4);
        QTest::newRow("raw control character")
            << entryJson(QByteArray(required) + ", \"folderPath\": \"a\tb\"");
        QTest::newRow("invalid utf-8")
            << entryJson(QByteArray(required) + ", \"folderPath\": \"\xFF\"");
    }

    void readsTheIndexLikeTheJsonReader()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(decodeMemoIndex(bytes), referenceIndex(bytes));
    }

    void findsAnchorsLikeThePattern_data()
    {
        QTest::addColumn<QString>("text");
        const QString a = QStringLiteral("<a id=\"memo-1\"></a>");
        const QString f =
            QStringLiteral("<a id=\"memo-2\" data-folder=\"R&amp;D &quot;x&quot;\"></a>");
        QTest::newRow("none") << QStringLiteral("# 2024-05-01\n\ntext <a id=\"memo-1\"></a>\n");
        QTest::newRow("usual") << QStringLiteral("# d\n\n") + a +
                                      QStringLiteral("\n\n## 09:30\n\nx\n\n---\n\n") + f +
                                      QStringLiteral("\n\n## 10:00\n\ny\n\n---\n");
        QTest::newRow("at the start, at the end") << a + QStringLiteral("\n") + a;
        QTest::newRow("trailing spaces and tabs") << a + QStringLiteral(" \t \n \n\t x");
        QTest::newRow("text on the same line") << a + QStringLiteral(" x\n") + f;
        QTest::newRow("leading space") << QStringLiteral(" ") + a + QStringLiteral("\n");
        QTest::newRow("crlf") << a + QStringLiteral("\r\n\r\n") + f + QStringLiteral("\r\n");
        QTest::newRow("cr, form feed, vertical tab")
            << QStringLiteral("x\r") + a + QStringLiteral("\f") + a + QStringLiteral("\v") + a;
        QTest::newRow("unicode line ends") << QStringLiteral("x\u2028") + a +
                                                  QStringLiteral("\u2029") + a +
                                                  QStringLiteral("\u0085");
        QTest::newRow("unicode spaces") << a + QStringLiteral("\u3000\n") + a +
                                               QStringLiteral("\u00a0x\n") + a +
                                               QStringLiteral("\u3000");
        QTest::newRow("empty id") << QStringLiteral("<a id=\"memo-\"></a>\n");
        QTest::newRow("id over a line break") << QStringLiteral("<a id=\"memo-a\nb\"></a>\n");
        QTest::newRow("unclosed folder")
            << QStringLiteral("<a id=\"memo-1\" data-folder=\"x></a>\n");
        QTest::newRow("other attribute") << QStringLiteral("<a id=\"memo-1\" class=\"x\"></a>\n");
        QTest::newRow("empty folder") << QStringLiteral("<a id=\"memo-1\" data-folder=\"\"></a>");
        QTest::newRow("not a memo") << QStringLiteral("<a id=\"daily-todos\"></a>\n") + a;
        QTest::newRow("nested marker") << QStringLiteral("<a id=\"memo-<a id=\"memo-1\"></a>\n");
    }

    void findsAnchorsLikeThePattern()
    {
        QFETCH(QString, text);
        QList<std::tuple<qsizetype, qsizetype, QString, std::optional<QString>>> expected, found;
        for (auto it = memoAnchorPattern().globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            expected.append(
                {match.capturedStart(0), match.capturedEnd(0), match.captured(1),
                 match.hasCaptured(2) ? std::optional<QString>(match.captured(2)) : std::nullopt});
        }
        for (const MemoAnchor& anchor : findMemoAnchors(text))
            found.append(
                {anchor.start, anchor.end, anchor.id.toString(),
                 anchor.folder ? std::optional<QString>(anchor.folder->toString()) : std::nullopt});
        QCOMPARE(found, expected);
    }

    // Random texts assembled from the pieces anchor lines are made of.
    void findsAnchorsInRandomTextsLikeThePattern()
    {
        static const char16_t* const pieces[] = {
            u"<a id=\"", u"memo-",  u"1",      u"\"",   u"></a>", u" data-folder=\"",
            u"x",        u"\n",     u"\r",     u"\r\n", u" ",     u"\t",
            u"\u3000",   u"\u2028", u"\u0085", u"<",    u"#",     u"中"};
        QRandomGenerator random(7);
        for (int i = 0; i < 20000; ++i) {
            QString text;
            const int count = random.bounded(1, 24);
            for (int k = 0; k < count; ++k) {
                text += random.bounded(4) == 0
                            ? QStringLiteral("<a id=\"memo-1\"></a>")
                            : QString::fromUtf16(pieces[random.bounded(int(std::size(pieces)))]);
            }
            QList<std::pair<qsizetype, qsizetype>> expected, found;
            for (auto it = memoAnchorPattern().globalMatch(text); it.hasNext();) {
                const QRegularExpressionMatch match = it.next();
                expected.append({match.capturedStart(0), match.capturedEnd(0)});
            }
            for (const MemoAnchor& anchor : findMemoAnchors(text))
                found.append({anchor.start, anchor.end});
            if (found != expected)
                QFAIL(qPrintable(QStringLiteral("differs for ") + text));
        }
    }

    // The memo operations look a memo up without listing every memo, and reuse the index they
    // read; the files must end up as with "load all memos, take the first with the id".
    void changesMemosAsAfterLoadingAll_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("stripTarget");
        for (const char* operation : {"update", "followUp", "delete"}) {
            QTest::addRow("%s, copied id", operation) << operation << "memo-target" << false;
            QTest::addRow("%s, stripped anchor", operation) << operation << "memo-target" << true;
            QTest::addRow("%s, unknown id", operation) << operation << "memo-none" << false;
        }
    }

    void changesMemosAsAfterLoadingAll()
    {
        QFETCH(QString, operation);
        QFETCH(QString, id);
        QFETCH(bool, stripTarget);
        TestVault fast;
        TestVault reference;
        writeJournal(fast, stripTarget);
        writeJournal(reference, stripTarget);
        const VaultRepository repository(fast.root());
        const VaultRepository general(reference.root());
        const QDateTime stamp(QDate(2024, 5, 3), QTime(10, 0));

        std::optional<MemoRecord> result;
        bool notFound = false;
        try {
            if (operation == QLatin1String("update"))
                result = repository.updateMemo(id, QStringLiteral("new text"));
            else if (operation == QLatin1String("followUp"))
                result = repository.appendFollowUp(id, QStringLiteral("later"), stamp);
            else
                repository.deleteMemo(id);
        } catch (const VaultError& error) {
            QCOMPARE(error.code(), VaultError::noteNotFound);
            notFound = true;
        }

        // The same by the definition: every memo loaded, the first with the id changed.
        const QList<MemoRecord> memos = general.loadMemos();
        const auto found = std::find_if(memos.cbegin(), memos.cend(),
                                        [&](const MemoRecord& memo) { return memo.id == id; });
        QCOMPARE(notFound, found == memos.cend());
        if (!notFound) {
            MemoRecord memo = *found;
            if (operation == QLatin1String("delete")) {
                general.replaceMemoBlock(memo, QString());
                general.removeMemoIndexEntry(id);
            } else {
                memo.markdown =
                    operation == QLatin1String("update")
                        ? QStringLiteral("new text")
                        : memo.markdown +
                              QStringLiteral("\n\n### 续记 · 2024-05-03 10:00\n\nlater");
                general.replaceMemoBlock(memo, renderMemoBlock(memo));
                general.upsertMemoIndexEntry(memo);
                QCOMPARE(result, std::optional<MemoRecord>(memo));
            }
        }
        QCOMPARE(contents(fast), contents(reference));
    }

    void datesMemosByTheirFileName_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"2024-05-01", "2024-02-29", "2023-02-29", "2024-13-01",
                                 "2024-00-10", "2024-5-1", "0999-05-01", "1000-01-01", "9999-12-31",
                                 "notes", "2024-05-01.bak", "2024-05-O1", "２０２４-05-01"})
            QTest::newRow(name) << QString::fromUtf8(name);
    }

    void datesMemosByTheirFileName()
    {
        QFETCH(QString, name);
        const QDate day = QDate::fromString(name, QStringLiteral("yyyy-MM-dd"));
        const QDateTime expected = day.isValid() ? QDateTime(day, QTime(9, 30)) : distantPast();
        QCOMPARE(memoCreatedAt(QStringLiteral("Journal/x/") + name + QStringLiteral(".md"),
                               QStringLiteral("09:30")),
                 expected);
    }

    // A large index is written in slices: the bytes are still QJsonDocument's indented layout.
    void writesLargeIndexesWhole()
    {
        QList<MemoIndexEntry> entries;
        QJsonArray array;
        for (int i = 0; i < 600; ++i) {
            const MemoIndexEntry entry{
                QStringLiteral("memo-%1").arg(i),
                QDateTime(QDate(2024, 5, 1), QTime(0, 0), Qt::UTC).addSecs(i * 61),
                QStringLiteral("Journal/2024/05/2024-05-01.md"),
                QStringLiteral("%1").arg(i, 32, 16),
                i % 3 ? std::optional<QString>(QStringLiteral("笔记/R&D \"%1\"").arg(i))
                      : std::nullopt};
            entries.append(entry);
            QJsonObject object{{QStringLiteral("contentDigest"), entry.contentDigest},
                               {QStringLiteral("createdAt"), entry.createdAt.toString(Qt::ISODate)},
                               {QStringLiteral("id"), entry.id},
                               {QStringLiteral("journalPath"), entry.journalPath}};
            if (entry.folderPath)
                object.insert(QStringLiteral("folderPath"), *entry.folderPath);
            array.append(object);
        }
        const QByteArray written = encodeMemoIndex(entries);
        QCOMPARE(written, QJsonDocument(array).toJson(QJsonDocument::Indented));
        QCOMPARE(decodeMemoIndex(written), std::optional<QList<MemoIndexEntry>>(entries));
    }

    void readsHeadingsAndBodies_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("markdown");
        QTest::newRow("usual") << "## 09:30"
                               << "text"
                               << "09:30"
                               << "text";
        QTest::newRow("bold") << "**09:30**"
                              << "text"
                              << "09:30"
                              << "text";
        QTest::newRow("two spaces") << "##  09:30"
                                    << "text"
                                    << "09:30"
                                    << "text";
        QTest::newRow("tab") << "##\t09:30"
                             << "text"
                             << "invalid"
                             << "text";
        QTest::newRow("one digit") << "## 9:30"
                                   << "text"
                                   << "00:00"
                                   << "## 9:30\n\ntext";
        QTest::newRow("level three") << "### 09:30"
                                     << "text"
                                     << "00:00"
                                     << "### 09:30\n\ntext";
        QTest::newRow("bold unclosed") << "**09:30"
                                       << "text"
                                       << "00:00"
                                       << "**09:30\n\ntext";
        QTest::newRow("hour 24") << "## 24:00"
                                 << "text"
                                 << "invalid"
                                 << "text";
        QTest::newRow("lines") << "## 09:30"
                               << "a\n\n- b\n  c"
                               << "09:30"
                               << "a\n\n- b\n  c";
        QTest::newRow("crlf lines") << "## 09:30"
                                    << "a\r\nb"
                                    << "09:30"
                                    << "a\n\nb";
        QTest::newRow("line separator") << "## 09:30" << QStringLiteral("a\u2028b") << "09:30"
                                        << "a\nb";
    }

    void readsHeadingsAndBodies()
    {
        QFETCH(QString, heading);
        QFETCH(QString, body);
        QFETCH(QString, time);
        QFETCH(QString, markdown);
        const QString path = QStringLiteral("Journal/2024/05/2024-05-01.md");
        const QList<MemoRecord> memos =
            parseAnchoredMemos(memoBlock(QStringLiteral("memo-a"), heading, body), path);
        QCOMPARE(memos.size(), 1);
        QCOMPARE(memos.first().markdown, markdown);
        if (time == QLatin1String("invalid"))
            QCOMPARE(memos.first().createdAt, distantPast());
        else
            QCOMPARE(memos.first().createdAt, memoCreatedAt(path, time));
    }

    // Memos are ordered by instant; on days when the clocks change, the local minutes of a day
    // are not evenly spaced instants, which the shortcut must notice.
    void ordersMemosAcrossDaylightSavingDays()
    {
        const TimeZone zone("Europe/Berlin");
        TestVault vault;
        // The last minutes of the day the clocks go forward lie less than an hour before the
        // first minutes of the next day: a day taken as evenly spaced would swap them.
        const QList<std::pair<QString, QStringList>> days = {
            {QStringLiteral("2024-03-31"),
             {QStringLiteral("01:30"), QStringLiteral("02:30"), QStringLiteral("03:30"),
              QStringLiteral("23:30")}},
            {QStringLiteral("2024-04-01"), {QStringLiteral("00:10")}},
            {QStringLiteral("2024-10-27"),
             {QStringLiteral("00:00"), QStringLiteral("02:30"), QStringLiteral("23:59")}},
            {QStringLiteral("2024-10-28"), {QStringLiteral("00:30")}},
            {QStringLiteral("2024-05-01"), {QStringLiteral("09:30"), QStringLiteral("09:30")}},
        };
        int n = 99;
        for (const auto& [day, times] : days) {
            QString text = QStringLiteral("# ") + day + QStringLiteral("\n\n");
            for (const QString& time : times)
                text += memoBlock(QStringLiteral("memo-%1").arg(n--), QStringLiteral("## ") + time,
                                  QStringLiteral("x"));
            vault.write(QStringLiteral("Journal/2024/%1/%2.md").arg(day.mid(5, 2), day), text);
        }
        n = 99 - n;
        const QList<MemoRecord> memos = VaultRepository(vault.root()).loadMemos();
        QCOMPARE(memos.size(), n);
        QList<MemoRecord> expected = memos;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const MemoRecord& a, const MemoRecord& b) {
                             const qint64 left = a.createdAt.toMSecsSinceEpoch();
                             const qint64 right = b.createdAt.toMSecsSinceEpoch();
                             return left != right ? left < right : a.id < b.id;
                         });
        QCOMPARE(memos, expected);
        for (qsizetype i = 1; i < memos.size(); ++i)
            QVERIFY(!memoPrecedes(memos.at(i), memos.at(i - 1)));
    }

    // Files whose size the system does not report up front (as in /proc) are read to the end.
    void readsFilesOfUnknownSize()
    {
        QByteArray buffer;
        readFileInto(QStringLiteral("/proc/self/status"), buffer);
        QVERIFY(buffer.contains("VmRSS"));
        QVERIFY(buffer.endsWith('\n'));
    }

    void readsLargeFilesWhole()
    {
        TestVault vault;
        QByteArray bytes;
        for (int i = 0; i < 100000; ++i)
            bytes += "line " + QByteArray::number(i) + " 行\n";
        vault.write(QStringLiteral("big.md"), bytes);
        QByteArray buffer("stale contents of another file");
        qint64 msecs = 0;
        const QDateTime modified =
            readFileInto(vault.path(QStringLiteral("big.md")), buffer, &msecs);
        QCOMPARE(buffer, bytes);
        QCOMPARE(msecs, modified.toMSecsSinceEpoch());
        readFileInto(vault.path(QStringLiteral("big.md")), buffer);
        QCOMPARE(buffer, bytes);
    }
};

QTEST_GUILESS_MAIN(FastPathsTest)
#include "tst_fastpaths.moc"
