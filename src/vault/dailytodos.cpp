#include "dailytodos.h"

#include "fileio.h"
#include "repositoryscope.h"
#include "textfileupdate.h"
#include "vaulterror.h"
#include "vaultrepository.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cstdlib>
#include <functional>

namespace {

QRegularExpression compiled(const QString& pattern)
{
    // "(*ANY)": lines end at every line break character, as in the journal's own patterns.
    QRegularExpression expression(QStringLiteral("(*ANY)") + pattern,
                                  QRegularExpression::UseUnicodePropertiesOption);
    expression.optimize();
    return expression;
}

const QRegularExpression& itemLinePattern()
{
    static const QRegularExpression pattern = compiled(QStringLiteral(
        R"re((?m)^- \[([ xX])\] (.*?)(?:\s+<!-- created:(\d{4}-\d{2}-\d{2}) -->)?\s*$)re"));
    return pattern;
}

const QRegularExpression& markerPattern()
{
    static const QRegularExpression pattern =
        compiled(QStringLiteral(R"re(<!-- rolled-over-from:(\d{4}-\d{2}-\d{2}) -->)re"));
    return pattern;
}

// A "yyyy-MM-dd" day; nothing when the text is not a real date.
std::optional<QDate> parseDay(QStringView text)
{
    if (text.size() != 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return std::nullopt;
    for (qsizetype i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return std::nullopt;
    }
    const QDate day(text.sliced(0, 4).toInt(), text.sliced(5, 2).toInt(),
                    text.sliced(8, 2).toInt());
    if (!day.isValid())
        return std::nullopt;
    return day;
}

QString dayText(const QDate& day)
{
    return journalDayName(day.startOfDay());
}

// The part of a day file before its first memo: the only place the todo section may be.
qsizetype firstMemoStart(const QString& text)
{
    const QRegularExpressionMatch memo = anyMemoAnchorPattern().match(text);
    return memo.hasMatch() ? memo.capturedStart(0) : text.size();
}

QDate localDay(const QDateTime& date)
{
    return date.toLocalTime().date();
}

} // namespace

QString todoSectionAnchor()
{
    return QStringLiteral("<a id=\"daily-todos\"></a>");
}

std::optional<TextRange> todoSectionRange(const QString& text)
{
    const qsizetype firstMemo = firstMemoStart(text);
    const qsizetype start = text.indexOf(todoSectionAnchor());
    if (start < 0 || start >= firstMemo)
        return std::nullopt;
    // Memo anchors begin a line, so none can start inside the section's own anchor.
    return TextRange{start, firstMemo};
}

QList<DailyTodoItem> parseTodoItems(const QString& sectionText, const QDate& day)
{
    QList<DailyTodoItem> items;
    for (QRegularExpressionMatchIterator it = itemLinePattern().globalMatch(sectionText);
         it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        DailyTodoItem item;
        item.id = int(items.size());
        item.isCompleted = match.captured(1).toLower() == QLatin1String("x");
        item.text = match.captured(2).trimmed();
        const std::optional<QDate> created = parseDay(match.capturedView(3));
        item.createdAt = (created ? *created : day).startOfDay();
        items.append(item);
    }
    return items;
}

std::optional<QDate> rolledOverFromDate(const QString& text)
{
    const QRegularExpressionMatch match = markerPattern().match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return parseDay(match.capturedView(1));
}

QString renderTodoLine(const DailyTodoItem& item, const QDate& day)
{
    QString text = item.text;
    // Every line break, not only CR and LF: any of them would split the item when read back.
    for (QChar& c : text) {
        if (isLineBreak(c))
            c = QLatin1Char(' ');
    }
    text = text.trimmed();
    if (text.isEmpty())
        return {};
    QString line = QStringLiteral("- [") +
                   (item.isCompleted ? QLatin1Char('x') : QLatin1Char(' ')) + QStringLiteral("] ") +
                   text;
    if (item.createdAt.isValid() && localDay(item.createdAt) != day)
        line += QStringLiteral(" <!-- created:") + journalDayName(item.createdAt) +
                QStringLiteral(" -->");
    return line;
}

QString renderTodoSection(const QList<DailyTodoItem>& items, const QDate& day,
                          const std::optional<QDate>& marker)
{
    QStringList lines;
    for (const DailyTodoItem& item : items) {
        const QString line = renderTodoLine(item, day);
        if (!line.isEmpty())
            lines.append(line);
    }
    if (lines.isEmpty() && !marker)
        return {};
    QStringList parts = {todoSectionAnchor(), QStringLiteral("## 今日待办")};
    if (marker)
        parts.append(QStringLiteral("<!-- rolled-over-from:") + dayText(*marker) +
                     QStringLiteral(" -->"));
    if (!lines.isEmpty())
        parts.append(lines.join(QLatin1Char('\n')));
    return parts.join(QStringLiteral("\n\n"));
}

namespace {

// The lines of a todo section that are not its own (anchor, heading, marker, items): words a
// person or another program put there, such as a line appended to the day file. They are kept
// below the list whenever it is rewritten, and in its place when it goes.
QString wordsInSection(QStringView section)
{
    QStringList kept;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= section.size(); ++i) {
        if (i < section.size() && !isLineBreak(section.at(i)))
            continue;
        QStringView line = section.sliced(start, i - start).trimmed();
        start = i + 1;
        if (line.startsWith(todoSectionAnchor()))
            line = line.sliced(todoSectionAnchor().size()).trimmed();
        if (line.isEmpty() || line == u"## 今日待办" ||
            markerPattern().match(line).capturedLength(0) == line.size() ||
            itemLinePattern().match(line).hasMatch())
            continue;
        kept.append(line.toString());
    }
    return kept.join(QLatin1Char('\n'));
}

} // namespace

QString textWithTodoSection(const QString& text, const QString& section)
{
    QString result = text;
    if (const std::optional<TextRange> range = todoSectionRange(text)) {
        QStringList parts;
        if (!section.isEmpty())
            parts.append(section);
        const QString words =
            wordsInSection(QStringView(text).sliced(range->start, range->end - range->start));
        if (!words.isEmpty())
            parts.append(words);
        result.replace(range->start, range->end - range->start,
                       parts.isEmpty()
                           ? QString()
                           : parts.join(QStringLiteral("\n\n")) + QStringLiteral("\n\n"));
    } else if (!section.isEmpty()) {
        const QRegularExpressionMatch memo = anyMemoAnchorPattern().match(text);
        if (memo.hasMatch())
            result.insert(memo.capturedStart(0), section + QStringLiteral("\n\n"));
        else
            result = text.trimmed() + QStringLiteral("\n\n") + section + QLatin1Char('\n');
    }
    static const QRegularExpression blankRuns(QStringLiteral("\n{4,}"));
    result.replace(blankRuns, QStringLiteral("\n\n"));
    if (!result.endsWith(QLatin1Char('\n')))
        result += QLatin1Char('\n');
    return result;
}

QList<DailyTodoItem> mergeCarriedTodos(QList<DailyTodoItem> list,
                                       const QList<DailyTodoItem>& carried)
{
    // Matched one to one, so that two equal unfinished items both arrive.
    QList<bool> used(list.size(), false);
    const qsizetype held = list.size();
    for (const DailyTodoItem& item : carried) {
        bool present = false;
        for (qsizetype i = 0; i < held && !present; ++i) {
            if (!used.at(i) && list.at(i).text == item.text &&
                localDay(list.at(i).createdAt) == localDay(item.createdAt)) {
                used[i] = true;
                present = true;
            }
        }
        if (!present)
            list.append(item);
    }
    for (qsizetype i = 0; i < list.size(); ++i)
        list[i].id = int(i);
    return list;
}

namespace {

// The list of a day file's text.
QList<DailyTodoItem> todosOfText(const QString& text, const QDate& day)
{
    const std::optional<TextRange> range = todoSectionRange(text);
    if (!range)
        return {};
    return parseTodoItems(text.mid(range->start, range->end - range->start), day);
}

// Changes the list of a day as it is in the file when written (the file made if missing): the
// day's roll-over marker stays, so that deleted carried items do not come back.
void editDayTodos(const VaultRepository& repository, const QDateTime& date,
                  const std::function<QList<DailyTodoItem>(QList<DailyTodoItem>)>& edit)
{
    const WriteScope scope(repository);
    const QString file = repository.resolveVaultPath(journalPath(date));
    ::createFolder(QFileInfo(file).absolutePath());
    const QDate day = localDay(date);
    updateTextFile(file, [&](const std::optional<QString>& current) -> std::optional<QString> {
        const QString text = current.value_or(newJournalText(date));
        const std::optional<QDate> marker = rolledOverFromDate(text.left(firstMemoStart(text)));
        return textWithTodoSection(text,
                                   renderTodoSection(edit(todosOfText(text, day)), day, marker));
    });
}

// Where `item` is in `list` now: at its position if it still has its text there, else the
// nearest item with its text.
qsizetype findTodo(const QList<DailyTodoItem>& list, const DailyTodoItem& item)
{
    qsizetype found = -1;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).text == item.text &&
            (found < 0 || std::abs(i - item.id) < std::abs(found - item.id)))
            found = i;
    }
    if (found < 0)
        throw VaultError(VaultError::todoNotFound);
    return found;
}

QList<DailyTodoItem> renumbered(QList<DailyTodoItem> list)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        list[i].id = int(i);
    return list;
}

} // namespace

QList<DailyTodoItem> VaultRepository::loadDailyTodos(const QDateTime& date) const
{
    const ReadScope scope(*this);
    const QString file = resolveVaultPath(journalPath(date));
    if (!pathExists(file))
        return {};
    return todosOfText(readTextFile(file), localDay(date));
}

void VaultRepository::saveDailyTodos(const QList<DailyTodoItem>& items, const QDateTime& date) const
{
    editDayTodos(*this, date, [&](const QList<DailyTodoItem>&) { return items; });
}

void VaultRepository::addDailyTodos(const QStringList& texts, const QDateTime& date) const
{
    editDayTodos(*this, date, [&](QList<DailyTodoItem> list) {
        for (const QString& text : texts)
            list.append(DailyTodoItem{0, text, false, date});
        return renumbered(std::move(list));
    });
}

void VaultRepository::setDailyTodoCompleted(const DailyTodoItem& item, bool completed,
                                            const QDateTime& date) const
{
    editDayTodos(*this, date, [&](QList<DailyTodoItem> list) {
        list[findTodo(list, item)].isCompleted = completed;
        return list;
    });
}

void VaultRepository::removeDailyTodo(const DailyTodoItem& item, const QDateTime& date) const
{
    editDayTodos(*this, date, [&](QList<DailyTodoItem> list) {
        list.removeAt(findTodo(list, item));
        return renumbered(std::move(list));
    });
}

QList<DailyTodoItem> VaultRepository::rollOverDailyTodos(const QDateTime& date) const
{
    const ReadScope scope(*this);
    const QDate today = localDay(date);
    const QDate yesterday = today.addDays(-1);
    if (!today.isValid() || !yesterday.isValid())
        return {};
    const QString file = resolveVaultPath(journalPath(today.startOfDay()));
    const QString text = pathExists(file) ? readTextFile(file) : QString();
    const QList<DailyTodoItem> current = todosOfText(text, today);
    if (rolledOverFromDate(text.left(firstMemoStart(text))) == yesterday)
        return current; // already done today

    QList<DailyTodoItem> carried;
    for (const DailyTodoItem& item : loadDailyTodos(yesterday.startOfDay())) {
        if (!item.isCompleted)
            carried.append(item);
    }
    if (carried.isEmpty())
        return current;
    // Reading must not need writing: a vault that cannot be written shows the list as it
    // would be.
    try {
        const WriteScope write(*this);
        ::createFolder(QFileInfo(file).absolutePath());
        const std::optional<QString> written =
            updateTextFile(file, [&](const std::optional<QString>& now) -> std::optional<QString> {
                const QString text = now.value_or(newJournalText(today.startOfDay()));
                if (rolledOverFromDate(text.left(firstMemoStart(text))) == yesterday)
                    return std::nullopt; // done by another program meanwhile
                const QList<DailyTodoItem> list =
                    mergeCarriedTodos(todosOfText(text, today), carried);
                return textWithTodoSection(text, renderTodoSection(list, today, yesterday));
            });
        return todosOfText(written.value_or(QString()), today);
    } catch (const FileError& error) {
        if (error.operation() == FileError::read)
            throw;
        reportVaultWarning(
            VaultWarning::Kind::vaultState,
            QStringLiteral("没能把昨天未完成的待办转到今天：%1。").arg(error.clause()));
        return mergeCarriedTodos(current, carried);
    }
}
