// Commands that insert text: plain text, an image line, a table, and the caret jump to a heading.
import {EditorSelection, type EditorState, type StateCommand} from "@codemirror/state";
import {EditorView} from "@codemirror/view";

export function insertText(text: string): StateCommand {
    return ({state, dispatch}) => {
        if (state.readOnly) return false;
        dispatch(state.update(state.replaceSelection(text), {scrollIntoView: true, userEvent: "input.type"}));
        return true;
    };
}

/// The destination as it must be written between the parentheses: white space and parentheses
/// would end it early, so they are escaped as the vault's own links escape them.
export function markdownDestination(path: string): string {
    return path.replace(/%(?![0-9A-Fa-f]{2})/g, "%25").replace(/ /g, "%20").replace(/\(/g, "%28").replace(/\)/g, "%29");
}

/// Where a block inserted "on its own line" goes: on the caret's line when that line is blank,
/// otherwise right after it.
function ownLinePosition(state: EditorState): {from: number; to: number; before: string} {
    const line = state.doc.lineAt(state.selection.main.head);
    if (line.text.trim() === "") return {from: line.from, to: line.to, before: ""};
    return {from: line.to, to: line.to, before: "\n"};
}

/// Inserts "![](path)" on its own line and puts the caret after it.
export function insertImage(path: string): StateCommand {
    return ({state, dispatch}) => {
        if (state.readOnly || path === "") return false;
        const {from, to, before} = ownLinePosition(state);
        const insert = before + `![](${markdownDestination(path)})`;
        dispatch(state.update({
            changes: {from, to, insert},
            selection: EditorSelection.cursor(from + insert.length),
            scrollIntoView: true,
            userEvent: "input",
        }));
        return true;
    };
}

export const tableTemplate = "| 列 1 | 列 2 | 列 3 |\n| --- | --- | --- |\n|  |  |  |";

/// Inserts a small table as a block of its own (blank lines around it, or the text next to it
/// would be read as part of the table) and selects the first header cell.
export const insertTable: StateCommand = ({state, dispatch}) => {
    if (state.readOnly) return false;
    const {from, to, before} = ownLinePosition(state);
    const line = state.doc.lineAt(from);
    let lead = before;
    const previous = before ? line : line.number > 1 ? state.doc.line(line.number - 1) : null;
    if (previous && previous.text.trim() !== "") lead += "\n";
    const endLine = state.doc.lineAt(to);
    const next = endLine.number < state.doc.lines ? state.doc.line(endLine.number + 1) : null;
    const trail = next && next.text.trim() !== "" ? "\n" : "";
    const insert = lead + tableTemplate + trail;
    const cell = from + lead.length + 2;
    dispatch(state.update({
        changes: {from, to, insert},
        selection: EditorSelection.range(cell, cell + "列 1".length),
        scrollIntoView: true,
        userEvent: "input",
    }));
    return true;
};

/// Puts the caret at the start of the line holding `position` and scrolls that line to the top.
export function jumpToHeading(position: number): StateCommand {
    return ({state, dispatch}) => {
        if (!Number.isFinite(position)) return false;
        const pos = Math.max(0, Math.min(Math.trunc(position), state.doc.length));
        const line = state.doc.lineAt(pos);
        dispatch(state.update({
            selection: EditorSelection.cursor(line.from),
            effects: EditorView.scrollIntoView(line.from, {y: "start", yMargin: 24}),
            userEvent: "select",
        }));
        return true;
    };
}
