import {describe, expect, it} from "vitest";
import {redo, undo} from "@codemirror/commands";
import {commandFor} from "../src/commands";
import {inlineStyles, insertLink, toggleInline} from "../src/commands/inline";
import {insertImage, insertTable, insertText, jumpToHeading} from "../src/commands/insert";
import {setHeading, toggleCodeBlock, toggleList, toggleQuote} from "../src/commands/lines";
import {apply, marked, run, stateOf} from "./helpers";

describe("inline toggles", () => {
    it.each([
        ["strong wraps a selection", "strong", "a «bc» d", "a **«bc»** d"],
        ["strong inserts an empty pair", "strong", "a |b", "a **|**b"],
        ["strong removes the pair it inserted", "strong", "a **|**b", "a |b"],
        ["strong unwraps the span around the caret", "strong", "x **bo|ld** y", "x bo|ld y"],
        ["strong unwraps a selected span with its marks", "strong", "x «**bold**» y", "x «bold» y"],
        ["strong unwraps when its text is selected", "strong", "x **«bold»** y", "x «bold» y"],
        ["emphasis wraps", "emphasis", "«word»", "*«word»*"],
        ["emphasis inside strong adds emphasis", "emphasis", "**«word»**", "***«word»***"],
        ["emphasis unwraps underscores", "emphasis", "_wo|rd_", "wo|rd"],
        ["strike wraps", "strike", "«gone»", "~~«gone»~~"],
        ["strike unwraps", "strike", "~~go|ne~~", "go|ne"],
        ["inline code wraps", "inlineCode", "run «ls -l» now", "run `«ls -l»` now"],
        ["inline code wraps text with backticks", "inlineCode", "«a`b»", "``«a`b»``"],
        ["inline code pads a leading backtick", "inlineCode", "«`x»", "`` «`x» ``"],
        ["inline code unwraps", "inlineCode", "`co|de`", "co|de"],
        ["Chinese text and a character outside the BMP", "strong", "中文«𝄞符»号", "中文**«𝄞符»**号"],
    ] as const)("%s", (_name, style, input, expected) => {
        expect(apply(toggleInline(inlineStyles[style]), input)).toBe(expected);
    });

    it("wraps each line of a multi-line selection without its list markers", () => {
        expect(apply(toggleInline(inlineStyles.strong), "- «one\n- two\n\n- three»")).toBe("- «**one**\n- **two**\n\n- **three**»");
    });

    it("refuses to edit a read-only document", () => {
        const state = stateOf("«a»", {readOnly: true});
        const result = run(toggleInline(inlineStyles.strong), state);
        expect(result.ok).toBe(false);
        expect(result.transactions).toHaveLength(0);
    });
});

describe("link", () => {
    it.each([
        ["wraps the selection and selects the URL part", "see «docs» here", "see [docs](«https://») here"],
        ["inserts an empty link with the caret in the text part", "a|", "a[|](https://)"],
        ["turns a selected URL into the target", "«https://example.com/x»", "[|](https://example.com/x)"],
        ["selects the URL of the link around the caret", "[te|xt](http://a.b)", "[text](«http://a.b»)"],
    ])("%s", (_name, input, expected) => {
        expect(apply(insertLink, input)).toBe(expected);
    });
});

describe("headings", () => {
    it.each([
        [2, "tit|le", "## tit|le"],
        [1, "### tit|le", "# tit|le"],
        [0, "## tit|le", "tit|le"],
        [3, "|", "### |"],
        [2, "|title", "## |title"],
        [0, "Title|\n=====\n\nnext", "Title|\n\nnext"],
        [2, "Title|\n---", "## Title|"],
        [2, "> quo|te", "> ## quo|te"],
        [1, "«a\nb»", "«# a\n# b»"],
        [0, "plain|", "plain|"],
    ] as const)("heading(%i) on %j", (level, input, expected) => {
        expect(apply(setHeading(level), input)).toBe(expected);
    });

    it("rejects levels outside 0 to 6", () => {
        expect(run(setHeading(7), stateOf("x")).ok).toBe(false);
    });
});

describe("line prefixes", () => {
    it.each([
        ["bullet", "|item", "- |item"],
        ["bullet", "- it|em", "it|em"],
        ["bullet", "«one\n\ntwo»", "«- one\n\n- two»"],
        ["bullet", "«- one\ntwo»", "«- one\n- two»"],
        ["bullet", "1. |one", "- |one"],
        ["bullet", "  nes|ted", "  - nes|ted"],
        ["ordered", "«a\nb\nc»", "«1. a\n2. b\n3. c»"],
        ["ordered", "«1. a\n2. b»", "«a\nb»"],
        ["ordered", "- |a", "1. |a"],
        ["task", "|todo", "- [ ] |todo"],
        ["task", "- |todo", "- [ ] |todo"],
        ["task", "«- [x] done\nopen»", "«- [x] done\n- [ ] open»"],
        ["task", "«- [x] done\n- [ ] open»", "«done\nopen»"],
        ["bullet", "- [ ] |todo", "- |todo"],
        ["bullet", "> quo|ted", "> - quo|ted"],
        ["bullet", "|", "- |"],
    ] as const)("%s on %j", (kind, input, expected) => {
        expect(apply(toggleList(kind), input)).toBe(expected);
    });

    it.each([
        ["|line", "> |line"],
        ["> |line", "|line"],
        ["«a\n\nb»", "«> a\n>\n> b»"],
        ["«> a\n>\n> b»", "«a\n\nb»"],
    ])("quote on %j", (input, expected) => {
        expect(apply(toggleQuote, input)).toBe(expected);
    });
});

describe("code block", () => {
    it.each([
        ["fences the selected lines", "«let a\nlet b»", "```\n«let a\nlet b»\n```"],
        ["puts the caret inside the fences on a blank line", "|", "```\n|\n```"],
        ["keeps a caret on a line inside", "co|de", "```\nco|de\n```"],
        ["removes the fences around the caret", "```js\nco|de\n```\nafter", "co|de\nafter"],
        ["removes an unclosed opening fence", "```\nco|de", "co|de"],
        ["uses a longer fence around fences", "«text\n```\nx\n```»", "````\n«text\n```\nx\n```»\n````"],
        ["removes the fences of a selected block", "«```\nx\n```»", "«x»"],
    ])("%s", (_name, input, expected) => {
        expect(apply(toggleCodeBlock, input)).toBe(expected);
    });
});

describe("insertion", () => {
    it.each([
        ["on a blank line", "a\n|\nb", "a\n![](/Attachments/x.png)|\nb"],
        ["after a line with text", "te|xt\nnext", "text\n![](/Attachments/x.png)|\nnext"],
    ])("image %s", (_name, input, expected) => {
        expect(apply(insertImage("/Attachments/x.png"), input)).toBe(expected);
    });

    it("escapes spaces and parentheses in an image path", () => {
        expect(apply(insertImage("a b(1).png"), "|")).toBe("![](a%20b%281%29.png)|");
    });

    it.each([
        ["an empty document", "|", "| «列 1» | 列 2 | 列 3 |\n| --- | --- | --- |\n|  |  |  |"],
        ["after a paragraph", "para|\nnext", "para\n\n| «列 1» | 列 2 | 列 3 |\n| --- | --- | --- |\n|  |  |  |\n\nnext"],
    ])("table in %s", (_name, input, expected) => {
        expect(apply(insertTable, input)).toBe(expected);
    });

    it("insertText replaces the selection", () => {
        expect(apply(insertText("2024-05-01 09:30"), "on «x» day")).toBe("on 2024-05-01 09:30| day");
    });

    it("jumpToHeading puts the caret at the start of the heading's line and asks to scroll", () => {
        const state = stateOf("|intro\n\n## Two\ntext");
        const result = run(jumpToHeading(9), state);
        expect(marked(result.state)).toBe("intro\n\n|## Two\ntext");
        expect(result.transactions[0].effects.length).toBe(1);
        expect(marked(run(jumpToHeading(999), state).state)).toBe("intro\n\n## Two\n|text");
    });
});

describe("undo and redo", () => {
    it("undo reverts a command and redo repeats it", () => {
        const edited = run(toggleInline(inlineStyles.strong), stateOf("«word»")).state;
        const undone = run(undo, edited).state;
        expect(undone.doc.toString()).toBe("word");
        expect(run(redo, undone).state.doc.toString()).toBe("**word**");
    });
});

describe("command table", () => {
    const kinds = ["undo", "redo", "strong", "emphasis", "strike", "link", "inlineCode", "codeBlock", "bullet", "ordered",
        "task", "quote", "table", "contentSearchNext", "contentSearchPrevious"];

    it.each(kinds)("knows %s", (kind) => {
        expect(commandFor({kind})).not.toBeNull();
    });

    it.each([
        [{kind: "heading", value: "2"}, "x|", "## x|"],
        [{kind: "image", value: "/Attachments/a.png"}, "|", "![](/Attachments/a.png)|"],
        [{kind: "insertText", value: "12:30"}, "|", "12:30|"],
        [{kind: "jumpToHeading", value: "2"}, "|a\n# b", "a\n|# b"],
    ])("performs %j", (request, input, expected) => {
        expect(apply(commandFor(request)!, input)).toBe(expected);
    });

    it.each([
        {kind: "heading"},
        {kind: "heading", value: "two"},
        {kind: "jumpToHeading", value: "1.5"},
        {kind: "image"},
        {kind: "nonsense"},
    ])("rejects %j", (request) => {
        expect(commandFor(request)).toBeNull();
    });
});
