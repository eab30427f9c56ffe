// The native host: where messages go and where the start values come from. The host injects
// window.webkit.messageHandlers.larchNotes and the start values before the page runs.
import type {PageMessage} from "./protocol";

export interface HostPort {
    post(message: PageMessage): void;
}

export interface StartValues {
    markdown: string;
    documentID: string;
    readOnly: boolean;
}

interface HostWindow {
    webkit?: {messageHandlers?: {larchNotes?: {postMessage(message: unknown): void}}};
    __larchNotesInitialMarkdown?: unknown;
    __larchNotesDocumentID?: unknown;
    __larchNotesReadOnly?: unknown;
}

export function readStartValues(win: object): StartValues {
    const w = win as HostWindow;
    return {
        markdown: typeof w.__larchNotesInitialMarkdown === "string" ? w.__larchNotesInitialMarkdown : "",
        documentID: typeof w.__larchNotesDocumentID === "string" ? w.__larchNotesDocumentID : "",
        readOnly: w.__larchNotesReadOnly === true,
    };
}

/// Posts to the host's "larchNotes" handler; without a host (the page opened on its own) the
/// messages go nowhere.
export function nativeHost(win: object): HostPort {
    return {
        post(message) {
            (win as HostWindow).webkit?.messageHandlers?.larchNotes?.postMessage(message);
        },
    };
}

/// The kind of editor the document id stands for, as the host's root-element class.
export function hostClassFor(documentID: string): string {
    if (documentID.startsWith("memo-composer:")) return "larch-memo-composer-host";
    if (documentID.startsWith("memo-preview:")) return "larch-memo-preview-host";
    if (documentID.startsWith("memo-inline:")) return "larch-compact-memo-host";
    return "larch-full-editor-host";
}
