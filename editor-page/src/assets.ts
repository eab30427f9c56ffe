// Turning the target of a Markdown image into a URL the page may load. Vault files are read
// through the host's "larch-asset" scheme. Remote images are never fetched: a request would tell
// the server that the document was opened, so they stand as their address. Anything else
// (file:, javascript:, other schemes) is never loaded.

// Memos live in journal day files (Journal/<yyyy>/<MM>/<date>.md), so their relative links climb
// three folders to reach the vault root. The exact day does not matter for resolution.
const memoBaseFile = "Journal/0000/00/0000-00-00.md";

const memoPrefixes = ["memo:", "memo-composer:", "memo-preview:", "memo-inline:"];

/// The vault-relative file that relative links of the document are written against.
export function linkBaseFile(documentID: string): string {
    return memoPrefixes.some((prefix) => documentID.startsWith(prefix)) ? memoBaseFile : documentID;
}

function decodePercent(text: string): string {
    try {
        return decodeURIComponent(text);
    } catch {
        return text;
    }
}

/// Resolves `link` against the folder of `fromFile`; null when it climbs above the vault root.
export function resolveVaultPath(link: string, fromFile: string): string | null {
    const stack = fromFile.split("/").filter((p) => p !== "");
    stack.pop();
    for (const piece of link.split("/")) {
        if (piece === "" || piece === ".") continue;
        if (piece === "..") {
            if (stack.length === 0) return null;
            stack.pop();
        } else {
            stack.push(piece);
        }
    }
    return stack.join("/");
}

/// The destination of an image as written: angle brackets and a title removed.
export function imageDestination(raw: string): string {
    const text = raw.trim();
    if (text.startsWith("<")) {
        const end = text.indexOf(">");
        return end > 0 ? text.slice(1, end) : text.slice(1);
    }
    return text.split(/[ \t\n]/, 1)[0];
}

export function assetURL(vaultPath: string): string {
    return "larch-asset:///" + vaultPath.split("/").map(encodeURIComponent).join("/");
}

/// The address of a remote image (http, https or protocol-relative), which is shown, not loaded.
export function remoteImageAddress(destination: string): string | null {
    const target = imageDestination(destination);
    return /^(?:https?:)?\/\//i.test(target) ? target : null;
}

/// The URL to load for an image destination in the document `documentID`, or null.
export function resolveImageSource(destination: string, documentID: string): string | null {
    const target = imageDestination(destination);
    if (target === "") return null;
    if (/^data:image\/(?:png|jpe?g|gif|webp|avif|bmp);/i.test(target)) return target;
    if (/^larch-asset:\/\//i.test(target)) return target;
    if (/^[a-z][a-z0-9+.-]*:/i.test(target) || target.startsWith("//")) return null;
    const path = decodePercent(target.replace(/[?#].*$/, ""));
    const vaultPath = path.startsWith("/")
        ? resolveVaultPath(path, "")
        : resolveVaultPath(path, linkBaseFile(documentID));
    if (vaultPath === null || vaultPath === "") return null;
    return assetURL(vaultPath);
}
