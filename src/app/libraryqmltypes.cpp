#include "libraryqmltypes.h"

#include "librarycontroller.h"
#include "memolistmodel.h"
#include "noteeditorsession.h"
#include "notelistmodel.h"
#include "sessionlistmodel.h"
#include "todolistmodel.h"

#include <QtQml/qqml.h>

void registerLibraryQmlTypes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    const char* uri = "LarchNotes.Library";
    const QString reason = QStringLiteral("Provided by the library controller.");
    qmlRegisterUncreatableType<LibraryController>(uri, 1, 0, "LibraryController", reason);
    qmlRegisterUncreatableType<NoteEditorSession>(uri, 1, 0, "NoteEditorSession", reason);
    qmlRegisterUncreatableType<MemoListModel>(uri, 1, 0, "MemoListModel", reason);
    qmlRegisterUncreatableType<NoteListModel>(uri, 1, 0, "NoteListModel", reason);
    qmlRegisterUncreatableType<TodoListModel>(uri, 1, 0, "TodoListModel", reason);
    qmlRegisterUncreatableType<SessionListModel>(uri, 1, 0, "SessionListModel", reason);
}
