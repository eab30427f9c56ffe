import {describe, expect, it} from "vitest";
import {ChangeSet, EditorState} from "@codemirror/state";
import {activeHeading, headingTitle, outlineOf} from "../src/outline";
import {outlineFromTree} from "./helpers";
import {formatStateAt} from "../src/formatState";
import {applyPatches, patchesOf} from "../src/patches";
import {parseCommandRequest} from "../src/protocol";
import {stateOf} from "./helpers";

describe("patches", () => {
    it("lists several ranges ascending in the coordinates of the base text", () => {
        const base = "alpha beta gamma";
        const changes = ChangeSet.of([
            {from: 11, to: 16, insert: "GAMMA"},
            {from: 0, insert: ">> "},
            {from: 6, to: 10},
        ], base.length);
        const patches = patchesOf(changes);
        expect(patches).toEqual([
            {from: 0, to: 0, insert: ">> "},
            {from: 6, to: 10, insert: ""},
            {from: 11, to: 16, insert: "GAMMA"},
        ]);
        expect(applyPatches(base, patches)).toBe(changes.apply(EditorState.create({doc: base}).doc).toString());
    });

    it("counts characters outside the Basic Multilingual Plane as two units", () => {
        const state = stateOf("😀a𝄞b|");
        const tr = state.update({changes: [{from: 2, to: 3, insert: "中"}, {from: 5, to: 6, insert: "🎉"}]});
        const patches = patchesOf(tr.changes);
        expect(patches).toEqual([{from: 2, to: 3, insert: "中"}, {from: 5, to: 6, insert: "🎉"}]);
        expect(applyPatches("😀a𝄞b", patches)).toBe(tr.state.doc.toString());
        expect(tr.state.doc.toString()).toBe("😀中𝄞🎉");
    });

    it("keeps carriage returns so positions match the host's text byte for byte", () => {
        const text = "one\r\ntwo\r\n# three\r\n";
        const state = stateOf(text);
        expect(state.doc.toString()).toBe(text);
        expect(state.doc.length).toBe(text.length);
        const tr = state.update({changes: {from: 5, to: 8, insert: "TWO"}});
        expect(applyPatches(text, patchesOf(tr.changes))).toBe("one\r\nTWO\r\n# three\r\n");
    });

    it("replays a sequence of edits revision by revision", () => {
        let state = stateOf("# 标题\n\n正文 text 😀\n");
        let mirror = state.doc.toString();
        const edits = [
            {from: 0, to: 1, insert: "##"},
            {from: 5, insert: "\n新段落"},
            {from: state.doc.length - 3, to: state.doc.length - 1},
        ];
        for (const edit of edits) {
            const tr = state.update({changes: edit});
            mirror = applyPatches(mirror, patchesOf(tr.changes));
            state = tr.state;
            expect(mirror).toBe(state.doc.toString());
        }
    });
});

describe("outline", () => {
    const doc = [
        "# First *emphasis* and `code`",
        "",
        "text",
        "",
        "Setext **two**",
        "---",
        "",
        "```",
        "# not a heading",
        "```",
        "",
        "> # quoted heading is not in the outline",
        "",
        "### [Linked](http://x.y) \\#3 ###",
        "",
        "######",
    ].join("\n");

    it("lists top-level headings with positions, levels and titles without marks", () => {
        const state = stateOf(doc);
        expect(outlineOf(state.doc)).toEqual([
            {position: 0, level: 1, title: "First emphasis and code"},
            {position: doc.indexOf("Setext"), level: 2, title: "Setext two"},
            {position: doc.indexOf("### [Linked]"), level: 3, title: "Linked #3"},
            {position: doc.indexOf("######"), level: 6, title: ""},
        ]);
    });

    it("finds the active heading: the last one at or before the caret", () => {
        const items = outlineOf(stateOf(doc).doc);
        expect(activeHeading(items, 0)).toBe(0);
        expect(activeHeading(items, doc.indexOf("text"))).toBe(0);
        expect(activeHeading(items, doc.indexOf("# not"))).toBe(doc.indexOf("Setext"));
        expect(activeHeading(items, doc.length)).toBe(doc.indexOf("######"));
        expect(activeHeading(outlineOf(stateOf("intro\n# a").doc), 2)).toBeUndefined();
    });

    // The line scan must find exactly the headings the Markdown parser finds.
    it.each([
        ["headings and paragraphs", "# a\ntext\n## b\n\npara\n### c ###\n"],
        ["setext over several lines", "line one\nline two\n===\n\nx\n---\n"],
        ["thematic break after a blank line", "para\n\n---\n# h"],
        ["fences of both kinds", "```js\n# no\n```\n# yes\n~~~~\n# no\n~~~\n# still no\n~~~~\n## yes"],
        ["unclosed fence", "# yes\n```\n# no"],
        ["backtick in a fence's info string is no fence", "``` a`b\n# yes"],
        ["indented code", "para\n\n    # no\n\n# yes"],
        ["lazy quote continuation", "> quote\nlazy\n# yes\n> # no"],
        ["list items", "- item\n  # no\n\n  more\n\n# yes\n1. one\n---\n"],
        ["html block", "<div>\n# no\n</div>\n\n# yes"],
        ["ATX needs a space", "#no\n#\n# yes #"],
        ["headings with at most three spaces", "   # yes\n    # no\n\n  indented\n  ===\n"],
        ["emphasis, links and code in titles", "# *a* __b__ [c](d) `e` ~~f~~ \\*g"],
        ["Chinese and astral characters", "# 标题😀\n正文\n二级\n---"],
        ["table then heading", "| a | b |\n| - | - |\n| 1 | 2 |\n# yes"],
    ])("agrees with the parser: %s", (_name, doc) => {
        const state = stateOf(doc);
        expect(outlineOf(state.doc)).toEqual(outlineFromTree(state));
    });

    it("titles drop marks and collapse white space", () => {
        expect(headingTitle("## **粗体**  与 `代码` ##")).toBe("粗体 与 代码");
        expect(headingTitle("Title\n===")).toBe("Title");
    });
});

describe("format state", () => {
    const none = {
        headingLevel: 0, strong: false, emphasis: false, strike: false, inlineCode: false,
        codeBlock: false, bulletList: false, orderedList: false, taskList: false, quote: false,
    };

    it.each([
        ["plain text", "te|xt", {}],
        ["inside strong", "**bo|ld**", {strong: true}],
        ["after the opening marks of strong", "**|bold**", {strong: true}],
        ["right after strong", "**bold**| x", {}],
        ["right before strong", "x |**bold**", {}],
        ["emphasis inside strong", "**a *b|* c**", {strong: true, emphasis: true}],
        ["strike", "~~ab|c~~", {strike: true}],
        ["inline code", "`co|de`", {inlineCode: true}],
        ["heading", "## tit|le", {headingLevel: 2}],
        ["end of a heading line", "### title|", {headingLevel: 3}],
        ["setext heading", "Title|\n===", {headingLevel: 1}],
        ["fenced code", "```\nco|de\n```", {codeBlock: true}],
        ["indented code", "    co|de", {codeBlock: true}],
        ["bullet list", "- ite|m", {bulletList: true}],
        ["ordered list", "1. ite|m", {orderedList: true}],
        ["task list", "- [ ] ta|sk", {taskList: true}],
        ["nested ordered in bullet", "- a\n  1. b|", {orderedList: true}],
        ["quote", "> quo|te", {quote: true}],
        ["strong in a quoted list", "> - **a|**", {quote: true, bulletList: true, strong: true}],
    ])("%s", (_name, input, expected) => {
        expect(formatStateAt(stateOf(input))).toEqual({...none, ...expected});
    });
});

describe("command requests", () => {
    it.each([
        [{kind: "strong"}, {kind: "strong"}],
        [{kind: "heading", value: "2"}, {kind: "heading", value: "2"}],
        [{kind: "heading", value: 2}, {kind: "heading", value: "2"}],
        ['{"kind":"insertText","value":"a"}', {kind: "insertText", value: "a"}],
        [{kind: 3}, null],
        ["not json", null],
        [null, null],
        [{kind: "image", value: {}}, null],
    ])("%j", (input, expected) => {
        expect(parseCommandRequest(input)).toEqual(expected);
    });
});
