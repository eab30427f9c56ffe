// Live styling of the Markdown text. The text itself is never changed or hidden: headings are
// sized, emphasis and code styled, and the syntax marks dimmed, a little more on lines away from
// the caret (opacity only, so nothing moves when the caret arrives). Task boxes are drawn as
// check boxes that toggle the text. Only the visible ranges are decorated.
import {syntaxTree} from "@codemirror/language";
import type {EditorState, Range} from "@codemirror/state";
import {Decoration, EditorView, ViewPlugin, WidgetType, type DecorationSet, type ViewUpdate} from "@codemirror/view";
import {headingLevelOf} from "../language";

const markClass = {
    near: Decoration.mark({class: "cm-md-mark"}),
    far: Decoration.mark({class: "cm-md-mark cm-md-mark-far"}),
};

const marks = {
    emphasis: Decoration.mark({class: "cm-md-em"}),
    strong: Decoration.mark({class: "cm-md-strong"}),
    strike: Decoration.mark({class: "cm-md-strike"}),
    code: Decoration.mark({class: "cm-md-code"}),
    link: Decoration.mark({class: "cm-md-link"}),
    url: Decoration.mark({class: "cm-md-url"}),
    image: Decoration.mark({class: "cm-md-image-source"}),
    html: Decoration.mark({class: "cm-md-html"}),
    listMark: Decoration.mark({class: "cm-md-list-mark"}),
    codeInfo: Decoration.mark({class: "cm-md-code-info"}),
    escape: Decoration.mark({class: "cm-md-escape"}),
    taskDone: Decoration.mark({class: "cm-md-task-done-text"}),
};

const lineDecorations = new Map<string, Decoration>();
function lineClass(cls: string): Decoration {
    let deco = lineDecorations.get(cls);
    if (!deco) lineDecorations.set(cls, deco = Decoration.line({class: cls}));
    return deco;
}

class TaskBoxWidget extends WidgetType {
    constructor(readonly checked: boolean, readonly readOnly: boolean) {
        super();
    }
    eq(other: TaskBoxWidget) {
        return other.checked === this.checked && other.readOnly === this.readOnly;
    }
    toDOM(view: EditorView): HTMLElement {
        const box = document.createElement("span");
        box.className = "cm-md-task-box" + (this.checked ? " cm-md-task-done" : "");
        box.setAttribute("role", "checkbox");
        box.setAttribute("aria-checked", String(this.checked));
        box.setAttribute("aria-label", this.checked ? "已完成" : "未完成");
        if (!this.readOnly) {
            box.addEventListener("mousedown", (event) => {
                event.preventDefault();
                toggleTaskAt(view, view.posAtDOM(box));
            });
        }
        return box;
    }
    ignoreEvent() {
        return true;
    }
}

/// Flips the task box that starts at `pos` ("[ ]" to "[x]" and back), as a normal undoable edit.
export function toggleTaskAt(view: EditorView, pos: number): boolean {
    const {state} = view;
    if (state.readOnly) return false;
    const box = state.sliceDoc(pos, pos + 3);
    if (!/^\[[ xX]\]$/.test(box)) return false;
    view.dispatch({changes: {from: pos + 1, to: pos + 2, insert: box[1] === " " ? "x" : " "}, userEvent: "input.toggle"});
    return true;
}

function caretLines(state: EditorState): Set<number> {
    const lines = new Set<number>();
    for (const range of state.selection.ranges) {
        const first = state.doc.lineAt(range.from).number;
        const last = state.doc.lineAt(range.to).number;
        for (let n = first; n <= last && n < first + 200; n++) lines.add(n);
    }
    return lines;
}

function selectionTouches(state: EditorState, from: number, to: number): boolean {
    return state.selection.ranges.some((r) => r.from <= to && r.to >= from);
}

export function buildStyling(view: EditorView): DecorationSet {
    const {state} = view;
    const tree = syntaxTree(state);
    const near = caretLines(state);
    const readOnly = state.readOnly;
    const decorations: Range<Decoration>[] = [];

    for (const visible of view.visibleRanges) {
        const addLines = (from: number, to: number, cls: string, first?: string, last?: string) => {
            const start = Math.max(from, visible.from);
            const end = Math.min(to, visible.to);
            if (start > end) return;
            const firstLine = state.doc.lineAt(from).number;
            const lastLine = state.doc.lineAt(to).number;
            for (let pos = state.doc.lineAt(start).from; pos <= end;) {
                const line = state.doc.lineAt(pos);
                let classes = cls;
                if (first && line.number === firstLine) classes += " " + first;
                if (last && line.number === lastLine) classes += " " + last;
                decorations.push(lineClass(classes).range(line.from));
                pos = line.to + 1;
            }
        };
        const dim = (from: number, to: number) => {
            if (from >= to) return;
            const far = !near.has(state.doc.lineAt(from).number);
            decorations.push((far ? markClass.far : markClass.near).range(from, to));
        };

        tree.iterate({
            from: visible.from,
            to: visible.to,
            enter(node) {
                const {name, from, to} = node;
                const level = headingLevelOf(name);
                if (level > 0) {
                    addLines(from, to, `cm-md-heading cm-md-h${level}`);
                    return;
                }
                switch (name) {
                    case "HeaderMark":
                    case "EmphasisMark":
                    case "StrikethroughMark":
                    case "QuoteMark":
                    case "LinkMark":
                    case "TableDelimiter":
                        dim(from, to);
                        return false;
                    case "CodeMark":
                        if (node.node.parent?.name === "FencedCode") decorations.push(markClass.near.range(from, to));
                        else dim(from, to);
                        return false;
                    case "HorizontalRule":
                        addLines(from, to, "cm-md-hr");
                        dim(from, to);
                        return false;
                    case "Emphasis": decorations.push(marks.emphasis.range(from, to)); break;
                    case "StrongEmphasis": decorations.push(marks.strong.range(from, to)); break;
                    case "Strikethrough": decorations.push(marks.strike.range(from, to)); break;
                    case "InlineCode": decorations.push(marks.code.range(from, to)); break;
                    case "Link": decorations.push(marks.link.range(from, to)); break;
                    case "Image": decorations.push(marks.image.range(from, to)); break;
                    case "URL":
                        decorations.push((node.node.parent?.name === "Link" || node.node.parent?.name === "Image" ? marks.url : marks.link).range(from, to));
                        return false;
                    case "LinkTitle":
                    case "LinkLabel":
                        decorations.push(marks.url.range(from, to));
                        return false;
                    case "Escape":
                        decorations.push(marks.escape.range(from, from + 1));
                        return false;
                    case "ListMark":
                        decorations.push(marks.listMark.range(from, to));
                        return false;
                    case "TaskMarker": {
                        const checked = /[xX]/.test(state.sliceDoc(from + 1, from + 2));
                        if (selectionTouches(state, from, to) && !readOnly) {
                            decorations.push(marks.listMark.range(from, to));
                        } else {
                            decorations.push(Decoration.replace({widget: new TaskBoxWidget(checked, readOnly)}).range(from, to));
                        }
                        if (checked) {
                            const line = state.doc.lineAt(to);
                            if (to < line.to) decorations.push(marks.taskDone.range(to, line.to));
                        }
                        return false;
                    }
                    case "Blockquote":
                        addLines(from, to, "cm-md-quote");
                        break;
                    case "FencedCode":
                        addLines(from, to, "cm-md-codeblock", "cm-md-codeblock-first", "cm-md-codeblock-last");
                        break;
                    case "CodeBlock":
                        addLines(from, to, "cm-md-codeblock cm-md-codeblock-indented", "cm-md-codeblock-first", "cm-md-codeblock-last");
                        return false;
                    case "CodeInfo":
                        decorations.push(marks.codeInfo.range(from, to));
                        return false;
                    case "CodeText":
                        return false;
                    case "Table":
                        addLines(from, to, "cm-md-table", "cm-md-table-first", "cm-md-table-last");
                        break;
                    case "TableHeader":
                        addLines(from, to, "cm-md-table-header");
                        break;
                    case "HTMLBlock":
                    case "HTMLTag":
                    case "Comment":
                    case "CommentBlock":
                    case "ProcessingInstruction":
                    case "ProcessingInstructionBlock":
                        decorations.push(marks.html.range(from, to));
                        return false;
                }
                return undefined;
            },
        });
    }
    return Decoration.set(decorations, true);
}

export const markdownStyling = ViewPlugin.fromClass(class {
    decorations: DecorationSet;
    constructor(view: EditorView) {
        this.decorations = buildStyling(view);
    }
    update(update: ViewUpdate) {
        if (update.docChanged || update.viewportChanged || update.selectionSet
            || syntaxTree(update.state) !== syntaxTree(update.startState)) {
            this.decorations = buildStyling(update.view);
        }
    }
}, {decorations: (plugin) => plugin.decorations});
