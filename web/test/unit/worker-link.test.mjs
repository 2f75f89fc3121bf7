// The worker link against a stand-in Worker: what is asked waits until the
// worker listens, is answered once, outlives a worker replaced or failed,
// and fails with why where no worker can answer it.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { WorkerLink } from '../../site/worker-link.mjs';

// A stand-in Worker: what was posted to it, and the page's side of its messages.
class StandIn {
    posted = [];
    ended = false;
    /** @type {((event: { data: unknown }) => void) | null} */
    onmessage = null;
    /** @type {((event: { message: string, preventDefault(): void }) => void) | null} */
    onerror = null;
    onmessageerror = null;
    postMessage(data, transfer = []) {
        this.posted.push({ data, transfer });
    }
    terminate() {
        this.ended = true;
    }
    ready() {
        this.onmessage?.({ data: { type: 'ready' } });
    }
    answer(ask, reply) {
        this.onmessage?.({ data: { answer: ask, reply } });
    }
    fail(message = 'out of memory') {
        this.onerror?.({ message, preventDefault() {} });
    }
    asked() {
        return this.posted.map(({ data }) => data.ask).filter((ask) => ask !== undefined);
    }
}

function link({ endWhenIdle = false, handlers = {}, onFailure = () => {} } = {}) {
    const workers = [];
    const failures = [];
    const made = new WorkerLink(new URL('file:///worker.mjs'), handlers, (detail) => {
        failures.push(detail);
        onFailure(made, detail);
    }, {
        endWhenIdle,
        makeWorker: () => {
            const worker = new StandIn();
            workers.push(worker);
            return worker;
        },
    });
    return { link: made, workers, failures };
}
// What a promise came to, once the callbacks queued so far have run.
async function outcome(promise) {
    let result = 'pending';
    promise.then((reply) => (result = { reply }), (e) => (result = { failed: e?.message ?? String(e) }));
    await new Promise((resolve) => setTimeout(resolve, 0));
    return result;
}

test('asks and sends wait until the worker listens, and each answer goes to its own ask', async () => {
    const { link: l, workers } = link();
    const first = l.ask({ type: 'export', n: 1 });
    l.send({ type: 'convert' });
    const second = l.ask({ type: 'export', n: 2 });
    const [worker] = workers;
    assert.deepEqual(worker.posted, [], 'nothing posted before the worker listens');
    worker.ready();
    assert.deepEqual(worker.posted.map(({ data }) => data.type ?? data.message.type), ['convert', 'export', 'export']);
    const [a, b] = worker.asked();
    worker.answer(b, 'two');
    worker.answer(a, 'one');
    worker.answer(a, 'again');
    assert.deepEqual([await outcome(first), await outcome(second)], [{ reply: 'one' }, { reply: 'two' }]);
});

test('a cancelled ask is refused, or dropped, and is never answered', async () => {
    const { link: l, workers } = link();
    const aborted = AbortSignal.abort(new Error('closed'));
    assert.deepEqual(await outcome(l.ask({ type: 'open' }, [], { signal: aborted })), { failed: 'closed' });
    const cancel = new AbortController();
    const asked = l.ask({ type: 'open' }, [], { signal: cancel.signal });
    workers[0].ready();
    cancel.abort(new Error('gone'));
    workers[0].answer(workers[0].asked()[0], 'late');
    assert.deepEqual(await outcome(asked), { failed: 'gone' });
});

test('a replaced worker hands its asks to the next one, and its late answers are dropped', async () => {
    const { link: l, workers } = link();
    const asked = l.ask({ type: 'export' });
    const progress = [];
    const moved = l.ask({ type: 'store' }, [new ArrayBuffer(8)], { onProgress: (f) => progress.push(f) })
        .catch((e) => ({ failed: e.message }));
    workers[0].ready();
    const [ask] = workers[0].asked();
    l.replace();
    assert.ok(workers[0].ended);
    workers[0].answer(ask, 'from the old worker');
    assert.equal(await outcome(asked), 'pending');
    // What moved its buffers to the worker gone can't be asked again.
    assert.match((await moved).failed, /lost with it/);
    workers[1].ready();
    assert.deepEqual(workers[1].asked(), [ask]);
    workers[1].answer(ask, 'from the new worker');
    assert.deepEqual(await outcome(asked), { reply: 'from the new worker' });
    assert.deepEqual(progress, []);
});

test('an ask outlives one failed worker, fails on the second with why, and a worker that never listened fails its asks', async () => {
    const { link: l, workers, failures } = link();
    const asked = l.ask({ type: 'export' });
    workers[0].ready();
    workers[0].fail();
    assert.equal(await outcome(asked), 'pending');
    assert.equal(workers.length, 2, 'a new worker answers what the failed one held');
    workers[1].ready();
    workers[1].fail('out of memory again');
    assert.match((await outcome(asked)).failed, /stopped on it 2 times \(out of memory again\)/);
    assert.deepEqual(failures, ['out of memory', 'out of memory again']);
    assert.equal(workers.length, 2, 'no worker is started for nothing');

    // A module that can't start: every ask fails after the second try.
    const broken = link();
    const held = broken.link.ask({ type: 'export' });
    broken.workers[0].fail('no module');
    broken.workers[1].fail('no module');
    assert.match((await outcome(held)).failed, /no module/);
    assert.equal(broken.workers.length, 2);

    // The owner may end the link on a failure: every ask fails with why.
    const ended = link({ onFailure: (made, detail) => made.end(detail) });
    const page = ended.link.ask({ type: 'page' });
    ended.workers[0].ready();
    ended.workers[0].fail('the PSD is too large');
    assert.deepEqual(await outcome(page), { failed: 'the PSD is too large' });
    assert.equal(ended.link.running, false);
});

test('a link that ends when idle ends its worker once nothing is asked, a cancelled ask included', async () => {
    const { link: l, workers } = link({ endWhenIdle: true });
    const cancel = new AbortController();
    l.ask({ type: 'zip' }, [], { signal: cancel.signal }).catch(() => {});
    workers[0].ready();
    cancel.abort();
    assert.ok(workers[0].ended && !l.running);
    const asked = l.ask({ type: 'zip' });
    workers[1].ready();
    workers[1].answer(workers[1].asked()[0], 'zip');
    assert.deepEqual(await outcome(asked), { reply: 'zip' });
    assert.ok(workers[1].ended);
});
