// The outline: every top-level heading with its position, level and title as a reader sees it.
//
// CodeMirror parses only a little ahead of the visible part of a large document, so the outline
// comes from a line scan of the whole text instead of the syntax tree. The scan follows the block
// rules that decide what is a heading (fenced code, quotes, list items, setext underlines below a
// paragraph); the title of each heading is then parsed as Markdown to drop its marks.
import type {Text} from "@codemirror/state";
import type {SyntaxNode} from "@lezer/common";
import {headingLevelOf, larchMarkdownLanguage} from "./language";
import type {OutlineItem} from "./protocol";

// Syntax that is not part of what a reader sees of a heading's title.
const markNodes = new Set(["HeaderMark", "EmphasisMark", "CodeMark", "StrikethroughMark", "LinkMark", "LinkTitle", "LinkLabel"]);

/// The text of a node as a reader sees it: marks, link targets and escapes removed, white space
/// collapsed.
export function plainTextOf(slice: (from: number, to: number) => string, node: SyntaxNode): string {
    let out = "";
    let pos = node.from;
    const skip = (from: number, to: number, keep = "") => {
        out += slice(pos, from) + keep;
        pos = to;
    };
    const walk = (parent: SyntaxNode) => {
        for (let child = parent.firstChild; child; child = child.nextSibling) {
            if (markNodes.has(child.name)) skip(child.from, child.to);
            else if (child.name === "URL" && (parent.name === "Link" || parent.name === "Image")) skip(child.from, child.to);
            else if (child.name === "Escape") skip(child.from, child.to, slice(child.from + 1, child.to));
            else walk(child);
        }
    };
    walk(node);
    out += slice(pos, node.to);
    return out.replace(/\s+/g, " ").trim();
}

// Titles by heading source. Each scan keeps what it used, so the cache never outgrows the
// document and a rescan after a keystroke parses only the heading that changed.
let titleCache = new Map<string, string>();
let titlesInUse = new Map<string, string>();

// Characters that may start inline syntax; a title without them is its text as written.
const inlineSyntax = /[*_`~\\[\]!<>&]/;

/// The title of a heading given its source text (one ATX line, or a setext paragraph with its
/// underline).
export function headingTitle(source: string): string {
    let title = titlesInUse.get(source) ?? titleCache.get(source);
    if (title === undefined) title = parseTitle(source);
    titlesInUse.set(source, title);
    return title;
}

function parseTitle(source: string): string {
    if (!source.includes("\n") && !inlineSyntax.test(source)) {
        return source.replace(/^\s*#+/, "").replace(/(?:^|[ \t]+)#+[ \t]*$/, "").replace(/\s+/g, " ").trim();
    }
    const tree = larchMarkdownLanguage.parser.parse(source);
    let heading = tree.topNode.firstChild;
    while (heading && headingLevelOf(heading.name) === 0) heading = heading.nextSibling;
    const slice = (from: number, to: number) => source.slice(from, to);
    return heading ? plainTextOf(slice, heading) : source.replace(/^\s*#+\s*|\s*#+\s*$/g, "").trim();
}

function startTitleScan(): void {
    titleCache = titlesInUse.size ? titlesInUse : titleCache;
    titlesInUse = new Map();
}

const atx = /^ {0,3}(#{1,6})(?:[ \t]|$)/;
const fenceOpen = /^ {0,3}(`{3,}|~{3,})(.*)$/;
const setextUnderline = /^ {0,3}(=+|-+)[ \t]*$/;
const thematicBreak = /^ {0,3}(?:(?:-[ \t]*){3,}|(?:\*[ \t]*){3,}|(?:_[ \t]*){3,})$/;
const quoteStart = /^ {0,3}>/;
const listStart = /^ {0,3}(?:[-*+]|\d{1,9}[.)])(?:[ \t]|$)/;
const htmlStart = /^ {0,3}<[a-zA-Z!?/]/;
const blank = /^[ \t]*$/;
const mayStartBlock = /^ {0,3}[-#`~*_=+>|<0-9]/;
const indented = /^(?: {2}|\t)/;
const codeIndented = /^(?: {4}|\t)/;

type Container = "list" | "quote" | "html" | null;

const closingFences = new Map<string, RegExp>();
function closingFence(opening: string): RegExp {
    let pattern = closingFences.get(opening);
    if (!pattern) {
        pattern = new RegExp(`^ {0,3}${opening[0]}{${opening.length},}[ \\t]*$`);
        closingFences.set(opening, pattern);
    }
    return pattern;
}

/// Every top-level heading of the document, in order.
export function outlineOf(doc: Text): OutlineItem[] {
    startTitleScan();
    const items: OutlineItem[] = [];
    let fence: RegExp | null = null;
    // Start of the top-level paragraph being read (a setext underline makes it a heading), or -1.
    let paragraphStart = -1;
    let container: Container = null;
    // Whether the container ends in paragraph text, which unmarked lines may lazily continue.
    let containerParagraph = false;
    let pos = 0;
    for (const iter = doc.iterLines(); !iter.next().done; ) {
        const text = iter.value;
        const from = pos;
        pos += text.length + 1;

        if (fence) {
            if (fence.test(text)) fence = null;
            continue;
        }
        if (blank.test(text)) {
            paragraphStart = -1;
            containerParagraph = false;
            if (container !== "list") container = null;
            continue;
        }
        if (container === "html") continue;
        if (container === "list" && indented.test(text)) {
            containerParagraph = true;
            continue;
        }
        // Most lines are plain text: only these characters can start a block that matters here.
        const mayBeBlock = mayStartBlock.test(text);
        const isBlockStart = mayBeBlock
            && (atx.test(text) || fenceOpen.test(text) || thematicBreak.test(text) || quoteStart.test(text) || listStart.test(text));
        if (container && containerParagraph && !isBlockStart) continue;
        if (container === "quote" && quoteStart.test(text)) {
            containerParagraph = true;
            continue;
        }
        container = null;
        containerParagraph = false;

        if (paragraphStart < 0 && codeIndented.test(text)) continue;
        if (!mayBeBlock) {
            if (paragraphStart < 0) paragraphStart = from + (text.length - text.trimStart().length);
            continue;
        }
        const fenceMatch = fenceOpen.exec(text);
        if (fenceMatch && !(fenceMatch[1][0] === "`" && fenceMatch[2].includes("`"))) {
            fence = closingFence(fenceMatch[1]);
            paragraphStart = -1;
            continue;
        }
        const heading = atx.exec(text);
        if (heading) {
            items.push({position: from + text.indexOf("#"), level: heading[1].length, title: headingTitle(text)});
            paragraphStart = -1;
            continue;
        }
        const underline = paragraphStart >= 0 ? setextUnderline.exec(text) : null;
        if (underline) {
            items.push({
                position: paragraphStart,
                level: underline[1][0] === "=" ? 1 : 2,
                title: headingTitle(doc.sliceString(paragraphStart, from + text.length)),
            });
            paragraphStart = -1;
            continue;
        }
        if (thematicBreak.test(text)) {
            paragraphStart = -1;
            continue;
        }
        if (quoteStart.test(text) || listStart.test(text) || paragraphStart < 0 && htmlStart.test(text)) {
            container = quoteStart.test(text) ? "quote" : listStart.test(text) ? "list" : "html";
            containerParagraph = container !== "html";
            paragraphStart = -1;
            continue;
        }
        if (paragraphStart < 0) paragraphStart = from + (text.length - text.trimStart().length);
    }
    return items;
}

/// The heading whose section holds `pos`: the last one that starts at or before it.
export function activeHeading(items: readonly OutlineItem[], pos: number): number | undefined {
    let low = 0;
    let high = items.length - 1;
    let found: number | undefined;
    while (low <= high) {
        const mid = (low + high) >> 1;
        if (items[mid].position <= pos) {
            found = items[mid].position;
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    return found;
}
