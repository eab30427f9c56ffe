#include "benchreport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

double medianOf(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

double rounded(double value, int decimals)
{
    return fixed(value, decimals).toDouble();
}

} // namespace

double OperationFigure::median() const
{
    return medianOf(milliseconds);
}

double BenchReport::floorMedian() const
{
    return medianOf(floorMs);
}

void printReport(const BenchReport& r, QTextStream& out)
{
    const double floor = r.floorMedian();
    const double mib = 1024.0 * 1024.0;
    out << "Vault " << r.vault << ": " << r.notes << " articles, " << r.folders << " folders, "
        << r.memos << " memos, " << r.todayTodos << " todos today\n"
        << "Loaded files " << r.files << " (" << fixed(double(r.textBytes) / mib, 1)
        << " MiB of text; " << fixed(double(r.diskBytes) / mib, 1) << " MiB on disk), " << r.cores
        << " cores, median of " << r.runs << " runs\n\n";

    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("operation"), -28)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("x floor"), 8)
               .arg(QStringLiteral("target"), 8)
               .arg(QStringLiteral(""), 4);
    out << QStringLiteral("%1 %2 %3\n")
               .arg(QStringLiteral("floor: read every file"), -28)
               .arg(fixed(floor, 1), 10)
               .arg(QStringLiteral("1.00"), 8);
    QJsonObject operations;
    for (const OperationFigure& op : r.operations) {
        if (op.milliseconds.isEmpty())
            continue; // not run this time
        const double median = op.median();
        const double ratio = floor > 0 ? median / floor : 0;
        const QString target =
            op.target > 0 ? QStringLiteral("<= ") + fixed(op.target, 1) : QString();
        const QString verdict =
            op.target > 0 ? (ratio <= op.target ? QStringLiteral("ok") : QStringLiteral("MISS"))
                          : QString();
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(op.name, -28)
                   .arg(fixed(median, 1), 10)
                   .arg(fixed(ratio, 2), 8)
                   .arg(target, 8)
                   .arg(verdict, 4);
        QJsonObject figure{{QStringLiteral("ms"), rounded(median, 2)},
                           {QStringLiteral("x_floor"), rounded(ratio, 3)}};
        if (op.target > 0)
            figure.insert(QStringLiteral("target_x_floor"), op.target);
        operations.insert(op.key, figure);
    }
    // The start without cache comes first: a full read of every file.
    const double loadMs = r.operations.isEmpty() ? 0 : r.operations.first().median();
    const double perFileUs = r.files > 0 ? loadMs * 1000.0 / r.files : 0;
    out << QStringLiteral("%1 %2\n")
               .arg(QStringLiteral("first load of the copy"), -28)
               .arg(fixed(r.firstLoadMs, 1), 10);
    out << QStringLiteral("%1 %2 %3\n")
               .arg(QStringLiteral("search index, built once"), -28)
               .arg(fixed(r.indexBuildMs, 1), 10)
               .arg(fixed(floor > 0 ? r.indexBuildMs / floor : 0, 2), 8);
    out << "start without cache, per loaded file: " << fixed(perFileUs, 2) << " us\n";
    out << "re-reads follow change notifications: " << (r.watching ? "yes" : "no") << "\n";

    double searchRatio = 0;
    for (const OperationFigure& op : r.operations) {
        if (op.key == QLatin1String("rg_search") && !op.milliseconds.isEmpty())
            for (const OperationFigure& larch : r.operations)
                if (larch.key == QLatin1String("larch_search") && op.median() > 0)
                    searchRatio = larch.median() / op.median();
    }
    if (searchRatio > 0)
        out << "larch search / rg: " << fixed(searchRatio, 2)
            << " (target <= 2.0: " << (searchRatio <= 2.0 ? "ok" : "MISS") << ")\n";
    else
        out << "larch search / rg: rg is not installed, no comparison\n";
    const double cacheRatio = r.textBytes > 0 ? double(r.cacheBytes) / double(r.textBytes) : 0;
    out << "start-up cache file: " << fixed(double(r.cacheBytes) / mib, 1)
        << " MiB = " << fixed(cacheRatio, 2)
        << " x the loaded text (target <= 0.5: " << (cacheRatio <= 0.5 ? "ok" : "MISS") << ")\n\n";

    const double peakRatio =
        r.textBytes > 0 ? double(r.loadPeakKib) * 1024.0 / double(r.textBytes) : 0;
    out << "peak resident memory of a start without cache: "
        << fixed(double(r.loadPeakKib) / 1024.0, 1) << " MiB (process alone "
        << fixed(double(r.processStartKib) / 1024.0, 1) << " MiB) = " << fixed(peakRatio, 2)
        << " x the loaded text (target <= 2.0: " << (peakRatio <= 2.0 ? "ok" : "MISS") << ")\n"
        << "peak resident memory of this benchmark: " << fixed(double(r.benchPeakKib) / 1024.0, 1)
        << " MiB\n";

    const QJsonObject json{
        {QStringLiteral("vault"), r.vault},
        {QStringLiteral("cores"), r.cores},
        {QStringLiteral("runs"), r.runs},
        {QStringLiteral("articles"), r.notes},
        {QStringLiteral("folders"), r.folders},
        {QStringLiteral("memos"), r.memos},
        {QStringLiteral("loaded_files"), r.files},
        {QStringLiteral("loaded_bytes"), double(r.textBytes)},
        {QStringLiteral("disk_bytes"), double(r.diskBytes)},
        {QStringLiteral("floor_ms"), rounded(floor, 2)},
        {QStringLiteral("first_load_ms"), rounded(r.firstLoadMs, 2)},
        {QStringLiteral("start_no_cache_us_per_file"), rounded(perFileUs, 3)},
        {QStringLiteral("search_index_build_ms"), rounded(r.indexBuildMs, 2)},
        {QStringLiteral("cache_bytes"), double(r.cacheBytes)},
        {QStringLiteral("cache_x_text"), rounded(cacheRatio, 3)},
        {QStringLiteral("larch_search_x_rg"), rounded(searchRatio, 3)},
        {QStringLiteral("watching"), r.watching},
        {QStringLiteral("operations"), operations},
        {QStringLiteral("load_peak_rss_kib"), double(r.loadPeakKib)},
        {QStringLiteral("load_peak_rss_x_text"), rounded(peakRatio, 3)},
        {QStringLiteral("process_start_rss_kib"), double(r.processStartKib)},
        {QStringLiteral("bench_peak_rss_kib"), double(r.benchPeakKib)},
    };
    out << QJsonDocument(json).toJson(QJsonDocument::Compact) << "\n";
}
