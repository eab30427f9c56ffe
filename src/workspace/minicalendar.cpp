#include "minicalendar.h"

#include "librarycontroller.h"

QList<QDate> monthGrid(QDate month, Qt::DayOfWeek firstDay)
{
    if (!month.isValid())
        return {};
    const QDate first(month.year(), month.month(), 1);
    const int blanks = (first.dayOfWeek() - int(firstDay) + 7) % 7;
    QList<QDate> cells(blanks);
    for (int day = 0; day < first.daysInMonth(); ++day)
        cells.append(first.addDays(day));
    return cells;
}

QLocale calendarLocale()
{
    // The interface is Chinese: without a configured locale ("C"), so is the calendar.
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::Chinese, QLocale::China) : system;
}

QStringList weekdayHeader(const QLocale& locale)
{
    QStringList symbols;
    for (int i = 0; i < 7; ++i) {
        const int day = (int(locale.firstDayOfWeek()) - 1 + i) % 7 + 1;
        symbols.append(locale.standaloneDayName(day, QLocale::NarrowFormat));
    }
    return symbols;
}

MiniCalendarModel::MiniCalendarModel(QObject* parent)
    : QAbstractListModel(parent), m_today(QDate::currentDate()), m_displayedMonth(m_today),
      m_selectedDate(m_today), m_weekdaySymbols(weekdayHeader(calendarLocale()))
{
    m_cells = monthGrid(m_displayedMonth, calendarLocale().firstDayOfWeek());
}

void MiniCalendarModel::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    if (m_library)
        disconnect(m_library, nullptr, this, nullptr);
    m_library = library;
    if (m_library)
        connect(m_library, &LibraryController::memosChanged, this,
                &MiniCalendarModel::memoDaysChanged);
    memoDaysChanged();
    Q_EMIT libraryChanged();
}

void MiniCalendarModel::memoDaysChanged()
{
    if (!m_cells.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_cells.size()) - 1), {HasMemosRole});
}

void MiniCalendarModel::setExpanded(bool expanded)
{
    if (m_expanded == expanded)
        return;
    m_expanded = expanded;
    Q_EMIT expandedChanged();
}

QString MiniCalendarModel::monthTitle() const
{
    return QStringLiteral("%1-%2")
        .arg(m_displayedMonth.year(), 4, 10, QLatin1Char('0'))
        .arg(m_displayedMonth.month(), 2, 10, QLatin1Char('0'));
}

void MiniCalendarModel::setToday(QDate today)
{
    if (m_today == today)
        return;
    m_today = today;
    Q_EMIT todayChanged();
    if (!m_cells.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_cells.size()) - 1), {IsTodayRole});
}

void MiniCalendarModel::setDisplayedMonth(QDate month)
{
    if (!month.isValid() ||
        (month.year() == m_displayedMonth.year() && month.month() == m_displayedMonth.month()))
        return;
    beginResetModel();
    m_displayedMonth = month;
    m_cells = monthGrid(m_displayedMonth, calendarLocale().firstDayOfWeek());
    endResetModel();
    Q_EMIT displayedMonthChanged();
}

void MiniCalendarModel::setSelectedDate(QDate date)
{
    if (m_selectedDate == date)
        return;
    const qsizetype before = m_cells.indexOf(m_selectedDate);
    m_selectedDate = date;
    const qsizetype after = m_cells.indexOf(m_selectedDate);
    for (qsizetype row : {before, after}) {
        if (row >= 0)
            Q_EMIT dataChanged(index(int(row)), index(int(row)), {IsSelectedRole});
    }
    Q_EMIT selectedDateChanged();
}

void MiniCalendarModel::selectToday()
{
    setDisplayedMonth(m_today);
    setSelectedDate(m_today);
    Q_EMIT daySelected(m_today.startOfDay());
}

void MiniCalendarModel::selectRow(int row)
{
    if (row < 0 || row >= m_cells.size() || !m_cells.at(row).isValid())
        return;
    const QDate day = m_cells.at(row);
    setSelectedDate(day);
    Q_EMIT daySelected(day.startOfDay());
}

int MiniCalendarModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_cells.size());
}

QVariant MiniCalendarModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QDate day = m_cells.at(index.row());
    switch (role) {
    case DayNumberRole:
        return day.isValid() ? day.day() : 0;
    case DateRole:
        return day.isValid() ? day.startOfDay() : QDateTime();
    case IsSelectedRole:
        return day.isValid() && day == m_selectedDate;
    case HasMemosRole:
        return day.isValid() && m_library && m_library->hasMemosOn(day);
    case IsTodayRole:
        return day.isValid() && day == m_today;
    default:
        return {};
    }
}

QHash<int, QByteArray> MiniCalendarModel::roleNames() const
{
    return {{DayNumberRole, "dayNumber"},
            {DateRole, "date"},
            {IsSelectedRole, "isSelected"},
            {HasMemosRole, "hasMemos"},
            {IsTodayRole, "isToday"}};
}
