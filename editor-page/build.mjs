// Builds the page into <out>/index.html, <out>/assets/app.js and <out>/assets/app.css.
//
// The host loads index.html as text, removes its first deferred script tag and inlines that
// script before </body>, wrapped in a try/catch block of fixed text. The content-security policy
// therefore allows exactly that inline block by its hash, plus the script file itself for a host
// that loads index.html directly.
//
// Usage: node build.mjs [outdir]   (default: dist)
import {build} from "esbuild";
import {createHash} from "node:crypto";
import {mkdirSync, readFileSync, writeFileSync} from "node:fs";
import {dirname, join, resolve} from "node:path";
import {fileURLToPath} from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const out = resolve(process.argv[2] ?? join(here, "dist"));
const assets = join(out, "assets");
mkdirSync(assets, {recursive: true});

// The text the host puts around the inlined script (between "<script>" and "</script>").
export function inlineBlock(script) {
    return "\ntry {\n" + script + "\n} catch (error) {\n"
        + "  window.webkit.messageHandlers.larchNotes.postMessage({type: 'jsError', message: String(error), stack: error && error.stack ? error.stack : ''});\n"
        + "}\n";
}

const result = await build({
    entryPoints: [join(here, "src/main.ts")],
    bundle: true,
    format: "iife",
    target: ["chrome102"],
    minify: !process.env.LARCH_PAGE_NO_MINIFY,
    charset: "ascii",
    legalComments: "none",
    write: false,
    logLevel: "warning",
});
const script = result.outputFiles[0].text;
// Inside an HTML script element these would end the element early or, after a "<!--", keep it
// from ending at all.
for (const bad of ["</script", "<script"]) {
    if (script.toLowerCase().includes(bad)) throw new Error(`the bundle contains "${bad}"; it cannot be inlined`);
}
writeFileSync(join(assets, "app.js"), script);

const css = await build({
    entryPoints: [join(here, "src/page.css")],
    bundle: true,
    minify: true,
    write: false,
    logLevel: "warning",
});
writeFileSync(join(assets, "app.css"), css.outputFiles[0].text);

// CodeMirror writes its base theme into a <style> element, hence 'unsafe-inline' for styles;
// documents never become markup, so no other style can get in.
const hash = createHash("sha256").update(inlineBlock(script), "utf8").digest("base64");
const policy = [
    "default-src 'none'",
    `script-src 'self' 'sha256-${hash}'`,
    "style-src 'self' 'unsafe-inline'",
    "font-src 'self' data:",
    // Remote images are shown as their address, never fetched: a request would tell the server
    // that the document was opened.
    "img-src larch-asset: data:",
    "base-uri 'none'",
    "form-action 'none'",
].join("; ");

const template = readFileSync(join(here, "src/index.html"), "utf8");
const html = template.replace("%CONTENT_SECURITY_POLICY%", () => policy);
if (html === template) throw new Error("src/index.html lacks the policy placeholder");
writeFileSync(join(out, "index.html"), html);

const inlinedSize = Buffer.byteLength(html) + Buffer.byteLength(inlineBlock(script)) + 17;
console.log(`editor page: ${out} (script ${(script.length / 1024).toFixed(0)} KiB, inlined page ${(inlinedSize / 1024).toFixed(0)} KiB)`);
if (inlinedSize > 1.5 * 1024 * 1024) throw new Error("the inlined page is too large for the host's 2 MB limit");
