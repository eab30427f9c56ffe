#pragma once

#include <QList>
#include <QString>
#include <QTextStream>

// The figures of one benchmark run and how they are printed: a table for people, one JSON line
// for scripts.

struct OperationFigure
{
    QString key;   // JSON name
    QString name;  // table name
    double target; // the most it may take, as a multiple of the floor; 0 for none
    QList<double> milliseconds;

    double median() const;
};

struct BenchReport
{
    QString vault;
    int cores = 0;
    int runs = 0;
    int files = 0;        // files a full load reads
    qint64 textBytes = 0; // their bytes
    qint64 diskBytes = 0; // every file of the vault, images included
    int notes = 0;
    int folders = 0;
    int memos = 0;
    int todayTodos = 0;
    double firstLoadMs = 0; // the first load of the copy: re-anchors memos, rolls todos over
    QList<double> floorMs;
    QList<OperationFigure> operations;
    qint64 loadPeakKib = 0;     // peak resident memory of a process that did one full load
    qint64 processStartKib = 0; // the same process before loading
    qint64 benchPeakKib = 0;    // this whole benchmark process
    double indexBuildMs = 0;    // the search index built once
    qint64 cacheBytes = 0;      // the start-up cache file
    bool watching = false;      // re-reads follow change notifications

    double floorMedian() const;
};

void printReport(const BenchReport& report, QTextStream& out);
