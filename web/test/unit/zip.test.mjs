// The "Save all" zip writer with its WebAssembly deflater, read back by
// unzip -t and Python's zipfile: PSDs of the examples byte for byte, every
// record in its Zip64 form, and a member past 4 GiB (zeros, which deflate
// small). Needs the browser build (build-web/module) and the native tomel
// (TOMEL_NATIVE).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { deflaterOn } from '../../site/deflater.mjs';
import { zipMembers } from '../../site/zip-writer.mjs';

const root = path.resolve(import.meta.dirname, '../../..');
const module = path.join(root, 'build-web/module');
const native = path.resolve(process.env.TOMEL_NATIVE ?? path.join(root, 'build-test/tomel'));
const { default: createDeflate } = await import(path.join(module, 'deflate.mjs'));
const deflater = deflaterOn(await createDeflate({ wasmBinary: fs.readFileSync(path.join(module, 'deflate.wasm')) }));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tomel-zip-'));
test.after(() => fs.rmSync(work, { recursive: true }));

/** @param {string} name @param {import('../../site/zip-writer.mjs').ZipMember[]} members @param {object} [options] */
async function written(name, members, options = {}) {
    const zip = await zipMembers(members, { deflater, ...options });
    const file = path.join(work, name);
    const out = fs.createWriteStream(file);
    for await (const chunk of zip.stream()) if (!out.write(chunk)) await new Promise((resolve) => out.once('drain', resolve));
    await new Promise((resolve) => out.end(resolve));
    execFileSync('unzip', ['-tq', file]);
    return file;
}

// Python's zipfile: each member's name, size, and the SHA-256 of its bytes
// (CRC checked as it reads), the ones named in `skip` only listed.
function pythonRead(file, skip = []) {
    const script = `import hashlib, json, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(json.dumps([[i.filename, i.file_size, None if i.filename in sys.argv[2:] else hashlib.sha256(z.read(i)).hexdigest()] for i in z.infolist()]))`;
    return JSON.parse(execFileSync('/usr/bin/python3', ['-c', script, file, ...skip], { encoding: 'utf8' }));
}
const sha = (bytes) => execFileSync('sha256sum', { input: bytes, encoding: 'utf8' }).split(' ')[0];

test('the examples\' PSDs, byte for byte, in plain and in Zip64 records', async () => {
    for (const name of ['flat', 'layers', 'pages']) fs.copyFileSync(path.join(root, 'examples', `${name}.edg`), path.join(work, `${name}.edg`));
    execFileSync(native, ['psd', 'flat.edg', 'layers.edg', 'pages.edg'], { cwd: work });
    const members = ['flat', 'layers', 'pages'].map((name) => ({ name: `${name}.psd`, bytes: fs.readFileSync(path.join(work, `${name}.psd`)) }));
    // A name outside ASCII, and an empty file.
    members.push({ name: 'Küste (2).psd', bytes: members[0].bytes }, { name: 'empty.psd', bytes: Buffer.alloc(0) });
    const want = members.map(({ name, bytes }) => [name, bytes.length, sha(bytes)]);
    const asInput = members.map(({ name, bytes }) => ({ name, input: new Blob([bytes]) }));
    assert.deepEqual(pythonRead(await written('plain.zip', asInput)), want);
    assert.deepEqual(pythonRead(await written('zip64.zip', asInput, { zip64Above: 0 })), want);
});

test('a member past 4 GiB, and one after it', async () => {
    const zeros = new Uint8Array(4 << 20);
    const size = 2 ** 32 + 5 * 2 ** 20 + 3;
    const huge = {
        size,
        stream: () => {
            let left = size;
            return new ReadableStream({
                pull(controller) {
                    if (left === 0) return controller.close();
                    const n = Math.min(left, zeros.length);
                    left -= n;
                    controller.enqueue(zeros.subarray(0, n));
                },
            });
        },
    };
    const after = new TextEncoder().encode('after the huge one');
    const file = await written('huge.zip', [{ name: 'zeros.psd', input: huge }, { name: 'after.psd', input: new Blob([after]) }]);
    assert.deepEqual(pythonRead(file, ['zeros.psd']), [['zeros.psd', size, null], ['after.psd', after.length, sha(after)]]);
});
