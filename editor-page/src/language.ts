// The Markdown dialect the page parses: CommonMark plus the GitHub extensions (tables, task
// lists, strikethrough, autolinks). The language reuses the data facet of the stock Markdown
// language so that its list-continuation keymap recognises our documents, but leaves out the
// embedded HTML language: raw HTML is only ever shown as text.
import {commonmarkLanguage, markdownKeymap, markdownLanguage} from "@codemirror/lang-markdown";
import {Language, LanguageSupport, ensureSyntaxTree, syntaxTree} from "@codemirror/language";
import {EditorState, Prec} from "@codemirror/state";
import {keymap} from "@codemirror/view";
import {GFM, MarkdownParser} from "@lezer/markdown";
import type {Tree} from "@lezer/common";

const parser = (commonmarkLanguage.parser as MarkdownParser).configure([GFM]);

export const larchMarkdownLanguage = new Language(markdownLanguage.data, parser, [], "markdown");

export function larchMarkdown(): LanguageSupport {
    return new LanguageSupport(larchMarkdownLanguage, [Prec.high(keymap.of(markdownKeymap))]);
}

/// The syntax tree covering at least `upto`, parsing synchronously for a short while when the
/// background parser has not got that far yet. Commands need an accurate tree around the caret.
export function treeUpTo(state: EditorState, upto: number): Tree {
    return ensureSyntaxTree(state, Math.min(upto, state.doc.length), 200) ?? syntaxTree(state);
}

export function headingLevelOf(nodeName: string): number {
    const match = /^(?:ATX|Setext)Heading(\d)$/.exec(nodeName);
    return match ? Number(match[1]) : 0;
}
