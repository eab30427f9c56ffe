import {describe, expect, it} from "vitest";
import {imageDestination, linkBaseFile, remoteImageAddress, resolveImageSource, resolveVaultPath} from "../src/assets";

describe("image sources", () => {
    it.each([
        ["root-anchored attachment", "/Attachments/image-0a.png", "Notes/a.md", "larch-asset:///Attachments/image-0a.png"],
        ["relative to the article's folder", "img/a.png", "Notes/Sub/a.md", "larch-asset:///Notes/Sub/img/a.png"],
        ["climbing out of the article's folder", "../b.png", "Notes/Sub/a.md", "larch-asset:///Notes/b.png"],
        ["memo link three folders up", "../../../Attachments/x.png", "memo:memo-1", "larch-asset:///Attachments/x.png"],
        ["memo preview", "../../../Attachments/x.png", "memo-preview:memo-1", "larch-asset:///Attachments/x.png"],
        ["percent escapes are decoded and re-encoded", "My%20Pics/a%20b.png", "a.md", "larch-asset:///My%20Pics/a%20b.png"],
        ["Chinese names", "/Attachments/图片.png", "a.md", "larch-asset:///Attachments/%E5%9B%BE%E7%89%87.png"],
        ["angle brackets and a title", "<my pic.png> \"title\"", "a.md", "larch-asset:///my%20pic.png"],
        ["a title after the path", "a.png \"t\"", "a.md", "larch-asset:///a.png"],
        ["query and fragment dropped", "a.png?x=1#y", "a.md", "larch-asset:///a.png"],
        ["raster data URL", "data:image/png;base64,AAAA", "a.md", "data:image/png;base64,AAAA"],
    ])("%s", (_name, destination, documentID, expected) => {
        expect(resolveImageSource(destination, documentID)).toBe(expected);
    });

    it.each([
        ["climbing above the vault", "../../x.png", "Notes/a.md"],
        ["root-anchored climbing above the vault", "/../x.png", "a.md"],
        ["file URL", "file:///etc/passwd", "a.md"],
        ["script URL", "javascript:alert(1)", "a.md"],
        ["SVG data URL", "data:image/svg+xml;base64,AAAA", "a.md"],
        ["protocol-relative URL", "//example.com/a.png", "a.md"],
        ["https", "https://example.com/a.png", "a.md"],
        ["http in capitals", "HTTP://example.com/a.png", "a.md"],
        ["the vault root", "/", "a.md"],
        ["empty", "", "a.md"],
    ])("%s is not loaded", (_name, destination, documentID) => {
        expect(resolveImageSource(destination, documentID)).toBeNull();
    });

    it.each([
        ["https://example.com/a.png \"t\"", "https://example.com/a.png"],
        ["<HTTP://example.com/a b.png>", "HTTP://example.com/a b.png"],
        ["//example.com/a.png", "//example.com/a.png"],
        ["/Attachments/a.png", null],
        ["ftp://example.com/a.png", null],
    ])("remote address of %s", (destination, expected) => {
        expect(remoteImageAddress(destination)).toBe(expected);
    });

    it("resolves like the vault's own links", () => {
        expect(resolveVaultPath("../../../Notes/My plan.md", "Journal/2024/05/2024-05-01.md")).toBe("Notes/My plan.md");
        expect(resolveVaultPath("../../../../x.md", "Journal/2024/05/2024-05-01.md")).toBeNull();
        expect(resolveVaultPath("./a.md", "a.md")).toBe("a.md");
        expect(linkBaseFile("Notes/a.md")).toBe("Notes/a.md");
        expect(imageDestination("  <a>")).toBe("a");
    });
});
