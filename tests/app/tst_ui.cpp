// The shared look: every symbol a view names has an icon that renders in the asked colour, and
// the theme follows the desktop palette into the dark appearance.

#include "symboltable.h"
#include "theme.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(LarchNotes_UiPlugin)

class TestUi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySymbolRenders()
    {
        const QStringList symbols = SymbolTable::symbols();
        QVERIFY(symbols.size() > 40);
        for (const QString& symbol : symbols) {
            const QByteArray svg = SymbolTable::svg(symbol, QStringLiteral("#ff0000"), 2);
            QVERIFY2(!svg.isEmpty(), qPrintable(symbol));
            QVERIFY2(!svg.contains("currentColor"), qPrintable(symbol));
            QSvgRenderer renderer(svg);
            QVERIFY2(renderer.isValid(), qPrintable(symbol));

            QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            renderer.render(&painter);
            painter.end();
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; ++y)
                for (int x = 0; x < image.width() && !drawn; ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    drawn = pixel.alpha() > 200 && pixel.red() > 200 && pixel.green() < 40;
                }
            QVERIFY2(drawn, qPrintable(symbol + QStringLiteral(" draws nothing in red")));
        }
        QVERIFY(SymbolTable::svg(QStringLiteral("no.such.symbol"), QStringLiteral("#000000"), 2)
                    .isEmpty());
    }

    // A view naming a symbol the table lacks would show an empty space: check every literal
    // symbol name in the interface's QML against the table.
    void viewsNameKnownSymbols()
    {
        static const QRegularExpression symbolLiteral(QStringLiteral(
            R"re((?:symbol|name|systemImage)\s*:\s*"([0-9a-z]+(?:\.[0-9a-z]+)*)")re"));
        const QStringList known = SymbolTable::symbols();
        int checked = 0;
        for (const char* folder : {"src/app", "src/workspace", "src/editor"}) {
            QDirIterator it(QStringLiteral(LARCH_SOURCE_DIR "/") + QLatin1String(folder),
                            {QStringLiteral("*.qml")}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = it.next();
                QFile in(file);
                QVERIFY(in.open(QIODevice::ReadOnly));
                const QString text = QString::fromUtf8(in.readAll());
                auto matches = symbolLiteral.globalMatch(text);
                while (matches.hasNext()) {
                    const QString symbol = matches.next().captured(1);
                    // Single words are symbols only when the table knows them; file names
                    // are not symbols.
                    static const QRegularExpression fileName(
                        QStringLiteral("\\.(md|png|jpe?g|svg|qml|js|json|html|txt)$"));
                    if ((!symbol.contains(QLatin1Char('.')) || fileName.match(symbol).hasMatch()) &&
                        !known.contains(symbol))
                        continue;
                    QVERIFY2(known.contains(symbol),
                             qPrintable(file + QStringLiteral(": ") + symbol));
                    ++checked;
                }
            }
        }
        QVERIFY(checked >= 3);
    }

    void themeFollowsPalette()
    {
        Theme theme;
        QPalette light;
        light.setColor(QPalette::Window, QColor(0xf4, 0xf4, 0xf4));
        light.setColor(QPalette::WindowText, Qt::black);
        QGuiApplication::setPalette(light);
        QTRY_VERIFY(!theme.isDark());
        QCOMPARE(theme.accent(), QColor(0x00, 0x7a, 0xf0));

        QSignalSpy changes(&theme, &Theme::appearanceChanged);
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(0x24, 0x24, 0x26));
        dark.setColor(QPalette::WindowText, Qt::white);
        QGuiApplication::setPalette(dark);
        QTRY_VERIFY(theme.isDark());
        QVERIFY(changes.count() >= 1);
        QCOMPARE(theme.accent(), QColor(0x6b, 0xba, 0xff));
        // The launch screens keep the static accent whatever the appearance.
        QCOMPARE(Theme::staticAccent(), QColor(0x00, 0x7a, 0xf0));
        QCOMPARE(theme.primaryText(), QColor(Qt::white));
        QCOMPARE(theme.secondaryText().alphaF(), 0.6f);
        QCOMPARE(theme.placeholderFill().rgb(), QColor(Qt::white).rgb());
    }

    void reducedMotionFromDesktopSettings_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("reduced");
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("off") << QByteArray("[Settings]\ngtk-enable-animations=false\n") << true;
        QTest::newRow("zero") << QByteArray("[Settings]\ngtk-enable-animations=0\n") << true;
        QTest::newRow("on") << QByteArray("[Settings]\ngtk-enable-animations=true\n") << false;
    }
    void reducedMotionFromDesktopSettings()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, reduced);
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/gtk-3.0");
        QVERIFY(folder.startsWith(qEnvironmentVariable("HOME")) ||
                folder.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QDir(folder).removeRecursively();
        if (!settings.isEmpty()) {
            QDir().mkpath(folder);
            QFile out(folder + QStringLiteral("/settings.ini"));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(settings);
        }
        QCOMPARE(Theme::desktopPrefersReducedMotion(), reduced);
        Theme theme;
        QCOMPARE(theme.duration(180), reduced ? 0 : 180);
        QDir(folder).removeRecursively();
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
