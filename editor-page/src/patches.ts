import type {ChangeSet} from "@codemirror/state";
import type {MarkdownPatch} from "./protocol";

/// The changes of one transaction as the host applies them: ascending, non-overlapping ranges in
/// the coordinates of the document before the change.
export function patchesOf(changes: ChangeSet): MarkdownPatch[] {
    const patches: MarkdownPatch[] = [];
    changes.iterChanges((fromA, toA, _fromB, _toB, inserted) => {
        patches.push({from: fromA, to: toA, insert: inserted.toString()});
    });
    return patches;
}

/// Applies patches the way the host does (last to first), so tests can check the round trip.
export function applyPatches(text: string, patches: readonly MarkdownPatch[]): string {
    let result = text;
    for (let i = patches.length - 1; i >= 0; i--) {
        const {from, to, insert} = patches[i];
        if (!(0 <= from && from <= to && to <= result.length)) continue;
        result = result.slice(0, from) + insert + result.slice(to);
    }
    return result;
}
