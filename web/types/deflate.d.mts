// The module Emscripten builds from web/module/DeflateModule.cpp, as the zip
// worker uses it.
export interface DeflateModule {
    HEAPU8: Uint8Array<ArrayBuffer>;
    onDeflated(piece: Uint8Array<ArrayBuffer>): void;
    _tomel_deflate_begin(): number;
    _tomel_deflate_input(stream: number): number;
    _tomel_deflate_input_room(): number;
    _tomel_deflate_push(stream: number, length: number, finish: number): number;
    _tomel_deflate_crc(stream: number): number;
    _tomel_deflate_end(stream: number): void;
}

export default function createDeflate(overrides?: { wasmBinary?: Uint8Array }): Promise<DeflateModule>;
