// Shapes of the messages the page posts to the native host and of the commands it receives.
// Positions are offsets into the document in UTF-16 code units, which is what JavaScript
// strings (and so CodeMirror positions) count.

export interface MarkdownPatch {
    from: number;
    to: number;
    insert: string;
}

export interface PatchMessage {
    type: "markdownPatch";
    documentID: string;
    baseRevision: number;
    revision: number;
    patches: MarkdownPatch[];
}

export interface OutlineItem {
    position: number;
    level: number;
    title: string;
}

export interface OutlineMessage {
    type: "outline";
    documentID: string;
    items: OutlineItem[];
    activePosition?: number;
}

export interface FormatState {
    headingLevel: number;
    strong: boolean;
    emphasis: boolean;
    strike: boolean;
    inlineCode: boolean;
    codeBlock: boolean;
    bulletList: boolean;
    orderedList: boolean;
    taskList: boolean;
    quote: boolean;
}

export interface FormatStateMessage extends FormatState {
    type: "formatState";
    documentID: string;
}

export interface ContentHeightMessage {
    type: "contentHeight";
    height: number;
}

export interface PasteImageMessage {
    type: "pasteImage";
    mimeType: string;
    data: string;
}

/// The user asked to insert an image from a file (Mod-Shift-I); the host opens its picker.
export interface ImagePickerMessage {
    type: "requestImagePicker";
    documentID: string;
}

/// The answer to the host's input barrier (the key F24, sent through the same input path as the
/// user's keys): every edit made by earlier keys has been posted before it.
export interface InputBarrierMessage {
    type: "inputBarrier";
    documentID: string;
    revision: number;
}

/// What the page holds at one moment, returned to a host that must be sure it has every edit.
export interface PageSnapshot {
    documentID: string;
    revision: number;
    markdown: string;
}

export interface ErrorMessage {
    type: "jsError";
    message: string;
    stack?: string;
}

export type PageMessage =
    | PatchMessage
    | OutlineMessage
    | FormatStateMessage
    | ContentHeightMessage
    | PasteImageMessage
    | ImagePickerMessage
    | InputBarrierMessage
    | ErrorMessage;

/// A command as the host sends it: "kind" names the action, "value" carries its payload as a
/// string (integers in decimal).
export interface CommandRequest {
    kind: string;
    value?: string;
}

export function parseCommandRequest(input: unknown): CommandRequest | null {
    if (typeof input === "string") {
        try {
            input = JSON.parse(input);
        } catch {
            return null;
        }
    }
    if (typeof input !== "object" || input === null) return null;
    const {kind, value} = input as {kind?: unknown; value?: unknown};
    if (typeof kind !== "string") return null;
    if (value === undefined || value === null) return {kind};
    if (typeof value === "string") return {kind, value};
    if (typeof value === "number" && Number.isFinite(value)) return {kind, value: String(value)};
    return null;
}
