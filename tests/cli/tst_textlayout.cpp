#include "cliarguments.h"
#include "textlayout.h"

#include <QTest>

// Terminal layout of the people-facing output, and the command-line splitting under it.
class TextLayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void widths_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::newRow("ascii") << QStringLiteral("memo 12") << 7;
        QTest::newRow("han") << QStringLiteral("今日待办") << 8;
        QTest::newRow("fullwidth and kana") << QStringLiteral("ＡＢかな") << 8;
        QTest::newRow("hangul") << QStringLiteral("한글") << 4;
        QTest::newRow("combining accent") << QStringLiteral("e\u0301") << 1;
        QTest::newRow("emoji outside the basic plane") << QStringLiteral("🌲x") << 3;
        QTest::newRow("ellipsis and middle dot") << QStringLiteral("…·") << 2;
    }

    void widths()
    {
        QFETCH(QString, text);
        QTEST(displayWidth(text), "width");
    }

    void eliding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fits") << QStringLiteral("短句") << 4 << QStringLiteral("短句");
        QTest::newRow("wide character not split")
            << QStringLiteral("一二三四") << 6 << QStringLiteral("一二…");
        QTest::newRow("surrogate pair kept whole")
            << QStringLiteral("a🌲🌲🌲") << 5 << QStringLiteral("a🌲…");
    }

    void eliding()
    {
        QFETCH(QString, text);
        QFETCH(int, columns);
        QTEST(elidedToWidth(text, columns), "expected");
    }

    void rowsAlignByDisplayWidth()
    {
        const QString text = alignedRows(
            {{QStringLiteral("中文"), QStringLiteral("一"), QStringLiteral("末尾很长的一段文字")},
             {QStringLiteral("ab"), QStringLiteral("二二二"), QString()}},
            20, 4);
        QCOMPARE(text, QStringLiteral("中文  一      末尾…\nab    二二二\n"));
        QCOMPARE(singleLine(QStringLiteral("  a\n\n b\tc  ")), QStringLiteral("a b c"));
    }

    void argumentsStandAnywhere()
    {
        const QList<OptionSpec> options{{QStringLiteral("image"), QStringLiteral("文件"), {}, true},
                                        {QStringLiteral("json"), {}, {}, false}};
        const ParsedArguments parsed = parseArguments(
            {QStringLiteral("memo"), QStringLiteral("--image=a.png"), QStringLiteral("add"),
             QStringLiteral("--image"), QStringLiteral("b.png"), QStringLiteral("-"),
             QStringLiteral("--"), QStringLiteral("--json")},
            options);
        QCOMPARE(parsed.positionals, QStringList({QStringLiteral("memo"), QStringLiteral("add"),
                                                  QStringLiteral("-"), QStringLiteral("--json")}));
        QCOMPARE(parsed.allValues(QStringLiteral("image")),
                 QStringList({QStringLiteral("a.png"), QStringLiteral("b.png")}));
        QVERIFY(!parsed.isSet(QStringLiteral("json")));
        QCOMPARE(leadingWords({QStringLiteral("--vault"), QStringLiteral("memo"),
                               QStringLiteral("todo"), QStringLiteral("add")},
                              {QStringLiteral("vault")}, 2),
                 QStringList({QStringLiteral("todo"), QStringLiteral("add")}));
    }
};

QTEST_GUILESS_MAIN(TextLayoutTest)
#include "tst_textlayout.moc"
