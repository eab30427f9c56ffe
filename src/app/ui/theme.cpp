#include "theme.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QSettings>
#include <QStandardPaths>

Theme::Theme(QObject* parent) : QObject(parent)
{
    readPalette();
    m_reducedMotion = desktopPrefersReducedMotion();
    if (qGuiApp)
        qGuiApp->installEventFilter(this);
}

QColor Theme::accent() const
{
    return m_dark ? darkAccent() : staticAccent();
}

QColor Theme::staticAccent()
{
    return QColor(0x00, 0x7a, 0xf0);
}

QColor Theme::darkAccent()
{
    return QColor(0x6b, 0xba, 0xff);
}

QColor Theme::gradientStart()
{
    return darkAccent();
}

QColor Theme::gradientEnd()
{
    return staticAccent();
}

QColor Theme::material() const
{
    return m_dark ? m_window.lighter(118) : m_window.darker(104);
}

QString Theme::fontFamily()
{
    return QStringLiteral("Noto Sans CJK SC");
}

QString Theme::monoFontFamily()
{
    return QStringLiteral("Noto Sans Mono CJK SC");
}

void Theme::setReducedMotion(bool reducedMotion)
{
    if (m_reducedMotion == reducedMotion)
        return;
    m_reducedMotion = reducedMotion;
    Q_EMIT reducedMotionChanged();
}

int Theme::duration(int milliseconds) const
{
    return m_reducedMotion ? 0 : milliseconds;
}

bool Theme::desktopPrefersReducedMotion()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const char* folder : {"gtk-4.0", "gtk-3.0"}) {
        const QString path =
            config + QLatin1Char('/') + QLatin1String(folder) + QStringLiteral("/settings.ini");
        if (!QFile::exists(path))
            continue;
        QSettings settings(path, QSettings::IniFormat);
        const QVariant value = settings.value(QStringLiteral("Settings/gtk-enable-animations"));
        if (!value.isValid())
            continue;
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("false") || text == QLatin1String("0");
    }
    return false;
}

bool Theme::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qGuiApp && event->type() == QEvent::ApplicationPaletteChange)
        readPalette();
    return QObject::eventFilter(watched, event);
}

void Theme::readPalette()
{
    const QPalette palette = QGuiApplication::palette();
    if (!m_systemPalette.isEmpty() && palette.isCopyOf(m_palette))
        return;
    static const QList<QPair<QString, QPalette::ColorRole>> roles = {
        {QStringLiteral("window"), QPalette::Window},
        {QStringLiteral("windowText"), QPalette::WindowText},
        {QStringLiteral("base"), QPalette::Base},
        {QStringLiteral("alternateBase"), QPalette::AlternateBase},
        {QStringLiteral("text"), QPalette::Text},
        {QStringLiteral("placeholderText"), QPalette::PlaceholderText},
        {QStringLiteral("button"), QPalette::Button},
        {QStringLiteral("buttonText"), QPalette::ButtonText},
        {QStringLiteral("brightText"), QPalette::BrightText},
        {QStringLiteral("highlight"), QPalette::Highlight},
        {QStringLiteral("highlightedText"), QPalette::HighlightedText},
        {QStringLiteral("light"), QPalette::Light},
        {QStringLiteral("midlight"), QPalette::Midlight},
        {QStringLiteral("mid"), QPalette::Mid},
        {QStringLiteral("dark"), QPalette::Dark},
        {QStringLiteral("shadow"), QPalette::Shadow},
        {QStringLiteral("link"), QPalette::Link},
        {QStringLiteral("toolTipBase"), QPalette::ToolTipBase},
        {QStringLiteral("toolTipText"), QPalette::ToolTipText},
    };
    QVariantMap colors;
    for (const auto& [name, role] : roles)
        colors.insert(name, palette.color(QPalette::Active, role));
    m_palette = palette;
    m_systemPalette = colors;
    m_window = palette.color(QPalette::Window);
    m_text = palette.color(QPalette::WindowText);
    m_dark = m_window.lightnessF() < 0.5;
    Q_EMIT appearanceChanged();
}
