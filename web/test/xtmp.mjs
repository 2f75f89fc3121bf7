import { serveSite, openPage } from './harness.mjs';
import fs from 'node:fs';
const { origin, close } = await serveSite('/tmp/xsite');
fs.mkdirSync('/tmp/xwork', { recursive: true });
const { browser, page } = await openPage(origin, '/tmp/xwork', '/tmp/xwork', process.argv[2] ?? 'chromium');
await page.goto(origin + '/index.html');
const r = await page.evaluate(async () => {
  const { default: createTomel } = await import('./tomel.mjs');
  let mode = 'none'; let staging = new Uint8Array(16 << 20); let staged = 0; let blobs = [];
  let done;
  const tomel = await createTomel({
    onPiece: (piece) => {
      if (mode === 'none') return;
      if (staged + piece.length > staging.length) { if (mode === 'blob') blobs.push(new Blob([staging.subarray(0, staged)])); staged = 0; }
      staging.set(piece, staged); staged += piece.length;
    },
    onResult: () => { if (mode === 'blob') { blobs.push(new Blob([staging.subarray(0, staged)])); done = new Blob(blobs); } staged = 0; blobs = []; },
  });
  const out = [];
  for (const name of ['big', 'anim']) {
    const file = await (await fetch(name + '.edg')).blob();
    for (const m of ['none', 'copy', 'blob', 'none', 'copy', 'blob']) {
      mode = m;
      const t0 = performance.now();
      const bytes = new Uint8Array(await file.arrayBuffer());
      const t1 = performance.now();
      const at = tomel._tomel_reserve(bytes.length); tomel.HEAPU8.set(bytes, at);
      const n = new TextEncoder().encode(name + '.edg'); const nat = tomel._tomel_reserve(n.length); tomel.HEAPU8.set(n, nat);
      tomel._tomel_convert(at, bytes.length, nat, n.length);
      const t2 = performance.now();
      let t3 = t2;
      if (m === 'blob') { const last = await done.slice(done.size - 1).arrayBuffer(); t3 = performance.now(); }
      out.push(`${name} ${m}: read ${(t1 - t0).toFixed(0)} convert ${(t2 - t1).toFixed(0)} blob-settled ${(t3 - t2).toFixed(0)}`);
    }
  }
  return out;
});
console.log(r.join('\n'));
await browser.close(); close();
