import {describe, expect, it} from "vitest";
import {contentSearch, contentSearchNext, contentSearchPrevious, searchTextField} from "../src/search";
import {marked, run, stateOf} from "./helpers";

describe("content search", () => {
    const doc = "Apple pie, apple tart, APPLE juice";

    it("selects the first case-insensitive match at or after the caret", () => {
        expect(marked(run(contentSearch("apple"), stateOf("Apple pie, a|pple tart, APPLE juice")).state))
            .toBe("Apple pie, apple tart, «APPLE» juice");
        expect(marked(run(contentSearch("apple"), stateOf("|" + doc)).state)).toBe("«Apple» pie, apple tart, APPLE juice");
    });

    it("keeps the same match while the search text grows", () => {
        let state = stateOf("x |ab abc");
        state = run(contentSearch("a"), state).state;
        expect(marked(state)).toBe("x «a»b abc");
        state = run(contentSearch("ab"), state).state;
        expect(marked(state)).toBe("x «ab» abc");
        state = run(contentSearch("abc"), state).state;
        expect(marked(state)).toBe("x ab «abc»");
    });

    it("cycles forward and backward through the matches, wrapping at the ends", () => {
        let state = run(contentSearch("apple"), stateOf("|" + doc)).state;
        const seen: string[] = [];
        for (let i = 0; i < 4; i++) {
            state = run(contentSearchNext, state).state;
            seen.push(String(state.selection.main.from));
        }
        expect(seen).toEqual(["11", "23", "0", "11"]);
        state = run(contentSearchPrevious, state).state;
        expect(state.selection.main.from).toBe(0);
        state = run(contentSearchPrevious, state).state;
        expect(state.selection.main.from).toBe(23);
    });

    it("finds Chinese text and leaves the selection alone without a match", () => {
        let state = run(contentSearch("中文"), stateOf("|英文 中文 中文")).state;
        expect(state.selection.main.from).toBe(3);
        state = run(contentSearch("日文"), stateOf("a|b")).state;
        expect(marked(state)).toBe("a|b");
        expect(state.field(searchTextField)).toBe("日文");
    });

    it("an empty text clears the search and next does nothing", () => {
        let state = run(contentSearch("apple"), stateOf(doc)).state;
        state = run(contentSearch(""), state).state;
        expect(state.field(searchTextField)).toBe("");
        expect(run(contentSearchNext, state).ok).toBe(false);
    });

    it("searches a read-only document", () => {
        const state = run(contentSearch("pie"), stateOf(doc, {readOnly: true})).state;
        expect(state.selection.main.from).toBe(6);
    });
});
