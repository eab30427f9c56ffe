// Block commands that work line by line over the selection: headings, list and quote prefixes
// and fenced code. Only the prefix of each line changes; the rest of the text stays as written.
import {EditorSelection, type EditorState, type Line, type StateCommand} from "@codemirror/state";
import type {SyntaxNode} from "@lezer/common";
import {treeUpTo} from "../language";

/// One replacement in the coordinates of the unchanged document.
type Edit = {from: number; to?: number; insert?: string};

/// The lines touched by the selection. A selection that ends at the very start of a line does
/// not take that line in.
export function selectedLines(state: EditorState): Line[] {
    const lines: Line[] = [];
    let last = -1;
    for (const range of state.selection.ranges) {
        const first = state.doc.lineAt(range.from).number;
        let end = state.doc.lineAt(range.to).number;
        if (!range.empty && end > first && state.doc.line(end).from === range.to) end--;
        for (let n = Math.max(first, last + 1); n <= end; n++) lines.push(state.doc.line(n));
        last = Math.max(last, end);
    }
    return lines;
}

function dispatchLineChanges(state: EditorState, dispatch: Parameters<StateCommand>[0]["dispatch"], changes: Edit[]): void {
    const changeSet = state.changes(changes);
    // A caret at the start of a changed prefix ends up after the new prefix; a range that starts
    // at a line start keeps the whole line, prefix included.
    const selection = EditorSelection.create(
        state.selection.ranges.map((r) => {
            if (r.empty) return EditorSelection.cursor(changeSet.mapPos(r.head, 1));
            const forward = r.anchor < r.head;
            return EditorSelection.range(changeSet.mapPos(r.anchor, forward ? -1 : 1), changeSet.mapPos(r.head, forward ? 1 : -1));
        }),
        state.selection.mainIndex,
    );
    dispatch(state.update({changes: changeSet, selection, scrollIntoView: true, userEvent: "input.format"}));
}

const atxHeading = /^([ \t]{0,3})(#{1,6})(?:[ \t]+|$)/;
const quotePrefix = /^[ \t]*(?:>[ \t]?)*/;

/// Sets the selected lines to heading level `level` (1 to 6); 0 turns them back into paragraphs.
export function setHeading(level: number): StateCommand {
    return ({state, dispatch}) => {
        if (state.readOnly || !Number.isInteger(level) || level < 0 || level > 6) return false;
        const tree = treeUpTo(state, state.selection.main.to + 1);
        const changes: Edit[] = [];
        for (const line of selectedLines(state)) {
            const quote = quotePrefix.exec(line.text)![0];
            const rest = line.text.slice(quote.length);
            const atx = atxHeading.exec(rest);
            const start = line.from + quote.length;
            const oldLength = atx ? atx[0].length : 0;
            const prefix = level > 0 ? "#".repeat(level) + " " : "";
            if (atx || prefix) changes.push({from: start, to: start + oldLength, insert: prefix});
            // A setext heading carries its level in an underline; drop it.
            for (let node: SyntaxNode | null = tree.resolveInner(line.from, 1); node; node = node.parent) {
                if (/^SetextHeading\d$/.test(node.name)) {
                    const mark = node.lastChild;
                    if (mark && mark.name === "HeaderMark" && mark.from > line.to) {
                        changes.push({from: state.doc.lineAt(mark.from).from - 1, to: state.doc.lineAt(mark.from).to});
                    }
                    break;
                }
            }
        }
        if (changes.length === 0) return true;
        dispatchLineChanges(state, dispatch, changes);
        return true;
    };
}

export type ListKind = "bullet" | "ordered" | "task";

// Leading white space and quote marks, then an optional list marker, then an optional task box.
const listLine = /^([ \t]*(?:>[ \t]?)*[ \t]*)((?:[-*+]|\d{1,9}[.)])(?:[ \t]+|$))?(\[[ xX]\](?:[ \t]+|$))?/;

interface ParsedLine {
    line: Line;
    lead: string;
    marker: string;
    box: string;
    kind: ListKind | null;
}

function parseListLine(line: Line): ParsedLine {
    const m = listLine.exec(line.text)!;
    const lead = m[1];
    const marker = m[2] ?? "";
    const box = marker ? m[3] ?? "" : "";
    let kind: ListKind | null = null;
    if (box) kind = "task";
    else if (/^\d/.test(marker)) kind = "ordered";
    else if (marker) kind = "bullet";
    return {line, lead, marker, box, kind};
}

/// Turns the selected lines into items of one kind of list, or back into plain lines when all of
/// them already are. Blank lines are left alone unless the selection is just one blank line.
export function toggleList(kind: ListKind): StateCommand {
    return ({state, dispatch}) => {
        if (state.readOnly) return false;
        let lines = selectedLines(state).map(parseListLine);
        if (lines.length > 1) lines = lines.filter((p) => p.line.text.trim() !== "");
        if (lines.length === 0) return true;
        const allOfKind = lines.every((p) => p.kind === kind);
        const changes: Edit[] = [];
        lines.forEach((p, index) => {
            const from = p.line.from + p.lead.length;
            const to = from + p.marker.length + p.box.length;
            let insert: string;
            if (allOfKind) insert = "";
            else if (kind === "bullet") insert = "- ";
            else if (kind === "ordered") insert = `${index + 1}. `;
            else insert = p.kind === "task" ? state.sliceDoc(from, to) : "- [ ] ";
            if (insert !== state.sliceDoc(from, to)) changes.push({from, to, insert});
        });
        if (changes.length) dispatchLineChanges(state, dispatch, changes);
        return true;
    };
}

/// Quotes the selected lines, or unquotes them when all of them are quoted.
export const toggleQuote: StateCommand = ({state, dispatch}) => {
    if (state.readOnly) return false;
    const lines = selectedLines(state);
    const quoted = /^[ \t]*>[ \t]?/;
    const allQuoted = lines.every((line) => quoted.test(line.text));
    const changes: Edit[] = lines.map((line) => {
        if (allQuoted) return {from: line.from, to: line.from + quoted.exec(line.text)![0].length};
        return {from: line.from, insert: line.text.trim() === "" ? ">" : "> "};
    });
    dispatchLineChanges(state, dispatch, changes);
    return true;
};

/// Fences the selected lines as a code block; inside a fenced block it removes the fences.
export const toggleCodeBlock: StateCommand = ({state, dispatch}) => {
    if (state.readOnly) return false;
    const range = state.selection.main;
    const tree = treeUpTo(state, range.to + 1);
    for (let node: SyntaxNode | null = tree.resolveInner(range.from, 1); node; node = node.parent) {
        if (node.name !== "FencedCode" || range.to > node.to) continue;
        const openLine = state.doc.lineAt(node.from);
        const closeLine = state.doc.lineAt(node.to);
        const changes: Edit[] = [{from: openLine.from, to: Math.min(openLine.to + 1, state.doc.length)}];
        const closed = closeLine.number > openLine.number && /^[ \t]*(`{3,}|~{3,})[ \t]*$/.test(closeLine.text);
        if (closed) changes.push({from: state.doc.line(closeLine.number - 1).to, to: closeLine.to});
        dispatchLineChanges(state, dispatch, changes);
        return true;
    }
    const lines = selectedLines(state).filter((line) => line.from <= range.to && line.to >= range.from);
    const first = lines[0] ?? state.doc.lineAt(range.from);
    const last = lines[lines.length - 1] ?? first;
    const body = state.sliceDoc(first.from, last.to);
    const longest = Math.max(2, ...Array.from(body.matchAll(/^[ \t]*(`{3,})/gm), (m) => m[1].length));
    const fence = "`".repeat(longest + 1);
    const changes = state.changes([
        {from: first.from, insert: fence + "\n"},
        {from: last.to, insert: "\n" + fence},
    ]);
    // Positions at the first line's start stay inside the fences, as do those at the last line's end.
    const inside = (pos: number) => changes.mapPos(pos, pos === last.to ? -1 : 1);
    const selection = first.text === "" && first.number === last.number
        ? EditorSelection.cursor(first.from + fence.length + 1)
        : range.empty
        ? EditorSelection.cursor(inside(range.head))
        : range.anchor <= range.head
            ? EditorSelection.range(changes.mapPos(range.anchor, 1), changes.mapPos(range.head, -1))
            : EditorSelection.range(changes.mapPos(range.anchor, -1), changes.mapPos(range.head, 1));
    dispatch(state.update({changes, selection, scrollIntoView: true, userEvent: "input.format"}));
    return true;
};
