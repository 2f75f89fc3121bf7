// The module Emscripten builds from web/module/TomelModule.cpp, as the
// converting worker uses it.
export interface TomelModule {
    HEAPU8: Uint8Array<ArrayBuffer>;
    _tomel_reserve(length: number): number;
    _tomel_release(at: number): void;
    _tomel_convert(data: number, length: number, name: number, nameLength: number): void;
}

export interface TomelCallbacks {
    onPiece(piece: Uint8Array<ArrayBuffer>, written: number, total: number): void;
    onResult(failed: boolean, text: string): void;
}

export default function createTomel(callbacks: TomelCallbacks): Promise<TomelModule>;
