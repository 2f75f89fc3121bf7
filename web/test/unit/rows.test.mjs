// The page's logic without a browser: the rows' states, the conversion
// queue against a stand-in for its worker, the worker's own read queue, and
// the protocol's constructors against their handler tables.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { dispatch, fromConverter, toConverter, toPreview, toServiceWorker, toStore, toZip } from '../../site/protocol.mjs';
import { ConversionQueue } from '../../site/queue.mjs';
import { ReadQueue } from '../../site/read-queue.mjs';
import { Rows, uniqueNames } from '../../site/rows.mjs';

test('a row moves only as the page moves it, and the count includes every file not finished', () => {
    const rows = new Rows(() => {}, true);
    const [a, b, c] = ['a.edg', 'b.edg', 'c.edg'].map((name) => rows.add(name, new Blob()));
    for (const to of ['reading', 'converting', 'converted']) assert.ok(rows.move(a, to));
    assert.ok(rows.move(b, 'reading') && rows.move(b, 'waiting') && rows.move(b, 'cancelled'));
    assert.ok(rows.move(c, 'reading') && rows.move(c, 'converting'));
    assert.equal(rows.runningCount(), '1 converted, 0 failed, 1 cancelled, 1 to go');
    assert.throws(() => rows.move(a, 'failed'), /converted → failed is not allowed/);
    // Outside the strict build a refused change is reported, and changes nothing.
    const lenient = new Rows(() => {});
    const d = lenient.add('d.edg', null);
    const error = console.error;
    console.error = () => {};
    try {
        assert.equal(lenient.move(d, 'converted'), false);
    } finally {
        console.error = error;
    }
    assert.equal(d.state, 'waiting');
});

test('PSDs of the same name are saved under names of their own', () => {
    assert.deepEqual(uniqueNames(['cat.psd', 'dog.psd', 'cat.psd', 'cat.psd']), ['cat.psd', 'dog.psd', 'cat (2).psd', 'cat (3).psd']);
    // One file on Windows and macOS: by case, and by the accent's encoding.
    assert.deepEqual(uniqueNames(['Cat.psd', 'cat.psd', 'CAT (2).psd', 'caf\u00e9.psd', 'cafe\u0301.psd']),
        ['Cat.psd', 'cat (2).psd', 'CAT (2) (2).psd', 'caf\u00e9.psd', 'cafe\u0301 (2).psd']);
});

// A stand-in for the converting worker: it answers each file with `answer`.
function queueWith(count, answer) {
    const rows = new Rows(() => {}, true);
    const sent = [];
    let replaced = 0;
    let handlers;
    let fail;
    const queue = new ConversionQueue(rows, { converted() {}, finished() {}, converter() {} }, (table, onFailure) => {
        handlers = table;
        fail = onFailure;
        return {
            send: (message) => sent.push(message),
            replace: () => (replaced += 1),
            ask: (message, _transfer, { signal }) => new Promise((resolve, reject) => {
                sent.push({ asked: message, answer: resolve });
                signal?.addEventListener('abort', () => reject(signal.reason));
            }),
        };
    });
    const entries = Array.from({ length: count }, (_, i) => rows.add(`${i}.edg`, new Blob([new Uint8Array(1)])));
    queue.add(entries);
    return { rows, sent, handlers, entries, queue, replaced: () => replaced, answer, fail: (detail) => fail(detail) };
}
const settle = () => new Promise((resolve) => setTimeout(resolve, 5));

test('every file is handed over and converted, past what one hand-over holds', async () => {
    const { rows, sent, handlers } = queueWith(300);
    dispatch(handlers, fromConverter.ready({ memory: 0 }));
    for (let answered = 0; answered < 300; ++answered) {
        await settle();
        const handed = sent.filter((m) => m.type === 'convert').flatMap((m) => m.files);
        assert.ok(handed.length > answered, `${answered} answered, ${handed.length} handed over`);
        dispatch(handlers, fromConverter.converted({ id: handed[answered].id, output: `${answered}.psd`, psd: new Uint8Array(1), memory: 0, retiring: false }));
    }
    assert.equal(rows.runningCount(), '300 converted, 0 failed');
});

test('a retiring or failing worker is replaced, and the new one gets the files after the one it was at', async () => {
    for (const ends of ['retiring', 'failing']) {
        const { rows, sent, handlers, entries, replaced, fail } = queueWith(3);
        dispatch(handlers, fromConverter.ready({ memory: 0 }));
        if (ends === 'retiring') dispatch(handlers, fromConverter.failed({ id: entries[0].id, line: 'Error : Out of memory', memory: 1 << 30, retiring: true }));
        else fail('the worker failed');
        assert.equal(replaced(), 1, ends);
        assert.deepEqual(entries.map((e) => e.state), ['failed', 'waiting', 'waiting'], ends);
        dispatch(handlers, fromConverter.ready({ memory: 0 }));
        assert.deepEqual(sent.at(-1).files.map((f) => f.id), [entries[1].id, entries[2].id], ends);
        assert.equal(rows.runningCount(), '0 converted, 1 failed, 2 to go', ends);
    }
});

test('a worker an export grew too large is replaced, and every file it had goes to the next one', () => {
    const { sent, handlers, entries, replaced } = queueWith(2);
    dispatch(handlers, fromConverter.ready({ memory: 0 }));
    dispatch(handlers, fromConverter.retired({ memory: 1 << 30 }));
    assert.equal(replaced(), 1);
    assert.deepEqual(entries.map((e) => e.state), ['waiting', 'waiting']);
    dispatch(handlers, fromConverter.ready({ memory: 0 }));
    assert.deepEqual(sent.at(-1).files.map((f) => f.id), entries.map((e) => e.id));
});

test('an export cancelled while the worker may be at it stops the worker, and its files go to a new one; one answered does not', async () => {
    const { sent, handlers, entries, replaced, queue } = queueWith(2);
    dispatch(handlers, fromConverter.ready({ memory: 0 }));
    const answered = new AbortController();
    const done = queue.ask({ type: 'export' }, answered.signal);
    sent.at(-1).answer('files');
    await done;
    answered.abort();
    assert.equal(replaced(), 0);
    const cancel = new AbortController();
    queue.ask({ type: 'export' }, cancel.signal).catch(() => {});
    cancel.abort();
    assert.equal(replaced(), 1);
    assert.deepEqual(entries.map((e) => e.state), ['waiting', 'waiting']);
});

test('a file cancelled while the worker reads it is never converted, and the next one is', async () => {
    const reads = new ReadQueue();
    const file = (text) => new Blob([text]);
    reads.add([{ id: 1, name: 'a.edg', file: file('a') }, { id: 2, name: 'b.edg', file: file('b') }]);
    const next = reads.next();
    reads.cancel(1);
    const { job, read } = await next;
    assert.equal(job.id, 2);
    assert.equal(new TextDecoder().decode(read.bytes), 'b');
    assert.equal(await reads.next(), null);
});

test('a file changed since it was added is told apart, and never gives another file its bytes', async () => {
    // Firefox reads what is there now; Chromium refuses a changed file, and
    // tells a removed one apart.
    class Grown extends Blob {
        get size() {
            return 3;
        }
    }
    class Refused extends Blob {
        constructor(name) {
            super(['abc']);
            this.refusal = name;
        }
        arrayBuffer() {
            return Promise.reject(new DOMException('refused', this.refusal));
        }
    }
    const reads = new ReadQueue();
    const files = [new Blob(['abc']), new Grown(['grown']), new Blob(['xyz']), new Refused('NotReadableError'), new Refused('NotFoundError')];
    reads.add(files.map((file, i) => ({ id: i + 1, name: `${i}.edg`, file })));
    const seen = [];
    for (let next = await reads.next(); next; next = await reads.next()) {
        seen.push('bytes' in next.read ? new TextDecoder().decode(next.read.bytes) : `changed: ${next.read.changed}`);
    }
    assert.deepEqual(seen, ['abc', 'changed: true', 'xyz', 'changed: true', 'changed: false']);
});

test('every message a side sends has a handler on the other, and no other message is taken', () => {
    const channels = { toConverter, fromConverter, toStore, toZip, toPreview, toServiceWorker };
    for (const [channel, constructors] of Object.entries(channels)) {
        const types = Object.values(constructors).map((make) => make({}).type);
        assert.equal(new Set(types).size, types.length, `${channel}: two messages of one type`);
    }
    // The page's table for the converting worker's messages.
    const { handlers } = queueWith(0);
    assert.deepEqual(Object.keys(handlers).sort(), Object.values(fromConverter).map((make) => make({}).type).sort());
    assert.throws(() => dispatch(handlers, { type: 'stoped' }), /no known type/);
});
