#pragma once

#include "librarycontroller.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWindow>

#include <QtQml/qqmlregistration.h>
#include <functional>

// The glue between the window and the library: which screen the window shows, when the File
// menu's commands are enabled and what they do, how the window reacts to the application
// becoming active or inactive, and that quitting first writes every pending edit.
class AppShell : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application shell is created by main().")

    Q_PROPERTY(LibraryController* library READ library CONSTANT)
    Q_PROPERTY(Screen screen READ screen NOTIFY screenChanged)
    // "新建文章" is enabled.
    Q_PROPERTY(bool canCreateArticle READ canCreateArticle NOTIFY commandsChanged)
    // "在文件管理器中显示当前仓库" is enabled.
    Q_PROPERTY(bool canRevealVault READ canRevealVault NOTIFY commandsChanged)
    // A failure of the shell's own commands (the library reports its own in `alertMessage`).
    Q_PROPERTY(QString alertMessage READ alertMessage NOTIFY alertMessageChanged)

public:
    enum class Screen { VaultSetup, Restoring, Workspace, LoadFailure };
    Q_ENUM(Screen)

    explicit AppShell(LibraryController* library, QObject* parent = nullptr);

    // The screen for a library state: setup until a vault is chosen, the skeleton while it
    // loads, then the workspace or the failure screen.
    static Screen screenFor(bool vaultConfigured, LibraryController::LoadPhase phase);

    LibraryController* library() const { return m_library; }
    Screen screen() const { return m_screen; }
    bool canCreateArticle() const;
    bool canRevealVault() const;
    QString alertMessage() const { return m_alertMessage; }

    // The first load; run once the window is up.
    Q_INVOKABLE void start();
    Q_INVOKABLE void newArticle();
    Q_INVOKABLE void requestVaultPicker();
    Q_INVOKABLE void openPickedFolder(const QUrl& folder);
    // Where the folder picker starts: beside the current vault, else the home folder.
    Q_INVOKABLE QUrl pickerStartFolder() const;
    Q_INVOKABLE void revealVault();
    Q_INVOKABLE void retryLoad();
    Q_INVOKABLE void dismissAlert();
    // Shows `text` in the shell's alert.
    void showAlert(const QString& text) { setAlertMessage(text); }

    // How a folder is shown in the file manager; the desktop's handler unless replaced.
    using UrlOpener = std::function<bool(const QUrl&)>;
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    // Writes pending edits before `window` closes.
    void watchWindow(QWindow* window);
    // Writes every pending edit, waiting for the saves to end. Safe to call more than once.
    void flushBeforeQuit();

public Q_SLOTS:
    // Active after inactive re-reads the vault; losing activity writes pending edits. The
    // first activation is the window appearing, not a return to the application.
    void setApplicationState(Qt::ApplicationState state);

Q_SIGNALS:
    void screenChanged();
    void commandsChanged();
    void alertMessageChanged();
    // Quitting is about to write pending edits: views holding a debounced save of their own
    // start it now.
    void aboutToFlush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateScreen();
    void setAlertMessage(const QString& text);

    LibraryController* m_library;
    Screen m_screen;
    QString m_alertMessage;
    UrlOpener m_openUrl;
    QPointer<QWindow> m_window;
    bool m_hasBeenActive = false;
    bool m_flushing = false;
};
