#include "appshell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>

AppShell::AppShell(LibraryController* library, QObject* parent)
    : QObject(parent), m_library(library),
      m_screen(screenFor(library->isVaultConfigured(), library->loadPhase())),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    connect(library, &LibraryController::loadPhaseChanged, this, &AppShell::updateScreen);
    connect(library, &LibraryController::isVaultConfiguredChanged, this, &AppShell::updateScreen);
    connect(library, &LibraryController::canCreateArticleChanged, this, &AppShell::commandsChanged);
    connect(library, &LibraryController::isVaultConfiguredChanged, this,
            &AppShell::commandsChanged);
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &AppShell::flushBeforeQuit);
}

AppShell::Screen AppShell::screenFor(bool vaultConfigured, LibraryController::LoadPhase phase)
{
    if (!vaultConfigured)
        return Screen::VaultSetup;
    switch (phase) {
    case LibraryController::LoadPhase::Idle:
    case LibraryController::LoadPhase::Restoring:
        return Screen::Restoring;
    case LibraryController::LoadPhase::Ready:
        return Screen::Workspace;
    case LibraryController::LoadPhase::Failed:
        return Screen::LoadFailure;
    }
    return Screen::Restoring;
}

bool AppShell::canCreateArticle() const
{
    return m_library->canCreateArticle();
}

bool AppShell::canRevealVault() const
{
    return m_library->isVaultConfigured();
}

void AppShell::start()
{
    m_library->load();
}

void AppShell::newArticle()
{
    // The menu item is disabled then, but a shortcut may still arrive.
    if (!canCreateArticle())
        return;
    m_library->createArticle(QStringLiteral("未命名笔记"));
}

void AppShell::requestVaultPicker()
{
    m_library->requestVaultPicker();
}

void AppShell::openPickedFolder(const QUrl& folder)
{
    if (folder.isEmpty())
        return;
    m_library->openVault(folder);
}

QUrl AppShell::pickerStartFolder() const
{
    const QFileInfo vault(m_library->rootPath());
    if (m_library->isVaultConfigured() && vault.isDir())
        return QUrl::fromLocalFile(vault.absolutePath());
    return QUrl::fromLocalFile(QDir::homePath());
}

void AppShell::revealVault()
{
    if (!canRevealVault())
        return;
    const QString path = m_library->rootPath();
    if (!QFileInfo(path).isDir()) {
        setAlertMessage(QStringLiteral("找不到笔记仓库文件夹“%1”。").arg(path));
        return;
    }
    if (!m_openUrl(QUrl::fromLocalFile(path)))
        setAlertMessage(QStringLiteral("无法在文件管理器中打开“%1”。").arg(path));
}

void AppShell::retryLoad()
{
    m_library->load();
}

void AppShell::dismissAlert()
{
    setAlertMessage({});
}

void AppShell::watchWindow(QWindow* window)
{
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (window)
        window->installEventFilter(this);
}

void AppShell::flushBeforeQuit()
{
    if (m_flushing)
        return;
    m_flushing = true;
    Q_EMIT aboutToFlush();
    m_library->flushAllAndWait();
    m_flushing = false;
}

void AppShell::setApplicationState(Qt::ApplicationState state)
{
    const bool active = state == Qt::ApplicationActive;
    if (active && !m_hasBeenActive) {
        m_hasBeenActive = true;
        return;
    }
    if (!m_hasBeenActive)
        return;
    m_library->handleApplicationActive(active);
}

bool AppShell::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        flushBeforeQuit();
    return QObject::eventFilter(watched, event);
}

void AppShell::updateScreen()
{
    const Screen screen = screenFor(m_library->isVaultConfigured(), m_library->loadPhase());
    if (screen == m_screen)
        return;
    m_screen = screen;
    Q_EMIT screenChanged();
}

void AppShell::setAlertMessage(const QString& text)
{
    if (m_alertMessage == text)
        return;
    m_alertMessage = text;
    Q_EMIT alertMessageChanged();
}
