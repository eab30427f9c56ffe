#include "articletext.h"

#include "contenthash.h"
#include "fileio.h"
#include "searchfold.h"
#include "vaulterror.h"

#include <mutex>
#include <optional>

struct ArticleText::State
{
    QString absolutePath; // empty for a text at hand
    quint64 hash = 0;
    qint64 size = 0;

    std::mutex mutex;
    std::optional<QString> text; // kept only for a text at hand
    std::optional<QString> folded;
    std::optional<QString> caseFolded;

    // The text; `*current` tells whether it is the text that was listed.
    QString read(bool* current)
    {
        *current = true;
        if (text)
            return *text;
        try {
            const QByteArray bytes = readFileBytes(absolutePath);
            *current = bytes.size() == size && contentHash(bytes) == hash;
            return decodeUtf8Strict(bytes).value_or(QString());
        } catch (const FileError&) {
            *current = false;
            return QString();
        }
    }

    // A derived form, made from the text once when the text is the listed one.
    QString derived(std::optional<QString>& kept, QString (*make)(const QString&))
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (kept)
            return *kept;
        bool current = false;
        QString result = make(read(&current));
        if (current)
            kept = result;
        return result;
    }
};

std::shared_ptr<ArticleText::State> ArticleText::emptyState()
{
    static const auto state = [] {
        auto made = std::make_shared<ArticleText::State>();
        made->text = QString();
        made->hash = contentHash({});
        return made;
    }();
    return state;
}

ArticleText::ArticleText() : m_state(emptyState()) {}

ArticleText::ArticleText(const QString& text)
{
    if (text.isEmpty()) {
        m_state = emptyState();
        return;
    }
    m_state = std::make_shared<State>();
    const QByteArray bytes = text.toUtf8();
    m_state->hash = contentHash(bytes);
    m_state->size = bytes.size();
    m_state->text = text;
}

ArticleText::ArticleText(std::shared_ptr<State> state) : m_state(std::move(state)) {}

ArticleText ArticleText::inFile(const QString& absolutePath, quint64 hash, qint64 size)
{
    if (size == 0)
        return ArticleText();
    auto state = std::make_shared<State>();
    state->absolutePath = absolutePath;
    state->hash = hash;
    state->size = size;
    return ArticleText(std::move(state));
}

QString ArticleText::text() const
{
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    bool current = false;
    return m_state->read(&current);
}

QString ArticleText::foldedText() const
{
    return m_state->derived(m_state->folded,
                            [](const QString& text) { return foldForSearch(text); });
}

QString ArticleText::caseFoldedText() const
{
    return m_state->derived(m_state->caseFolded,
                            [](const QString& text) { return text.toCaseFolded(); });
}

quint64 ArticleText::hash() const
{
    return m_state->hash;
}

qint64 ArticleText::byteSize() const
{
    return m_state->size;
}

bool operator==(const ArticleText& a, const ArticleText& b)
{
    return a.m_state == b.m_state ||
           (a.m_state->size == b.m_state->size && a.m_state->hash == b.m_state->hash);
}
