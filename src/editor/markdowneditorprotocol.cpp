#include "markdowneditorprotocol.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <climits>
#include <cmath>

namespace {

// Largest integer a JavaScript number holds exactly.
constexpr double maximumExactInteger = 9007199254740991.0;

void appendUnicodeEscape(QString& out, char16_t unit)
{
    out += QStringLiteral("\\u%1").arg(uint(unit), 4, 16, QLatin1Char('0'));
}

std::optional<int> jsonInt(const QJsonValue& value)
{
    const std::optional<qint64> number = jsonInteger(value);
    if (!number || *number < INT_MIN || *number > INT_MAX)
        return std::nullopt;
    return int(*number);
}

bool hasDocument(const QJsonObject& body, const QString& documentID)
{
    const QJsonValue id = body.value(QLatin1String("documentID"));
    return id.isString() && id.toString() == documentID;
}

// "array of objects": any other element makes the whole value unreadable.
std::optional<QJsonArray> arrayOfObjects(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            return std::nullopt;
    }
    return array;
}

} // namespace

QString javaScriptStringLiteral(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = text.at(i).unicode();
        switch (unit) {
        case u'"':
            out += QLatin1String("\\\"");
            continue;
        case u'\\':
            out += QLatin1String("\\\\");
            continue;
        case u'\n':
            out += QLatin1String("\\n");
            continue;
        case u'\r':
            out += QLatin1String("\\r");
            continue;
        case u'\t':
            out += QLatin1String("\\t");
            continue;
        case u'\b':
            out += QLatin1String("\\b");
            continue;
        case u'\f':
            out += QLatin1String("\\f");
            continue;
        case 0x2028: // line terminators inside a script's string literal in older engines
        case 0x2029:
            appendUnicodeEscape(out, unit);
            continue;
        default:
            break;
        }
        if (unit < 0x20) {
            appendUnicodeEscape(out, unit);
        } else if (QChar::isHighSurrogate(unit)) {
            if (i + 1 < length && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
                out += text.at(i);
                out += text.at(++i);
            } else {
                appendUnicodeEscape(out, unit);
            }
        } else if (QChar::isLowSurrogate(unit)) {
            appendUnicodeEscape(out, unit);
        } else {
            out += text.at(i);
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString setDocumentCall(const QString& markdown, const QString& documentID)
{
    return QLatin1String("window.larchNotesSetDocument && window.larchNotesSetDocument(") +
           javaScriptStringLiteral(markdown) + QLatin1String(", ") +
           javaScriptStringLiteral(documentID) + QLatin1String(");");
}

QString takeTextCall(const QString& markdown, const QString& documentID, qint64 baseRevision)
{
    return QLatin1String("window.larchNotesTakeText && window.larchNotesTakeText(") +
           javaScriptStringLiteral(markdown) + QLatin1String(", ") +
           javaScriptStringLiteral(documentID) + QLatin1String(", ") +
           QString::number(baseRevision) + QLatin1String(");");
}

QString commandPayloadJson(const MarkdownEditorCommandAction& action)
{
    QString json = QLatin1String("{\"kind\":") + javaScriptStringLiteral(action.kindName());
    if (action.hasNumber())
        json +=
            QLatin1String(",\"value\":\"") + QString::number(action.number()) + QLatin1Char('"');
    else if (action.hasText())
        json += QLatin1String(",\"value\":") + javaScriptStringLiteral(action.text());
    return json + QLatin1Char('}');
}

QString performCommandCall(const MarkdownEditorCommandAction& action)
{
    return QLatin1String("window.larchNotesPerformCommand && window.larchNotesPerformCommand(") +
           commandPayloadJson(action) + QLatin1String(");");
}

QString insertImageCall(const QString& markdownPath)
{
    return QLatin1String("window.larchNotesInsertImage && window.larchNotesInsertImage(") +
           javaScriptStringLiteral(markdownPath) + QLatin1String(");");
}

QString focusCall()
{
    return QStringLiteral("window.larchNotesFocus && window.larchNotesFocus(true);");
}

QString snapshotCall()
{
    return QStringLiteral("window.larchNotesSnapshot ? window.larchNotesSnapshot() : null;");
}

std::optional<qint64> jsonInteger(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number ||
        std::fabs(number) > maximumExactInteger)
        return std::nullopt;
    return qint64(number);
}

std::optional<QJsonObject> validMessageBody(const QJsonValue& body)
{
    if (!body.isObject())
        return std::nullopt;
    const QJsonObject object = body.toObject();
    if (object.isEmpty() || !object.value(QLatin1String("type")).isString())
        return std::nullopt;
    return object;
}

std::optional<MarkdownPatchResult> applyMarkdownPatch(const QJsonObject& body,
                                                      const QString& markdown, qint64 revision,
                                                      const QString& documentID)
{
    const std::optional<QJsonArray> patches = arrayOfObjects(body.value(QLatin1String("patches")));
    if (!patches || !hasDocument(body, documentID))
        return std::nullopt;
    const std::optional<qint64> baseRevision =
        jsonInteger(body.value(QLatin1String("baseRevision")));
    if (!baseRevision || *baseRevision != revision)
        return std::nullopt;
    const std::optional<qint64> newRevision = jsonInteger(body.value(QLatin1String("revision")));
    if (!newRevision || *newRevision != *baseRevision + 1)
        return std::nullopt;

    // Positions of every patch refer to the base text; applying the last first keeps the
    // positions of the earlier ones valid.
    QString text = markdown;
    int skipped = 0;
    for (qsizetype i = patches->size() - 1; i >= 0; --i) {
        const QJsonObject patch = patches->at(i).toObject();
        const std::optional<qint64> from = jsonInteger(patch.value(QLatin1String("from")));
        const std::optional<qint64> to = jsonInteger(patch.value(QLatin1String("to")));
        const QJsonValue insert = patch.value(QLatin1String("insert"));
        if (!from || !to || !insert.isString() || *from < 0 || *from > *to || *to > text.size()) {
            ++skipped;
            continue;
        }
        text.replace(qsizetype(*from), qsizetype(*to - *from), insert.toString());
    }
    return MarkdownPatchResult{text, *newRevision, skipped};
}

std::optional<qint64> outOfStepPatchBase(const QJsonObject& body, qint64 revision,
                                         const QString& documentID)
{
    if (!arrayOfObjects(body.value(QLatin1String("patches"))) || !hasDocument(body, documentID))
        return std::nullopt;
    const std::optional<qint64> base = jsonInteger(body.value(QLatin1String("baseRevision")));
    const std::optional<qint64> next = jsonInteger(body.value(QLatin1String("revision")));
    if (!base || !next || (*base == revision && *next == *base + 1))
        return std::nullopt;
    return base;
}

std::optional<MarkdownPageSnapshot> readPageSnapshot(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    const QVariant documentID = map.value(QStringLiteral("documentID"));
    const QVariant markdown = map.value(QStringLiteral("markdown"));
    const std::optional<qint64> revision =
        jsonInteger(QJsonValue::fromVariant(map.value(QStringLiteral("revision"))));
    if (documentID.typeId() != QMetaType::QString || markdown.typeId() != QMetaType::QString ||
        !revision)
        return std::nullopt;
    return MarkdownPageSnapshot{documentID.toString(), *revision, markdown.toString()};
}

std::optional<MarkdownOutlineReport> readOutlineReport(const QJsonObject& body,
                                                       const QString& documentID)
{
    if (!hasDocument(body, documentID))
        return std::nullopt;
    const std::optional<QJsonArray> items = arrayOfObjects(body.value(QLatin1String("items")));
    if (!items)
        return std::nullopt;
    MarkdownOutlineReport report;
    for (const QJsonValue& element : *items) {
        const QJsonObject object = element.toObject();
        const std::optional<int> position = jsonInt(object.value(QLatin1String("position")));
        const std::optional<int> level = jsonInt(object.value(QLatin1String("level")));
        const QJsonValue title = object.value(QLatin1String("title"));
        if (!position || !level || !title.isString())
            continue;
        report.items.append(MarkdownEditorOutlineItem{*position, *level, title.toString()});
    }
    report.activePosition = jsonInt(body.value(QLatin1String("activePosition")));
    return report;
}

std::optional<MarkdownEditorFormatState> readFormatStateReport(const QJsonObject& body,
                                                               const QString& documentID)
{
    if (!hasDocument(body, documentID))
        return std::nullopt;
    const auto flag = [&body](const char* key) {
        const QJsonValue value = body.value(QLatin1String(key));
        return value.isBool() && value.toBool();
    };
    MarkdownEditorFormatState state;
    state.headingLevel = jsonInt(body.value(QLatin1String("headingLevel"))).value_or(0);
    state.strong = flag("strong");
    state.emphasis = flag("emphasis");
    state.strike = flag("strike");
    state.inlineCode = flag("inlineCode");
    state.codeBlock = flag("codeBlock");
    state.bulletList = flag("bulletList");
    state.orderedList = flag("orderedList");
    state.taskList = flag("taskList");
    state.quote = flag("quote");
    return state;
}

std::optional<double> readContentHeight(const QJsonObject& body)
{
    const QJsonValue height = body.value(QLatin1String("height"));
    if (!height.isDouble())
        return std::nullopt;
    return height.toDouble();
}

std::optional<PastedImage> readPastedImage(const QJsonObject& body)
{
    const QJsonValue mimeType = body.value(QLatin1String("mimeType"));
    const QJsonValue data = body.value(QLatin1String("data"));
    if (!mimeType.isString() || !data.isString())
        return std::nullopt;
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        data.toString().toLatin1(),
        QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return PastedImage{decoded.decoded, mimeType.toString()};
}

QString renderMessage(const QJsonObject& body)
{
    return QString::fromUtf8(QJsonDocument(body).toJson(QJsonDocument::Compact));
}
