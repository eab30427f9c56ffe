import {describe, expect, it} from "vitest";
import {ChangeSet} from "@codemirror/state";
import {minimalChange, outsideChange} from "../src/outside";
import {marked, stateOf} from "./helpers";

describe("text from outside the page", () => {
    // Marked text before, the file's new text, where the caret or selection ends up.
    it.each([
        ["caret before the change stays", "# 标题\n\n第|一段\n\n第二段\n", "# 标题\n\n第一段\n\n第二段，补充\n", "# 标题\n\n第|一段\n\n第二段，补充\n"],
        ["caret after the change moves with its text", "开头\n\n正文|结尾\n", "新的开头\n\n正文结尾\n", "新的开头\n\n正文|结尾\n"],
        ["selection after the change keeps its words", "a\n«选中»的词\n", "aa\n选中的词\n", "aa\n«选中»的词\n"],
        ["caret inside a removed range goes to its edge", "一二|三四五\n", "一五\n", "一|五\n"],
        ["nothing changed", "同样|的文字", "同样的文字", "同样|的文字"],
    ])("%s", (_name, before, text, after) => {
        const state = stateOf(before);
        const tr = state.update({changes: minimalChange(state.doc.toString(), text)});
        expect(tr.state.doc.toString()).toBe(text);
        expect(marked(tr.state)).toBe(after);
    });

    it("never splits a character outside the Basic Multilingual Plane", () => {
        const change = minimalChange("x😀y", "x😃y");
        const ranges: [number, number, string][] = [];
        change.iterChanges((from, to, _f, _t, inserted) => ranges.push([from, to, inserted.toString()]));
        expect(ranges).toEqual([[1, 3, "😃"]]);
    });

    // Text the host had, edits made in the page since (which the host has not seen), the file's
    // new text: the result holds both.
    it.each([
        ["typing elsewhere", "第一段\n第二段\n", [{from: 4, insert: "补"}], "第一段，外部\n第二段\n", "第一段，外部\n补第二段\n"],
        ["typing at the end", "甲\n", [{from: 2, insert: "乙"}], "甲甲\n", "甲甲\n乙"],
        ["typing before a removal", "abc def ghi", [{from: 0, insert: ">"}], "abc ghi", ">abc ghi"],
    ])("keeps edits the host has not seen: %s", (_name, base, edits, text, expected) => {
        const start = stateOf(base);
        const local = start.update({changes: edits});
        const result = local.state.update({changes: outsideChange(start.doc, local.changes, text)});
        expect(result.state.doc.toString()).toBe(expected);
    });

    it("with no edits since the base, gives exactly the host's text", () => {
        const start = stateOf("一\n二\n三\n");
        const change = outsideChange(start.doc, ChangeSet.empty(start.doc.length), "一\n三\n四\n");
        expect(start.update({changes: change}).state.doc.toString()).toBe("一\n三\n四\n");
    });
});
