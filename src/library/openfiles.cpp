// Open articles and what other programs do to their files: a changed or vanished file reaches its
// session at every refresh, and text that a file could not take is kept as a copy when its tab
// closes or the application quits.

#include "librarycontroller.h"

#include "vaulterror.h"

#include <QSettings>

#include <cstdlib>

namespace {

// Vault root -> the message about copies kept while quitting, shown at the next load.
const QString keptCopiesKey = QStringLiteral("larch-notes.kept-copies.v1");

bool sameDate(const QDateTime& a, const QDateTime& b)
{
    return a.isValid() == b.isValid() && std::abs(a.msecsTo(b)) <= 1;
}

} // namespace

QCoro::Task<> LibraryController::followOpenFilesAsync()
{
    QPointer<LibraryController> self(this);
    const QList<QPointer<NoteEditorSession>> sessions(m_openSessions.cbegin(),
                                                      m_openSessions.cend());
    for (const QPointer<NoteEditorSession>& session : sessions) {
        if (!session || session->isSaving())
            continue;
        const QString path = session->path();
        const std::optional<NoteSummary> listed = note(path);
        if (listed && sameDate(listed->modifiedAt, session->modifiedAt()) &&
            session->outsideState() != NoteEditorSession::OutsideState::Missing)
            continue;
        const quint64 epoch = session->fileEpoch();
        std::optional<NoteDocument> outside;
        bool missing = false;
        try {
            outside = co_await onStorage(&VaultRepository::loadDocument, path);
        } catch (const std::exception& error) {
            int code = -1;
            describeError(error, &code);
            missing = code == int(VaultError::noteNotFound);
        }
        if (!self)
            co_return;
        // A save or a choice that ended meanwhile wrote the file after it was read here.
        if (!session || session->path() != path || session->fileEpoch() != epoch)
            continue;
        if (outside)
            session->takeOutsideDocument(*outside);
        else if (missing)
            session->markMissing();
    }
}

QString LibraryController::keptCopyMessage(const QStringList& copies)
{
    QStringList quoted;
    for (const QString& copy : copies)
        quoted.append(QStringLiteral("「%1」").arg(copy));
    return QStringLiteral("修改没能保存到原文件，已另存为%1。")
        .arg(quoted.join(QStringLiteral("、")));
}

QCoro::Task<> LibraryController::keepUnsavedCopiesAsync(bool atNextStart)
{
    QPointer<LibraryController> self(this);
    const QList<QPointer<NoteEditorSession>> sessions(m_openSessions.cbegin(),
                                                      m_openSessions.cend());
    QStringList copies;
    for (const QPointer<NoteEditorSession>& session : sessions) {
        if (!session || !session->needsCopy())
            continue;
        const std::optional<QString> copy = co_await session->keepUnsavedCopyAsync();
        if (!self)
            co_return;
        if (copy)
            copies.append(*copy);
    }
    if (copies.isEmpty())
        co_return;
    const QString message = keptCopyMessage(copies);
    if (!atNextStart) {
        setAlertMessage(message);
        co_return;
    }
    QVariantMap kept = m_settings->value(keptCopiesKey).toMap();
    kept.insert(m_rootPath, QStringLiteral("上次退出时，") + message);
    m_settings->setValue(keptCopiesKey, kept);
    m_settings->sync();
}

void LibraryController::showCopiesKeptAtQuit()
{
    QVariantMap kept = m_settings->value(keptCopiesKey).toMap();
    if (!kept.contains(m_rootPath))
        return;
    const QString message = kept.take(m_rootPath).toString();
    if (kept.isEmpty())
        m_settings->remove(keptCopiesKey);
    else
        m_settings->setValue(keptCopiesKey, kept);
    // A warning of the load may be showing: both are kept.
    setAlertMessage(m_alertMessage.isEmpty() ? message
                                             : m_alertMessage + QLatin1Char('\n') + message);
}
