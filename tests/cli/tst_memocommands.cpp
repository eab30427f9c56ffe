#include "clitest.h"
#include "vaultrepository.h"

#include <QCryptographicHash>
#include <QJsonArray>

namespace {

const QString dayFile = QStringLiteral("Journal/2024/05/2024-05-01.md");
const QString firstId = QStringLiteral("memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10");
const QString secondId = QStringLiteral("memo-91c0d2aa-7e3b-4c55-8f21-6b9a0e4d3c77");

const QString firstBlock =
    QStringLiteral("<a id=\"memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10\"></a>\n\n"
                   "## 09:30\n\nfirst memo text\n\n"
                   "![图片](../../../Attachments/a.png)\n\n---\n\n");
const QString secondBlock =
    QStringLiteral("<a id=\"memo-91c0d2aa-7e3b-4c55-8f21-6b9a0e4d3c77\" "
                   "data-folder=\"Reading/Books\"></a>\n\n## 14:05\n\nsecond #阅读 memo\n\n---\n");

// A vault holding one day file with two memos, and their index.
void writeDay(const CliVault& vault)
{
    vault.write(dayFile, QStringLiteral("# 2024-05-01\n\n") + firstBlock + secondBlock);
    VaultRepository(vault.root()).loadMemos();
}

QString attachmentName(const QByteArray& bytes, const QString& extension)
{
    return QStringLiteral("image-") +
           QString::fromLatin1(
               QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).left(12).toHex()) +
           QLatin1Char('.') + extension;
}

} // namespace

class MemoCommandsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addAppendsTheBlockByteForByte()
    {
        CliVault vault;
        const CliRun first = vault.run(words(QStringLiteral("memo|add|  hello \n")));
        QCOMPARE(first.status, 0);
        const QString id = first.outText().trimmed();
        QVERIFY(id.startsWith(QLatin1String("memo-")) && id.size() == 41);
        const CliRun second =
            vault.run(words(QStringLiteral("memo|add|-")), QByteArray("来自标准输入\n"));
        QCOMPARE(second.status, 0);
        const QString secondId = second.outText().trimmed();

        const QJsonObject shown =
            vault
                .run({QStringLiteral("memo"), QStringLiteral("show"), id, QStringLiteral("--json")})
                .json();
        const QDateTime createdAt =
            QDateTime::fromString(shown.value(QLatin1String("createdAt")).toString(), Qt::ISODate);
        QVERIFY(createdAt.isValid());
        const QString day = createdAt.toString(QStringLiteral("yyyy-MM-dd"));
        const QString time = createdAt.toString(QStringLiteral("HH:mm"));
        const QString expected =
            QStringLiteral("# %1\n\n<a id=\"%2\"></a>\n\n## %3\n\nhello\n\n---\n\n"
                           "<a id=\"%4\"></a>\n\n## %3\n\n来自标准输入\n\n---\n")
                .arg(day, id, time, secondId);
        QCOMPARE(vault.readText(dayFilePath(createdAt)), expected);
    }

    void addStoresImagesInTheirOrder()
    {
        CliVault vault;
        QTemporaryDir outside;
        const QByteArray png("png bytes"), jpeg("jpeg bytes");
        const QString pngFile = outside.filePath(QStringLiteral("shot.PNG"));
        const QString jpegFile = outside.filePath(QStringLiteral("photo.jpeg"));
        for (const auto& [file, bytes] : {std::pair{pngFile, png}, std::pair{jpegFile, jpeg}}) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
        }
        const CliRun run =
            vault.run({QStringLiteral("memo"), QStringLiteral("add"), QStringLiteral("look"),
                       QStringLiteral("--image"), jpegFile, QStringLiteral("--image"), pngFile,
                       QStringLiteral("--folder"), QStringLiteral("Notes/./Trips/")});
        QCOMPARE(run.status, 0);
        const QString jpegName = attachmentName(jpeg, QStringLiteral("jpg"));
        const QString pngName = attachmentName(png, QStringLiteral("png"));
        QCOMPARE(vault.read(QStringLiteral("Attachments/") + jpegName), jpeg);
        QCOMPARE(vault.read(QStringLiteral("Attachments/") + pngName), png);

        const QJsonObject memo = vault
                                     .run({QStringLiteral("memo"), QStringLiteral("show"),
                                           run.outText().trimmed(), QStringLiteral("--json")})
                                     .json();
        QCOMPARE(memo.value(QLatin1String("folderPath")).toString(), QStringLiteral("Notes/Trips"));
        QCOMPARE(memo.value(QLatin1String("markdown")).toString(),
                 QStringLiteral(
                     "look\n\n![图片](../../../Attachments/%1)\n\n![图片](../../../Attachments/%2)")
                     .arg(jpegName, pngName));
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error"); // the start of standard error

        const QString invalidName = QStringLiteral("名称不能为空，也不能包含斜杠或冒号。\n");
        const QString invalidPath = QStringLiteral("资料库路径无效。\n");
        const QString notFound = QStringLiteral("找不到这篇笔记。\n");
        auto row = [](const char* name, const QString& arguments, const QByteArray& input,
                      int status, const QString& error) {
            QTest::newRow(name) << arguments.split(QLatin1Char('|')) << input << status << error;
        };
        row("blank text", QStringLiteral("memo|add|  \n "), {}, 1, invalidName);
        row("blank standard input", QStringLiteral("memo|add|-"), " \n", 1, invalidName);
        row("unsupported image after a good one",
            QStringLiteral("memo|add|hi|--image|@good.png|--image|@x.svg"), {}, 1,
            QStringLiteral("暂不支持这种图片格式。\n"));
        row("missing image", QStringLiteral("memo|add|hi|--image|@missing.png"), {}, 1,
            QStringLiteral("无法读取"));
        row("folder above the vault", QStringLiteral("memo|add|hi|--folder|../out"), {}, 1,
            invalidPath);
        row("absolute folder", QStringLiteral("memo|add|hi|--folder|/tmp"), {}, 1, invalidPath);
        row("unknown id", QStringLiteral("memo|show|0123abcd"), {}, 1, notFound);
        row("unknown id before blank text", QStringLiteral("memo|follow-up|ffff|  "), {}, 1,
            notFound);
        row("blank follow-up", QStringLiteral("memo|follow-up|91c0|  "), {}, 1, invalidName);
        row("promote with a slash", QStringLiteral("memo|promote|91c0|a/b"), {}, 1, invalidName);
        row("promote above the vault", QStringLiteral("memo|promote|91c0|x|--folder|../x"), {}, 1,
            invalidPath);
        row("malformed day", QStringLiteral("memo|list|--day|2024-5-1"), {}, 2,
            QStringLiteral("日期“2024-5-1”无效"));
        row("missing text", QStringLiteral("memo|add"), {}, 2, QStringLiteral("缺少参数。"));
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
            if (!argument.startsWith(QLatin1Char('@')))
                continue;
            argument = outside.filePath(argument.mid(1));
            if (!argument.contains(QLatin1String("missing"))) {
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
        QCOMPARE(vault.run(words(QStringLiteral("memo|edit|3f2b|"))).status, 0);
        QVERIFY(vault.readText(dayFile).contains(
            QStringLiteral("## 09:30\n\n![图片](../../../Attachments/a.png)\n\n---")));
        QCOMPARE(vault.run(words(QStringLiteral("memo|edit|3f2b|-5 度"))).status, 2);
        QVERIFY(vault.run(words(QStringLiteral("memo|edit|--help"))).outText().contains(u"-- "));
        QCOMPARE(vault.run(words(QStringLiteral("memo|edit|3f2b|--|-5 度"))).status, 0);
        QCOMPARE(vault.run(words(QStringLiteral("memo|edit|3f2b8c1e|new text"))).status, 0);
        QString first = firstBlock;
        first.replace(QStringLiteral("first memo text"), QStringLiteral("new text"));
        QCOMPARE(vault.readText(dayFile), QStringLiteral("# 2024-05-01\n\n") + first + secondBlock);

        QCOMPARE(vault.run(words(QStringLiteral("memo|follow-up|91c0|-")), "later\n").status, 0);
        const QJsonObject second = vault
                                       .run({QStringLiteral("memo"), QStringLiteral("show"),
                                             secondId, QStringLiteral("--json")})
                                       .json();
        const QString stamp = second.value(QLatin1String("followUps"))
                                  .toArray()
                                  .at(0)
                                  .toObject()
                                  .value(QLatin1String("timestamp"))
                                  .toString();
        QVERIFY(QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd HH:mm")).isValid());
        QString secondWithFollowUp = secondBlock;
        secondWithFollowUp.replace(
            QStringLiteral("memo\n\n---\n"),
            QStringLiteral("memo\n\n### 续记 · %1\n\nlater\n\n---\n\n").arg(stamp));
        QCOMPARE(vault.readText(dayFile),
                 QStringLiteral("# 2024-05-01\n\n") + first + secondWithFollowUp);

        QCOMPARE(vault.run({QStringLiteral("memo"), QStringLiteral("delete"), firstId}).status, 0);
        QCOMPARE(vault.readText(dayFile), QStringLiteral("# 2024-05-01\n\n") + secondWithFollowUp);

        const CliRun promoted =
            vault.run(words(QStringLiteral("memo|promote|91c0|Shopping list|--folder|Notes")));
        QCOMPARE(promoted.status, 0);
        QCOMPARE(promoted.outText(), QStringLiteral("Notes/Shopping list.md\n"));
        QVERIFY(vault.readText(QStringLiteral("Notes/Shopping list.md"))
                    .startsWith(QStringLiteral("# Shopping list\n\nsecond #阅读 memo")));
        QVERIFY(vault.readText(dayFile).contains(
            QStringLiteral("\n[Shopping list](../../../Notes/Shopping%20list.md)\n")));
        // A memo that stands for an article is edited in the article.
        const CliRun edit = vault.run(words(QStringLiteral("memo|edit|91c0|x")));
        QCOMPARE(edit.status, 1);
    }

    void listingsForPeopleAndScripts()
    {
        CliVault vault;
        writeDay(vault);
        const CliRun people = vault.run(words(QStringLiteral("memo|list")));
        QCOMPARE(people.outText(),
                 QStringLiteral("2024-05-01 09:30  3f2b8c1e  first memo text\n"
                                "2024-05-01 14:05  91c0d2aa  second #阅读 memo\n"));
        const QJsonArray memos =
            vault.run(words(QStringLiteral("memo|list|--day|2024-05-01|--json")))
                .json()
                .value(QLatin1String("memos"))
                .toArray();
        QCOMPARE(memos.size(), 2);
        const QJsonObject second = memos.at(1).toObject();
        QCOMPARE(second.value(QLatin1String("id")).toString(), secondId);
        QCOMPARE(second.value(QLatin1String("createdAt")).toString(),
                 QStringLiteral("2024-05-01T14:05:00+08:00"));
        QCOMPARE(second.value(QLatin1String("journalPath")).toString(), dayFile);
        QCOMPARE(second.value(QLatin1String("folderPath")).toString(),
                 QStringLiteral("Reading/Books"));
        QCOMPARE(second.value(QLatin1String("tags")).toArray(), QJsonArray{QStringLiteral("阅读")});
        QCOMPARE(memos.at(0)
                     .toObject()
                     .value(QLatin1String("images"))
                     .toArray()
                     .at(0)
                     .toObject()
                     .value(QLatin1String("markdownPath"))
                     .toString(),
                 QStringLiteral("../../../Attachments/a.png"));
        QCOMPARE(vault.run(words(QStringLiteral("memo|list|--day|2024-05-02"))).outText(),
                 QStringLiteral("没有记录。\n"));
    }

    void idsThatShareTheirStartNeedMoreCharacters()
    {
        CliVault vault;
        writeDay(vault);
        QString twin = firstBlock;
        twin.replace(QStringLiteral("3f2b8c1e-5a47"), QStringLiteral("3f2b8c1e-9999"));
        vault.write(QStringLiteral("Journal/2024/05/2024-05-02.md"),
                    QStringLiteral("# 2024-05-02\n\n") + twin);
        const CliRun ambiguous = vault.run(words(QStringLiteral("memo|show|3f2b8c1e")));
        QCOMPARE(ambiguous.status, 1);
        QCOMPARE(ambiguous.errText(),
                 QStringLiteral("有 2 条记录的编号以“3f2b8c1e”开头，请多写几位。\n"));
        QVERIFY(vault.run(words(QStringLiteral("memo|list")))
                    .outText()
                    .contains(QStringLiteral("  3f2b8c1e-5  first")));
        QCOMPARE(vault.run(words(QStringLiteral("memo|show|3f2b8c1e-9|--json")))
                     .json()
                     .value(QLatin1String("journalPath"))
                     .toString(),
                 QStringLiteral("Journal/2024/05/2024-05-02.md"));
    }
};

QTEST_GUILESS_MAIN(MemoCommandsTest)
#include "tst_memocommands.moc"
