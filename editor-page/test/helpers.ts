import {EditorSelection, EditorState, type StateCommand, type Transaction} from "@codemirror/state";
import {ensureSyntaxTree} from "@codemirror/language";
import {history} from "@codemirror/commands";
import {syntaxTree} from "@codemirror/language";
import {headingLevelOf} from "../src/language";
import {plainTextOf} from "../src/outline";
import type {OutlineItem} from "../src/protocol";
import {larchMarkdown} from "../src/language";
import {contentSearchExtension} from "../src/search";

// Documents in tests mark the selection inline: "|" is a caret, "«" and "»" are the anchor and
// head of a range.
export function stateOf(marked: string, extra: {readOnly?: boolean} = {}): EditorState {
    let doc = marked;
    let anchor: number;
    let head: number;
    if (doc.includes("«")) {
        anchor = doc.indexOf("«");
        doc = doc.replace("«", "");
        head = doc.indexOf("»");
        doc = doc.replace("»", "");
    } else {
        anchor = head = Math.max(0, doc.indexOf("|"));
        doc = doc.replace("|", "");
    }
    const state = EditorState.create({
        doc,
        selection: EditorSelection.single(anchor, head),
        extensions: [
            EditorState.lineSeparator.of("\n"),
            larchMarkdown(),
            history(),
            contentSearchExtension(),
            EditorState.readOnly.of(extra.readOnly ?? false),
        ],
    });
    ensureSyntaxTree(state, state.doc.length, 5000);
    return state;
}

export function marked(state: EditorState): string {
    const {anchor, head} = state.selection.main;
    const doc = state.doc.toString();
    if (anchor === head) return doc.slice(0, head) + "|" + doc.slice(head);
    const [a, b] = anchor < head ? [anchor, head] : [head, anchor];
    const [open, close] = anchor < head ? ["«", "»"] : ["»", "«"];
    return doc.slice(0, a) + open + doc.slice(a, b) + close + doc.slice(b);
}

/// Runs a command and returns the resulting state and the transactions it dispatched.
export function run(command: StateCommand, state: EditorState): {state: EditorState; ok: boolean; transactions: Transaction[]} {
    const transactions: Transaction[] = [];
    let current = state;
    const ok = command({
        state,
        dispatch: (tr) => {
            transactions.push(tr);
            current = tr.state;
        },
    });
    return {state: current, ok, transactions};
}

export function apply(command: StateCommand, input: string): string {
    return marked(run(command, stateOf(input)).state);
}

/// The outline as the Markdown parser sees it: every heading directly under the document.
export function outlineFromTree(state: EditorState): OutlineItem[] {
    const items: OutlineItem[] = [];
    const slice = (from: number, to: number) => state.sliceDoc(from, to);
    // The tree the state was created with may stop short on a busy machine (the first parse has a
    // time budget); the finished one is what ensureSyntaxTree returns.
    const tree = ensureSyntaxTree(state, state.doc.length, 5000) ?? syntaxTree(state);
    for (let child = tree.topNode.firstChild; child; child = child.nextSibling) {
        const level = headingLevelOf(child.name);
        if (level > 0) items.push({position: child.from, level, title: plainTextOf(slice, child)});
    }
    return items;
}
