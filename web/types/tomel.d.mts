// The module Emscripten builds from web/module/TomelModule.cpp, as the
// converting worker uses it.
export interface TomelModule {
    HEAPU8: Uint8Array<ArrayBuffer>;
    _tomel_reserve(length: number): number;
    _tomel_release(at: number): void;
    // Each returns how it ended: 0 written, 1 failed, 2 out of memory; the
    // text (the output's name, or the error line) at the two words `text`
    // and `textLength` point to: where it is, and its length.
    _tomel_convert(data: number, length: number, name: number, nameLength: number, sink: number, text: number,
        textLength: number): number;
    _tomel_export(data: number, length: number, name: number, nameLength: number, options: number, optionsLength: number,
        sink: number, text: number, textLength: number): number;
}

// Where each call's output goes, by the number the call names.
export interface TomelSink {
    piece(piece: Uint8Array<ArrayBuffer>, written: number, total: number): void;
    file(name: string, bytes: Uint8Array<ArrayBuffer>): void;
    note(text: string): void;
}

export default function createTomel(settings: { sinks: Map<number, TomelSink> }): Promise<TomelModule>;
