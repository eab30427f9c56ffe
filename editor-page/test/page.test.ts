import {describe, expect, it} from "vitest";
import {hostClassFor, readStartValues} from "../src/host";
import {base64OfDataURL, matchLineBreaks, pasteIsImage} from "../src/paste";
import {imagesInLine} from "../src/render/images";

describe("images in a line", () => {
    it.each([
        ["two images", "![a](/Attachments/x.png) and ![b](y.png)", ["larch-asset:///Attachments/x.png", "larch-asset:///Notes/y.png"]],
        ["a title and angle brackets", "![](<a b.png> \"t\")", ["larch-asset:///Notes/a%20b.png"]],
        ["parentheses in the path", "![](img(1).png)", ["larch-asset:///Notes/img(1).png"]],
        ["an escaped bracket in the alt text", "![a\\]b](c.png)", ["larch-asset:///Notes/c.png"]],
        ["a link, not an image", "[a](b.png)", []],
        ["an unsafe target is left out", "![](javascript:x) ![](ok.png)", ["larch-asset:///Notes/ok.png"]],
        ["a remote image stands as its address", "![](https://e.com/a.png) ![](ok.png)", ["remote https://e.com/a.png", "larch-asset:///Notes/ok.png"]],
    ])("%s", (_name, line, sources) => {
        expect(imagesInLine(line, "Notes/a.md").map((image) => (image.remote ? "remote " : "") + image.src)).toEqual(sources);
    });
});

describe("pastes", () => {
    it.each([
        ["only an image", ["Files"], "", "", 1, true],
        ["a browser's copied image", ["text/html", "Files"], "", "<img src=\"x\">", 1, true],
        ["an image with its markup and blank text", ["text/plain", "text/html", "Files"], " ", "<meta><img src=x>", 1, true],
        ["spreadsheet cells: text and a picture", ["text/plain", "text/html", "Files"], "a\tb", "<table><td>a</td></table>", 1, false],
        ["text only", ["text/plain"], "hello", "", 0, false],
    ] as const)("%s", (_name, types, text, html, images, expected) => {
        expect(pasteIsImage(types, text, html, images)).toBe(expected);
    });

    it("gives pasted text the document's line breaks", () => {
        expect(matchLineBreaks("a\r\nb\rc\nd", "first")).toBe("a\nb\nc\nd");
        expect(matchLineBreaks("a\nb\r\nc", "first\r")).toBe("a\r\nb\r\nc");
    });

    it("sends the Base64 part of a data URL", () => {
        expect(base64OfDataURL("data:image/png;base64,iVBO")).toBe("iVBO");
        expect(base64OfDataURL("nonsense")).toBe("");
    });
});

describe("start values and host classes", () => {
    it("reads the host's values and falls back when they are missing or mistyped", () => {
        expect(readStartValues({__larchNotesInitialMarkdown: "# a", __larchNotesDocumentID: "memo:x", __larchNotesReadOnly: true}))
            .toEqual({markdown: "# a", documentID: "memo:x", readOnly: true});
        expect(readStartValues({__larchNotesInitialMarkdown: 3, __larchNotesReadOnly: "true"}))
            .toEqual({markdown: "", documentID: "", readOnly: false});
    });

    it.each([
        ["memo-composer:1", "larch-memo-composer-host"],
        ["memo-preview:1", "larch-memo-preview-host"],
        ["memo-inline:1", "larch-compact-memo-host"],
        ["memo:memo-1", "larch-full-editor-host"],
        ["Notes/a.md", "larch-full-editor-host"],
    ])("%s gets %s", (id, cls) => {
        expect(hostClassFor(id)).toBe(cls);
    });
});
