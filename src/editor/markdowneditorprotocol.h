#pragma once

#include "markdowneditortypes.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// The editor page's side of the bridge, as pure functions: the scripts the host evaluates in the
// page and the reading of the messages the page posts. Positions count UTF-16 code units.

// `text` as a JSON string literal that a script can embed. Lone surrogates are written as \u
// escapes, so any QString survives the trip into the page unchanged.
QString javaScriptStringLiteral(const QString& text);

// The calls into the page; each tests that the page function exists before calling it.
QString setDocumentCall(const QString& markdown, const QString& documentID);
// Text for the document the page holds, changed outside the page: applied as an edit of the text
// at `baseRevision` (the host's revision), kept on top of edits the host has not seen yet; the
// host then holds it as `baseRevision` + 1.
QString takeTextCall(const QString& markdown, const QString& documentID, qint64 baseRevision);
QString performCommandCall(const MarkdownEditorCommandAction& action);
QString insertImageCall(const QString& markdownPath);
QString focusCall();
// Asks the page for what it holds: {documentID, revision, markdown}, or null from a page without
// the function.
QString snapshotCall();

// The compact JSON object the perform-command call passes: "kind" and, with a payload, "value".
QString commandPayloadJson(const MarkdownEditorCommandAction& action);

// A JSON number that is a whole number within the exactly representable range.
std::optional<qint64> jsonInteger(const QJsonValue& value);

// The message body as the host accepts it: an object with at least one key and a string "type".
std::optional<QJsonObject> validMessageBody(const QJsonValue& body);

struct MarkdownPatchResult
{
    QString markdown;
    qint64 revision = 0;
    // Patches left out (a range outside the text, a field missing): the page then holds a text
    // the host does not.
    int skipped = 0;
};

// Applies a "markdownPatch" message to the host's copy. Nothing when the message fails its
// checks (wrong document, stale or skipping revision, "patches" not an array of objects); a
// single patch out of range is skipped while the others apply, last to first.
std::optional<MarkdownPatchResult> applyMarkdownPatch(const QJsonObject& body,
                                                      const QString& markdown, qint64 revision,
                                                      const QString& documentID);

// The base revision of a well-formed "markdownPatch" message for `documentID` that does not
// follow on from `revision` (a stale or skipped base, or a revision that is not base + 1);
// nothing for any other message.
std::optional<qint64> outOfStepPatchBase(const QJsonObject& body, qint64 revision,
                                         const QString& documentID);

// What a page snapshot holds: the document id, its revision and its whole text.
struct MarkdownPageSnapshot
{
    QString documentID;
    qint64 revision = 0;
    QString markdown;
};

// A page's answer to the snapshot call, as the web view hands it over (a map); nothing when it
// is not one.
std::optional<MarkdownPageSnapshot> readPageSnapshot(const QVariant& value);

struct MarkdownOutlineReport
{
    QList<MarkdownEditorOutlineItem> items;
    std::optional<int> activePosition;
};

// An "outline" message for `documentID`; items lacking a field or with a mistyped one are left out.
std::optional<MarkdownOutlineReport> readOutlineReport(const QJsonObject& body,
                                                       const QString& documentID);

// A "formatState" message for `documentID`; missing or mistyped fields read as 0 or false.
std::optional<MarkdownEditorFormatState> readFormatStateReport(const QJsonObject& body,
                                                               const QString& documentID);

// A "contentHeight" message's height.
std::optional<double> readContentHeight(const QJsonObject& body);

struct PastedImage
{
    QByteArray data;
    QString mimeType;
};

// A "pasteImage" message with a string MIME type and strictly valid Base64 data.
std::optional<PastedImage> readPastedImage(const QJsonObject& body);

// The whole message object as one line of compact JSON, for the log.
QString renderMessage(const QJsonObject& body);
