#pragma once

#include <QAbstractListModel>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QPointer>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "librarycontroller.h"

// The days of the month holding `month`, after as many blanks (invalid dates) as there are
// weekdays between `firstDay` and the month's first day; no blanks after the last day.
QList<QDate> monthGrid(QDate month, Qt::DayOfWeek firstDay);

// The locale the calendar follows: the system's, or Chinese when none is configured.
QLocale calendarLocale();

// The locale's shortest stand-alone weekday names, starting with its first day of the week.
QStringList weekdayHeader(const QLocale& locale);

// The sidebar's month calendar: which month is shown, which day is selected, whether the grid
// is open, and one row per cell of the grid.
//
// Roles (QML names): dayNumber (0 for a blank), date (QDateTime at the start of the day; invalid
// for a blank), isSelected, hasMemos, isToday.
class MiniCalendarModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    // Days with memos come from the library's memoDays.
    Q_PROPERTY(LibraryController* library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(QDate displayedMonth READ displayedMonth NOTIFY displayedMonthChanged)
    Q_PROPERTY(QDate selectedDate READ selectedDate NOTIFY selectedDateChanged)
    Q_PROPERTY(bool expanded READ isExpanded WRITE setExpanded NOTIFY expandedChanged)
    // "yyyy-MM"
    Q_PROPERTY(QString monthTitle READ monthTitle NOTIFY displayedMonthChanged)
    Q_PROPERTY(QStringList weekdaySymbols READ weekdaySymbols CONSTANT)
    // The current day; set by tests and at midnight, otherwise today.
    Q_PROPERTY(QDate today READ today WRITE setToday NOTIFY todayChanged)

public:
    enum Role {
        DayNumberRole = Qt::UserRole + 1,
        DateRole,
        IsSelectedRole,
        HasMemosRole,
        IsTodayRole,
    };

    explicit MiniCalendarModel(QObject* parent = nullptr);

    LibraryController* library() const { return m_library; }
    void setLibrary(LibraryController* library);
    QDate displayedMonth() const { return m_displayedMonth; }
    QDate selectedDate() const { return m_selectedDate; }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    QString monthTitle() const;
    QStringList weekdaySymbols() const { return m_weekdaySymbols; }
    QDate today() const { return m_today; }
    void setToday(QDate today);

    Q_INVOKABLE void toggleExpanded() { setExpanded(!m_expanded); }
    Q_INVOKABLE void showPreviousMonth() { setDisplayedMonth(m_displayedMonth.addMonths(-1)); }
    Q_INVOKABLE void showNextMonth() { setDisplayedMonth(m_displayedMonth.addMonths(1)); }
    // "今天": shows and selects today, and announces it.
    Q_INVOKABLE void selectToday();
    // A click on a cell: selects its day and announces it; blanks do nothing.
    Q_INVOKABLE void selectRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void libraryChanged();
    void displayedMonthChanged();
    void selectedDateChanged();
    void expandedChanged();
    void todayChanged();
    // The user chose a day; `day` is its start in local time.
    void daySelected(const QDateTime& day);

private:
    void setDisplayedMonth(QDate month);
    void setSelectedDate(QDate date);
    void memoDaysChanged();

    QPointer<LibraryController> m_library;
    QDate m_today;
    QDate m_displayedMonth;
    QDate m_selectedDate;
    bool m_expanded = false;
    QStringList m_weekdaySymbols;
    QList<QDate> m_cells;
};
