// Images are shown below the line that refers to them. The widgets are block decorations, which
// CodeMirror only takes from a state field; the field is kept up to date incrementally, rescanning
// only the lines a change touched, so typing in a large document stays cheap.
import {syntaxTree} from "@codemirror/language";
import {StateField, type EditorState, type Extension, type Range, type Text, type Transaction} from "@codemirror/state";
import {Decoration, EditorView, WidgetType, type DecorationSet} from "@codemirror/view";
import {remoteImageAddress, resolveImageSource} from "../assets";
import {documentIDField} from "../document";

// ![alt](destination "title"): the destination is either <...> or a run without spaces in which
// parentheses are balanced one level deep.
const imagePattern = /!\[(?:\\.|[^\]\\\n])*\]\(\s*(<[^>\n]*>|(?:\\.|[^()\s\\]|\((?:\\.|[^()\s\\])*\))+)(?:\s+(?:"[^"\n]*"|'[^'\n]*'|\([^)\n]*\)))?\s*\)/g;

/// An image of the document: a URL to load, or the address of a remote image that is shown
/// instead of being fetched (`remote` true).
export interface ImageRef {
    src: string;
    alt: string;
    remote: boolean;
}

/// The images of one line, in order.
export function imagesInLine(text: string, documentID: string): ImageRef[] {
    if (!text.includes("![")) return [];
    const images: ImageRef[] = [];
    for (const match of text.matchAll(imagePattern)) {
        const alt = match[0].slice(2, match[0].indexOf("]("));
        const address = remoteImageAddress(match[1]);
        const src = address ?? resolveImageSource(match[1], documentID);
        if (src) images.push({src, alt, remote: address !== null});
    }
    return images;
}

// A quiet stand-in for a remote image: its address, never a request.
function remotePlaceholder(image: ImageRef): HTMLElement {
    const box = document.createElement("span");
    box.className = "cm-md-image-remote";
    box.title = image.src;
    const label = document.createElement("span");
    label.className = "cm-md-image-remote-label";
    label.textContent = image.alt ? `远程图片（未加载）：${image.alt}` : "远程图片（未加载）";
    const address = document.createElement("span");
    address.className = "cm-md-image-remote-address";
    address.textContent = image.src;
    box.append(label, address);
    return box;
}

class ImagesWidget extends WidgetType {
    constructor(readonly images: readonly ImageRef[]) {
        super();
    }
    eq(other: ImagesWidget) {
        return other.images.length === this.images.length
            && other.images.every((image, i) => image.src === this.images[i].src && image.alt === this.images[i].alt
                && image.remote === this.images[i].remote);
    }
    get estimatedHeight() {
        return 160;
    }
    toDOM(view: EditorView): HTMLElement {
        const box = document.createElement("div");
        box.className = "cm-md-images";
        box.setAttribute("contenteditable", "false");
        for (const image of this.images) {
            if (image.remote) {
                box.appendChild(remotePlaceholder(image));
                continue;
            }
            const {src, alt} = image;
            const img = document.createElement("img");
            img.className = "cm-md-image";
            img.alt = alt;
            img.decoding = "async";
            img.referrerPolicy = "no-referrer";
            img.draggable = false;
            img.addEventListener("load", () => view.requestMeasure());
            img.addEventListener("error", () => {
                const note = document.createElement("span");
                note.className = "cm-md-image-missing";
                note.textContent = "无法显示图片";
                img.classList.add("cm-md-image-broken");
                img.after(note);
                view.requestMeasure();
            });
            img.src = src;
            box.appendChild(img);
        }
        return box;
    }
    ignoreEvent() {
        return true;
    }
}

function inCode(state: EditorState, pos: number): boolean {
    for (let node = syntaxTree(state).resolveInner(pos, 1); node.parent; node = node.parent) {
        if (node.name === "FencedCode" || node.name === "CodeBlock" || node.name === "InlineCode" || node.name === "HTMLBlock") return true;
    }
    return false;
}

function scanLines(state: EditorState, fromLine: number, toLine: number, out: Range<Decoration>[]): void {
    const documentID = state.field(documentIDField);
    const doc: Text = state.doc;
    for (let n = fromLine; n <= toLine; n++) {
        const line = doc.line(n);
        const images = imagesInLine(line.text, documentID);
        if (images.length === 0 || inCode(state, line.from + line.text.indexOf("!["))) continue;
        out.push(Decoration.widget({widget: new ImagesWidget(images), block: true, side: 1}).range(line.to));
    }
}

function scanAll(state: EditorState): DecorationSet {
    const found: Range<Decoration>[] = [];
    scanLines(state, 1, state.doc.lines, found);
    return Decoration.set(found);
}

function rescanChanged(value: DecorationSet, tr: Transaction): DecorationSet {
    let set = value.map(tr.changes);
    const {doc} = tr.state;
    const found: Range<Decoration>[] = [];
    tr.changes.iterChangedRanges((_fromA, _toA, fromB, toB) => {
        const first = doc.lineAt(fromB);
        const last = doc.lineAt(toB);
        set = set.update({filterFrom: first.from, filterTo: last.to, filter: () => false});
        scanLines(tr.state, first.number, last.number, found);
    });
    return found.length ? set.update({add: found, sort: true}) : set;
}

export const imageWidgets = StateField.define<DecorationSet>({
    create: scanAll,
    update(value, tr) {
        return tr.docChanged ? rescanChanged(value, tr) : value;
    },
    provide: (field) => EditorView.decorations.from(field),
});

export function imagePreviews(): Extension {
    return imageWidgets;
}
