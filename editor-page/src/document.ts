import {StateField} from "@codemirror/state";

/// The id of the document the state holds, as the host named it. Set when the state is made
/// (a new document always gets a new state) and never changed afterwards.
export const documentIDField = StateField.define<string>({
    create: () => "",
    update: (value) => value,
});
