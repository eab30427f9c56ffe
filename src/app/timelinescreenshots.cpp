#include "timelinescreenshots.h"

#include "appsetup.h"
#include "appshell.h"
#include "librarycontroller.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

namespace {

// Moves the pointer over an item, as the user would before using a row's actions.
void hover(QQuickItem* item)
{
    if (!item)
        return;
    const QPointF point = item->mapToScene(QPointF(item->width() / 2, 20));
    QMouseEvent move(QEvent::MouseMove, point, item->window()->mapToGlobal(point), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(item->window(), &move);
}

// A landscape of soft bands, so that crops and layouts are easy to tell apart.
QByteArray pictureBytes(int width, int height, int hue, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv(hue, 90, 250));
    sky.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 160, 170));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv((hue + 180) % 360, 120, 120, 200));
    painter.drawEllipse(QPointF(width * 0.7, height * 0.35), height * 0.18, height * 0.18);
    painter.setBrush(QColor::fromHsv((hue + 90) % 360, 140, 110));
    painter.drawRect(QRectF(0, height * 0.72, width, height * 0.28));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

struct TimelineVault
{
    QStringList pictures;
    QString continued;
    QString manyPictures;
    QString openFollowUps;
};

// Today's todos (one carried over from yesterday, one done), and memos with one to five
// pictures, folded and open follow-ups, a long text and an article card.
TimelineVault prepareVault(const QString& vault)
{
    // The repository never makes the vault folder itself.
    QDir().mkpath(vault);
    const VaultRepository repository(vault);
    repository.prepareLayout();
    TimelineVault made;
    const int sizes[][2] = {{1600, 900}, {900, 1200}, {1200, 1200}, {1600, 1000}, {800, 1000}};
    for (int i = 0; i < 5; ++i)
        made.pictures.append(
            repository
                .storeImageAttachment(pictureBytes(sizes[i][0], sizes[i][1], i * 70, "JPG"),
                                      QStringLiteral("image/jpeg"))
                .markdownPath);

    const QDateTime now = QDateTime::currentDateTime();
    repository.saveDailyTodos({{0, QStringLiteral("给妈妈回电话"), false, now.addDays(-1)},
                               {1, QStringLiteral("整理照片"), true, now},
                               {2, QStringLiteral("买咖啡豆"), false, now}},
                              now);
    repository.createNote(QString(), QStringLiteral("读书清单"));
    const auto memo = [&](const QString& text, int minutesAgo, int pictures) {
        return repository
            .createMemo(text, now.addSecs(-60 * minutesAgo), {}, made.pictures.mid(0, pictures))
            .id;
    };
    const auto followUps = [&](const QString& id, int count) {
        for (int i = 1; i <= count; ++i)
            repository.appendFollowUp(id, QStringLiteral("第 %1 次补充：又想到一点。").arg(i),
                                      now.addSecs(-60 * (10 - i)));
    };
    made.continued = memo(QStringLiteral("周末去了植物园，银杏开始黄了。#散步 #秋天"), 5, 1);
    memo(QStringLiteral("[读书清单](../../../读书清单.md)"), 20, 0);
    made.openFollowUps = memo(QStringLiteral("新项目的三个问题，先写下来。"), 40, 2);
    followUps(made.openFollowUps, 3);
    const QString folded = memo(QStringLiteral("读《长安的荔枝》，一口气读完。"), 60, 3);
    followUps(folded, 4);
    memo(QStringLiteral("厨房改造：灯、台面、柜门、水槽。"), 80, 4);
    made.manyPictures = memo(QStringLiteral("旅行相册"), 100, 5);
    QStringList lines;
    for (int i = 1; i <= 14; ++i)
        lines.append(QStringLiteral("第 %1 行：很长的一条记录会折起来。").arg(i));
    memo(lines.join(QLatin1Char('\n')), 120, 0);
    return made;
}

// The memo edited in place with unsaved words while another program changed it: the conflict
// bar shows; `differences` opens the difference view too.
void conflictingInlineEdit(QQuickItem& view, const QString& memoId, bool differences)
{
    auto* library = view.property("library").value<LibraryController*>();
    auto* timeline = view.property("timeline").value<QObject*>();
    auto* edit = timeline->property("inlineEdit").value<QObject*>();
    QMetaObject::invokeMethod(edit, "toggle", Q_ARG(QString, memoId));
    edit->setProperty(
        "text", QStringLiteral("周末去了植物园，银杏开始黄了，还看到两只松鼠。\n#散步 #秋天"));
    QFile file(library->rootPath() + QLatin1Char('/') + library->memo(memoId)->journalPath);
    if (!file.open(QIODevice::ReadWrite))
        return;
    const QString day = QString::fromUtf8(file.readAll())
                            .replace(QStringLiteral("银杏开始黄了。"),
                                     QStringLiteral("银杏已经全黄了，湖边人很多。"));
    file.resize(0);
    file.write(day.toUtf8());
    file.close();
    auto* sync = edit->property("sync").value<QObject*>();
    runEventsUntil([&] { return sync->property("conflicting").toBool(); });
    QQuickItem* row = findItemIn(&view, QStringLiteral("memoRow:") + memoId);
    if (differences && row)
        QMetaObject::invokeMethod(row->findChild<QObject*>(QStringLiteral("differenceView")),
                                  "open");
}

struct TimelineState
{
    const char* name;
    QSize windowSize;
    // What the user does before the picture is taken.
    std::function<void(QQuickItem& view, const TimelineVault& vault)> then;
};

} // namespace

int renderTimelineScreens(const QString& output, bool dark)
{
    const QString suffix = dark ? QStringLiteral("-dark") : QString();
    const QList<TimelineState> states = {
        {"timeline", QSize(1180, 3700),
         [](QQuickItem& view, const TimelineVault& vault) {
             hover(findItemIn(&view, QStringLiteral("memoRow:") + vault.continued));
             // Rows further down are made a moment after the first ones.
             QQuickItem* toggle = nullptr;
             runEventsUntil([&] {
                 QQuickItem* row =
                     findItemIn(&view, QStringLiteral("memoRow:") + vault.openFollowUps);
                 toggle = row ? findItemIn(row, QStringLiteral("followUpToggle")) : nullptr;
                 return toggle != nullptr;
             });
             if (toggle)
                 QMetaObject::invokeMethod(toggle, "clicked");
         }},
        {"composer-expanded", QSize(1180, 780),
         [](QQuickItem& view, const TimelineVault& vault) {
             auto* draft = view.property("draft").value<QObject*>();
             auto* timeline = view.property("timeline").value<QObject*>();
             QMetaObject::invokeMethod(timeline, "continueMemo", Q_ARG(QString, vault.continued));
             draft->setProperty("text", QStringLiteral("银杏叶夹在书里做书签，\n明年再去一次。"));
             QList<QUrl> files;
             for (const QString& picture : vault.pictures.mid(1, 2))
                 files.append(QUrl::fromLocalFile(
                     view.property("library").value<LibraryController*>()->rootPath() + picture));
             QMetaObject::invokeMethod(draft, "addImageFiles", Q_ARG(QList<QUrl>, files));
             QMetaObject::invokeMethod(findItemIn(&view, QStringLiteral("memoComposer")), "expand");
         }},
        {"composer-todo", QSize(1180, 780),
         [](QQuickItem& view, const TimelineVault&) {
             auto* draft = view.property("draft").value<QObject*>();
             draft->setProperty("isTodo", true);
             draft->setProperty("text", QStringLiteral("买牛奶\n寄快递"));
             QMetaObject::invokeMethod(findItemIn(&view, QStringLiteral("memoComposer")), "expand");
         }},
        {"image-viewer", QSize(1180, 780),
         [](QQuickItem& view, const TimelineVault& vault) {
             const QString root = view.property("library").value<LibraryController*>()->rootPath();
             QVariantList urls;
             for (const QString& picture : vault.pictures)
                 urls.append(QUrl::fromLocalFile(root + picture));
             QObject* viewer =
                 view.window()->findChild<QObject*>(QStringLiteral("memoImageViewer"));
             QMetaObject::invokeMethod(viewer, "show", Q_ARG(QVariant, urls), Q_ARG(QVariant, 2));
         }},
        {"memo-conflict", QSize(1180, 780),
         [](QQuickItem& view, const TimelineVault& vault) {
             conflictingInlineEdit(view, vault.continued, false);
         }},
        {"memo-differences", QSize(1180, 780),
         [](QQuickItem& view, const TimelineVault& vault) {
             conflictingInlineEdit(view, vault.continued, true);
         }},
        {"share-menu", QSize(1180, 780),
         [](QQuickItem& view, const TimelineVault& vault) {
             QQuickItem* row = findItemIn(&view, QStringLiteral("memoRow:") + vault.continued);
             hover(row);
             const QPointF below = row->mapToItem(&view, QPointF(row->width() - 120, 40));
             QMetaObject::invokeMethod(&view, "share", Q_ARG(QVariant, vault.continued),
                                       Q_ARG(QVariant, below));
         }},
    };

    int failures = 0;
    for (const TimelineState& state : states) {
        QTemporaryDir folder;
        QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        const QString vaultPath = folder.filePath(QStringLiteral("vault"));
        const TimelineVault vault = prepareVault(vaultPath);
        LibraryController library(&settings, vaultPath);
        AppShell shell(&library);
        QQmlApplicationEngine engine;
        prepareEngine(engine);
        QQuickWindow* window = loadMainWindow(engine, shell);
        if (!window)
            return failures + 1;
        window->resize(state.windowSize);
        window->show();
        shell.start();
        QQuickItem* view = nullptr;
        if (!runEventsUntil([&] {
                view = findItemIn(window->contentItem(), QStringLiteral("memoTimelineView"));
                return view && findItemIn(view, QStringLiteral("memoRow:") + vault.continued);
            })) {
            QTextStream(stderr) << state.name << ": the timeline did not show\n";
            ++failures;
            continue;
        }
        state.then(*view, vault);
        runEventsUntil([] { return false; }, 900);
        const QString file =
            QStringLiteral("%1/%2%3.png").arg(output, QLatin1String(state.name), suffix);
        if (!window->grabWindow().save(file)) {
            QTextStream(stderr) << "cannot write " << file << '\n';
            ++failures;
            continue;
        }
        QTextStream(stdout) << file << '\n';
        if (QLatin1String(state.name) == QLatin1String("share-menu")) {
            const QString card = QDir::tempPath() + QStringLiteral("/larch-memo-") +
                                 vault.continued + QStringLiteral(".png");
            const QString copy = QStringLiteral("%1/share-card%2.png").arg(output, suffix);
            QFile::remove(copy);
            if (QFile::rename(card, copy))
                QTextStream(stdout) << copy << '\n';
            else
                ++failures;
        }
    }
    return failures;
}
