import {syntaxTree} from "@codemirror/language";
import type {EditorState} from "@codemirror/state";
import type {SyntaxNode, Tree} from "@lezer/common";
import {headingLevelOf} from "./language";
import type {OutlineItem} from "./protocol";

// Syntax that is not part of what a reader sees of a heading's title.
const markNodes = new Set(["HeaderMark", "EmphasisMark", "CodeMark", "StrikethroughMark", "LinkMark", "LinkTitle", "LinkLabel"]);

/// The text of an inline range as a reader sees it: marks, link targets and escapes removed,
/// white space collapsed.
export function plainTextOf(state: EditorState, node: SyntaxNode): string {
    let out = "";
    let pos = node.from;
    const skip = (from: number, to: number, keep = "") => {
        out += state.sliceDoc(pos, from) + keep;
        pos = to;
    };
    const walk = (parent: SyntaxNode) => {
        for (let child = parent.firstChild; child; child = child.nextSibling) {
            if (markNodes.has(child.name)) skip(child.from, child.to);
            else if (child.name === "URL" && (parent.name === "Link" || parent.name === "Image")) skip(child.from, child.to);
            else if (child.name === "Escape") skip(child.from, child.to, state.sliceDoc(child.from + 1, child.to));
            else walk(child);
        }
    };
    walk(node);
    out += state.sliceDoc(pos, node.to);
    return out.replace(/\s+/g, " ").trim();
}

/// Every top-level heading of the parsed part of the document, in document order. The position
/// is where the heading starts; jumping to it puts the caret on the heading's line.
export function outlineFromTree(state: EditorState, tree: Tree = syntaxTree(state)): OutlineItem[] {
    const items: OutlineItem[] = [];
    for (let child = tree.topNode.firstChild; child; child = child.nextSibling) {
        const level = headingLevelOf(child.name);
        if (level > 0) items.push({position: child.from, level, title: plainTextOf(state, child)});
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
