// The coordinator without a web view: what it sends into the page for each update, and what it
// makes of the messages the page posts.

#include "markdowneditorcoordinator.h"
#include "markdowneditorlog.h"
#include "markdowneditorprotocol.h"

#include <QJSEngine>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

namespace {

QJsonValue json(const char* text)
{
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0);
}

QJsonObject patchMessage(const QString& documentID, qint64 base, qint64 revision,
                         const QJsonArray& patches)
{
    return {{QStringLiteral("type"), QStringLiteral("markdownPatch")},
            {QStringLiteral("documentID"), documentID},
            {QStringLiteral("baseRevision"), double(base)},
            {QStringLiteral("revision"), double(revision)},
            {QStringLiteral("patches"), patches}};
}

QJsonObject patch(int from, int to, const QString& insert)
{
    return {{QStringLiteral("from"), from},
            {QStringLiteral("to"), to},
            {QStringLiteral("insert"), insert}};
}

// A coordinator whose page has loaded (an empty dist folder: the missing-resources page).
struct Host
{
    explicit Host(const QString& markdown = QStringLiteral("hello"),
                  const QString& documentID = QStringLiteral("Notes/a.md"), bool load = true)
        : scripts(&coordinator, &MarkdownEditorCoordinator::scriptRequested),
          consumed(&coordinator, &MarkdownEditorCoordinator::commandConsumed),
          edited(&coordinator, &MarkdownEditorCoordinator::markdownEdited),
          snapshots(&coordinator, &MarkdownEditorCoordinator::snapshotRequested)
    {
        coordinator.setDistPath(QStringLiteral("/nonexistent/dist"));
        coordinator.setMarkdown(markdown);
        coordinator.setDocumentID(documentID);
        coordinator.start();
        if (load)
            coordinator.pageLoadSucceeded();
        QCoreApplication::processEvents();
        scripts.clear();
    }

    QStringList sent()
    {
        QStringList result;
        for (const QList<QVariant>& call : std::as_const(scripts))
            result.append(call.at(0).toString());
        scripts.clear();
        return result;
    }

    MarkdownEditorCoordinator coordinator;
    QSignalSpy scripts;
    QSignalSpy consumed;
    QSignalSpy edited;
    QSignalSpy snapshots;

    // Answers the latest snapshot request as a page holding `markdown` at `revision` would.
    void answer(const QVariant& snapshot)
    {
        coordinator.receiveSnapshot(snapshots.last().at(1).toInt(), snapshot);
    }
};

QVariant pageSnapshot(const QString& documentID, qint64 revision, const QString& markdown)
{
    return QVariantMap{{QStringLiteral("documentID"), documentID},
                       {QStringLiteral("revision"), double(revision)},
                       {QStringLiteral("markdown"), markdown}};
}

QVariant command(MarkdownEditorCommandAction action)
{
    return QVariant::fromValue(MarkdownEditorCommand::make(action));
}

} // namespace

class CoordinatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageEditsAreNotEchoed()
    {
        Host host;
        host.coordinator.receiveMessage(
            patchMessage(QStringLiteral("Notes/a.md"), 0, 1, {patch(5, 5, QStringLiteral("!"))}));
        QCOMPARE(host.edited.size(), 1);
        QCOMPARE(host.edited.at(0).at(0).toString(), QStringLiteral("hello!"));
        QCOMPARE(host.coordinator.currentRevision(), 1);
        host.coordinator.setMarkdown(QStringLiteral("hello!")); // the binding writes it back
        host.coordinator.update();
        QVERIFY(host.sent().isEmpty());
        // A change from outside the page goes in as the next revision of the page's text.
        host.coordinator.setMarkdown(QStringLiteral("reloaded"));
        host.coordinator.update();
        QCOMPARE(host.sent(), QStringList(takeTextCall(QStringLiteral("reloaded"),
                                                       QStringLiteral("Notes/a.md"), 1)));
        QCOMPARE(host.coordinator.currentRevision(), 2);
        // A key the page sent before it took that text no longer fits: the page's text, which
        // holds both, is taken instead.
        host.edited.clear();
        host.coordinator.receiveMessage(
            patchMessage(QStringLiteral("Notes/a.md"), 1, 2, {patch(6, 6, QStringLiteral("?"))}));
        QVERIFY(host.edited.isEmpty());
        QCOMPARE(host.snapshots.size(), 1);
        host.answer(pageSnapshot(QStringLiteral("Notes/a.md"), 3, QStringLiteral("reloaded?")));
        QCOMPARE(host.edited.last().at(0).toString(), QStringLiteral("reloaded?"));
        QCOMPARE(host.coordinator.currentRevision(), 3);
        // A reload starts the page again from its start values: it is sent the current text.
        host.coordinator.setMarkdown(QStringLiteral("reloaded?")); // the binding writes it back
        host.coordinator.receiveMessage(patchMessage(QStringLiteral("Notes/a.md"), 3, 4, {}));
        host.coordinator.pageLoadSucceeded();
        QCOMPARE(host.sent(), QStringList(setDocumentCall(QStringLiteral("reloaded?"),
                                                          QStringLiteral("Notes/a.md"))));
        QCOMPARE(host.coordinator.currentRevision(), 0);
    }

    void switchingDocumentsSendsEvenTheSameText()
    {
        Host host;
        host.coordinator.receiveMessage(patchMessage(QStringLiteral("Notes/a.md"), 0, 1, {}));
        QCOMPARE(host.coordinator.currentRevision(), 1);
        host.coordinator.setDocumentID(QStringLiteral("Notes/b.md"));
        host.coordinator.update();
        QCOMPARE(host.sent(), QStringList(setDocumentCall(QStringLiteral("hello"),
                                                          QStringLiteral("Notes/b.md"))));
        QCOMPARE(host.coordinator.currentRevision(), 0);
        // A late report from the previous document no longer counts.
        QSignalSpy outline(&host.coordinator, &MarkdownEditorCoordinator::outlineChanged);
        host.edited.clear();
        host.coordinator.receiveMessage(
            json(R"({"type":"outline","documentID":"Notes/a.md","items":[]})"));
        host.coordinator.receiveMessage(
            patchMessage(QStringLiteral("Notes/a.md"), 0, 1, {patch(0, 0, QStringLiteral("x"))}));
        QVERIFY(outline.isEmpty());
        QVERIFY(host.edited.isEmpty());
    }

    void inputsChangedTogetherMakeOneUpdate()
    {
        Host host;
        host.coordinator.setDocumentID(QStringLiteral("Notes/b.md"));
        host.coordinator.setMarkdown(QStringLiteral("bee"));
        QCoreApplication::processEvents();
        QCOMPARE(host.sent(),
                 QStringList(setDocumentCall(QStringLiteral("bee"), QStringLiteral("Notes/b.md"))));
    }

    void commandIsDeliveredOnce()
    {
        Host host;
        const QVariant bold =
            command(MarkdownEditorCommandAction(MarkdownEditorCommandAction::Kind::strong));
        host.coordinator.setCommand(bold);
        for (int i = 0; i < 3; ++i)
            host.coordinator.update();
        QCoreApplication::processEvents();
        QCOMPARE(
            host.sent(),
            QStringList(QStringLiteral(
                R"(window.larchNotesPerformCommand && window.larchNotesPerformCommand({"kind":"strong"});)")));
        QCOMPARE(host.consumed.size(), 1);
        // Consumed: the view clears it; the next command with a new id goes out.
        host.coordinator.setCommand(QVariant());
        host.coordinator.setCommand(command(MarkdownEditorCommandAction::heading(2)));
        QTRY_COMPARE(host.consumed.size(), 2);
        QCOMPARE(host.sent().size(), 1);
    }

    void commandIsParkedWhileLoading()
    {
        Host host(QStringLiteral("hello"), QStringLiteral("Notes/a.md"), false);
        const QVariant undo =
            command(MarkdownEditorCommandAction(MarkdownEditorCommandAction::Kind::undo));
        host.coordinator.setCommand(undo);
        host.coordinator.setMarkdown(QStringLiteral("changed while loading"));
        QCoreApplication::processEvents();
        QVERIFY(host.sent().isEmpty());
        QCOMPARE(host.coordinator.pendingCommand(), MarkdownEditorCommand::fromVariant(undo));
        host.coordinator.pageLoadSucceeded();
        QCoreApplication::processEvents();
        // The parked command first, then the text that changed meanwhile; the command once.
        QCOMPARE(host.sent(), QStringList({performCommandCall(MarkdownEditorCommandAction(
                                               MarkdownEditorCommandAction::Kind::undo)),
                                           takeTextCall(QStringLiteral("changed while loading"),
                                                        QStringLiteral("Notes/a.md"), 0)}));
        QCOMPARE(host.consumed.size(), 1);
    }

    void commandClearedWhileLoadingIsNeverSent()
    {
        Host host(QStringLiteral("hello"), QStringLiteral("Notes/a.md"), false);
        host.coordinator.setCommand(
            command(MarkdownEditorCommandAction(MarkdownEditorCommandAction::Kind::redo)));
        QCoreApplication::processEvents();
        host.coordinator.setCommand(QVariant::fromValue(nullptr));
        QCoreApplication::processEvents();
        host.coordinator.setAutofocus(true);
        host.coordinator.pageLoadSucceeded();
        QCoreApplication::processEvents();
        QCOMPARE(host.sent(), QStringList(focusCall()));
        QCOMPARE(host.consumed.size(), 0);
    }

    void rejectedPatches_data()
    {
        QTest::addColumn<QString>("message");
        // A patch of this document out of step with the host means the page holds what the
        // host does not: the host asks for the page's text. Anything else is only dropped.
        QTest::addColumn<bool>("resynchronises");
        // clang-format off
        QTest::newRow("base ahead") << QStringLiteral(R"({"type":"markdownPatch","documentID":"Notes/a.md","baseRevision":3,"revision":4,"patches":[]})") << true;
        QTest::newRow("stale base") << QStringLiteral(R"({"type":"markdownPatch","documentID":"Notes/a.md","baseRevision":1,"revision":2,"patches":[]})") << true;
        QTest::newRow("revision skips") << QStringLiteral(R"({"type":"markdownPatch","documentID":"Notes/a.md","baseRevision":2,"revision":4,"patches":[]})") << true;
        QTest::newRow("other document") << QStringLiteral(R"({"type":"markdownPatch","documentID":"Notes/b.md","baseRevision":2,"revision":3,"patches":[]})") << false;
        QTest::newRow("no document") << QStringLiteral(R"({"type":"markdownPatch","baseRevision":2,"revision":3,"patches":[]})") << false;
        QTest::newRow("fractional base") << QStringLiteral(R"({"type":"markdownPatch","documentID":"Notes/a.md","baseRevision":2.5,"revision":3.5,"patches":[]})") << false;
        QTest::newRow("string revision") << QStringLiteral(R"({"type":"markdownPatch","documentID":"Notes/a.md","baseRevision":2,"revision":"3","patches":[]})") << false;
        QTest::newRow("patches not array") << QStringLiteral(R"({"type":"markdownPatch","documentID":"Notes/a.md","baseRevision":2,"revision":3,"patches":{}})") << false;
        QTest::newRow("patch not object") << QStringLiteral(R"({"type":"markdownPatch","documentID":"Notes/a.md","baseRevision":2,"revision":3,"patches":[{"from":0,"to":0,"insert":"x"},1]})") << false;
        // clang-format on
    }
    void rejectedPatches()
    {
        QFETCH(QString, message);
        QFETCH(bool, resynchronises);
        Host host;
        // Bring the host to revision 2.
        host.coordinator.receiveMessage(patchMessage(QStringLiteral("Notes/a.md"), 0, 1, {}));
        host.coordinator.receiveMessage(patchMessage(QStringLiteral("Notes/a.md"), 1, 2, {}));
        host.edited.clear();
        host.coordinator.receiveMessage(QJsonDocument::fromJson(message.toUtf8()).object());
        QVERIFY(host.edited.isEmpty());
        QCOMPARE(host.coordinator.currentRevision(), 2);
        QCOMPARE(host.coordinator.currentMarkdown(), QStringLiteral("hello"));
        QVERIFY(host.sent().isEmpty());
        QCOMPARE(host.snapshots.size(), resynchronises ? 1 : 0);
        if (resynchronises)
            QCOMPARE(host.snapshots.at(0).at(0).toString(), snapshotCall());
    }

    // The page's answer to the snapshot the host asks for when a patch of revision 5 arrives
    // while it is at "hello", revision 2.
    void snapshotsBringTheHostInStep_data()
    {
        QTest::addColumn<QVariant>("snapshot");
        // What happened between the request and the answer: "" nothing, "patch" the page's
        // next patch arrived first, "outside" the host sent a text from outside.
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<qint64>("revision");
        QTest::addColumn<bool>("restored");
        // Snapshots asked for in all: the host asks again when patches overtook an answer.
        QTest::addColumn<int>("requests");
        const QString a = QStringLiteral("Notes/a.md");
        const QString hello = QStringLiteral("hello");
        QTest::newRow("page ahead")
            << pageSnapshot(a, 4, QStringLiteral("hello world")) << QString()
            << QStringLiteral("hello world") << qint64(4) << false << 1;
        QTest::newRow("same revision, other text")
            << pageSnapshot(a, 2, QStringLiteral("hullo")) << QString() << QStringLiteral("hullo")
            << qint64(2) << false << 1;
        QTest::newRow("host ahead with a patch the page never made")
            << pageSnapshot(a, 1, QStringLiteral("hell")) << QString() << QStringLiteral("hell")
            << qint64(1) << false << 1;
        QTest::newRow("a later patch came first")
            << pageSnapshot(a, 2, hello) << QStringLiteral("patch") << QStringLiteral("hello!")
            << qint64(3) << false << 2;
        QTest::newRow("other document")
            << pageSnapshot(QStringLiteral("Notes/b.md"), 9, QStringLiteral("bee")) << QString()
            << hello << qint64(2) << false << 1;
        // The page answers after it took the host's text, which the old answer lacks: asked again.
        QTest::newRow("taken before a text from outside")
            << pageSnapshot(a, 7, QStringLiteral("old")) << QStringLiteral("outside")
            << QStringLiteral("fresh") << qint64(3) << false << 2;
        // A page that cannot say what it holds is given the host's text, and the user is told.
        QTest::newRow("no snapshot") << QVariant() << QString() << hello << qint64(0) << true << 1;
        QTest::newRow("revision not a number")
            << QVariant(QVariantMap{{QStringLiteral("documentID"), a},
                                    {QStringLiteral("revision"), QStringLiteral("3")},
                                    {QStringLiteral("markdown"), hello}})
            << QString() << hello << qint64(0) << true << 1;
    }
    void snapshotsBringTheHostInStep()
    {
        QFETCH(QVariant, snapshot);
        QFETCH(QString, meanwhile);
        QFETCH(QString, markdown);
        QFETCH(qint64, revision);
        QFETCH(bool, restored);
        QFETCH(int, requests);
        const QString a = QStringLiteral("Notes/a.md");
        Host host;
        QSignalSpy restoredSpy(&host.coordinator, &MarkdownEditorCoordinator::pageTextRestored);
        host.coordinator.receiveMessage(patchMessage(a, 0, 1, {}));
        host.coordinator.receiveMessage(patchMessage(a, 1, 2, {}));
        host.coordinator.receiveMessage(patchMessage(a, 5, 6, {}));
        QCOMPARE(host.snapshots.size(), 1);
        if (meanwhile == QLatin1String("outside")) {
            host.coordinator.setMarkdown(QStringLiteral("fresh"));
            host.coordinator.update();
        } else if (meanwhile == QLatin1String("patch")) {
            host.coordinator.receiveMessage(
                patchMessage(a, 2, 3, {patch(5, 5, QStringLiteral("!"))}));
        }
        host.sent();
        host.edited.clear();
        host.answer(snapshot);
        QCOMPARE(host.coordinator.currentMarkdown(), markdown);
        QCOMPARE(host.coordinator.currentRevision(), revision);
        const bool taken =
            !meanwhile.isEmpty() || restored ? false : markdown != QStringLiteral("hello");
        QCOMPARE(host.edited.size(), taken ? 1 : 0);
        QCOMPARE(restoredSpy.size(), restored ? 1 : 0);
        QCOMPARE(host.sent(), restored ? QStringList(setDocumentCall(QStringLiteral("hello"), a))
                                       : QStringList());
        QCOMPARE(host.snapshots.size(), requests);
    }

    // A patch the host cannot apply in full puts its text in doubt: it takes the page's text,
    // even where the host got ahead of the page, and asks again while patches do not fit;
    // patches older than a text taken in are old news.
    void doubtfulTextIsRepaired()
    {
        const QString a = QStringLiteral("Notes/a.md");
        Host host(QStringLiteral("abc"));
        host.coordinator.receiveMessage(patchMessage(
            a, 0, 1, {patch(0, 0, QStringLiteral("GHOST")), patch(2, 99, QStringLiteral("X"))}));
        QCOMPARE(host.coordinator.currentMarkdown(), QStringLiteral("GHOSTabc"));
        QCOMPARE(host.snapshots.size(), 1);
        // The page's real edit 0 → 1 arrives before the answer and does not fit the doubtful
        // revision: once the answer is in, the host asks again and gets the edit with it.
        host.coordinator.receiveMessage(patchMessage(a, 0, 1, {patch(3, 3, QStringLiteral("d"))}));
        host.answer(pageSnapshot(a, 0, QStringLiteral("abc")));
        QCOMPARE(host.snapshots.size(), 2);
        host.answer(pageSnapshot(a, 1, QStringLiteral("abcd")));
        QCOMPARE(host.coordinator.currentMarkdown(), QStringLiteral("abcd"));
        QCOMPARE(host.coordinator.currentRevision(), 1);
        QCOMPARE(host.snapshots.size(), 2);
        host.coordinator.receiveMessage(
            patchMessage(a, 0, 1, {patch(0, 0, QStringLiteral("late"))}));
        QCOMPARE(host.snapshots.size(), 2);
        QCOMPARE(host.coordinator.currentMarkdown(), QStringLiteral("abcd"));
    }

    // A view about to close, rename or quit waits for the answer to the input barrier sent for
    // it, which comes after the patches of every key typed before; an answer at another revision
    // than the host's makes it take the page's text first. A page not loaded holds nothing new.
    void synchronizeWaitsForTheInputBarrier()
    {
        Host host;
        const QString a = QStringLiteral("Notes/a.md");
        QSignalSpy barriers(&host.coordinator, &MarkdownEditorCoordinator::inputBarrierRequested);
        const auto barrier = [&](qint64 revision) {
            host.coordinator.receiveMessage(
                QJsonObject{{QStringLiteral("type"), QStringLiteral("inputBarrier")},
                            {QStringLiteral("documentID"), a},
                            {QStringLiteral("revision"), double(revision)}});
        };
        QStringList done;
        const auto waiter = [&done](const char* name) {
            return std::function<void()>([&done, name] { done << QString::fromLatin1(name); });
        };
        host.coordinator.synchronize(waiter("first"));
        host.coordinator.receiveMessage(patchMessage(a, 0, 1, {patch(5, 5, QStringLiteral("!"))}));
        host.coordinator.synchronize(waiter("second"));
        QCOMPARE(barriers.size(), 2);
        barrier(1);
        QCOMPARE(done, QStringList{QStringLiteral("first")});
        barrier(1);
        QCOMPARE(done, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
        barrier(1); // no barrier was waiting for it
        QVERIFY(host.snapshots.isEmpty());

        host.coordinator.synchronize(waiter("third"));
        barrier(3);
        QCOMPARE(done.size(), 2);
        QCOMPARE(host.snapshots.size(), 1);
        host.answer(pageSnapshot(a, 3, QStringLiteral("hello!?")));
        QCOMPARE(done.last(), QStringLiteral("third"));
        QCOMPARE(host.coordinator.currentMarkdown(), QStringLiteral("hello!?"));
        QCOMPARE(host.coordinator.currentRevision(), 3);

        Host loading(QStringLiteral("x"), a, false);
        QSignalSpy none(&loading.coordinator, &MarkdownEditorCoordinator::inputBarrierRequested);
        bool called = false;
        loading.coordinator.synchronize(std::function<void()>([&called] { called = true; }));
        QVERIFY(none.isEmpty());
        QTRY_VERIFY(called);
    }

    void patchesApply_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("patches");
        QTest::addColumn<QString>("expected");
        // Positions refer to the base text: the later patch is applied first.
        // clang-format off
        QTest::newRow("insert and delete") << QStringLiteral("abcdefg") << QStringLiteral(R"([{"from":0,"to":0,"insert":"X"},{"from":5,"to":6,"insert":""}])") << QStringLiteral("Xabcdeg");
        QTest::newRow("out of range skipped") << QStringLiteral("abc") << QStringLiteral(R"([{"from":0,"to":1,"insert":"A"},{"from":2,"to":9,"insert":"Z"}])") << QStringLiteral("Abc");
        QTest::newRow("from after to skipped") << QStringLiteral("abc") << QStringLiteral(R"([{"from":2,"to":1,"insert":"Z"},{"from":3,"to":3,"insert":"!"}])") << QStringLiteral("abc!");
        QTest::newRow("negative skipped") << QStringLiteral("abc") << QStringLiteral(R"([{"from":-1,"to":1,"insert":"Z"}])") << QStringLiteral("abc");
        QTest::newRow("missing insert skipped") << QStringLiteral("abc") << QStringLiteral(R"([{"from":0,"to":1},{"from":1,"to":2,"insert":"B"}])") << QStringLiteral("aBc");
        // clang-format on
        // A character outside the Basic Multilingual Plane occupies two positions.
        // clang-format off
        QTest::newRow("emoji is two units") << QStringLiteral("a😀b") << QStringLiteral(R"([{"from":1,"to":3,"insert":""}])") << QStringLiteral("ab");
        QTest::newRow("after emoji") << QStringLiteral("a😀b") << QStringLiteral(R"([{"from":3,"to":4,"insert":"周"}])") << QStringLiteral("a😀周");
        QTest::newRow("end of text") << QStringLiteral("😀") << QStringLiteral(R"([{"from":2,"to":2,"insert":"😀"}])") << QStringLiteral("😀😀");
        // clang-format on
    }
    void patchesApply()
    {
        QFETCH(QString, base);
        QFETCH(QString, patches);
        QFETCH(QString, expected);
        Host host(base);
        host.coordinator.receiveMessage(patchMessage(
            QStringLiteral("Notes/a.md"), 0, 1, QJsonDocument::fromJson(patches.toUtf8()).array()));
        QCOMPARE(host.coordinator.currentMarkdown(), expected);
        QCOMPARE(host.coordinator.currentRevision(), 1); // advances even when a patch was skipped
        QCOMPARE(host.edited.size(), 1);
        // A skipped patch leaves the page with a text the host lacks: it asks for it.
        QCOMPARE(host.snapshots.size(),
                 QString::fromUtf8(QTest::currentDataTag()).contains(QLatin1String("skipped")) ? 1
                                                                                               : 0);
    }

    void reports()
    {
        Host host;
        QSignalSpy outline(&host.coordinator, &MarkdownEditorCoordinator::outlineChanged);
        QSignalSpy format(&host.coordinator, &MarkdownEditorCoordinator::formatStateChanged);
        QSignalSpy height(&host.coordinator, &MarkdownEditorCoordinator::contentHeightChanged);

        host.coordinator.receiveMessage(
            json(R"({"type":"outline","documentID":"Notes/a.md","activePosition":"3",
            "items":[{"position":"0","level":1,"title":"A"},{"position":4,"level":2,"title":"B"},{"position":9,"level":2}]})"));
        QCOMPARE(outline.size(), 1);
        const QVariantList items = outline.at(0).at(0).toList();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.at(0).value<MarkdownEditorOutlineItem>(),
                 (MarkdownEditorOutlineItem{4, 2, QStringLiteral("B")}));
        QVERIFY(outline.at(0).at(1).isNull());
        host.coordinator.receiveMessage(
            json(R"({"type":"outline","documentID":"Notes/a.md","items":[],"activePosition":4})"));
        QCOMPARE(outline.at(1).at(1), QVariant(4));
        host.coordinator.receiveMessage(
            json(R"({"type":"outline","documentID":"Notes/a.md","items":[1]})"));
        QCOMPARE(outline.size(), 2);

        host.coordinator.receiveMessage(
            json(R"({"type":"formatState","documentID":"Notes/a.md"})"));
        QCOMPARE(format.at(0).at(0).value<MarkdownEditorFormatState>(),
                 MarkdownEditorFormatState());
        host.coordinator.receiveMessage(json(
            R"({"type":"formatState","documentID":"Notes/a.md","headingLevel":2,"strong":true,"quote":1,"taskList":true})"));
        MarkdownEditorFormatState expected;
        expected.headingLevel = 2;
        expected.strong = true;
        expected.taskList = true;
        QCOMPARE(format.at(1).at(0).value<MarkdownEditorFormatState>(), expected);
        host.coordinator.receiveMessage(
            json(R"({"type":"formatState","documentID":"Notes/other.md","strong":true})"));
        QCOMPARE(format.size(), 2);

        QSignalSpy picker(&host.coordinator, &MarkdownEditorCoordinator::imagePickerRequested);
        host.coordinator.receiveMessage(
            json(R"({"type":"requestImagePicker","documentID":"Notes/other.md"})"));
        host.coordinator.receiveMessage(
            json(R"({"type":"requestImagePicker","documentID":"Notes/a.md"})"));
        QCOMPARE(picker.size(), 1);

        host.coordinator.receiveMessage(json(R"({"type":"contentHeight","height":"12"})"));
        host.coordinator.receiveMessage(json(R"({"type":"contentHeight","height":120.5})"));
        QCOMPARE(height.size(), 1);
        QCOMPARE(height.at(0).at(0).toDouble(), 120.5);
    }

    void malformedMessagesAreIgnored_data()
    {
        QTest::addColumn<QString>("message");
        // clang-format off
        QTest::newRow("array") << QStringLiteral(R"([{"type":"jsError"}])");
        QTest::newRow("string") << QStringLiteral(R"("jsError")");
        QTest::newRow("empty object") << QStringLiteral("{}");
        QTest::newRow("no type") << QStringLiteral(R"({"message":"x"})");
        QTest::newRow("type not string") << QStringLiteral(R"({"type":7})");
        QTest::newRow("unknown type") << QStringLiteral(R"({"type":"ready"})");
        // clang-format on
    }
    void malformedMessagesAreIgnored()
    {
        QFETCH(QString, message);
        Host host;
        QStringList log;
        setEditorLogSink([&log](const QString& line) { log.append(line); });
        QSignalSpy outline(&host.coordinator, &MarkdownEditorCoordinator::outlineChanged);
        host.coordinator.receiveMessage(json(message.toUtf8().constData()));
        setEditorLogSink({});
        QVERIFY(log.isEmpty());
        QVERIFY(host.edited.isEmpty() && outline.isEmpty() && host.sent().isEmpty());
    }

    void scriptErrorsAreLogged()
    {
        Host host;
        QStringList log;
        setEditorLogSink([&log](const QString& line) { log.append(line); });
        host.coordinator.receiveMessage(json(R"({"type":"jsError","message":"boom","line":3})"));
        setEditorLogSink({});
        QCOMPARE(
            log,
            QStringList(QStringLiteral(
                R"([LarchNotesMarkdownEditorNative] JavaScript error: {"line":3,"message":"boom","type":"jsError"})")));
    }

    void pastedImages_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("inserted"); // empty: nothing is sent
                                               // clang-format off
        QTest::newRow("returns a path") << QStringLiteral("(function(data, type) { return '/Attachments/' + type + '-' + new Uint8Array(data).length + '.png'; })") << QStringLiteral("AAEC") << QStringLiteral("/Attachments/image/png-3.png");
        QTest::newRow("promise") << QStringLiteral("(function() { return Promise.resolve('/Attachments/p.png'); })") << QStringLiteral("AAEC") << QStringLiteral("/Attachments/p.png");
        QTest::newRow("callback") << QStringLiteral("(function(data, type, done) { done('/Attachments/c.png'); done('/Attachments/twice.png'); })") << QStringLiteral("AAEC") << QStringLiteral("/Attachments/c.png");
        QTest::newRow("nothing") << QStringLiteral("(function() { return null; })") << QStringLiteral("AAEC") << QString();
        QTest::newRow("rejected") << QStringLiteral("(function() { return Promise.reject('full'); })") << QStringLiteral("AAEC") << QString();
        QTest::newRow("invalid base64") << QStringLiteral("(function() { return '/Attachments/x.png'; })") << QStringLiteral("AA*C") << QString();
        QTest::newRow("no handler") << QString() << QStringLiteral("AAEC") << QString();
        // clang-format on
    }
    void pastedImages()
    {
        QFETCH(QString, handler);
        QFETCH(QString, data);
        QFETCH(QString, inserted);
        QJSEngine engine;
        Host host;
        QJSEngine::setObjectOwnership(&host.coordinator, QJSEngine::CppOwnership);
        engine.newQObject(&host.coordinator); // the coordinator is now known to this engine
        if (!handler.isEmpty())
            host.coordinator.setPasteImageHandler(engine.evaluate(handler));
        setEditorLogSink([](const QString&) {});
        host.coordinator.receiveMessage(
            QJsonObject{{QStringLiteral("type"), QStringLiteral("pasteImage")},
                        {QStringLiteral("mimeType"), QStringLiteral("image/png")},
                        {QStringLiteral("data"), data}});
        QTRY_COMPARE_WITH_TIMEOUT(host.scripts.size(), inserted.isEmpty() ? 0 : 1, 1000);
        QTest::qWait(20); // promise jobs and a second callback would have run by now
        setEditorLogSink({});
        QCOMPARE(host.sent(),
                 inserted.isEmpty() ? QStringList() : QStringList(insertImageCall(inserted)));
    }

    void pasteEndsQuietlyWhenTheHostIsGone()
    {
        QJSEngine engine;
        QJSValue calls = engine.newArray();
        engine.globalObject().setProperty(QStringLiteral("calls"), calls);
        {
            Host host;
            QJSEngine::setObjectOwnership(&host.coordinator, QJSEngine::CppOwnership);
            engine.newQObject(&host.coordinator);
            host.coordinator.setPasteImageHandler(
                engine.evaluate(QStringLiteral("(function() { calls.push(1); return 'x.png'; })")));
            host.coordinator.receiveMessage(
                json(R"({"type":"pasteImage","mimeType":"image/png","data":""})"));
        }
        QCoreApplication::processEvents();
        QCOMPARE(calls.property(QStringLiteral("length")).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(CoordinatorTest)
#include "tst_coordinator.moc"
