import {syntaxTree} from "@codemirror/language";
import type {EditorState} from "@codemirror/state";
import type {SyntaxNode, Tree} from "@lezer/common";
import {headingLevelOf} from "./language";
import type {FormatState} from "./protocol";

export function defaultFormatState(): FormatState {
    return {
        headingLevel: 0,
        strong: false,
        emphasis: false,
        strike: false,
        inlineCode: false,
        codeBlock: false,
        bulletList: false,
        orderedList: false,
        taskList: false,
        quote: false,
    };
}

function ancestors(node: SyntaxNode | null): SyntaxNode[] {
    const list: SyntaxNode[] = [];
    for (let n = node; n; n = n.parent) list.push(n);
    return list;
}

/// The formatting at the main caret. Inline styles count only when the caret stands strictly
/// inside the span (between its marks or in its text); block formats count anywhere on the block.
export function formatStateAt(state: EditorState, tree: Tree = syntaxTree(state)): FormatState {
    const result = defaultFormatState();
    const head = state.selection.main.head;
    const after = ancestors(tree.resolveInner(head, 1));
    const before = ancestors(tree.resolveInner(head, -1));

    for (const node of after) {
        if (!(node.from < head && head < node.to)) continue;
        switch (node.name) {
            case "StrongEmphasis": result.strong = true; break;
            case "Emphasis": result.emphasis = true; break;
            case "Strikethrough": result.strike = true; break;
            case "InlineCode": result.inlineCode = true; break;
        }
    }

    let listItem: SyntaxNode | null = null;
    for (const node of [...before, ...after]) {
        const level = headingLevelOf(node.name);
        if (level > 0) result.headingLevel = level;
        else if (node.name === "FencedCode" || node.name === "CodeBlock") result.codeBlock = true;
        else if (node.name === "Blockquote") result.quote = true;
        else if (node.name === "ListItem" && (!listItem || node.to - node.from < listItem.to - listItem.from)) listItem = node;
    }
    if (listItem) {
        const isTask = listItem.getChild("Task") !== null;
        const list = listItem.parent?.name;
        result.taskList = isTask;
        result.bulletList = list === "BulletList" && !isTask;
        result.orderedList = list === "OrderedList";
    }
    return result;
}

export function sameFormatState(a: FormatState, b: FormatState): boolean {
    return (Object.keys(a) as (keyof FormatState)[]).every((key) => a[key] === b[key]);
}
