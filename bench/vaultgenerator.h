#pragma once

#include "benchvault.h"
#include "randomsource.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct GeneratorOptions
{
    QString root;
    int articles = 10000;
    int dayFiles = -1; // -1: 15 per 100 articles
    int memos = -1;    // -1: 2 per article
    quint64 seed = BenchVault::defaultSeed;
    QDate today = BenchVault::defaultToday();
};

struct GeneratedVault
{
    int folders = 0;
    int articles = 0;
    int attachments = 0;
    int dayFiles = 0;
    int memos = 0;
    int todoSections = 0;
    int strippedAnchors = 0; // anchors removed, restorable from the index
    int orphanedEntries = 0; // index entries that can never be re-anchored
    qint64 articleBytes = 0;
    qint64 journalBytes = 0;
    qint64 indexBytes = 0;
    qint64 attachmentBytes = 0;
};

// What the article pass leaves for the journal pass: paths to link to and images to show.
struct VaultPlan
{
    QStringList folders;      // vault-relative folder paths, parents first
    QStringList articlePaths; // vault-relative, ".md" included
    QStringList attachments;  // vault-relative, "Attachments/image-....png"
};

// Builds the whole vault below options.root, which must not exist or be empty. Deterministic:
// the same options give the same files, bytes and modification dates. Throws
// std::runtime_error on a file-system failure.
GeneratedVault generateVault(const GeneratorOptions& options);

// The two passes and their shared helpers.
void generateArticles(const GeneratorOptions& options, RandomSource& random, VaultPlan& plan,
                      GeneratedVault& report);
void generateJournal(const GeneratorOptions& options, RandomSource& random, const VaultPlan& plan,
                     GeneratedVault& report);
void writeGeneratedFile(const QString& absolutePath, const QByteArray& bytes,
                        const QDateTime& modifiedAt);
void makeFolder(const QString& absolutePath);
// The text to put between the parentheses of a link from `fromFile` to `target`, as UTF-8.
QByteArray linkBetween(const QString& fromFile, const QString& target);
