// Search within the document: every case-insensitive match is highlighted (in the visible part
// only), one match at a time is selected and scrolled into view.
import {SearchCursor} from "@codemirror/search";
import {EditorSelection, StateEffect, StateField, type EditorState, type Extension, type StateCommand} from "@codemirror/state";
import {Decoration, EditorView, ViewPlugin, type DecorationSet, type ViewUpdate} from "@codemirror/view";

const setSearchText = StateEffect.define<string>();

export const searchTextField = StateField.define<string>({
    create: () => "",
    update(value, tr) {
        for (const effect of tr.effects) if (effect.is(setSearchText)) value = effect.value;
        return value;
    },
});

const fold = (s: string) => s.toLowerCase();

function cursor(state: EditorState, text: string, from = 0, to = state.doc.length): SearchCursor {
    return new SearchCursor(state.doc, text, from, to, fold);
}

function firstMatchFrom(state: EditorState, text: string, from: number): {from: number; to: number} | null {
    const forward = cursor(state, text, from).next();
    if (!forward.done) return forward.value;
    const wrapped = cursor(state, text, 0, Math.min(state.doc.length, from + text.length)).next();
    return wrapped.done ? null : wrapped.value;
}

function lastMatchBefore(state: EditorState, text: string, before: number): {from: number; to: number} | null {
    let found: {from: number; to: number} | null = null;
    for (const c = cursor(state, text, 0, before); !c.next().done;) found = {...c.value};
    if (found) return found;
    for (const c = cursor(state, text, Math.max(0, before - text.length)); !c.next().done;) found = {...c.value};
    return found;
}

function selectMatch(state: EditorState, match: {from: number; to: number} | null, text: string) {
    return state.update({
        effects: [setSearchText.of(text), ...(match ? [EditorView.scrollIntoView(match.from, {y: "center"})] : [])],
        selection: match ? EditorSelection.range(match.from, match.to) : undefined,
        userEvent: "select.search",
    });
}

/// Highlights `text` and selects its first match at or after the start of the selection, so
/// that typing more of the search text keeps the same match selected. An empty text clears.
export function contentSearch(text: string): StateCommand {
    return ({state, dispatch}) => {
        if (text === "") {
            dispatch(state.update({effects: setSearchText.of("")}));
            return true;
        }
        dispatch(selectMatch(state, firstMatchFrom(state, text, state.selection.main.from), text));
        return true;
    };
}

export const contentSearchNext: StateCommand = ({state, dispatch}) => {
    const text = state.field(searchTextField, false);
    if (!text) return false;
    const main = state.selection.main;
    dispatch(selectMatch(state, firstMatchFrom(state, text, main.empty ? main.head : main.to), text));
    return true;
};

export const contentSearchPrevious: StateCommand = ({state, dispatch}) => {
    const text = state.field(searchTextField, false);
    if (!text) return false;
    dispatch(selectMatch(state, lastMatchBefore(state, text, state.selection.main.from), text));
    return true;
};

const matchMark = Decoration.mark({class: "cm-larch-search-match"});
const currentMark = Decoration.mark({class: "cm-larch-search-match cm-larch-search-current"});

const highlighter = ViewPlugin.fromClass(class {
    decorations: DecorationSet;
    constructor(view: EditorView) {
        this.decorations = this.build(view);
    }
    update(update: ViewUpdate) {
        if (update.docChanged || update.viewportChanged || update.selectionSet
            || update.state.field(searchTextField) !== update.startState.field(searchTextField)) {
            this.decorations = this.build(update.view);
        }
    }
    build(view: EditorView): DecorationSet {
        const text = view.state.field(searchTextField);
        if (!text) return Decoration.none;
        const main = view.state.selection.main;
        const marks = [];
        for (const {from, to} of view.visibleRanges) {
            const start = Math.max(0, from - text.length);
            const end = Math.min(view.state.doc.length, to + text.length);
            for (const c = cursor(view.state, text, start, end); !c.next().done;) {
                const {from: a, to: b} = c.value;
                if (marks.length && marks[marks.length - 1].from >= a) continue;
                marks.push((a === main.from && b === main.to ? currentMark : matchMark).range(a, b));
            }
        }
        return Decoration.set(marks, true);
    }
}, {decorations: (plugin) => plugin.decorations});

export function contentSearchExtension(): Extension {
    return [searchTextField, highlighter];
}
