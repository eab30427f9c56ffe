// The editor as the host sees it: one object behind the four calls of the bridge, which keeps
// the revision count and reports every change, the outline, the caret's format and the content
// height back to the host.
import {defaultKeymap, history, historyKeymap, indentWithTab} from "@codemirror/commands";
import {Annotation, ChangeSet, EditorSelection, EditorState, Transaction, type Extension, type StateCommand, type Text} from "@codemirror/state";
import {EditorView, drawSelection, dropCursor, keymap, placeholder, type ViewUpdate} from "@codemirror/view";
import {commandFor} from "./commands";
import {inlineStyles, insertLink, toggleInline} from "./commands/inline";
import {insertImage} from "./commands/insert";
import {documentIDField} from "./document";
import {defaultFormatState, formatStateAt, sameFormatState} from "./formatState";
import type {HostPort, StartValues} from "./host";
import {larchMarkdown} from "./language";
import {activeHeading, outlineOf} from "./outline";
import {outsideChange} from "./outside";
import {imagePasteHandling, pasteLineBreaks} from "./paste";
import {patchesOf} from "./patches";
import {parseCommandRequest, type FormatState, type OutlineItem, type PageSnapshot} from "./protocol";
import {imagePreviews} from "./render/images";
import {markdownStyling} from "./render/styling";
import {contentSearchExtension} from "./search";

// Above this size the outline is recomputed after a pause in typing instead of on every keystroke.
const largeDocument = 200_000;
const outlineDelay = 250;
// How many recent revisions are kept to apply a text from the host on top of edits it has not
// seen yet; the host takes each patch within moments, so a few are plenty.
const keptRevisions = 200;

/// Marks the transaction that applies the host's text: it is not reported back.
const fromHost = Annotation.define<boolean>();

export class EditorFacade {
    readonly view: EditorView;
    private documentID: string;
    private revision = 0;
    private readonly readOnly: boolean;
    private lastFormat: FormatState | null = null;
    private lastOutline = "";
    private outlineItems: OutlineItem[] = [];
    private outlineDoc: unknown = null;
    private outlineKey = "";
    private outlineTimer: ReturnType<typeof setTimeout> | null = null;
    private lastHeight = -1;
    /// Test builds keep the text of every revision so a test can compare it with the patches.
    readonly revisions: string[] | null;
    /// The texts of the latest revisions with the changes that made each.
    private recent: {revision: number; doc: Text; changes: ChangeSet | null}[] = [];

    constructor(parent: HTMLElement, private readonly host: HostPort, start: StartValues, options: {keepRevisions?: boolean} = {}) {
        this.documentID = start.documentID;
        this.readOnly = start.readOnly;
        this.revisions = options.keepRevisions ? [start.markdown] : null;
        this.view = new EditorView({parent, state: this.createState(start.markdown, start.documentID)});
        this.recent = [{revision: 0, doc: this.view.state.doc, changes: null}];
        this.reportAll();
    }

    private extensions(documentID: string): Extension[] {
        const formatKeys: {key: string; run: StateCommand}[] = [
            {key: "Mod-b", run: toggleInline(inlineStyles.strong)},
            {key: "Mod-i", run: toggleInline(inlineStyles.emphasis)},
            {key: "Mod-k", run: insertLink},
        ];
        const requestImagePicker = () => {
            if (this.readOnly) return false;
            this.host.post({type: "requestImagePicker", documentID: this.documentID});
            return true;
        };
        return [
            EditorState.lineSeparator.of("\n"),
            documentIDField.init(() => documentID),
            larchMarkdown(),
            history(),
            drawSelection(),
            dropCursor(),
            EditorView.lineWrapping,
            keymap.of([...formatKeys, {key: "Mod-Shift-i", run: requestImagePicker}, ...defaultKeymap, ...historyKeymap, indentWithTab]),
            EditorState.readOnly.of(this.readOnly),
            EditorView.editable.of(!this.readOnly),
            this.readOnly ? EditorView.editorAttributes.of({class: "larch-read-only"}) : [],
            this.readOnly ? [] : placeholder("开始书写…"),
            EditorView.contentAttributes.of({spellcheck: "false", autocorrect: "off", autocapitalize: "off", lang: "zh-CN"}),
            markdownStyling,
            imagePreviews(),
            contentSearchExtension(),
            pasteLineBreaks,
            imagePasteHandling((message) => this.host.post(message), (error) => this.reportError(error)),
            EditorView.updateListener.of((update) => this.onUpdate(update)),
            EditorView.exceptionSink.of((error) => this.reportError(error)),
        ];
    }

    private createState(markdown: string, documentID: string, selection?: EditorSelection): EditorState {
        return EditorState.create({doc: markdown, selection, extensions: this.extensions(documentID)});
    }

    /// Replaces the document: a new state, so the undo history starts empty, and revision 0.
    setDocument(markdown: unknown, documentID: unknown): void {
        const text = typeof markdown === "string" ? markdown : "";
        const id = typeof documentID === "string" ? documentID : "";
        const sameDocument = id === this.documentID;
        this.revision = 0;
        if (this.revisions) this.revisions.splice(0, this.revisions.length, text);
        this.documentID = id;
        if (sameDocument && this.view.composing && text === this.view.state.doc.toString()) {
            // The host confirmed the text we hold; replacing the state now would break the input
            // method's composition, and nothing else needs to change.
            return;
        }
        const old = this.view.state.selection.main;
        const clamp = (pos: number) => Math.min(pos, text.length);
        const selection = sameDocument ? EditorSelection.single(clamp(old.anchor), clamp(old.head)) : undefined;
        const scroll = sameDocument ? this.view.scrollSnapshot() : null;
        this.view.setState(this.createState(text, id, selection));
        this.recent = [{revision: 0, doc: this.view.state.doc, changes: null}];
        if (scroll) this.view.dispatch({effects: scroll});
        this.lastFormat = null;
        this.lastOutline = "";
        this.outlineDoc = null;
        this.lastHeight = -1;
        this.reportAll();
    }

    /// The host's text for the same document, which the host holds as `baseRevision` + 1: applied
    /// as one edit of the text the host last had (`baseRevision`), on top of the edits made here
    /// since, which the host then takes in again. The caret and scroll position map through it.
    takeText(markdown: unknown, documentID: unknown, baseRevision: unknown): void {
        const text = typeof markdown === "string" ? markdown : "";
        if (documentID !== this.documentID || typeof baseRevision !== "number") return;
        const start = this.recent.findIndex((entry) => entry.revision === baseRevision);
        if (start < 0) {
            // Too old to find (never seen in practice): the host's text as it is.
            this.setDocument(text, documentID);
            this.revision = baseRevision + 1;
            this.recent = [{revision: this.revision, doc: this.view.state.doc, changes: null}];
            return;
        }
        const base = this.recent[start].doc;
        let local = ChangeSet.empty(base.length);
        for (const entry of this.recent.slice(start + 1)) if (entry.changes) local = local.compose(entry.changes);
        // In step with the host when nothing was typed since; otherwise the host is out of step
        // and takes the page's text, which holds both.
        this.revision = start === this.recent.length - 1 ? baseRevision + 1 : this.revision + 1;
        this.view.dispatch({
            changes: outsideChange(base, local, text),
            annotations: [fromHost.of(true), Transaction.addToHistory.of(false)],
        });
        this.revisions?.push(this.view.state.doc.toString());
        this.recent = [{revision: this.revision, doc: this.view.state.doc, changes: null}];
    }

    /// Performs one command of the host's command table; false when it is unknown or did nothing.
    performCommand(input: unknown): boolean {
        const request = parseCommandRequest(input);
        const command = request && commandFor(request);
        if (!command) {
            this.reportError(new Error(`unknown editor command: ${JSON.stringify(input)}`));
            return false;
        }
        return command(this.view);
    }

    insertImage(path: unknown): boolean {
        return typeof path === "string" && insertImage(path)(this.view);
    }

    /// Answers the host's input barrier: the patches of every earlier key are posted already.
    inputBarrier(): void {
        // The browser may handle several keys in one task, and the editor reads their changes of
        // the DOM only at the end of it: read them now, so their patches go out first.
        (this.view as unknown as {observer?: {forceFlush?(): void}}).observer?.forceFlush?.();
        this.host.post({type: "inputBarrier", documentID: this.documentID, revision: this.revision});
    }

    /// The text and revision the page holds now; every patch up to `revision` has been posted.
    snapshot(): PageSnapshot {
        return {documentID: this.documentID, revision: this.revision, markdown: this.view.state.doc.toString()};
    }

    focus(flag: unknown = true): void {
        if (flag === false) this.view.contentDOM.blur();
        else this.view.focus();
    }

    private onUpdate(update: ViewUpdate): void {
        for (const tr of update.transactions) {
            if (!tr.docChanged || tr.annotation(fromHost)) continue;
            const baseRevision = this.revision++;
            this.host.post({
                type: "markdownPatch",
                documentID: this.documentID,
                baseRevision,
                revision: this.revision,
                patches: patchesOf(tr.changes),
            });
            this.revisions?.push(tr.state.doc.toString());
            this.recent.push({revision: this.revision, doc: tr.state.doc, changes: tr.changes});
            if (this.recent.length > keptRevisions) this.recent.shift();
        }
        if (update.docChanged || update.selectionSet) this.reportFormat();
        if (update.docChanged) this.scheduleOutline();
        else if (update.selectionSet) this.reportOutline(false);
        if (update.geometryChanged || update.heightChanged || update.docChanged) this.reportHeight();
    }

    private reportAll(): void {
        this.reportFormat();
        this.reportOutline(true);
        this.view.requestMeasure({read: () => null, write: () => this.reportHeight()});
    }

    private reportFormat(): void {
        const state = this.view.state.doc.length === 0 ? defaultFormatState() : formatStateAt(this.view.state);
        if (this.lastFormat && sameFormatState(state, this.lastFormat)) return;
        this.lastFormat = state;
        this.host.post({type: "formatState", documentID: this.documentID, ...state});
    }

    private scheduleOutline(): void {
        if (this.view.state.doc.length < largeDocument) {
            this.reportOutline(true);
            return;
        }
        // Wait for a pause in typing: a scan of a large text costs more than a keystroke.
        if (this.outlineTimer !== null) clearTimeout(this.outlineTimer);
        this.outlineTimer = setTimeout(() => {
            this.outlineTimer = null;
            this.reportOutline(true);
        }, outlineDelay);
    }

    private reportOutline(recompute: boolean): void {
        const {state} = this.view;
        if ((recompute || this.outlineDoc === null) && state.doc !== this.outlineDoc) {
            this.outlineItems = outlineOf(state.doc);
            this.outlineKey = JSON.stringify(this.outlineItems);
            this.outlineDoc = state.doc;
        }
        const active = activeHeading(this.outlineItems, state.selection.main.head);
        const key = `${active ?? ""}|${this.outlineKey}`;
        if (key === this.lastOutline) return;
        this.lastOutline = key;
        this.host.post({
            type: "outline",
            documentID: this.documentID,
            items: this.outlineItems,
            ...(active === undefined ? {} : {activePosition: active}),
        });
    }

    private reportHeight(): void {
        const height = Math.ceil(this.view.contentHeight);
        if (height === this.lastHeight) return;
        this.lastHeight = height;
        this.host.post({type: "contentHeight", height});
    }

    reportError(error: unknown): void {
        const e = error instanceof Error ? error : new Error(String(error));
        this.host.post({type: "jsError", message: e.message, stack: e.stack ?? ""});
    }
}
