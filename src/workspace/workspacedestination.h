#pragma once

#include <QString>

// What the main area of the window shows: the memo timeline, the articles of the vault or of
// one folder, or the editor with one article.
class WorkspaceDestination
{
public:
    enum class Kind { timeline, articles, editor };

    static WorkspaceDestination timeline() { return {Kind::timeline, {}}; }
    // An empty folder path stands for all articles.
    static WorkspaceDestination articles(const QString& folderPath = {})
    {
        return {Kind::articles, folderPath};
    }
    static WorkspaceDestination editor(const QString& path) { return {Kind::editor, path}; }

    Kind kind() const { return m_kind; }
    // The folder of `articles` ("" for all), empty otherwise.
    QString folderPath() const { return m_kind == Kind::articles ? m_path : QString(); }
    // The article of `editor`, empty otherwise.
    QString path() const { return m_kind == Kind::editor ? m_path : QString(); }

    friend bool operator==(const WorkspaceDestination&, const WorkspaceDestination&) = default;

private:
    WorkspaceDestination(Kind kind, QString path) : m_kind(kind), m_path(std::move(path)) {}

    Kind m_kind = Kind::timeline;
    QString m_path;
};
