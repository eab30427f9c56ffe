// Pasted and dropped images go to the host, which stores them and answers with the path to
// insert. Text always pastes as plain text (the editor reads only "text/plain"), so markup from
// other programs never enters the document.
import type {Extension} from "@codemirror/state";
import {EditorView} from "@codemirror/view";
import type {PasteImageMessage} from "./protocol";

export type ImageSink = (message: PasteImageMessage) => void;

function imageFiles(list: DataTransferItemList | null | undefined, files: FileList | null | undefined): File[] {
    const found: File[] = [];
    if (list) {
        for (const item of Array.from(list)) {
            if (item.kind !== "file" || !item.type.startsWith("image/")) continue;
            const file = item.getAsFile();
            if (file) found.push(file);
        }
    }
    if (found.length === 0 && files) {
        for (const file of Array.from(files)) if (file.type.startsWith("image/")) found.push(file);
    }
    return found;
}

export function base64OfDataURL(url: string): string {
    const comma = url.indexOf(",");
    return comma < 0 ? "" : url.slice(comma + 1);
}

function sendImage(file: File, sink: ImageSink, onError: (error: unknown) => void): void {
    const reader = new FileReader();
    reader.onload = () => {
        const data = base64OfDataURL(String(reader.result ?? ""));
        if (data) sink({type: "pasteImage", mimeType: file.type || "image/png", data});
    };
    reader.onerror = () => onError(reader.error);
    reader.readAsDataURL(file);
}

/// Whether a paste should go as images: when the clipboard has image files and no text, or its
/// HTML is an image (a browser's "copy image"). A spreadsheet's cells carry text and a picture
/// of the cells; those paste as text.
export function pasteIsImage(types: readonly string[], plainText: string, html: string, imageCount: number): boolean {
    if (imageCount === 0) return false;
    if (!types.includes("text/plain") || plainText.trim() === "") return true;
    return /<img\b/i.test(html) && html.replace(/<[^>]*>/g, "").trim() === "";
}

/// Pasted text takes the document's line breaks ("\r\n" when its first line ends so, otherwise
/// "\n"), so a paste from another system does not leave stray carriage returns.
export function matchLineBreaks(text: string, firstLine: string): string {
    const lineBreak = firstLine.endsWith("\r") ? "\r\n" : "\n";
    return text.replace(/\r\n?|\n/g, lineBreak);
}

export const pasteLineBreaks: Extension = EditorView.clipboardInputFilter.of(
    (text, state) => matchLineBreaks(text, state.doc.lines > 1 ? state.doc.line(1).text : ""),
);

export function imagePasteHandling(sink: ImageSink, onError: (error: unknown) => void): Extension {
    return EditorView.domEventHandlers({
        paste(event, view) {
            const data = event.clipboardData;
            if (!data || view.state.readOnly) return false;
            const images = imageFiles(data.items, data.files);
            if (!pasteIsImage(Array.from(data.types), data.getData("text/plain"), data.getData("text/html"), images.length)) return false;
            event.preventDefault();
            for (const file of images) sendImage(file, sink, onError);
            return true;
        },
        drop(event, view) {
            const data = event.dataTransfer;
            if (!data || data.files.length === 0) return false;
            // Dropped files never open in the page, whatever they are.
            event.preventDefault();
            if (view.state.readOnly) return true;
            const images = imageFiles(null, data.files);
            const pos = view.posAtCoords({x: event.clientX, y: event.clientY});
            if (pos !== null && images.length) view.dispatch({selection: {anchor: pos}, userEvent: "select.pointer"});
            for (const file of images) sendImage(file, sink, onError);
            return true;
        },
    });
}
