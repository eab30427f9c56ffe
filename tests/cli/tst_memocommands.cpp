#include "clitest.h"
#include "vaultrepository.h"

#include <QCryptographicHash>
#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString dayFile = u"Journal/2024/05/2024-05-01.md"_s;
const QString firstId = u"memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10"_s;
const QString secondId = u"memo-91c0d2aa-7e3b-4c55-8f21-6b9a0e4d3c77"_s;

const QString firstBlock = u"<a id=\"memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10\"></a>\n\n"
                           "## 09:30\n\nfirst memo text\n\n"
                           "![图片](../../../Attachments/a.png)\n\n---\n\n"_s;
const QString secondBlock =
    u"<a id=\"memo-91c0d2aa-7e3b-4c55-8f21-6b9a0e4d3c77\" "
    "data-folder=\"Reading/Books\"></a>\n\n## 14:05\n\nsecond #阅读 memo\n\n---\n"_s;

// A vault holding one day file with two memos, and their index.
void writeDay(const CliVault& vault)
{
    vault.write(dayFile, u"# 2024-05-01\n\n"_s + firstBlock + secondBlock);
    VaultRepository(vault.root()).loadMemos();
}

QString attachmentName(const QByteArray& bytes, const QString& extension)
{
    return u"image-"_s +
           QString::fromLatin1(
               QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).left(12).toHex()) +
           '.'_L1 + extension;
}

} // namespace

class MemoCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addAppendsTheBlocksByteForByte()
    {
        CliVault vault;
        QTemporaryDir outside;
        const QByteArray png("png bytes"), jpeg("jpeg bytes");
        const QString pngFile = outside.filePath(u"shot.PNG"_s);
        const QString jpegFile = outside.filePath(u"photo.jpeg"_s);
        for (const auto& [file, bytes] : {std::pair{pngFile, png}, std::pair{jpegFile, jpeg}}) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
        }
        const QList<std::pair<QStringList, QByteArray>> adds{
            {words(u"memo|add|  hello \n"_s), {}},
            {words(u"memo|add|-"_s), "来自标准输入\n"},
            {words(u"memo|add|look|--image|%1|--image|%2|--folder|Notes/./Trips/"_s.arg(jpegFile,
                                                                                        pngFile)),
             {}}};
        QStringList ids;
        for (const auto& [arguments, input] : adds) {
            const CliRun run = vault.run(arguments, input);
            QCOMPARE(run.status, 0);
            ids.append(run.outText().trimmed());
        }
        QVERIFY(ids.first().startsWith("memo-"_L1) && ids.first().size() == 41);
        const QString jpegName = attachmentName(jpeg, u"jpg"_s);
        const QString pngName = attachmentName(png, u"png"_s);
        QCOMPARE(vault.read(u"Attachments/"_s + jpegName), jpeg);
        QCOMPARE(vault.read(u"Attachments/"_s + pngName), png);

        const auto createdAt = [&](const QString& id) {
            return QDateTime::fromString(
                vault.run(words(u"memo|show|%1|--json"_s.arg(id))).json(u"createdAt"_s).toString(),
                Qt::ISODate);
        };
        const auto block = [&](int memo, const QString& attributes, const QString& body) {
            return u"<a id=\"%1\"%2></a>\n\n## %3\n\n%4\n\n---\n"_s.arg(
                ids.at(memo), attributes, createdAt(ids.at(memo)).toString(u"HH:mm"_s), body);
        };
        const QDateTime first = createdAt(ids.first());
        QVERIFY(first.isValid());
        QCOMPARE(vault.readText(dayFilePath(first)),
                 u"# %1\n\n"_s.arg(first.toString(u"yyyy-MM-dd"_s)) + block(0, {}, u"hello"_s) +
                     '\n'_L1 + block(1, {}, u"来自标准输入"_s) + '\n'_L1 +
                     block(2, u" data-folder=\"Notes/Trips\""_s,
                           u"look\n\n![图片](../../../Attachments/%1)\n\n"
                           "![图片](../../../Attachments/%2)"_s.arg(jpegName, pngName)));
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error"); // the start of standard error

        const QString invalidName = u"名称不能为空，也不能包含斜杠或冒号。\n"_s;
        const QString invalidPath = u"资料库路径无效。\n"_s;
        const QString notFound = u"找不到这篇笔记。\n"_s;
        auto row = [](const char* name, const QString& arguments, const QByteArray& input,
                      int status, const QString& error) {
            QTest::newRow(name) << arguments.split('|'_L1) << input << status << error;
        };
        row("blank text", u"memo|add|  \n "_s, {}, 1, invalidName);
        row("blank standard input", u"memo|add|-"_s, " \n", 1, invalidName);
        row("unsupported image after a good one", u"memo|add|hi|--image|@good.png|--image|@x.svg"_s,
            {}, 1, u"暂不支持这种图片格式。\n"_s);
        row("missing image", u"memo|add|hi|--image|@missing.png"_s, {}, 1, u"无法读取"_s);
        row("folder above the vault", u"memo|add|hi|--folder|../out"_s, {}, 1, invalidPath);
        row("absolute folder", u"memo|add|hi|--folder|/tmp"_s, {}, 1, invalidPath);
        row("unknown id", u"memo|show|0123abcd"_s, {}, 1, notFound);
        row("unknown id before blank text", u"memo|follow-up|ffff|  "_s, {}, 1, notFound);
        row("blank follow-up", u"memo|follow-up|91c0|  "_s, {}, 1, invalidName);
        row("promote with a slash", u"memo|promote|91c0|a/b"_s, {}, 1, invalidName);
        row("promote above the vault", u"memo|promote|91c0|x|--folder|../x"_s, {}, 1, invalidPath);
        row("malformed day", u"memo|list|--day|2024-5-1"_s, {}, 2, u"日期“2024-5-1”无效"_s);
        row("missing text", u"memo|add"_s, {}, 2, u"缺少参数。"_s);
    }

    void badInputChangesNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, error);
        CliVault vault;
        writeDay(vault);
        QTemporaryDir outside;
        for (QString& argument : arguments) {
            if (!argument.startsWith('@'_L1))
                continue;
            argument = outside.filePath(argument.mid(1));
            if (!argument.contains("missing"_L1)) {
                QFile out(argument);
                QVERIFY(out.open(QIODevice::WriteOnly));
                out.write("bytes");
            }
        }
        const QMap<QString, QByteArray> before = vault.contents();
        const CliRun run = vault.run(arguments, input);
        QTEST(run.status, "status");
        QVERIFY2(run.errText().startsWith(error), qPrintable(run.errText()));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(vault.contents(), before);
    }

    void editFollowUpDeletePromote()
    {
        CliVault vault;
        writeDay(vault);
        // Editing keeps the memo's image; a short id names the memo.
        // An empty text leaves only the image; text starting with "-" follows "--".
        QCOMPARE(vault.run(words(u"memo|edit|3f2b|"_s)).status, 0);
        QVERIFY(vault.readText(dayFile).contains(
            u"## 09:30\n\n![图片](../../../Attachments/a.png)\n\n---"_s));
        QCOMPARE(vault.run(words(u"memo|edit|3f2b|-5 度"_s)).status, 2);
        QVERIFY(vault.run(words(u"memo|edit|--help"_s)).outText().contains(u"-- "));
        QCOMPARE(vault.run(words(u"memo|edit|3f2b|--|-5 度"_s)).status, 0);
        QCOMPARE(vault.run(words(u"memo|edit|3f2b8c1e|new text"_s)).status, 0);
        QString first = firstBlock;
        first.replace(u"first memo text"_s, u"new text"_s);
        QCOMPARE(vault.readText(dayFile), u"# 2024-05-01\n\n"_s + first + secondBlock);

        QCOMPARE(vault.run(words(u"memo|follow-up|91c0|-"_s), "later\n").status, 0);
        const QString stamp = vault.run(words(u"memo|show|91c0|--json"_s))
                                  .json(u"followUps/0/timestamp"_s)
                                  .toString();
        QVERIFY(QDateTime::fromString(stamp, u"yyyy-MM-dd HH:mm"_s).isValid());
        QString secondWithFollowUp = secondBlock;
        secondWithFollowUp.replace(u"memo\n\n---\n"_s,
                                   u"memo\n\n### 续记 · %1\n\nlater\n\n---\n\n"_s.arg(stamp));
        QCOMPARE(vault.readText(dayFile), u"# 2024-05-01\n\n"_s + first + secondWithFollowUp);

        QCOMPARE(vault.run(words(u"memo|delete|"_s + firstId)).status, 0);
        QCOMPARE(vault.readText(dayFile), u"# 2024-05-01\n\n"_s + secondWithFollowUp);

        const CliRun promoted =
            vault.run(words(u"memo|promote|91c0|Shopping list|--folder|Notes"_s));
        QCOMPARE(promoted.status, 0);
        QCOMPARE(promoted.outText(), u"Notes/Shopping list.md\n"_s);
        QVERIFY(vault.readText(u"Notes/Shopping list.md"_s)
                    .startsWith(u"# Shopping list\n\nsecond #阅读 memo"_s));
        QVERIFY(vault.readText(dayFile).contains(
            u"\n[Shopping list](../../../Notes/Shopping%20list.md)\n"_s));
        // A memo that stands for an article is edited in the article.
        const CliRun edit = vault.run(words(u"memo|edit|91c0|x"_s));
        QCOMPARE(edit.status, 1);
    }

    void listingsForPeopleAndScripts()
    {
        CliVault vault;
        writeDay(vault);
        QCOMPARE(vault.run(words(u"memo|list"_s)).outText(),
                 u"2024-05-01 09:30  3f2b8c1e  first memo text\n"
                 "2024-05-01 14:05  91c0d2aa  second #阅读 memo\n"_s);
        const CliRun listed = vault.run(words(u"memo|list|--day|2024-05-01|--json"_s));
        QCOMPARE(listed.json(u"memos"_s).toArray().size(), 2);
        const QJsonObject second = listed.json(u"memos/1"_s).toObject();
        QCOMPARE(second.value("id"_L1).toString(), secondId);
        QCOMPARE(second.value("createdAt"_L1).toString(), u"2024-05-01T14:05:00+08:00"_s);
        QCOMPARE(second.value("journalPath"_L1).toString(), dayFile);
        QCOMPARE(second.value("folderPath"_L1).toString(), u"Reading/Books"_s);
        QCOMPARE(second.value("tags"_L1).toArray(), QJsonArray{u"阅读"_s});
        QCOMPARE(listed.json(u"memos/0/images/0/markdownPath"_s).toString(),
                 u"../../../Attachments/a.png"_s);
        QCOMPARE(vault.run(words(u"memo|list|--day|2024-05-02"_s)).outText(), u"没有记录。\n"_s);

        // Ids that share their start need more characters, in the listing too.
        QString twin = firstBlock;
        twin.replace(u"3f2b8c1e-5a47"_s, u"3f2b8c1e-9999"_s);
        vault.write(u"Journal/2024/05/2024-05-02.md"_s, u"# 2024-05-02\n\n"_s + twin);
        const CliRun ambiguous = vault.run(words(u"memo|show|3f2b8c1e"_s));
        QCOMPARE(ambiguous.status, 1);
        QCOMPARE(ambiguous.errText(), u"有 2 条记录的编号以“3f2b8c1e”开头，请多写几位。\n"_s);
        QVERIFY(vault.run(words(u"memo|list"_s)).outText().contains(u"  3f2b8c1e-5  first"_s));
        QCOMPARE(
            vault.run(words(u"memo|show|3f2b8c1e-9|--json"_s)).json(u"journalPath"_s).toString(),
            u"Journal/2024/05/2024-05-02.md"_s);
    }
};

QTEST_GUILESS_MAIN(MemoCommandsTest)
#include "tst_memocommands.moc"
