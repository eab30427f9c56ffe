// Text the host sends from outside the page (the file changed on disk and the host took it):
// applied as an edit rather than a new document, so the caret, the scroll position and the undo
// history stay, and edits typed here that the host has not seen yet stay on top of it.
import {ChangeSet, type Text} from "@codemirror/state";

const isHighSurrogate = (code: number) => code >= 0xd800 && code <= 0xdbff;
const isLowSurrogate = (code: number) => code >= 0xdc00 && code <= 0xdfff;

/// The change from `from` to `to` as one replaced range between their common beginning and end,
/// never splitting a character outside the Basic Multilingual Plane.
export function minimalChange(from: string, to: string): ChangeSet {
    const shorter = Math.min(from.length, to.length);
    let start = 0;
    while (start < shorter && from.charCodeAt(start) === to.charCodeAt(start)) start++;
    if (start > 0 && start < shorter && isHighSurrogate(from.charCodeAt(start - 1))) start--;
    let end = 0;
    while (end < shorter - start && from.charCodeAt(from.length - 1 - end) === to.charCodeAt(to.length - 1 - end)) end++;
    if (end > 0 && end < shorter - start && isLowSurrogate(from.charCodeAt(from.length - end))) end--;
    if (start === from.length && start === to.length) return ChangeSet.empty(from.length);
    return ChangeSet.of([{from: start, to: from.length - end, insert: to.slice(start, to.length - end)}], from.length);
}

/// The change that turns the current text into `text` with `local` kept: `base` is the text the
/// host last had from the page, `local` the page's edits since then, which the host has not seen.
export function outsideChange(base: Text, local: ChangeSet, text: string): ChangeSet {
    return minimalChange(base.toString(), text).map(local);
}
