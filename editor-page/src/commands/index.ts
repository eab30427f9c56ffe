// The command table: every action the host can ask for, by its "kind".
import {redo, undo} from "@codemirror/commands";
import type {StateCommand} from "@codemirror/state";
import type {CommandRequest} from "../protocol";
import {contentSearch, contentSearchNext, contentSearchPrevious} from "../search";
import {inlineStyles, insertLink, toggleInline} from "./inline";
import {insertImage, insertTable, insertText, jumpToHeading} from "./insert";
import {setHeading, toggleCodeBlock, toggleList, toggleQuote} from "./lines";

const simple: Record<string, StateCommand> = {
    undo,
    redo,
    strong: toggleInline(inlineStyles.strong),
    emphasis: toggleInline(inlineStyles.emphasis),
    strike: toggleInline(inlineStyles.strike),
    inlineCode: toggleInline(inlineStyles.inlineCode),
    link: insertLink,
    codeBlock: toggleCodeBlock,
    bullet: toggleList("bullet"),
    ordered: toggleList("ordered"),
    task: toggleList("task"),
    quote: toggleQuote,
    table: insertTable,
    contentSearchNext,
    contentSearchPrevious,
};

function integer(value: string | undefined): number | null {
    if (value === undefined || !/^\s*-?\d+\s*$/.test(value)) return null;
    return Number(value);
}

/// The command for a request, or null when the kind is unknown or its value is missing or malformed.
export function commandFor(request: CommandRequest): StateCommand | null {
    const {kind, value} = request;
    if (Object.prototype.hasOwnProperty.call(simple, kind)) return simple[kind];
    switch (kind) {
        case "heading": {
            const level = integer(value);
            return level === null ? null : setHeading(level);
        }
        case "jumpToHeading": {
            const position = integer(value);
            return position === null ? null : jumpToHeading(position);
        }
        case "image":
            return value === undefined ? null : insertImage(value);
        case "insertText":
            return value === undefined ? null : insertText(value);
        case "contentSearch":
            return contentSearch(value ?? "");
        default:
            return null;
    }
}
