#include "textdifference.h"

#include <QHash>

#include <vector>

namespace {

// Beyond this many differing lines the shortest edit is not searched for.
constexpr int maximumEditDistance = 1500;

QStringList linesOf(const QString& text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    // A final newline ends the last line rather than starting an empty one.
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    return lines;
}

// The shortest edit script between a and b (Myers), as `true` for every kept pair, walked back
// from the saved frontier of each step. Returns false when it would exceed the distance limit.
bool shortestEdit(const std::vector<int>& a, const std::vector<int>& b,
                  QList<DifferenceLine::Kind>& script)
{
    const int n = int(a.size());
    const int m = int(b.size());
    const int limit = std::min(n + m, maximumEditDistance);
    const int offset = limit + 1;
    std::vector<int> frontier(2 * offset + 1, 0);
    // The frontier before each step, only its diagonals -d..d: the walk back needs no more.
    std::vector<std::vector<int>> trace;
    for (int d = 0; d <= limit; ++d) {
        trace.emplace_back(frontier.begin() + offset - d, frontier.begin() + offset + d + 1);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && frontier[offset + k - 1] < frontier[offset + k + 1]))
                        ? frontier[offset + k + 1]
                        : frontier[offset + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a[x] == b[y]) {
                ++x;
                ++y;
            }
            frontier[offset + k] = x;
            if (x >= n && y >= m) {
                // Walk back through the saved frontiers.
                QList<DifferenceLine::Kind> reversed;
                int cx = n;
                int cy = m;
                for (int step = d; step > 0; --step) {
                    const std::vector<int>& previous = trace[step];
                    const auto at = [&previous, step](int diagonal) {
                        return previous[size_t(diagonal + step)];
                    };
                    const int ck = cx - cy;
                    const bool down = ck == -step || (ck != step && at(ck - 1) < at(ck + 1));
                    const int pk = down ? ck + 1 : ck - 1;
                    const int px = at(pk);
                    const int py = px - pk;
                    while (cx > px + (down ? 0 : 1) && cy > py + (down ? 1 : 0)) {
                        reversed.append(DifferenceLine::Same);
                        --cx;
                        --cy;
                    }
                    reversed.append(down ? DifferenceLine::Added : DifferenceLine::Removed);
                    cx = px;
                    cy = py;
                }
                while (cx > 0) {
                    reversed.append(DifferenceLine::Same);
                    --cx;
                }
                script.reserve(reversed.size());
                for (auto it = reversed.crbegin(); it != reversed.crend(); ++it)
                    script.append(*it);
                return true;
            }
        }
    }
    return false;
}

} // namespace

QList<DifferenceLine> lineDifference(const QString& mine, const QString& outside)
{
    const QStringList before = linesOf(mine);
    const QStringList after = linesOf(outside);
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;

    // Lines are compared as small numbers: equal lines share one.
    QHash<QString, int> numbers;
    auto numberOf = [&numbers](const QString& line) {
        const auto found = numbers.constFind(line);
        return found != numbers.cend() ? *found : *numbers.insert(line, int(numbers.size()));
    };
    std::vector<int> a;
    std::vector<int> b;
    for (qsizetype i = head; i < before.size() - tail; ++i)
        a.push_back(numberOf(before[i]));
    for (qsizetype i = head; i < after.size() - tail; ++i)
        b.push_back(numberOf(after[i]));

    QList<DifferenceLine> lines;
    lines.reserve(head + tail + qsizetype(a.size() + b.size()));
    for (qsizetype i = 0; i < head; ++i)
        lines.append({DifferenceLine::Same, before[i]});

    QList<DifferenceLine::Kind> script;
    if (!shortestEdit(a, b, script)) {
        script.clear();
        script.insert(0, qsizetype(a.size()), DifferenceLine::Removed);
        script.insert(script.size(), qsizetype(b.size()), DifferenceLine::Added);
    }
    // Removed lines of a changed stretch go before its added ones.
    qsizetype x = head;
    qsizetype y = head;
    QList<DifferenceLine> added;
    for (DifferenceLine::Kind kind : std::as_const(script)) {
        if (kind == DifferenceLine::Added) {
            added.append({DifferenceLine::Added, after[y++]});
            continue;
        }
        if (kind == DifferenceLine::Removed) {
            lines.append({DifferenceLine::Removed, before[x++]});
            continue;
        }
        lines.append(added);
        added.clear();
        lines.append({DifferenceLine::Same, before[x]});
        ++x;
        ++y;
    }
    lines.append(added);
    for (qsizetype i = after.size() - tail; i < after.size(); ++i)
        lines.append({DifferenceLine::Same, after[i]});
    return lines;
}
