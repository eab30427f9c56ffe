// The texts the host sends into the page, checked by running them in a script engine: string
// literals, command payloads, the start script and its host classes.

#include "markdowneditorpage.h"
#include "markdowneditorprotocol.h"

#include <QJSEngine>
#include <QJsonDocument>
#include <QTest>

class BridgeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stringLiteralRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("empty") << QString();
        QTest::newRow("quotes and backslashes") << QStringLiteral("say \"hi\" \\ 'there' \\n");
        QTest::newRow("line breaks and tabs") << QStringLiteral("a\nb\r\nc\td\u000b\u0000e");
        QTest::newRow("closing script tag") << QStringLiteral("x</script><script>alert(1)</script>");
        QTest::newRow("line separators") << QStringLiteral("a\u2028b\u2029c");
        QTest::newRow("chinese and emoji") << QStringLiteral("周计划 😀 # 标题");
        QTest::newRow("lone high surrogate") << QString(QChar(0xD83D)) + QStringLiteral("x");
        QTest::newRow("lone low surrogate at end") << QStringLiteral("x") + QString(QChar(0xDE00));
        // clang-format on
    }
    void stringLiteralRoundTrips()
    {
        QFETCH(QString, text);
        const QString literal = javaScriptStringLiteral(text);
        QJSEngine engine;
        const QJSValue value = engine.evaluate(QLatin1Char('(') + literal + QLatin1Char(')'));
        QVERIFY2(value.isString(), qPrintable(value.toString()));
        QCOMPARE(value.toString(), text);
        // Also valid JSON, as the page's protocol promises.
        QJsonParseError error;
        QJsonDocument::fromJson(QByteArray("[") + literal.toUtf8() + "]", &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
    }

    // Commands as QML makes them (case name and payload) and the object the page receives.
    void commands_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("json"); // empty: the command is refused
        // clang-format off
        QTest::newRow("heading") << "heading" << QVariant(2.0) << R"({"kind":"heading","value":"2"})";
        QTest::newRow("jump") << "jumpToHeading" << QVariant(-7) << R"({"kind":"jumpToHeading","value":"-7"})";
        QTest::newRow("image") << "image" << QVariant(QStringLiteral("/Attachments/图 1.png")) << R"({"kind":"image","value":"/Attachments/图 1.png"})";
        QTest::newRow("undo") << "undo" << QVariant() << R"({"kind":"undo"})";
        QTest::newRow("search previous") << "contentSearchPrevious" << QVariant() << R"({"kind":"contentSearchPrevious"})";
        QTest::newRow("unknown") << "bold" << QVariant() << "";
        QTest::newRow("fractional level") << "heading" << QVariant(2.5) << "";
        QTest::newRow("missing level") << "heading" << QVariant() << "";
        QTest::newRow("number as path") << "image" << QVariant(3) << "";
        // clang-format on
    }
    void commands()
    {
        QFETCH(QString, kind);
        QFETCH(QVariant, value);
        QFETCH(QString, json);
        const auto action = MarkdownEditorCommandAction::fromName(kind, value);
        QCOMPARE(action.has_value(), !json.isEmpty());
        if (action)
            QCOMPARE(commandPayloadJson(*action), json);
        // The same command as a plain object {id, kind, value}.
        const QVariantMap object{{QStringLiteral("id"), QUuid::createUuid().toString()},
                                 {QStringLiteral("kind"), kind},
                                 {QStringLiteral("value"), value}};
        QCOMPARE(MarkdownEditorCommand::fromVariant(object).has_value(), !json.isEmpty());
    }

    void startScript_data()
    {
        QTest::addColumn<QString>("documentID");
        QTest::addColumn<QString>("hostClass");
        QTest::addColumn<bool>("readOnly");
        // clang-format off
        QTest::newRow("composer") << QStringLiteral("memo-composer:new") << QStringLiteral("larch-memo-composer-host") << false;
        QTest::newRow("preview") << QStringLiteral("memo-preview:memo-1") << QStringLiteral("larch-memo-preview-host") << true;
        QTest::newRow("inline") << QStringLiteral("memo-inline:memo-1") << QStringLiteral("larch-compact-memo-host") << false;
        QTest::newRow("memo editor") << QStringLiteral("memo:memo-1") << QStringLiteral("larch-full-editor-host") << false;
        QTest::newRow("article") << QStringLiteral("Notes/计划 \"a\".md") << QStringLiteral("larch-full-editor-host") << false;
        // clang-format on
    }
    void startScript()
    {
        QFETCH(QString, documentID);
        QFETCH(QString, hostClass);
        QFETCH(bool, readOnly);
        const QString markdown = QStringLiteral("# T\n\"q\" \\ </script> 😀\u2028");
        QJSEngine engine;
        engine.evaluate(QStringLiteral(
            "var window = this; var classes = []; var listeners = [];"
            "var document = {documentElement: {classList: {add: function() {"
            "  classes = classes.concat(Array.prototype.slice.call(arguments)); }}}};"
            "window.addEventListener = function(name) { listeners.push(name); };"));
        const QJSValue result = engine.evaluate(editorStartScript(markdown, documentID));
        QVERIFY2(!result.isError(), qPrintable(result.toString()));
        const QJSValue global = engine.globalObject();
        QCOMPARE(global.property(QStringLiteral("__larchNotesInitialMarkdown")).toString(),
                 markdown);
        QCOMPARE(global.property(QStringLiteral("__larchNotesDocumentID")).toString(), documentID);
        QCOMPARE(global.property(QStringLiteral("__larchNotesReadOnly")).toBool(), readOnly);
        QCOMPARE(global.property(QStringLiteral("classes")).toVariant().toStringList(),
                 QStringList({QStringLiteral("larch-native-host"),
                              QStringLiteral("larch-native-macos-host"), hostClass}));
        QCOMPARE(global.property(QStringLiteral("listeners")).toVariant().toStringList(),
                 QStringList({QStringLiteral("error"), QStringLiteral("unhandledrejection")}));
    }

    // The shim queues messages until the channel is up, then sends them in order.
    void bridgeScriptQueuesUntilConnected()
    {
        QJSEngine engine;
        engine.installExtensions(QJSEngine::ConsoleExtension);
        engine.evaluate(
            QStringLiteral("var window = this; var sent = []; var timers = [];"
                           "function setInterval(f) { timers.push(f); return timers.length; }"
                           "function clearInterval(id) { timers[id - 1] = null; }"));
        const QJSValue loaded = engine.evaluate(editorBridgeScript());
        QVERIFY2(!loaded.isError(), qPrintable(loaded.toString()));
        engine.evaluate(
            QStringLiteral("window.webkit.messageHandlers.larchNotes.postMessage({type: 'a'});"
                           "window.webkit.messageHandlers.larchNotes.postMessage({type: 'b'});"));
        // A fake transport that answers the channel's handshake with one published object.
        const QJSValue connected = engine.evaluate(QStringLiteral(R"(
            var transport = { send: function(text) {
                var message = JSON.parse(text);
                if (message.type === 3) // init
                    transport.onmessage({data: JSON.stringify({type: 10, id: message.id, data: {
                        larchNotesHost: {methods: [["postMessage", 5]], properties: [], signals: [], enums: {}}
                    }})});
                else if (message.type === 6) // invoke
                    sent.push(message.args[0].type);
            }};
            window.qt = {webChannelTransport: transport};
            timers.forEach(function(f) { if (f) f(); });
            window.webkit.messageHandlers.larchNotes.postMessage({type: 'c'});
            sent.join(",");
        )"));
        QVERIFY2(!connected.isError(), qPrintable(connected.toString()));
        QCOMPARE(connected.toString(), QStringLiteral("a,b,c"));
    }
};

QTEST_GUILESS_MAIN(BridgeTest)
#include "tst_bridge.moc"
