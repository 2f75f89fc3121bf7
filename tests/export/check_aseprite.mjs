// Reads a .aseprite file tomel-export wrote with ase-parser, an independent
// reader, and composites each frame by the format's rules: layers bottom to
// top, hidden ones left out, a cel's pixel of the header's transparent index
// see-through but in the background layer, where every pixel is a colour, and
// what lies off the canvas not shown. Each frame must be its page's
// composite, and each Edge layer must be one cel at its page's place, its
// drawn pixels the cel's: node check_aseprite.mjs EXPECT.json FILE [--inexact]
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

const Aseprite = createRequire(import.meta.url)('ase-parser');
const [expectPath, file] = process.argv.slice(2);
const inexact = process.argv.includes('--inexact');
const expect = JSON.parse(readFileSync(expectPath, 'utf8'));
const { width: W, height: H, fps: FPS, palette, pages } = expect;
const failures = [];

const sprite = new Aseprite(readFileSync(file), 'doc.aseprite');
sprite.parse();

if (sprite.colorDepth !== 8 || sprite.width !== W || sprite.height !== H || sprite.numFrames !== pages.length) {
  failures.push(`header: depth ${sprite.colorDepth}, ${sprite.width}x${sprite.height}, ${sprite.numFrames} frames`);
}
const key = sprite.paletteIndex;
const colours = sprite.palette.colors;
for (let i = 0; i < palette.length; i++) {
  const c = colours[i];
  const want = palette[i];
  if (!c || c.red !== (want >> 16 & 255) || c.green !== (want >> 8 & 255) || c.blue !== (want & 255)) {
    failures.push(`palette entry ${i}`);
    break;
  }
}
// Aseprite's background layer cannot be moved.
for (const layer of sprite.layers) {
  if (layer.flags.background && !layer.flags.lockMovement) failures.push(`background layer ${layer.name} can be moved`);
}
let previous = 0;
pages.forEach((page, p) => {
  const end = Math.floor(((p + 1) * 1000 * 2 + FPS) / (2 * FPS));
  if (sprite.frames[p].frameDuration !== end - previous) failures.push(`frame ${p + 1}: duration ${sprite.frames[p].frameDuration}`);
  previous = end;
});

const nameOf = (hex) => Buffer.from(hex, 'hex').toString('utf8').split('\0')[0];
pages.forEach((page, p) => {
  const rgba = readFileSync(page.rgba);
  const index = readFileSync(page.index);
  const frame = sprite.frames[p];
  const cels = [...frame.cels].sort((a, b) => a.layerIndex - b.layerIndex);
  // The composite, by the format's rules.
  const shown = new Int32Array(W * H).fill(-1);
  for (const cel of cels) {
    const flags = sprite.layers[cel.layerIndex].flags;
    if (!flags.visible) continue;
    for (let y = 0; y < cel.h; y++) {
      for (let x = 0; x < cel.w; x++) {
        const v = cel.rawCelData[y * cel.w + x];
        const [cx, cy] = [cel.xpos + x, cel.ypos + y];
        if (cx < 0 || cy < 0 || cx >= W || cy >= H) continue;
        if (v !== key || flags.background) shown[cy * W + cx] = v;
      }
    }
  }
  let wrong = 0;
  for (let j = 0; j < W * H; j++) {
    const drawn = rgba[4 * j + 3] !== 0;
    const ok = drawn ? shown[j] === index[j] || (inexact && index[j] === expect.transparent && shown[j] >= 0) : shown[j] === -1;
    if (!ok && wrong++ < 3) failures.push(`frame ${p + 1}: pixel ${j % W},${Math.floor(j / W)} is ${shown[j]}, not ${drawn ? index[j] : 'transparent'}`);
  }
  // Each page's layers: in order, named, shown or hidden, every drawn pixel kept.
  const used = cels.map((cel) => cel.layerIndex);
  const layers = page.layers;
  const [px, py, pw, ph] = page.rect;
  const byPlace = [];
  sprite.layers.forEach((layer, i) => byPlace.push({ layer, i }));
  layers.forEach((layer, k) => {
    const matches = byPlace.filter(({ layer: l }) => l.name === nameOf(layer.name) && l.flags.visible === layer.visible);
    if (matches.length === 0) failures.push(`frame ${p + 1}: no layer named ${nameOf(layer.name)}`);
    const cel = cels.find((c) => matches.some(({ i }) => i === c.layerIndex));
    if (!cel) return;
    // The layer whole, off the canvas too.
    if (cel.xpos !== px || cel.ypos !== py || cel.w !== pw || cel.h !== ph) {
      failures.push(`frame ${p + 1}, layer ${k}: a cel of ${cel.w}x${cel.h} at ${cel.xpos},${cel.ypos}, not the page's ${pw}x${ph} at ${px},${py}`);
      return;
    }
    const raw = readFileSync(layer.indices);
    for (let y = 0; y < cel.h; y++) {
      for (let x = 0; x < cel.w; x++) {
        const v = cel.rawCelData[y * cel.w + x];
        const at = (cel.ypos + y - py) * pw + (cel.xpos + x - px);
        const kept = v === raw[at] || (v === key && !sprite.layers[cel.layerIndex].flags.background);
        if (!kept && !(inexact && raw[at] === expect.transparent)) {
          failures.push(`frame ${p + 1}, layer ${k}: pixel ${x},${y} is ${v}, not ${raw[at]}`);
          return;
        }
      }
    }
  });
  if (new Set(used).size !== used.length) failures.push(`frame ${p + 1}: two cels on one layer`);
});

for (const f of failures) console.log(f);
process.exit(failures.length ? 1 : 0);
