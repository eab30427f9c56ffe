// Inline formatting commands: strong, emphasis, strike, inline code and links. Each toggles:
// inside a span of its kind it removes that span's marks, otherwise it wraps the selection or,
// with an empty selection, inserts an empty pair with the caret between the marks.
import {EditorSelection, type EditorState, type SelectionRange, type StateCommand} from "@codemirror/state";
import type {SyntaxNode, Tree} from "@lezer/common";
import {treeUpTo} from "../language";

/// One replacement in the coordinates of the unchanged document.
type Edit = {from: number; to?: number; insert?: string};

export interface InlineStyle {
    node: string;
    mark: string;
}

export const inlineStyles = {
    strong: {node: "StrongEmphasis", mark: "**"},
    emphasis: {node: "Emphasis", mark: "*"},
    strike: {node: "Strikethrough", mark: "~~"},
    inlineCode: {node: "InlineCode", mark: "`"},
} satisfies Record<string, InlineStyle>;

const markNames = new Set(["EmphasisMark", "StrikethroughMark", "CodeMark"]);

// Block syntax at the start of a line that inline marks must not swallow.
const linePrefix = /^[ \t]*(?:>[ \t]?)*[ \t]*(?:(?:[-*+]|\d{1,9}[.)])[ \t]+(?:\[[ xX]\][ \t]+)?|#{1,6}[ \t]+)?/;

function enclosingSpan(tree: Tree, range: SelectionRange, name: string): SyntaxNode | null {
    for (let node: SyntaxNode | null = tree.resolveInner(range.from, 1); node; node = node.parent) {
        if (node.name !== name) continue;
        const inside = range.empty ? node.from < range.from && range.to < node.to : node.from <= range.from && range.to <= node.to;
        if (inside) return node;
    }
    return null;
}

function spanMarks(node: SyntaxNode): {open: SyntaxNode; close: SyntaxNode} | null {
    const open = node.firstChild;
    const close = node.lastChild;
    if (!open || !close || open === close || !markNames.has(open.name) || !markNames.has(close.name)) return null;
    if (open.from !== node.from || close.to !== node.to) return null;
    return {open, close};
}

function codeFence(text: string): {open: string; close: string} {
    const longest = Math.max(0, ...Array.from(text.matchAll(/`+/g), (m) => m[0].length));
    const fence = "`".repeat(longest + 1);
    const pad = text.startsWith("`") || text.endsWith("`") ? " " : "";
    return {open: fence + pad, close: pad + fence};
}

function wrapText(style: InlineStyle, text: string): {open: string; close: string} {
    return style.node === "InlineCode" ? codeFence(text) : {open: style.mark, close: style.mark};
}

function toggleRange(state: EditorState, tree: Tree, style: InlineStyle, range: SelectionRange): {changes: Edit[]; range: SelectionRange} {
    const span = enclosingSpan(tree, range, style.node);
    const marks = span && spanMarks(span);
    if (span && marks) {
        const openLength = marks.open.to - marks.open.from;
        const changes = [
            {from: marks.open.from, to: marks.open.to},
            {from: marks.close.from, to: marks.close.to},
        ];
        const map = (pos: number) => {
            if (pos <= marks.open.to) return Math.max(marks.open.from, pos - openLength);
            if (pos <= marks.close.from) return pos - openLength;
            return marks.close.from - openLength + Math.max(0, pos - marks.close.to);
        };
        return {changes, range: EditorSelection.range(map(range.anchor), map(range.head))};
    }

    const {mark} = style;
    if (range.empty) {
        const pos = range.from;
        const before = state.sliceDoc(pos - mark.length - 1, pos);
        const after = state.sliceDoc(pos, pos + mark.length + 1);
        // The caret between an empty pair that this command just inserted: take the pair away.
        if (before.endsWith(mark) && after.startsWith(mark) && before[0] !== mark[0] && after[mark.length] !== mark[0]) {
            return {
                changes: [{from: pos - mark.length, to: pos + mark.length}],
                range: EditorSelection.cursor(pos - mark.length),
            };
        }
        return {changes: [{from: pos, insert: mark + mark}], range: EditorSelection.cursor(pos + mark.length)};
    }

    const text = state.sliceDoc(range.from, range.to);
    if (style.node !== "InlineCode" && text.length > 2 * mark.length && text.startsWith(mark) && text.endsWith(mark)
        && text[mark.length] !== mark[0] && text[text.length - mark.length - 1] !== mark[0]) {
        return {
            changes: [{from: range.from, to: range.from + mark.length}, {from: range.to - mark.length, to: range.to}],
            range: EditorSelection.range(range.from, range.to - 2 * mark.length),
        };
    }

    const startLine = state.doc.lineAt(range.from);
    const endLine = state.doc.lineAt(range.to);
    if (startLine.number === endLine.number) {
        const {open, close} = wrapText(style, text);
        return {
            changes: [{from: range.from, insert: open}, {from: range.to, insert: close}],
            range: EditorSelection.range(range.from + open.length, range.to + open.length),
        };
    }

    // A selection over several lines: wrap the text of each line, leaving out block prefixes and
    // blank lines, since inline marks cannot span paragraphs.
    const changes: Edit[] = [];
    let added = 0;
    for (let n = startLine.number; n <= endLine.number; n++) {
        const line = state.doc.line(n);
        let from = Math.max(line.from, range.from);
        const to = Math.min(line.to, range.to);
        if (from === line.from) from += linePrefix.exec(line.text)![0].length;
        const segment = state.sliceDoc(from, to);
        const lead = segment.length - segment.trimStart().length;
        const trail = segment.length - segment.trimEnd().length;
        if (segment.trim() === "") continue;
        const {open, close} = wrapText(style, segment.trim());
        changes.push({from: from + lead, insert: open}, {from: to - trail, insert: close});
        added += open.length + close.length;
    }
    return {changes, range: EditorSelection.range(range.from, range.to + added)};
}

export function toggleInline(style: InlineStyle): StateCommand {
    return ({state, dispatch}) => {
        if (state.readOnly) return false;
        const tree = treeUpTo(state, state.selection.ranges[state.selection.ranges.length - 1].to + 1);
        const update = state.changeByRange((range) => toggleRange(state, tree, style, range));
        dispatch(state.update(update, {scrollIntoView: true, userEvent: "input.format"}));
        return true;
    };
}

const urlPlaceholder = "https://";

/// Wraps the selection as a link and selects the URL part so the next paste or keystroke fills it.
/// With an empty selection the caret goes between the brackets; a selected URL becomes the
/// target; inside an existing link the command selects that link's URL.
export const insertLink: StateCommand = ({state, dispatch}) => {
    if (state.readOnly) return false;
    const tree = treeUpTo(state, state.selection.main.to + 1);
    const update = state.changeByRange((range) => {
        for (let node: SyntaxNode | null = tree.resolveInner(range.from, 1); node; node = node.parent) {
            if (node.name === "Link" && node.from <= range.from && range.to <= node.to) {
                const url = node.getChild("URL");
                if (url) return {changes: [], range: EditorSelection.range(url.from, url.to)};
            }
        }
        const text = state.sliceDoc(range.from, range.to);
        if (range.empty) {
            return {
                changes: [{from: range.from, insert: `[](${urlPlaceholder})`}],
                range: EditorSelection.cursor(range.from + 1),
            };
        }
        if (/^(?:https?:\/\/|mailto:)\S+$/i.test(text)) {
            return {
                changes: [{from: range.from, insert: "[]("}, {from: range.to, insert: ")"}],
                range: EditorSelection.cursor(range.from + 1),
            };
        }
        const urlStart = range.to + 3; // after "[" text "]("
        return {
            changes: [{from: range.from, insert: "["}, {from: range.to, insert: `](${urlPlaceholder})`}],
            range: EditorSelection.range(urlStart, urlStart + urlPlaceholder.length),
        };
    });
    dispatch(state.update(update, {scrollIntoView: true, userEvent: "input.format"}));
    return true;
};
