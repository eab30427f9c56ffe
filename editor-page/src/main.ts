// Entry point: builds the editor from the start values the host injected and exposes the calls
// the host makes into the page: the four of the bridge, and the snapshot a host takes when its
// copy of the text is in doubt. The input barrier (below) tells the host when it holds every edit
// of the keys typed so far, before it closes, renames or quits.
import {EditorFacade} from "./facade";
import {hostClassFor, nativeHost, readStartValues} from "./host";

interface PageWindow {
    larchNotesSetDocument?: (markdown: unknown, documentID: unknown) => void;
    larchNotesTakeText?: (markdown: unknown, documentID: unknown, baseRevision: unknown) => void;
    larchNotesPerformCommand?: (command: unknown) => boolean;
    larchNotesInsertImage?: (path: unknown) => boolean;
    larchNotesFocus?: (flag?: unknown) => void;
    larchNotesSnapshot?: () => unknown;
    __larchNotesTestMode?: unknown;
    __larchNotesTestHook?: {text(): string; revisions(): string[]};
}

const hostClasses = ["larch-memo-composer-host", "larch-memo-preview-host", "larch-compact-memo-host", "larch-full-editor-host"];

function start(): void {
    const win = window as unknown as PageWindow;
    const host = nativeHost(window);
    const parent = document.getElementById("editor") ?? document.body;
    // Browser tests ask for a hook that reads the text (and, with true, every revision's text).
    const testMode = win.__larchNotesTestMode === true || win.__larchNotesTestMode === "text";
    const values = readStartValues(window);
    // The host marks the root element with the kind of editor; a host whose start script ran
    // before the root element existed could not, so the page derives the class itself.
    const root = document.documentElement;
    if (!hostClasses.some((cls) => root.classList.contains(cls))) root.classList.add(hostClassFor(values.documentID));
    const editor = new EditorFacade(parent, host, values, {keepRevisions: win.__larchNotesTestMode === true});

    win.larchNotesSetDocument = (markdown, documentID) => editor.setDocument(markdown, documentID);
    win.larchNotesTakeText = (markdown, documentID, baseRevision) => editor.takeText(markdown, documentID, baseRevision);
    win.larchNotesPerformCommand = (command) => editor.performCommand(command);
    win.larchNotesInsertImage = (path) => editor.insertImage(path);
    win.larchNotesFocus = (flag) => editor.focus(flag);
    win.larchNotesSnapshot = () => editor.snapshot();
    if (testMode) {
        win.__larchNotesTestHook = {
            text: () => editor.view.state.doc.toString(),
            revisions: () => [...(editor.revisions ?? [])],
        };
    }

    // The host's input barrier: a key no keyboard has, sent after the user's keys along the same
    // path, so its answer follows every edit those keys made.
    window.addEventListener("keydown", (event) => {
        if (event.key !== "F24") return;
        event.preventDefault();
        event.stopImmediatePropagation();
        editor.inputBarrier();
    }, true);

    // Files dropped outside the text must not open in the page.
    for (const type of ["dragover", "drop"]) document.addEventListener(type, (event) => event.preventDefault());
}

// The script may run before the body is parsed when the host inlines it; wait for the DOM then.
if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start, {once: true});
else start();
