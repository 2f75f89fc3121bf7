// @ts-check
// A zip writer that streams: each file is read in pieces and deflated as it
// comes, and the zip is gathered in Blobs of about 8 MiB, so that no whole file
// and no whole zip is ever held in memory. No DOM: it runs in the zip worker
// and under Node. A member is deflated before its local header is placed in
// front of it, so the header holds the real sizes and CRC: no data
// descriptors.

/** @typedef {{ size: number, stream(): ReadableStream<Uint8Array> }} ZipInput */
/** @typedef {{ name: string, input: ZipInput }} ZipMember */

const blobPart = 8 << 20;
// A size or offset at or past this is written in Zip64 records.
const zip32Limit = 0xffffffff;

/** Little-endian fields, written in order. */
class Fields {
    /** @param {number} length */
    constructor(length) {
        this.bytes = new Uint8Array(length);
        this.view = new DataView(this.bytes.buffer);
        this.at = 0;
    }
    /** @param {number} value */
    u16(value) {
        this.view.setUint16(this.at, value, true);
        this.at += 2;
        return this;
    }
    /** @param {number} value */
    u32(value) {
        this.view.setUint32(this.at, value >>> 0, true);
        this.at += 4;
        return this;
    }
    /** @param {number} value */
    u64(value) {
        this.view.setBigUint64(this.at, BigInt(value), true);
        this.at += 8;
        return this;
    }
    /** @param {Uint8Array} bytes */
    raw(bytes) {
        this.bytes.set(bytes, this.at);
        this.at += bytes.length;
        return this;
    }
}

/** @param {Date} when @returns {[number, number]} the DOS time and date */
function dosTime(when) {
    const year = Math.min(Math.max(when.getFullYear(), 1980), 2107);
    return [
        (when.getHours() << 11) | (when.getMinutes() << 5) | (when.getSeconds() >> 1),
        ((year - 1980) << 9) | ((when.getMonth() + 1) << 5) | when.getDate(),
    ];
}

/**
 * @typedef {{ name: Uint8Array, utf8: boolean, crc: number, size: number,
 *   compressed: number, offset: number }} Written
 */

/**
 * Zips `members` into one Blob. `onRead` is told the bytes read so far.
 * @param {ZipMember[]} members
 * @param {{ deflater: () => import('./deflater.mjs').Deflater, onRead?: (bytes: number) => void, now?: Date,
 *   zip64Above?: number }} options (`zip64Above` lowers the Zip64 threshold, for tests)
 */
export async function zipMembers(members, { deflater, onRead = () => {}, now = new Date(), zip64Above = zip32Limit }) {
    const [time, date] = dosTime(now);
    const encoder = new TextEncoder();
    /** @type {(Blob | Uint8Array<ArrayBuffer>)[]} */
    const parts = [];
    /** @type {Uint8Array[]} */
    let pending = [];
    let pendingBytes = 0;
    const flush = () => {
        if (pendingBytes === 0) return;
        parts.push(new Blob(/** @type {BlobPart[]} */ (pending)));
        pending = [];
        pendingBytes = 0;
    };
    /** @param {Uint8Array} chunk */
    const gather = (chunk) => {
        pending.push(chunk);
        pendingBytes += chunk.length;
        if (pendingBytes >= blobPart) flush();
    };
    /** @param {number} value */
    const past32 = (value) => value >= zip64Above;

    /** @type {Written[]} */
    const written = [];
    let offset = 0;
    let read = 0;
    for (const { name, input } of members) {
        const nameBytes = encoder.encode(name);
        const utf8 = /[^\x00-\x7f]/.test(name);
        // The local header's place, filled in once the member's sizes are known.
        flush();
        const headerAt = parts.length;
        parts.push(new Uint8Array(0));
        let compressed = 0;
        /** @param {Uint8Array} piece */
        const out = (piece) => {
            compressed += piece.length;
            gather(piece);
        };
        const deflating = deflater();
        const reader = input.stream().getReader();
        let length = 0;
        for (;;) {
            const { done, value } = await reader.read();
            if (done) break;
            deflating.push(value, out);
            length += value.length;
            read += value.length;
            onRead(read);
        }
        const crc = deflating.end(out);
        if (length !== input.size) throw new Error(`${name} changed while it was zipped.`);
        flush();
        const member = { name: nameBytes, utf8, crc, size: input.size, compressed, offset };
        const header = localHeader(member, past32(member.size) || past32(compressed), time, date);
        parts[headerAt] = header;
        written.push(member);
        offset += header.length + compressed;
    }

    const directoryAt = offset;
    let directorySize = 0;
    for (const member of written) {
        const entry = directoryEntry(member, past32(member.size) || past32(member.compressed), past32(member.offset), time, date);
        parts.push(entry);
        directorySize += entry.length;
    }
    const zip64 = written.length >= 0xffff || past32(directoryAt) || past32(directorySize);
    if (zip64) {
        const recordAt = directoryAt + directorySize;
        parts.push(new Fields(56).u32(0x06064b50).u64(44).u16(45).u16(45).u32(0).u32(0)
            .u64(written.length).u64(written.length).u64(directorySize).u64(directoryAt).bytes);
        parts.push(new Fields(20).u32(0x07064b50).u32(0).u64(recordAt).u32(1).bytes);
    }
    const count = zip64 ? 0xffff : written.length;
    parts.push(new Fields(22).u32(0x06054b50).u16(0).u16(0).u16(count).u16(count)
        .u32(zip64 ? zip32Limit : directorySize).u32(zip64 ? zip32Limit : directoryAt).u16(0).bytes);
    return new Blob(parts, { type: 'application/zip' });
}

/**
 * @param {Written} member
 * @param {boolean} sizes64 both sizes go in a Zip64 field
 * @param {number} time @param {number} date
 */
function localHeader(member, sizes64, time, date) {
    const fields = new Fields(30 + member.name.length + (sizes64 ? 20 : 0))
        .u32(0x04034b50).u16(sizes64 ? 45 : 20).u16(member.utf8 ? 0x800 : 0).u16(8).u16(time).u16(date)
        .u32(member.crc)
        .u32(sizes64 ? zip32Limit : member.compressed).u32(sizes64 ? zip32Limit : member.size)
        .u16(member.name.length).u16(sizes64 ? 20 : 0).raw(member.name);
    if (sizes64) fields.u16(1).u16(16).u64(member.size).u64(member.compressed);
    return fields.bytes;
}

/**
 * @param {Written} member
 * @param {boolean} sizes64 @param {boolean} offset64
 * @param {number} time @param {number} date
 */
function directoryEntry(member, sizes64, offset64, time, date) {
    const extra = (sizes64 ? 16 : 0) + (offset64 ? 8 : 0);
    const extraField = extra > 0 ? extra + 4 : 0;
    const version = extra > 0 ? 45 : 20;
    const fields = new Fields(46 + member.name.length + extraField)
        .u32(0x02014b50).u16(version).u16(version).u16(member.utf8 ? 0x800 : 0).u16(8).u16(time).u16(date)
        .u32(member.crc)
        .u32(sizes64 ? zip32Limit : member.compressed).u32(sizes64 ? zip32Limit : member.size)
        .u16(member.name.length).u16(extraField).u16(0).u16(0).u16(0).u32(0)
        .u32(offset64 ? zip32Limit : member.offset).raw(member.name);
    if (extra > 0) {
        fields.u16(1).u16(extra);
        if (sizes64) fields.u64(member.size).u64(member.compressed);
        if (offset64) fields.u64(member.offset);
    }
    return fields.bytes;
}
