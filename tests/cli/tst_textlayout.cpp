#include "cliarguments.h"
#include "textlayout.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Terminal layout of the people-facing output, and the command-line splitting under it.
class TextLayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void widths_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::newRow("ascii") << u"memo 12"_s << 7;
        QTest::newRow("han") << u"今日待办"_s << 8;
        QTest::newRow("fullwidth and kana") << u"ＡＢかな"_s << 8;
        QTest::newRow("hangul") << u"한글"_s << 4;
        QTest::newRow("combining accent") << u"e\u0301"_s << 1;
        QTest::newRow("emoji outside the basic plane") << u"🌲x"_s << 3;
        QTest::newRow("ellipsis and middle dot") << u"…·"_s << 2;
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
        QTest::newRow("fits") << u"短句"_s << 4 << u"短句"_s;
        QTest::newRow("wide character not split") << u"一二三四"_s << 6 << u"一二…"_s;
        QTest::newRow("surrogate pair kept whole") << u"a🌲🌲🌲"_s << 5 << u"a🌲…"_s;
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
            {{u"中文"_s, u"一"_s, u"末尾很长的一段文字"_s}, {u"ab"_s, u"二二二"_s, QString()}}, 20,
            4);
        QCOMPARE(text, u"中文  一      末尾…\nab    二二二\n"_s);
        QCOMPARE(singleLine(u"  a\n\n b\tc  "_s), u"a b c"_s);
    }

    void argumentsStandAnywhere()
    {
        const QList<OptionSpec> options{{u"image"_s, u"文件"_s, {}, true},
                                        {u"json"_s, {}, {}, false}};
        const ParsedArguments parsed =
            parseArguments({u"memo"_s, u"--image=a.png"_s, u"add"_s, u"--image"_s, u"b.png"_s,
                            u"-"_s, u"--"_s, u"--json"_s},
                           options);
        QCOMPARE(parsed.positionals, QStringList({u"memo"_s, u"add"_s, u"-"_s, u"--json"_s}));
        QCOMPARE(parsed.allValues(u"image"_s), QStringList({u"a.png"_s, u"b.png"_s}));
        QVERIFY(!parsed.isSet(u"json"_s));
        QCOMPARE(leadingWords({u"--vault"_s, u"memo"_s, u"todo"_s, u"add"_s}, {u"vault"_s}, 2),
                 QStringList({u"todo"_s, u"add"_s}));
    }
};

QTEST_GUILESS_MAIN(TextLayoutTest)
#include "tst_textlayout.moc"
