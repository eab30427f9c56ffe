// The built page in headless Chromium, driven like the native host drives it: start values in,
// typing, input-method composition, pastes and commands, and the posted patches checked against
// the editor's own text at every revision. Exits with 77 (skipped) where no Chromium is installed.
import {after, before, describe, test} from "node:test";
import assert from "node:assert/strict";
import {existsSync, mkdtempSync} from "node:fs";
import {tmpdir} from "node:os";
import {dirname, join, resolve} from "node:path";
import {execFileSync} from "node:child_process";
import {fileURLToPath, pathToFileURL} from "node:url";
import {chromium} from "playwright-core";
import {pageOrigin, servePage, startScript} from "./host.mjs";

const here = dirname(fileURLToPath(import.meta.url));
const executable = ["/usr/lib/chromium/chromium", "/usr/bin/chromium", "/usr/bin/chromium-browser"].find((p) => existsSync(p));
if (!executable) {
    console.log("skipped: Chromium is not installed");
    process.exit(77);
}

let dist = process.env.LARCH_EDITOR_PAGE_DIST;
if (!dist || !existsSync(join(dist, "index.html"))) {
    dist = mkdtempSync(join(tmpdir(), "larch-page-"));
    execFileSync(process.execPath, [join(here, "../../build.mjs"), dist], {stdio: "inherit"});
}
dist = resolve(dist);

let browser;
before(async () => {
    browser = await chromium.launch({executablePath: executable, args: ["--no-sandbox", "--disable-gpu"]});
});
after(async () => {
    await browser?.close();
});

async function openPage(start, options = {}) {
    const context = await browser.newContext({viewport: {width: 900, height: 700}, colorScheme: options.colorScheme ?? "light"});
    await servePage(context, dist);
    const page = await context.newPage();
    await page.addInitScript(startScript(start));
    await page.goto(options.url ?? `${pageOrigin}/index.html`);
    await page.waitForSelector(".cm-content");
    return page;
}

const messages = (page) => page.evaluate(() => window.__messages);
const clearMessages = (page) => page.evaluate(() => { window.__messages.length = 0; });
const editorText = (page) => page.evaluate(() => window.__larchNotesTestHook.text());
const command = (page, kind, value) => page.evaluate(([k, v]) => window.larchNotesPerformCommand(v === undefined ? {kind: k} : {kind: k, value: v}), [kind, value]);

function applyPatches(text, patches) {
    let result = text;
    for (let i = patches.length - 1; i >= 0; i--) {
        const {from, to, insert} = patches[i];
        if (0 <= from && from <= to && to <= result.length) result = result.slice(0, from) + insert + result.slice(to);
    }
    return result;
}

/// Replays the patches the host received and checks each revision against the editor's text.
async function checkPatches(page, documentID) {
    const revisions = await page.evaluate(() => window.__larchNotesTestHook.revisions());
    const patchMessages = (await messages(page)).filter((m) => m.type === "markdownPatch");
    let text = revisions[0];
    let revision = 0;
    for (const message of patchMessages) {
        assert.equal(message.documentID, documentID);
        assert.equal(message.baseRevision, revision);
        assert.equal(message.revision, revision + 1);
        let last = -1;
        for (const patch of message.patches) {
            assert.ok(patch.from >= last && patch.from <= patch.to, "patches ascend without overlap");
            last = patch.to;
        }
        text = applyPatches(text, message.patches);
        revision = message.revision;
        assert.equal(text, revisions[revision], `revision ${revision}`);
    }
    assert.equal(text, await editorText(page));
    return patchMessages.length;
}

describe("editor page in Chromium", () => {
    test("starts from the host's values and reports outline, format state and height", async () => {
        const page = await openPage({markdown: "# 标题 **一**\n\n正文\n\n## 第二节\n", documentID: "Notes/a.md"});
        const all = await messages(page);
        const outline = all.find((m) => m.type === "outline");
        assert.deepEqual(outline, {
            type: "outline", documentID: "Notes/a.md", activePosition: 0,
            items: [{position: 0, level: 1, title: "标题 一"}, {position: 16, level: 2, title: "第二节"}],
        });
        const format = all.find((m) => m.type === "formatState");
        assert.equal(format.documentID, "Notes/a.md");
        assert.equal(format.headingLevel, 1);
        const height = all.find((m) => m.type === "contentHeight");
        assert.ok(height && height.height > 0);
        assert.deepEqual(all.filter((m) => m.type === "jsError"), []);
        assert.ok(await page.evaluate(() => typeof window.larchNotesSetDocument === "function"
            && typeof window.larchNotesInsertImage === "function" && typeof window.larchNotesFocus === "function"));
        await page.context().close();
    });

    test("typing, composition, pastes and commands give patches that rebuild the text at every revision", async () => {
        const initial = "# 标题\n\n第一段 text 😀\n\n- [ ] 任务\n";
        const page = await openPage({markdown: initial, documentID: "Notes/a.md"});
        await page.evaluate(() => window.larchNotesFocus(true));
        await page.keyboard.press("Control+End");
        await page.keyboard.type("abc");
        await page.keyboard.press("Enter");
        await page.keyboard.insertText("中文");

        // An input method composing "你好": the text is only committed at the end.
        const cdp = await page.context().newCDPSession(page);
        await cdp.send("Input.imeSetComposition", {text: "ni", selectionStart: 2, selectionEnd: 2});
        await cdp.send("Input.imeSetComposition", {text: "nihao", selectionStart: 5, selectionEnd: 5});
        await cdp.send("Input.insertText", {text: "你好"});
        await page.keyboard.press("Backspace");

        // Text pastes as plain text; markup in the clipboard is not used.
        await page.evaluate(() => {
            const data = new DataTransfer();
            data.setData("text/plain", " 粘贴𝄞");
            data.setData("text/html", "<b>粘贴</b><script>window.__pwned = 1</script>");
            document.querySelector(".cm-content").dispatchEvent(new ClipboardEvent("paste", {clipboardData: data, bubbles: true, cancelable: true}));
        });

        // An image paste goes to the host, which answers with a path to insert.
        await page.evaluate(() => {
            const data = new DataTransfer();
            data.items.add(new File([new Uint8Array([137, 80, 78, 71, 1, 2, 3])], "a.png", {type: "image/png"}));
            document.querySelector(".cm-content").dispatchEvent(new ClipboardEvent("paste", {clipboardData: data, bubbles: true, cancelable: true}));
        });
        await page.waitForFunction(() => window.__messages.some((m) => m.type === "pasteImage"));
        const paste = (await messages(page)).find((m) => m.type === "pasteImage");
        assert.deepEqual(paste, {type: "pasteImage", mimeType: "image/png", data: Buffer.from([137, 80, 78, 71, 1, 2, 3]).toString("base64")});
        await page.evaluate(() => window.larchNotesInsertImage("/Attachments/image-000000000000000000000000.png"));

        await page.keyboard.press("Shift+Home");
        assert.equal(await command(page, "strong"), true);
        assert.equal(await command(page, "heading", "2"), true);
        assert.equal(await command(page, "bullet"), true);
        assert.equal(await command(page, "table"), true);
        assert.equal(await command(page, "undo"), true);
        assert.equal(await command(page, "redo"), true);
        await page.keyboard.press("Control+End");
        assert.equal(await command(page, "insertText", "2024-05-01 09:30"), true);
        assert.equal(await command(page, "contentSearch", "TEXT"), true);
        assert.equal(await page.locator(".cm-larch-search-match").count(), 1);

        const text = await editorText(page);
        assert.ok(text.includes("中文你\n") || text.includes("中文你 粘贴𝄞"), text);
        assert.ok(text.includes(" 粘贴𝄞"));
        assert.ok(text.includes("![](/Attachments/image-000000000000000000000000.png)**"), text);
        assert.ok(text.includes("2024-05-01 09:30"));
        assert.ok(!text.includes("<b>"));
        const count = await checkPatches(page, "Notes/a.md");
        assert.ok(count >= 10, `${count} patches`);
        assert.equal(await page.evaluate(() => window.__pwned), undefined);
        assert.deepEqual((await messages(page)).filter((m) => m.type === "jsError"), []);
        await page.context().close();
    });

    test("nothing in a document runs and the policy is not violated", async () => {
        const markdown = [
            "<script>window.__pwned = 1</script>",
            "",
            "<img src=x onerror=\"window.__pwned = 2\">",
            "",
            "[link](javascript:window.__pwned=3)",
            "",
            "![remote](https://example.invalid/a.png) ![local](/Attachments/a%20b.png)",
            "",
            "![bad](javascript:alert(1))",
        ].join("\n");
        const page = await openPage({markdown, documentID: "Notes/x.md"});
        await page.click("text=link");
        await page.waitForTimeout(200);
        assert.equal(await page.evaluate(() => window.__pwned), undefined);
        assert.equal(await page.evaluate(() => document.querySelectorAll(".cm-content script, .cm-content a").length), 0);
        const sources = await page.evaluate(() => Array.from(document.querySelectorAll("img.cm-md-image"), (img) => img.getAttribute("src")));
        // A remote image is never requested: its address stands in its place.
        assert.deepEqual(sources, ["larch-asset:///Attachments/a%20b.png"]);
        assert.deepEqual(await page.evaluate(() => Array.from(document.querySelectorAll(".cm-md-image-remote-address"), (e) => e.textContent)),
            ["https://example.invalid/a.png"]);
        assert.deepEqual(await page.evaluate(() => window.__violations), []);
        assert.equal(await editorText(page), markdown);
        await page.context().close();
    });

    test("a task box click toggles the text", async () => {
        const page = await openPage({markdown: "intro\n\n- [ ] 买菜\n- [x] 做饭\n", documentID: "memo:memo-1"});
        const boxes = page.locator(".cm-md-task-box");
        assert.equal(await boxes.count(), 2);
        await boxes.nth(0).click();
        await boxes.nth(1).click();
        assert.equal(await editorText(page), "intro\n\n- [x] 买菜\n- [ ] 做饭\n");
        await checkPatches(page, "memo:memo-1");
        await page.context().close();
    });

    test("set-document replaces the text, starts again at revision 0 and reports for the new id", async () => {
        const page = await openPage({markdown: "old", documentID: "Notes/a.md"});
        await page.evaluate(() => window.larchNotesFocus(true));
        await page.keyboard.type("x");
        await clearMessages(page);
        await page.evaluate(() => window.larchNotesSetDocument("# 新\n", "Notes/b.md"));
        assert.equal(await editorText(page), "# 新\n");
        const reports = await messages(page);
        assert.ok(reports.some((m) => m.type === "outline" && m.documentID === "Notes/b.md" && m.items.length === 1));
        assert.equal(await command(page, "undo"), false, "history starts empty");
        await page.keyboard.press("Control+End");
        await page.keyboard.type("y");
        const patches = (await messages(page)).filter((m) => m.type === "markdownPatch");
        assert.deepEqual(patches.map((m) => [m.documentID, m.baseRevision, m.revision]), [["Notes/b.md", 0, 1]]);
        await page.context().close();
    });

    test("a read-only page shows no caret and accepts no edits", async () => {
        const page = await openPage({markdown: "- [ ] 只读", documentID: "memo-preview:memo-1", readOnly: true});
        assert.equal(await page.evaluate(() => document.documentElement.classList.contains("larch-memo-preview-host")), true);
        assert.equal(await page.getAttribute(".cm-content", "contenteditable"), "false");
        await page.evaluate(() => window.larchNotesFocus(true));
        assert.equal(await page.locator(".cm-cursor").first().isVisible(), false);
        await page.click(".cm-content");
        await page.keyboard.type("zz");
        await page.locator(".cm-md-task-box").click();
        assert.equal(await command(page, "strong"), false);
        assert.equal(await editorText(page), "- [ ] 只读");
        assert.deepEqual((await messages(page)).filter((m) => m.type === "markdownPatch"), []);
        await page.context().close();
    });

    test("index.html loaded directly from the folder runs its script under the policy", async () => {
        const context = await browser.newContext();
        const page = await context.newPage();
        await page.addInitScript(startScript({markdown: "# 直接", documentID: "Notes/a.md"}));
        await page.goto(pathToFileURL(join(dist, "index.html")).href);
        await page.waitForSelector(".cm-content");
        assert.equal(await editorText(page), "# 直接");
        assert.deepEqual(await page.evaluate(() => window.__violations), []);
        await context.close();
    });

    test("measures a 1 MB document (reported, not asserted)", async () => {
        const section = (i) => `## 第 ${i} 节 Section\n\n这是一段中文正文，用来测量编辑器的速度。Some **bold** and *emphasis* and \`code\`.\n\n- 列表项 ${i}\n- [ ] 任务 ${i}\n\n\`\`\`\nlet x = ${i};\n\`\`\`\n\n`;
        let markdown = "# 大文档\n\n";
        for (let i = 0; markdown.length < 1_000_000; i++) markdown += section(i);
        // The same keystrokes in a small document, to separate the driver's own cost.
        const small = await openPage({markdown: "# 小\n\n正文", documentID: "Notes/small.md", keepRevisions: false});
        await small.evaluate(() => window.larchNotesFocus(true));
        const smallStart = Date.now();
        for (let i = 0; i < 50; i++) await small.keyboard.press("a");
        const smallPerKey = (Date.now() - smallStart) / 50;
        await small.context().close();

        const started = Date.now();
        const page = await openPage({markdown, documentID: "Notes/big.md", keepRevisions: false});
        await page.waitForFunction(() => window.__messages.some((m) => m.type === "contentHeight"), undefined, {polling: 50});
        const opened = Date.now() - started;
        const headings = (markdown.match(/^#{1,2} /gm) ?? []).length;
        await page.waitForFunction((n) => window.__messages.some((m) => m.type === "outline" && m.items.length === n), headings, {timeout: 60_000});
        const outlined = Date.now() - started;

        const middle = markdown.indexOf("## 第 1000 节");
        await command(page, "jumpToHeading", String(middle));
        await page.evaluate(() => window.larchNotesFocus(true));
        await page.keyboard.press("End");
        const keys = 50;
        const typedStart = Date.now();
        for (let i = 0; i < keys; i++) await page.keyboard.press("a");
        await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
        const perKey = (Date.now() - typedStart) / keys;
        const inPage = await page.evaluate(() => {
            const content = document.querySelector(".cm-content");
            const start = performance.now();
            for (let i = 0; i < 100; i++) {
                window.larchNotesPerformCommand({kind: "insertText", value: "b"});
                content.getBoundingClientRect();
            }
            return (performance.now() - start) / 100;
        });
        console.log(`1 MB document (${markdown.length} UTF-16 units): shown and measured after ${opened} ms, full outline (${headings} headings) after ${outlined} ms; `
            + `keystroke round trip ${perKey.toFixed(1)} ms (${smallPerKey.toFixed(1)} ms in a small document), in-page edit with layout ${inPage.toFixed(2)} ms`);
        let text = markdown;
        const patchMessages = await page.evaluate(() => window.__messages.filter((m) => m.type === "markdownPatch"));
        for (const message of patchMessages) text = applyPatches(text, message.patches);
        assert.equal(text, await editorText(page));
        await page.context().close();
    });
});
