#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

// Colours, fonts, sizes and motion of the whole interface, in one place. Colours follow the
// desktop palette: a dark window colour switches the dynamic ones to their dark-appearance form.
class Theme : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(bool dark READ isDark NOTIFY appearanceChanged)
    // Accent for selection, send buttons, tags and highlights; lighter in the dark appearance.
    Q_PROPERTY(QColor accent READ accent NOTIFY appearanceChanged)
    // The accent as the launch screens use it, whatever the appearance.
    Q_PROPERTY(QColor staticAccent READ staticAccent CONSTANT)
    // Behind the white text of a selected row or day: the full accent in both appearances, since
    // white on the dark appearance's lighter accent cannot be read.
    Q_PROPERTY(QColor selectionFill READ staticAccent CONSTANT)
    // The launch gradient, top-left to bottom-right.
    Q_PROPERTY(QColor gradientStart READ gradientStart CONSTANT)
    Q_PROPERTY(QColor gradientEnd READ gradientEnd CONSTANT)

    Q_PROPERTY(QColor windowColor READ windowColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor primaryText READ primaryText NOTIFY appearanceChanged)
    Q_PROPERTY(QColor secondaryText READ secondaryText NOTIFY appearanceChanged)
    Q_PROPERTY(QColor tertiaryText READ tertiaryText NOTIFY appearanceChanged)
    // Skeleton bars: the text colour at 6.5 %.
    Q_PROPERTY(QColor placeholderFill READ placeholderFill NOTIFY appearanceChanged)
    Q_PROPERTY(QColor separator READ separator NOTIFY appearanceChanged)
    // Panels and cards: a flat surface a shade off the window colour, with a hairline border.
    Q_PROPERTY(QColor material READ material NOTIFY appearanceChanged)
    Q_PROPERTY(QColor hairline READ hairline NOTIFY appearanceChanged)

    // The desktop palette by role name ("window", "button", "highlight", ...), for the controls:
    // the controls style of Qt 6.4 keeps its own light palette otherwise.
    Q_PROPERTY(QVariantMap systemPalette READ systemPalette NOTIFY appearanceChanged)

    Q_PROPERTY(QString fontFamily READ fontFamily CONSTANT)
    Q_PROPERTY(QString monoFontFamily READ monoFontFamily CONSTANT)
    // Text styles in logical pixels.
    Q_PROPERTY(int bodySize READ bodySize CONSTANT)
    Q_PROPERTY(int calloutSize READ calloutSize CONSTANT)
    Q_PROPERTY(int headlineSize READ headlineSize CONSTANT)
    Q_PROPERTY(int captionSize READ captionSize CONSTANT)
    Q_PROPERTY(int smallCaptionSize READ smallCaptionSize CONSTANT)
    Q_PROPERTY(int titleSize READ titleSize CONSTANT)

    // True when the desktop asks for reduced motion; animations then take no time.
    Q_PROPERTY(
        bool reducedMotion READ reducedMotion WRITE setReducedMotion NOTIFY reducedMotionChanged)

public:
    explicit Theme(QObject* parent = nullptr);

    bool isDark() const { return m_dark; }
    QColor accent() const;
    static QColor staticAccent();
    static QColor darkAccent();
    static QColor gradientStart();
    static QColor gradientEnd();

    QColor windowColor() const { return m_window; }
    QColor primaryText() const { return m_text; }
    QColor secondaryText() const { return withAlpha(m_text, 0.6); }
    QColor tertiaryText() const { return withAlpha(m_text, 0.35); }
    QColor placeholderFill() const { return withAlpha(m_text, 0.065); }
    QColor separator() const { return withAlpha(m_text, 0.12); }
    QColor material() const;
    QColor hairline() const { return withAlpha(m_text, 0.1); }
    QVariantMap systemPalette() const { return m_systemPalette; }

    static QString fontFamily();
    static QString monoFontFamily();
    static int bodySize() { return 13; }
    static int calloutSize() { return 12; }
    static int headlineSize() { return 13; }
    // Slightly above the 10 points of the platform this design comes from: CJK glyphs at 10
    // pixels lose their strokes.
    static int captionSize() { return 11; }
    static int smallCaptionSize() { return 10; }
    static int titleSize() { return 22; }

    bool reducedMotion() const { return m_reducedMotion; }
    void setReducedMotion(bool reducedMotion);

    // The duration to animate for: `milliseconds`, or 0 under reduced motion.
    Q_INVOKABLE int duration(int milliseconds) const;

    // Whether the desktop's GTK settings (which GNOME and KDE both keep) turn animations off.
    static bool desktopPrefersReducedMotion();

Q_SIGNALS:
    void appearanceChanged();
    void reducedMotionChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QColor withAlpha(QColor color, qreal alpha)
    {
        color.setAlphaF(alpha);
        return color;
    }
    void readPalette();

    bool m_dark = false;
    QPalette m_palette;
    QVariantMap m_systemPalette;
    QColor m_window;
    QColor m_text;
    bool m_reducedMotion = false;
};
